// tmprobe: drives and reads the Tessmark window from outside, as the end-to-end tests need.
// Runs in the same Wine prefix as Tessmark.exe. Every command that acts on the window posts its
// messages, so the probe never waits on a handler that opens a message box.
//
//   tmprobe find [ms]                 wait for the main window; prints its handle
//   tmprobe text ID                   prints a control's text
//   tmprobe state ID...               per control "ID visible enabled checked x y w h" (client pixels)
//   tmprobe screen ID                 prints the control's centre in screen pixels
//   tmprobe style ID                  prints style and extended style in hex (ID 0: the window)
//   tmprobe window                    prints outer size, client size and the outer top-left corner
//   tmprobe progress ID               prints "low high pos"
//   tmprobe settext ID TEXT           sets a control's text (WM_SETTEXT), bypassing the keyboard
//   tmprobe click ID                  presses a button (BM_CLICK)
//   tmprobe type ID TEXT              focuses the control, then types TEXT (WM_CHAR) at its end
//   tmprobe retype ID TEXT            the same, replacing the whole text
//   tmprobe key ID VK                 a key press (WM_KEYDOWN/WM_KEYUP) to a control
//   tmprobe tab N                     clicks tab item N of the tab control with the mouse
//   tmprobe tabs                      prints the tab items' texts and the selected index
//   tmprobe dialog CAPTION [ms]       waits for a dialog of the program with that caption;
//                                     prints its texts, buttons and whether it shows an icon
//   tmprobe dismiss CAPTION [ms]      presses OK (or Cancel) of that dialog
//   tmprobe cancel CAPTION [ms]       presses Cancel of that dialog
//   tmprobe dlgtext CAPTION ID        prints a control's text in that dialog of the program
//   tmprobe dlgset CAPTION ID TEXT    sets it (WM_SETTEXT)
//   tmprobe drop FILE...              drops files on the window (a WM_DROPFILES with a drop handle)
//   tmprobe syscommand CMD            posts WM_SYSCOMMAND
//   tmprobe close                     closes the window (WM_CLOSE)
//   tmprobe windows                   lists the program's top-level windows
//   tmprobe version FILE              prints file version, product version and comment
// windows.h first: the other system headers build on it.
// clang-format off
#include <windows.h>
// clang-format on

#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct FindData {
    const char* caption;
    DWORD pid;  // 0: any process
    bool main;  // the main window (it holds the tab control) or any other dialog
    HWND found;
};

