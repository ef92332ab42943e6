// The main window as its page handlers see it: its controls by id, its message boxes, cursor and
// file dialogs. The Win32 window implements it over the real controls; tests implement it with a
// fake that keeps control state apart from MainDialog's fields and records the order of calls.
//
// Every call acts at once (the Win32 binding sends its messages synchronously), so the order in
// which MainDialog makes the calls is the order in which the operator sees the changes.
#pragma once
#include <optional>
#include <string>

#include "base/Progress.h"

// Message box style flags and answers, with the values of the Win32 constants of the same name,
// so the Win32 binding passes them through unchanged.
namespace mb {
constexpr unsigned Ok = 0x00000000;               // MB_OK
constexpr unsigned IconExclamation = 0x00000030;  // MB_ICONEXCLAMATION
constexpr int IdOk = 1;                           // IDOK
}  // namespace mb

// Open/Save dialog flags, with the values of the Win32 OPENFILENAME flags of the same name.
namespace ofn {
constexpr unsigned OverwritePrompt = 0x00000002;  // OFN_OVERWRITEPROMPT
constexpr unsigned HideReadOnly = 0x00000004;     // OFN_HIDEREADONLY
constexpr unsigned FileMustExist = 0x00001000;    // OFN_FILEMUSTEXIST
}  // namespace ofn

// One request for the system's Open File or Save File dialog.
struct FileDialogRequest {
    bool save = false;        // false: Open File (GetOpenFileNameA); true: Save File (GetSaveFileNameA)
    std::string filter;       // e.g. "HEX Files (*.hex;*.s;*.mot)|*.hex;*.s;*.mot|": each entry is
                              // "name|patterns|"; the binding turns every '|' into '\0'
    std::string defaultExt;   // lpstrDefExt without the dot; empty = none
    std::string initialName;  // initial text of the file name box; empty = none
    unsigned flags = 0;       // ofn:: flags, passed as Flags
};

class DialogView {
  public:
    virtual ~DialogView() = default;

    // --- controls by id ---
    // The control's whole text.
    virtual std::string GetText(int id) = 0;
    // Replaces the control's text.
    virtual void SetText(int id, const std::string& text) = 0;
    // From now on the operator cannot type more than limit characters into the edit box (text
    // already there or set by SetText is not cut).
    virtual void LimitText(int id, unsigned limit) = 0;
    // Checks or clears a radio button.
    virtual void SetCheck(int id, bool checked) = 0;
    // Lets the operator use the control, or greys it out.
    virtual void Enable(int id, bool enable) = 0;
    // Shows or hides the control.
    virtual void Show(int id, bool show) = 0;
    // Places the control at x, y (pixels, the window's client coordinates) with that size, and
    // repaints it.
    virtual void MoveControl(int id, int x, int y, int width, int height) = 0;

    // --- the window itself ---
    // Sets the window's outer size in pixels; its top-left corner and stacking order stay.
    virtual void ResizeWindow(int width, int height) = 0;

    // --- tab control ---
    // Inserts a tab with that text at index. The first item into an empty control becomes the
    // selected one.
    virtual void InsertTabItem(int id, int index, const std::string& text) = 0;
    // The selected tab's index, -1 for none.
    virtual int GetCurSel(int id) = 0;
    // Selects the tab at index; -1 leaves none selected; any other index the control does not
    // hold changes nothing.
    virtual void SetCurSel(int id, int index) = 0;

    // --- messages to the operator ---
    // A modal message box owned by the window: text, caption, mb:: style; returns the button
    // the operator chose (mb::IdOk). (Not called MessageBox: windows.h makes that name a macro.)
    virtual int ShowMessage(const std::string& text, const std::string& caption, unsigned style) = 0;

    // --- hourglass cursor ---
    // Begin: show the wait cursor; Restore: show it again after a message box replaced it;
    // End: back to the normal cursor.
    virtual void BeginWaitCursor() = 0;
    virtual void RestoreWaitCursor() = 0;
    virtual void EndWaitCursor() = 0;

    // --- file dialogs ---
    // The system's Open File or Save File dialog, owned by the window, taking paths of at least
    // 260 characters. Returns the chosen full path, or nothing when cancelled. The upload folder
    // is chosen with a Save dialog too; MainDialog keeps only its drive and folder, since the
    // unit names the file itself.
    virtual std::optional<std::string> ChooseFile(const FileDialogRequest& request) = 0;

    // --- progress bars ---
    // The progress bar with that id (1008, 1009, 1012), for the engine to drive: its range and
    // position as Progress describes them.
    virtual Progress& ProgressBar(int id) = 0;
};
