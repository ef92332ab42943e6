// The main window's controls as MainDialog sees them, over the real Win32 dialog.
#pragma once
#include <windows.h>

#include <map>
#include <memory>

#include "app/DialogView.h"

// A progress bar control driven with PBM_SETRANGE32 / PBM_SETPOS / PBM_GETRANGE.
class WinProgress final : public Progress {
  public:
    explicit WinProgress(HWND control) : control_(control) {}
    void SetRange(uint32_t low, uint32_t high) override;
    void SetPos(uint32_t pos) override;
    std::pair<uint32_t, uint32_t> GetRange() const override;

  private:
    HWND control_;
};

class WinDialogView final : public DialogView {
  public:
    explicit WinDialogView(HWND dialog) : dialog_(dialog) {}

    std::string GetText(int id) override;
    void SetText(int id, const std::string& text) override;
    void LimitText(int id, unsigned limit) override;
    void SetCheck(int id, bool checked) override;
    void Enable(int id, bool enable) override;
    void Show(int id, bool show) override;
    void MoveControl(int id, int x, int y, int width, int height) override;
    void ResizeWindow(int width, int height) override;
    void InsertTabItem(int id, int index, const std::string& text) override;
    int GetCurSel(int id) override;
    void SetCurSel(int id, int index) override;
    int ShowMessage(const std::string& text, const std::string& caption, unsigned style) override;
    void BeginWaitCursor() override;
    void RestoreWaitCursor() override;
    void EndWaitCursor() override;
    std::optional<std::string> ChooseFile(const FileDialogRequest& request) override;
    Progress& ProgressBar(int id) override;

  private:
    HWND Item(int id) const { return GetDlgItem(dialog_, id); }

    HWND dialog_;
    std::map<int, std::unique_ptr<WinProgress>> bars_;
    int waitDepth_ = 0;
    HCURSOR savedCursor_ = nullptr;
};