BOOL CALLBACK FindByCaption(HWND hwnd, LPARAM lp) {
    auto* fd = reinterpret_cast<FindData*>(lp);
    char cls[64] = {}, title[256] = {};
    GetClassNameA(hwnd, cls, sizeof cls);
    GetWindowTextA(hwnd, title, sizeof title);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (std::strcmp(cls, "#32770") == 0 && std::strcmp(title, fd->caption) == 0 && IsWindowVisible(hwnd) &&
        (fd->pid == 0 || fd->pid == pid) && (GetDlgItem(hwnd, 1024) != nullptr) == fd->main) {
        fd->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

HWND FindDialog(const char* caption, DWORD pid, int ms, bool main = false) {
    for (int waited = 0;; waited += 50) {
        FindData fd{caption, pid, main, nullptr};
        EnumWindows(FindByCaption, reinterpret_cast<LPARAM>(&fd));
        if (fd.found || waited >= ms) return fd.found;
        Sleep(50);
    }
}

HWND MainWindow(int ms = 5000) {
    HWND w = FindDialog("Tessmark", 0, ms, true);
    if (!w) {
        std::fprintf(stderr, "tmprobe: no Tessmark window\n");
        std::exit(2);
    }
    return w;
}

DWORD ProcessOf(HWND w) {
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    return pid;
}

HWND Control(HWND dlg, const char* id) {
    HWND c = GetDlgItem(dlg, std::atoi(id));
    if (!c) {
        std::fprintf(stderr, "tmprobe: no control %s\n", id);
        std::exit(2);
    }
    return c;
}

std::string TextOf(HWND w) {
    DWORD_PTR len = 0;
    if (!SendMessageTimeoutA(w, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &len)) return "";
    std::string s(len + 1, '\0');
    DWORD_PTR got = 0;
    SendMessageTimeoutA(w, WM_GETTEXT, s.size(), reinterpret_cast<LPARAM>(s.data()), SMTO_ABORTIFHUNG, 5000,
                        &got);
    s.resize(got);
    return s;
}

// Memory inside the window's process, for messages whose parameter is a pointer.
struct RemoteBlock {
    HANDLE process = nullptr;
    void* address = nullptr;
    RemoteBlock(DWORD pid, size_t size) {
        process =
            OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE | PROCESS_QUERY_INFORMATION,
                        FALSE, pid);
        if (process)
            address = VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
        if (!address) {
            std::fprintf(stderr, "tmprobe: no memory in the window's process\n");
            std::exit(2);
        }
    }
    ~RemoteBlock() {
        if (process) CloseHandle(process);
    }
    void Write(const void* data, size_t size) { WriteProcessMemory(process, address, data, size, nullptr); }
    void Read(void* data, size_t size) { ReadProcessMemory(process, address, data, size, nullptr); }
    void Free() { VirtualFreeEx(process, address, 0, MEM_RELEASE); }
};

// TCITEMA as a 32-bit process lays it out.
struct TabItem32 {
    UINT mask;
    DWORD dwState;
    DWORD dwStateMask;
    DWORD pszText;
    int cchTextMax;
    int iImage;
    DWORD lParam;
};

bool IsThirtyTwoBit(HANDLE process) {
    BOOL wow = FALSE;
    return IsWow64Process(process, &wow) && wow;
}

struct ChildList {
    std::vector<HWND> items;
};

BOOL CALLBACK CollectChild(HWND hwnd, LPARAM lp) {
    reinterpret_cast<ChildList*>(lp)->items.push_back(hwnd);
    return TRUE;
}

void PrintDialog(HWND d) {
    ChildList list;
    EnumChildWindows(d, CollectChild, reinterpret_cast<LPARAM>(&list));
    bool icon = false;
    for (HWND c : list.items) {
        char cls[64] = {};
        GetClassNameA(c, cls, sizeof cls);
        LONG style = GetWindowLongA(c, GWL_STYLE);
        std::string t = TextOf(c);
        if (_stricmp(cls, "Static") == 0) {
            bool isIcon = (style & SS_TYPEMASK) == SS_ICON;
            if (isIcon && IsWindowVisible(c) && SendMessageA(c, STM_GETICON, 0, 0)) icon = true;
            if (!isIcon && !t.empty()) std::printf("text: %s\n", t.c_str());
        } else if (_stricmp(cls, "Button") == 0 && IsWindowVisible(c)) {
            std::printf("button %d: %s\n", GetDlgCtrlID(c), t.c_str());
        }
    }
    std::printf("icon: %s\n", icon ? "yes" : "no");
}

BOOL CALLBACK ListWindow(HWND hwnd, LPARAM lp) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == static_cast<DWORD>(lp) && IsWindowVisible(hwnd)) {
        char cls[64] = {}, title[256] = {};
        GetClassNameA(hwnd, cls, sizeof cls);
        GetWindowTextA(hwnd, title, sizeof title);
        std::printf("%s|%s\n", cls, title);
    }
    return TRUE;
}

void Click(HWND c) { PostMessageA(c, BM_CLICK, 0, 0); }

