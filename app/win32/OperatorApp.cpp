#include "app/win32/OperatorApp.h"

#include <commctrl.h>

#include <vector>

#include "engine/HxwConverter.h"
#include "device/win32/SystemPort.h"

std::string OperatorApp::ExecutableFolder() {
    // The path may be longer than MAX_PATH; grow the buffer until it fits.
    std::vector<char> path(MAX_PATH + 1);
    for (;;) {
        DWORD n = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return {};
        if (n < path.size() - 1) {
            std::string full(path.data(), n);
            size_t cut = full.find_last_of("\\/");
            return cut == std::string::npos ? std::string() : full.substr(0, cut + 1);
        }
        path.resize(path.size() * 2);
    }
}

int OperatorApp::Run(HINSTANCE instance) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_TAB_CLASSES | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);

    HxwConverter converter;
    // The window reaches the unit through the system's transport.
    converter.SetUnitPort(&SystemUnitPort());
    RunMainDialog(instance, converter, ExecutableFolder());
    return 0;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    OperatorApp app;
    return app.Run(instance);
}
