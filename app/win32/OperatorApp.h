// The program's start: the one engine object, the main window run modally, and the end.
#pragma once
#include <windows.h>

#include <string>

class OperatorApp {
  public:
    // Runs the main window until it closes; returns the program's exit code.
    int Run(HINSTANCE instance);

    // The executable's drive and folder, ending in a backslash (ZV.DEF and "Hxw.tmp" live there).
    static std::string ExecutableFolder();
};

// The modal main window (template 102) over the given engine; returns when it closes.
class HxwConverter;
INT_PTR RunMainDialog(HINSTANCE instance, HxwConverter& converter, const std::string& exeFolder);
