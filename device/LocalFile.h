// What the device operations need of the PC's files beyond stdio: a file's status as the
// download command carries it, and the replace-by-rename that keeps uploads all-or-nothing.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

struct LocalFileStatus {
    bool Regular = false;  // a plain file, not a folder or device
    uint64_t Size = 0;
    uint32_t CreationTime = 0;  // DOS date-times of the local time stamps
    uint32_t LastWriteTime = 0;
    uint32_t LastAccessTime = 0;
    uint8_t Attributes = 0;  // low byte of the file's attributes
};

// Status of an open file; path names the same file.
bool ReadLocalFileStatus(std::FILE* file, const std::string& path, LocalFileStatus& status);

// Whether a file could be written at path in place of any file already there: true when nothing
// is there yet, false for a folder or a file that cannot be opened for writing.
bool CanReplaceLocalFile(const std::string& path);

// Moves from over to, replacing any file of that name.
bool ReplaceLocalFile(const std::string& from, const std::string& to);
void RemoveLocalFile(const std::string& path);

// Closes a stdio file on every exit.
class FileHandle {
  public:
    explicit FileHandle(std::FILE* f = nullptr) : f_(f) {}
    ~FileHandle() { Close(); }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    std::FILE* get() const { return f_; }
    explicit operator bool() const { return f_ != nullptr; }
    // Returns false when the close (and its final flush) failed.
    bool Close() {
        if (!f_) return true;
        bool ok = std::fclose(f_) == 0;
        f_ = nullptr;
        return ok;
    }

  private:
    std::FILE* f_;
};
