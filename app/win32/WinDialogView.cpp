#include "app/win32/WinDialogView.h"

#include <commctrl.h>
#include <commdlg.h>

#include <vector>

void WinProgress::SetRange(uint32_t low, uint32_t high) {
    SendMessageA(control_, PBM_SETRANGE32, static_cast<WPARAM>(low), static_cast<LPARAM>(high));
}

void WinProgress::SetPos(uint32_t pos) { SendMessageA(control_, PBM_SETPOS, static_cast<WPARAM>(pos), 0); }

std::pair<uint32_t, uint32_t> WinProgress::GetRange() const {
    PBRANGE range{};
    SendMessageA(control_, PBM_GETRANGE, TRUE, reinterpret_cast<LPARAM>(&range));
    return {static_cast<uint32_t>(range.iLow), static_cast<uint32_t>(range.iHigh)};
}

std::string WinDialogView::GetText(int id) {
    HWND item = Item(id);
    if (!item) return {};
    int length = GetWindowTextLengthA(item);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    int got = GetWindowTextA(item, text.data(), length + 1);
    text.resize(static_cast<size_t>(got > 0 ? got : 0));
    return text;
}

void WinDialogView::SetText(int id, const std::string& text) { SetDlgItemTextA(dialog_, id, text.c_str()); }

void WinDialogView::LimitText(int id, unsigned limit) {
    SendDlgItemMessageA(dialog_, id, EM_LIMITTEXT, static_cast<WPARAM>(limit), 0);
}

void WinDialogView::SetCheck(int id, bool checked) {
    SendDlgItemMessageA(dialog_, id, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void WinDialogView::Enable(int id, bool enable) {
    if (HWND item = Item(id)) EnableWindow(item, enable ? TRUE : FALSE);
}

void WinDialogView::Show(int id, bool show) {
    if (HWND item = Item(id)) ShowWindow(item, show ? SW_SHOW : SW_HIDE);
}

void WinDialogView::MoveControl(int id, int x, int y, int width, int height) {
    if (HWND item = Item(id)) MoveWindow(item, x, y, width, height, TRUE);
}

void WinDialogView::ResizeWindow(int width, int height) {
    SetWindowPos(dialog_, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void WinDialogView::InsertTabItem(int id, int index, const std::string& text) {
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    std::string copy = text;  // the message takes a non-const buffer
    item.pszText = copy.data();
    SendDlgItemMessageA(dialog_, id, TCM_INSERTITEMA, static_cast<WPARAM>(index),
                        reinterpret_cast<LPARAM>(&item));
}

int WinDialogView::GetCurSel(int id) {
    return static_cast<int>(SendDlgItemMessageA(dialog_, id, TCM_GETCURSEL, 0, 0));
}

void WinDialogView::SetCurSel(int id, int index) {
    SendDlgItemMessageA(dialog_, id, TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
}

int WinDialogView::ShowMessage(const std::string& text, const std::string& caption, unsigned style) {
    return ::MessageBoxA(dialog_, text.c_str(), caption.c_str(), style);
}

// No messages are pumped while an operation runs, so the cursor set here stays until a message
// box (which pumps) replaces it; RestoreWaitCursor puts it back afterwards.
void WinDialogView::BeginWaitCursor() {
    HCURSOR previous = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    if (waitDepth_++ == 0) savedCursor_ = previous;
}

void WinDialogView::RestoreWaitCursor() {
    if (waitDepth_ > 0) SetCursor(LoadCursor(nullptr, IDC_WAIT));
}

void WinDialogView::EndWaitCursor() {
    if (waitDepth_ == 0) return;
    if (--waitDepth_ == 0) SetCursor(savedCursor_ ? savedCursor_ : LoadCursor(nullptr, IDC_ARROW));
}

std::optional<std::string> WinDialogView::ChooseFile(const FileDialogRequest& request) {
    // The filter's bars become the NULs that OPENFILENAME expects; it ends with two NULs.
    std::string filter = request.filter;
    for (char& c : filter)
        if (c == '|') c = '\0';
    filter.push_back('\0');
    filter.push_back('\0');

    // Room for paths longer than MAX_PATH, which the file system allows.
    std::vector<char> file(4096, '\0');
    if (!request.initialName.empty() && request.initialName.size() < file.size())
        request.initialName.copy(file.data(), request.initialName.size());

    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = dialog_;
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrDefExt = request.defaultExt.empty() ? nullptr : request.defaultExt.c_str();
    ofn.Flags = request.flags | OFN_EXPLORER;
    BOOL ok = request.save ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn);
    if (!ok) return std::nullopt;
    return std::string(file.data());
}

Progress& WinDialogView::ProgressBar(int id) {
    auto& bar = bars_[id];
    if (!bar) bar = std::make_unique<WinProgress>(Item(id));
    return *bar;
}