int Usage() {
    std::fprintf(stderr, "usage: tmprobe COMMAND ARGS (see the source)\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage();
    std::string cmd = argv[1];
    auto arg = [&](int i) -> const char* { return i < argc ? argv[i] : ""; };

    if (cmd == "find") {
        HWND w = FindDialog("Tessmark", 0, argc > 2 ? std::atoi(arg(2)) : 5000, true);
        if (!w) return 1;
        std::printf("%p\n", static_cast<void*>(w));
        return 0;
    }
    if (cmd == "version") {
        // "FILEVERSION PRODUCTVERSION Comments" of an executable's version resource.
        DWORD unused = 0, size = GetFileVersionInfoSizeA(arg(2), &unused);
        std::vector<char> block(size ? size : 1);
        if (!size || !GetFileVersionInfoA(arg(2), 0, size, block.data())) return 1;
        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT len = 0;
        char* comment = nullptr;
        UINT clen = 0;
        if (!VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &len) || !fixed) return 1;
        VerQueryValueA(block.data(), "\\StringFileInfo\\040904b0\\Comments",
                       reinterpret_cast<void**>(&comment), &clen);
        std::printf("%d.%d.%d.%d %d.%d.%d.%d %s\n", HIWORD(fixed->dwFileVersionMS),
                    LOWORD(fixed->dwFileVersionMS), HIWORD(fixed->dwFileVersionLS),
                    LOWORD(fixed->dwFileVersionLS), HIWORD(fixed->dwProductVersionMS),
                    LOWORD(fixed->dwProductVersionMS), HIWORD(fixed->dwProductVersionLS),
                    LOWORD(fixed->dwProductVersionLS), comment ? comment : "");
        return 0;
    }
    HWND dlg = MainWindow();
    if (cmd == "text") {
        std::printf("%s\n", TextOf(Control(dlg, arg(2))).c_str());
    } else if (cmd == "state") {
        for (int i = 2; i < argc; ++i) {
            HWND c = Control(dlg, arg(i));
            RECT r;
            GetWindowRect(c, &r);
            MapWindowPoints(nullptr, dlg, reinterpret_cast<POINT*>(&r), 2);
            char cls[32] = {};
            GetClassNameA(c, cls, sizeof cls);
            DWORD_PTR chk = 0;
            if (_stricmp(cls, "Button") == 0)
                SendMessageTimeoutA(c, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 5000, &chk);
            std::printf("%s %d %d %d %ld %ld %ld %ld\n", arg(i), IsWindowVisible(c) ? 1 : 0,
                        IsWindowEnabled(c) ? 1 : 0, chk == BST_CHECKED ? 1 : 0, r.left, r.top,
                        r.right - r.left, r.bottom - r.top);
        }
    } else if (cmd == "screen") {
        // The centre of a control in screen pixels, for real mouse input through X.
        RECT r;
        GetWindowRect(Control(dlg, arg(2)), &r);
        std::printf("%ld %ld\n", (r.left + r.right) / 2, (r.top + r.bottom) / 2);
    } else if (cmd == "style") {
        HWND c = std::atoi(arg(2)) == 0 ? dlg : Control(dlg, arg(2));
        std::printf("%08lX %08lX\n", static_cast<unsigned long>(GetWindowLongA(c, GWL_STYLE)),
                    static_cast<unsigned long>(GetWindowLongA(c, GWL_EXSTYLE)));
    } else if (cmd == "window") {
        // Icons are not asked for: Wine does not carry WM_GETICON between processes.
        RECT w, c;
        GetWindowRect(dlg, &w);
        GetClientRect(dlg, &c);
        std::printf("%ld %ld %ld %ld %ld %ld\n", w.right - w.left, w.bottom - w.top, c.right, c.bottom, w.left,
                    w.top);
    } else if (cmd == "progress") {
        HWND c = Control(dlg, arg(2));
        DWORD_PTR lo = 0, hi = 0, pos = 0;
        SendMessageTimeoutA(c, PBM_GETRANGE, TRUE, 0, SMTO_ABORTIFHUNG, 5000, &lo);
        SendMessageTimeoutA(c, PBM_GETRANGE, FALSE, 0, SMTO_ABORTIFHUNG, 5000, &hi);
        SendMessageTimeoutA(c, PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, 5000, &pos);
        std::printf("%lu %lu %lu\n", static_cast<unsigned long>(lo), static_cast<unsigned long>(hi),
                    static_cast<unsigned long>(pos));
    } else if (cmd == "settext") {
        // Text that did not come from the keyboard (as a paste would bring it).
        DWORD_PTR ok = 0;
        SendMessageTimeoutA(Control(dlg, arg(2)), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(arg(3)),
                            SMTO_ABORTIFHUNG, 5000, &ok);
    } else if (cmd == "click") {
        Click(Control(dlg, arg(2)));
    } else if (cmd == "type" || cmd == "retype") {
        HWND c = Control(dlg, arg(2));
        // A click into the box gives it the focus, as the operator's would; typing goes on at
        // the end of the text, or replaces all of it (select all, backspace) for retype.
        PostMessageA(c, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
        PostMessageA(c, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
        if (cmd == "retype") {
            PostMessageA(c, EM_SETSEL, 0, -1);
            PostMessageA(c, WM_CHAR, '\b', 1);
        } else {
            PostMessageA(c, EM_SETSEL, 0x7FFFFFFF, 0x7FFFFFFF);
        }
        for (const char* p = arg(3); *p; ++p) PostMessageA(c, WM_CHAR, static_cast<unsigned char>(*p), 1);
    } else if (cmd == "key") {
        HWND c = Control(dlg, arg(2));
        WPARAM vk = std::strtoul(arg(3), nullptr, 0);
        PostMessageA(c, WM_KEYDOWN, vk, 1);
        PostMessageA(c, WM_KEYUP, vk, 0xC0000001);
    } else if (cmd == "tab" || cmd == "tabs") {
        HWND tab = Control(dlg, "1024");
        if (cmd == "tabs") {
            DWORD_PTR n = 0, sel = 0;
            SendMessageTimeoutA(tab, TCM_GETITEMCOUNT, 0, 0, SMTO_ABORTIFHUNG, 5000, &n);
            SendMessageTimeoutA(tab, TCM_GETCURSEL, 0, 0, SMTO_ABORTIFHUNG, 5000, &sel);
            for (DWORD_PTR i = 0; i < n; ++i) {
                RemoteBlock block(ProcessOf(dlg), 4096);
                char* text = static_cast<char*>(block.address) + 512;
                if (IsThirtyTwoBit(block.process)) {
                    // The i686 build reads the item in its own layout, with 32-bit pointers.
                    TabItem32 item{TCIF_TEXT, 0, 0, static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(text)),
                                   256,       0, 0};
                    block.Write(&item, sizeof item);
                } else {
                    TCITEMA item{};
                    item.mask = TCIF_TEXT;
                    item.pszText = text;
                    item.cchTextMax = 256;
                    block.Write(&item, sizeof item);
                }
                DWORD_PTR ok = 0;
                SendMessageTimeoutA(tab, TCM_GETITEMA, i, reinterpret_cast<LPARAM>(block.address),
                                    SMTO_ABORTIFHUNG, 5000, &ok);
                char all[1024] = {};
                block.Read(all, sizeof all);
                std::printf("%lu: %s\n", static_cast<unsigned long>(i), all + 512);
                block.Free();
            }
            std::printf("selected: %ld\n", static_cast<long>(static_cast<LONG_PTR>(sel)));
            return 0;
        }
        RemoteBlock block(ProcessOf(dlg), 4096);
        DWORD_PTR ok = 0;
        SendMessageTimeoutA(tab, TCM_GETITEMRECT, std::atoi(arg(2)), reinterpret_cast<LPARAM>(block.address),
                            SMTO_ABORTIFHUNG, 5000, &ok);
        RECT r{};
        block.Read(&r, sizeof r);
        block.Free();
        if (!ok) {
            std::fprintf(stderr, "tmprobe: no tab item %s\n", arg(2));
            return 1;
        }
        LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        PostMessageA(tab, WM_LBUTTONDOWN, MK_LBUTTON, at);
        PostMessageA(tab, WM_LBUTTONUP, 0, at);
    } else if (cmd == "dialog" || cmd == "dismiss" || cmd == "cancel") {
        HWND d = FindDialog(arg(2), ProcessOf(dlg), argc > 3 ? std::atoi(arg(3)) : 5000);
        if (!d) {
            std::printf("no dialog\n");
            return 1;
        }
        if (cmd == "dialog") {
            PrintDialog(d);
        } else {
            HWND b = cmd == "cancel" ? GetDlgItem(d, IDCANCEL) : GetDlgItem(d, IDOK);
            if (!b) b = GetDlgItem(d, IDCANCEL);
            if (b) Click(b);
            // The box is gone once the handler has gone on.
            for (int i = 0; i < 100 && IsWindow(d) && IsWindowVisible(d); ++i) Sleep(50);
            if (IsWindow(d) && IsWindowVisible(d)) return 1;
        }
    } else if (cmd == "dlgtext" || cmd == "dlgset") {
        HWND d = FindDialog(arg(2), ProcessOf(dlg), 20000);
        HWND c = d ? GetDlgItem(d, std::atoi(arg(3))) : nullptr;
        if (!c) {
            std::printf("no control\n");
            return 1;
        }
        if (cmd == "dlgtext") {
            std::printf("%s\n", TextOf(c).c_str());
        } else {
            DWORD_PTR ok = 0;
            SendMessageTimeoutA(c, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(arg(4)), SMTO_ABORTIFHUNG, 5000,
                                &ok);
        }
    } else if (cmd == "drop") {
        // A drop handle as the shell builds one: DROPFILES, then the paths, each ending in a NUL,
        // and a final NUL. It lives in the window's process, where DragQueryFile reads it.
        std::string paths;
        for (int i = 2; i < argc; ++i) paths.append(argv[i]).push_back('\0');
        paths.push_back('\0');
        std::vector<char> buf(sizeof(DROPFILES) + paths.size());
        DROPFILES df{};
        df.pFiles = sizeof(DROPFILES);
        df.pt.x = 20;
        df.pt.y = 20;
        df.fNC = FALSE;
        df.fWide = FALSE;
        std::memcpy(buf.data(), &df, sizeof df);
        std::memcpy(buf.data() + sizeof df, paths.data(), paths.size());
        RemoteBlock block(ProcessOf(dlg), buf.size());
        block.Write(buf.data(), buf.size());
        if (!PostMessageA(dlg, WM_DROPFILES, reinterpret_cast<WPARAM>(block.address), 0)) {
            std::fprintf(stderr, "tmprobe: drop not posted (%lu)\n", GetLastError());
            return 1;
        }
    } else if (cmd == "syscommand") {
        PostMessageA(dlg, WM_SYSCOMMAND, std::strtoul(arg(2), nullptr, 0), 0);
    } else if (cmd == "close") {
        PostMessageA(dlg, WM_CLOSE, 0, 0);
    } else if (cmd == "windows") {
        EnumWindows(ListWindow, static_cast<LPARAM>(ProcessOf(dlg)));
    } else {
        return Usage();
    }
    return 0;
}
