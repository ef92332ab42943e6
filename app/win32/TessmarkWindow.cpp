// The main window's dialog procedure: the Win32 half of MainDialog. Control state, field
// transfers and page logic are MainDialog's; here live the messages that only Windows has
// (system menu, icon painting, drops, subclassed edit boxes).
// windows.h first: the other system headers build on it.
// clang-format off
#include <windows.h>
// clang-format on

#include <commctrl.h>
#include <shellapi.h>
#include <uxtheme.h>

#include <memory>
#include <string>
#include <vector>

#include "app/ControlIds.h"
#include "app/EditFilters.h"
#include "app/MainDialog.h"
#include "app/win32/OperatorApp.h"
#include "app/win32/WinDialogView.h"
#include "engine/HxwConverter.h"

namespace {

struct WindowState {
    HINSTANCE instance = nullptr;
    HxwConverter* converter = nullptr;
    std::string exeFolder;
    HICON icon = nullptr;
    std::unique_ptr<WinDialogView> view;
    std::unique_ptr<MainDialog> dialog;
};

// HexEdit, AlnumEdit and DigitEdit: a character that fails the kind's test is dropped with a
// beep; everything else is the edit control's own.
LRESULT CALLBACK FilterEditProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR kind) {
    if (msg == WM_CHAR && !EditAccepts(static_cast<EditKind>(kind), static_cast<unsigned>(wp))) {
        MessageBeep(0xFFFFFFFF);
        return 0;
    }
    if (msg == WM_NCDESTROY) RemoveWindowSubclass(hwnd, FilterEditProc, 1);
    return DefSubclassProc(hwnd, msg, wp, lp);
}

void AttachEditFilters(HWND dlg) {
    for (int id = 1000; id <= 1073; ++id) {
        if (auto kind = EditKindOf(id)) {
            if (HWND edit = GetDlgItem(dlg, id))
                SetWindowSubclass(edit, FilterEditProc, 1, static_cast<DWORD_PTR>(*kind));
        }
    }
}

void AppendAboutItem(HWND dlg, HINSTANCE instance) {
    char text[256] = {};
    if (LoadStringA(instance, IDS_ABOUTBOX, text, sizeof text) <= 0 || text[0] == '\0') return;
    if (HMENU menu = GetSystemMenu(dlg, FALSE)) {
        AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        AppendMenuA(menu, MF_STRING, IDM_ABOUTBOX, text);
    }
}

INT_PTR CALLBACK AboutProc(HWND dlg, UINT msg, WPARAM wp, LPARAM) {
    switch (msg) {
        case WM_INITDIALOG:
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL) {
                EndDialog(dlg, LOWORD(wp));
                return TRUE;
            }
            break;
    }
    return FALSE;
}

// Every dropped path at its full length, in the order the drop lists them.
std::vector<std::string> DroppedPaths(HDROP drop) {
    std::vector<std::string> paths;
    UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        UINT length = DragQueryFileA(drop, i, nullptr, 0);
        std::string path(length + 1, '\0');
        UINT got = DragQueryFileA(drop, i, path.data(), length + 1);
        path.resize(got);
        paths.push_back(std::move(path));
    }
    return paths;
}

// The window opens in the middle of the desktop's work area, at the size start-up gave it.
void CentreOnWorkArea(HWND dlg) {
    RECT work, rc;
    if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0) || !GetWindowRect(dlg, &rc)) return;
    int x = work.left + ((work.right - work.left) - (rc.right - rc.left)) / 2;
    int y = work.top + ((work.bottom - work.top) - (rc.bottom - rc.top)) / 2;
    SetWindowPos(dlg, nullptr, x > work.left ? x : work.left, y > work.top ? y : work.top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void PaintMinimised(HWND dlg, HICON icon) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(dlg, &ps);
    SendMessageA(dlg, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT rc;
    GetClientRect(dlg, &rc);
    int x = (rc.right - rc.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
    int y = (rc.bottom - rc.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
    DrawIcon(dc, x, y, icon);
    EndPaint(dlg, &ps);
}

INT_PTR CALLBACK MainProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    auto* state = reinterpret_cast<WindowState*>(GetWindowLongPtrA(dlg, DWLP_USER));
    switch (msg) {
        case WM_INITDIALOG: {
            state = reinterpret_cast<WindowState*>(lp);
            SetWindowLongPtrA(dlg, DWLP_USER, reinterpret_cast<LONG_PTR>(state));
            AttachEditFilters(dlg);
            // The pages sit on the tab control's pane: paint the dialog with the pane's texture so
            // labels and radio buttons do not show grey boxes on it.
            EnableThemeDialogTexture(dlg, ETDT_ENABLETAB);
            AppendAboutItem(dlg, state->instance);
            SendMessageA(dlg, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(state->icon));
            SendMessageA(dlg, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(state->icon));
            state->view = std::make_unique<WinDialogView>(dlg);
            state->dialog = std::make_unique<MainDialog>(*state->view, *state->converter, state->exeFolder);
            BOOL focus = state->dialog->OnInitDialog() ? TRUE : FALSE;
            CentreOnWorkArea(dlg);
            return focus;
        }
        case WM_SYSCOMMAND:
            if (state && (wp & 0xFFF0) == IDM_ABOUTBOX) {
                DialogBoxParamA(state->instance, MAKEINTRESOURCEA(IDD_ABOUTBOX), dlg, AboutProc, 0);
                return TRUE;
            }
            return FALSE;
        case WM_PAINT:
            if (state && IsIconic(dlg)) {
                PaintMinimised(dlg, state->icon);
                return TRUE;
            }
            return FALSE;
        case WM_QUERYDRAGICON:
            return state ? reinterpret_cast<INT_PTR>(state->icon) : 0;
        case WM_DROPFILES: {
            HDROP drop = reinterpret_cast<HDROP>(wp);
            std::vector<std::string> paths = DroppedPaths(drop);
            if (state && state->dialog) state->dialog->OnDropFiles(paths);
            DragFinish(drop);
            return FALSE;
        }
        case WM_NOTIFY: {
            auto* hdr = reinterpret_cast<NMHDR*>(lp);
            if (state && state->dialog && hdr->idFrom == IDC_TAB && hdr->code == TCN_SELCHANGE) {
                SetWindowLongPtrA(dlg, DWLP_MSGRESULT, state->dialog->OnTabChange());
                return TRUE;
            }
            return FALSE;
        }
        case WM_COMMAND:
            if (HIWORD(wp) == BN_CLICKED) {
                int id = LOWORD(wp);
                if (state && state->dialog && state->dialog->OnCommand(id)) return TRUE;
                if (id == IDCANCEL) {  // Esc, the close box and Alt+F4 end the program at once
                    EndDialog(dlg, IDCANCEL);
                    return TRUE;
                }
            }
            return FALSE;
    }
    return FALSE;
}

}  // namespace

INT_PTR RunMainDialog(HINSTANCE instance, HxwConverter& converter, const std::string& exeFolder) {
    WindowState state;
    state.instance = instance;
    state.converter = &converter;
    state.exeFolder = exeFolder;
    state.icon = LoadIconA(instance, MAKEINTRESOURCEA(IDR_MAINFRAME));
    INT_PTR result = DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_TESSMARK), nullptr, MainProc,
                                     reinterpret_cast<LPARAM>(&state));
    return result;
}
