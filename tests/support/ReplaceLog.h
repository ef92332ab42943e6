// Watches the system calls of every save while it lives: each call is logged in order, then
// made; a chosen step can be made to fail instead.
#pragma once
#include <string>
#include <vector>

#include "base/AtomicReplace.h"

class ReplaceLog {
  public:
    struct Call {
        std::string what;  // "create", "flush", "rename", "flush-folder", "remove"
        std::string path;  // the file the call is about (rename: its target)
        std::string from;  // rename: the file renamed
    };
    std::vector<Call> calls;
    std::string failing;  // the step that fails ("create", "flush", "rename"), or none
    int existsFirst = 0;  // that many creates answer that the name is taken

    ReplaceLog() : scope_(kCalls) { current_ = this; }
    ~ReplaceLog() { current_ = nullptr; }

    // Whether the file renamed over target was flushed (after its last write) before the rename.
    bool FlushedBeforeRename(const std::string& target) const {
        for (size_t i = 0; i < calls.size(); ++i) {
            if (calls[i].what != "rename" || calls[i].path != target) continue;
            for (size_t j = i; j-- > 0;) {
                if (calls[j].path == calls[i].from && calls[j].what == "flush") return true;
            }
            return false;
        }
        return false;
    }
    bool RenamedOver(const std::string& target) const {
        for (const auto& c : calls)
            if (c.what == "rename" && c.path == target) return true;
        return false;
    }
    std::string Text() const {
        std::string t;
        for (const auto& c : calls)
            t += c.what + " " + c.from + (c.from.empty() ? "" : " -> ") + c.path + "\n";
        return t;
    }

  private:
    static inline ReplaceLog* current_ = nullptr;
    using Create = hxw::ReplaceCalls::Create;
    static const hxw::ReplaceCalls& System() { return hxw::SystemReplaceCalls(); }

    static Create CreateNew(const std::string& path) {
        current_->calls.push_back({"create", path, ""});
        if (current_->existsFirst > 0) {
            --current_->existsFirst;
            return Create::Exists;
        }
        return current_->failing == "create" ? Create::Failed : System().CreateNew(path);
    }
    static bool Flush(const std::string& path) {
        current_->calls.push_back({"flush", path, ""});
        return current_->failing != "flush" && System().FlushToDevice(path);
    }
    static bool Rename(const std::string& from, const std::string& to) {
        current_->calls.push_back({"rename", to, from});
        return current_->failing != "rename" && System().RenameOver(from, to);
    }
    static bool FlushFolder(const std::string& target) {
        current_->calls.push_back({"flush-folder", target, ""});
        return System().FlushFolderOf(target);
    }
    static void Remove(const std::string& path) {
        current_->calls.push_back({"remove", path, ""});
        System().Remove(path);
    }
    static constexpr hxw::ReplaceCalls kCalls{CreateNew, Flush, Rename, FlushFolder, Remove};

    hxw::ScopedReplaceCalls scope_;
};
