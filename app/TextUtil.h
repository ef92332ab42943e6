// Path splitting for the operator window.
#pragma once
#include <cstdint>
#include <string>

// A path split like _splitpath: "C:", "\\work\\", "prog", ".hxw". Both '\\' and '/' separate.
struct PathParts {
    std::string drive;
    std::string folder;  // ends with its separator, or is empty
    std::string name;
    std::string ext;  // with its dot, or empty
};
PathParts SplitPath(const std::string& path);

// Name and extension without drive and folder: "C:\\work\\prog.hxw" gives "prog.hxw".
std::string FileNamePart(const std::string& path);
// Drive and folder: "C:\\work\\prog.hxw" gives "C:\\work\\". Used on the executable's own path to
// place ZV.DEF and Hxw.tmp.
std::string FolderPart(const std::string& path);
