// The one way the program saves a file: the new content goes to a temporary file of a unique
// name, created exclusively beside the target; it is flushed to the device, renamed over the
// target, and (where the system needs it) the folder is flushed too. A crash or power cut
// leaves the old file or the new one, never a partial or empty one; a failure removes the
// temporary file and leaves the target as it was. No other file is ever touched.
//
// A target that is a symbolic link stays one: the file it names is replaced. A read-only target
// is refused, and a replaced file keeps its permission bits (and, where allowed, its owner).
#pragma once
#include <cstddef>
#include <string>

namespace hxw {

// The system calls a replace makes, as one table so a test can watch or fail them.
struct ReplaceCalls {
    enum class Create { Created, Exists, Failed };
    // Creates a new empty file at path; Exists when anything is there already.
    Create (*CreateNew)(const std::string& path);
    // Flushes the file's data and size to the device; false when that fails.
    bool (*FlushToDevice)(const std::string& path);
    // Renames from over to, replacing any file there, as one step; false when that fails.
    bool (*RenameOver)(const std::string& from, const std::string& to);
    // Makes the rename of target durable by flushing the folder that holds it; true where the
    // rename itself is written through.
    bool (*FlushFolderOf)(const std::string& target);
    // Removes a file; a missing one is not an error.
    void (*Remove)(const std::string& path);
};

// The system's own calls.
const ReplaceCalls& SystemReplaceCalls();
// The calls every replace uses: the system's unless a test put others in place.
const ReplaceCalls& ActiveReplaceCalls();
// Puts calls in place of the active ones for the scope's life (tests only).
class ScopedReplaceCalls {
  public:
    explicit ScopedReplaceCalls(const ReplaceCalls& calls);
    ~ScopedReplaceCalls();
    ScopedReplaceCalls(const ScopedReplaceCalls&) = delete;
    ScopedReplaceCalls& operator=(const ScopedReplaceCalls&) = delete;

  private:
    const ReplaceCalls* previous_;
};

// One save of target. Begin creates the temporary file; the caller writes it through TempPath
// (opening and closing it as often as it needs); Commit puts it in place. Destroyed without a
// successful Commit, it removes the temporary file.
class AtomicReplace {
  public:
    explicit AtomicReplace(std::string target);
    ~AtomicReplace() { Discard(); }
    AtomicReplace(const AtomicReplace&) = delete;
    AtomicReplace& operator=(const AtomicReplace&) = delete;

    // Prepares the target and creates the temporary file; false when either fails (Refusal then
    // says why, when it was the target).
    bool Begin();
    // The file that is replaced: the name given, its links followed once Begin has run.
    const std::string& Target() const { return target_; }
    // Why Begin refused the target ("is read-only", "is a folder", ...); "" when it did not.
    const std::string& Refusal() const { return refusal_; }
    // The temporary file; empty before Begin and after Commit or Discard.
    const std::string& TempPath() const { return temp_; }
    // Flushes the temporary file, renames it over the target and flushes the folder; false
    // (with the temporary file removed and the target as it was) when any step fails.
    bool Commit();
    // Removes the temporary file, if any.
    void Discard();

  private:
    // Every check on the target before anything is written goes here.
    bool PrepareTarget();

    bool Refuse(const char* why);

    std::string target_;
    std::string temp_;
    std::string refusal_;
    bool keepPermissions_ = false;
};

// Saves size bytes of data as the whole content of path through an AtomicReplace.
bool ReplaceFileContent(const std::string& path, const void* data, size_t size);

}  // namespace hxw
