// A window without Windows: keeps each control's state the way the real controls would (apart
// from MainDialog's fields) and records every call in order, so tests can check what the
// operator would see and when.
#pragma once
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/DialogView.h"
#include "tests/support/RecordingProgress.h"

using FakeProgress = RecordingProgress;

struct FakeControl {
    std::string text;
    unsigned limit = 0;
    bool checked = false;
    bool enabled = true;
    bool visible = true;
    int x = -1, y = -1, width = -1, height = -1;
};

struct FakeMessageBox {
    std::string text;
    std::string caption;
    unsigned style = 0;
    std::map<int, std::string> textsWhileOpen;  // every control's text while the box was open
};

class FakeDialogView : public DialogView {
  public:
    std::string GetText(int id) override { return controls[id].text; }
    void SetText(int id, const std::string& text) override {
        controls[id].text = text;
        log.push_back("text " + std::to_string(id) + "=" + text);
    }
    void LimitText(int id, unsigned limit) override { controls[id].limit = limit; }
    void SetCheck(int id, bool checked) override {
        controls[id].checked = checked;
        log.push_back("check " + std::to_string(id) + "=" + (checked ? "1" : "0"));
    }
    void Enable(int id, bool enable) override {
        controls[id].enabled = enable;
        log.push_back("enable " + std::to_string(id) + "=" + (enable ? "1" : "0"));
    }
    void Show(int id, bool show) override {
        controls[id].visible = show;
        log.push_back("show " + std::to_string(id) + "=" + (show ? "1" : "0"));
    }
    void MoveControl(int id, int x, int y, int width, int height) override {
        FakeControl& c = controls[id];
        c.x = x;
        c.y = y;
        c.width = width;
        c.height = height;
        log.push_back("move " + std::to_string(id));
    }
    void ResizeWindow(int width, int height) override {
        windowSize = {width, height};
        log.push_back("resize");
    }
    void InsertTabItem(int id, int index, const std::string& text) override {
        if (id == 1024) {
            // Like the real control: the first item into an empty control is selected.
            if (tabs.empty()) curSel = 0;
            tabs.insert(tabs.begin() + index, text);
        }
        log.push_back("tab " + std::to_string(index) + "=" + text);
    }
    int GetCurSel(int) override { return curSel; }
    void SetCurSel(int, int index) override {
        // Like TCM_SETCURSEL: -1 selects no item, any other index the control does not hold
        // changes nothing.
        if (index >= -1 && index < static_cast<int>(tabs.size())) curSel = index;
        log.push_back("cursel " + std::to_string(index));
    }
    int ShowMessage(const std::string& text, const std::string& caption, unsigned style) override {
        FakeMessageBox box{text, caption, style, {}};
        for (const auto& [id, control] : controls) box.textsWhileOpen[id] = control.text;
        boxes.push_back(box);
        log.push_back("box " + caption + ": " + text);
        return mb::IdOk;
    }
    void BeginWaitCursor() override { log.push_back("cursor begin"); }
    void RestoreWaitCursor() override { log.push_back("cursor restore"); }
    void EndWaitCursor() override { log.push_back("cursor end"); }
    std::optional<std::string> ChooseFile(const FileDialogRequest& request) override {
        fileRequests.push_back(request);
        log.push_back("file dialog");
        if (fileAnswers.empty()) return std::nullopt;
        std::optional<std::string> answer = fileAnswers.front();
        fileAnswers.pop_front();
        return answer;
    }
    Progress& ProgressBar(int id) override { return progress[id]; }

    // The operator types into a control: its text changes, MainDialog is not told.
    void Type(int id, const std::string& text) { controls[id].text = text; }
    const std::string& TextOf(int id) { return controls[id].text; }

    // The recorded calls that start with prefix, in order.
    std::vector<std::string> Calls(const std::string& prefix) const {
        std::vector<std::string> out;
        for (const std::string& entry : log) {
            if (entry.rfind(prefix, 0) == 0) out.push_back(entry);
        }
        return out;
    }
    // Position in the log of the first entry equal to entry at or after from, or -1.
    int IndexOf(const std::string& entry, size_t from = 0) const {
        for (size_t i = from; i < log.size(); ++i) {
            if (log[i] == entry) return static_cast<int>(i);
        }
        return -1;
    }

    std::map<int, FakeControl> controls;
    std::map<int, FakeProgress> progress;
    std::vector<std::string> log;
    std::vector<FakeMessageBox> boxes;
    std::vector<FileDialogRequest> fileRequests;
    std::deque<std::optional<std::string>> fileAnswers;
    std::vector<std::string> tabs;
    int curSel = -1;
    std::pair<int, int> windowSize{0, 0};
};
