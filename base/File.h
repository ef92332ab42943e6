// Files as the program uses them: C stdio with 64-bit offsets on every system (images beyond
// 2 GiB work on 32-bit Windows too), a file's status, folders and terminals. No exceptions:
// every call reports success as a bool. Paths are UTF-8.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace hxw {

class File {
  public:
    File() = default;
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    ~File() { Close(); }

    // mode as for fopen: "rb", "wb", "r+b".
    bool Open(const std::string& path, const char* mode);
    bool IsOpen() const { return f_ != nullptr; }
    // Closes; false when buffered data could not be written.
    bool Close();

    bool Seek(uint64_t offset);
    // Reads up to n bytes; returns how many came.
    size_t Read(void* data, size_t n);
    bool ReadExact(void* data, size_t n) { return Read(data, n) == n; }
    bool Write(const void* data, size_t n);
    std::FILE* Handle() const { return f_; }
    // For a file that will be flushed to the device once complete: after every `bytes` written,
    // the system is asked to begin writing them out, without waiting, so that the final flush
    // finds little left to do. Only where the system has such a call (Linux); a hint, never a
    // failure.
    void WriteBackEvery(uint64_t bytes) { writeBackStep_ = bytes; }

  private:
    void StartWriteBack();

    std::FILE* f_ = nullptr;
    uint64_t writeBackStep_ = 0;
    uint64_t unflushed_ = 0;
};

// A local calendar time as the file system keeps it.
struct FileTime {
    int Year = 0, Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0;
};

struct FileStatus {
    bool Regular = false;  // a plain file, not a folder or device
    uint64_t Size = 0;
    FileTime Creation;  // where the system keeps none, the last change of the file
    FileTime LastWrite;
    FileTime LastAccess;
    uint8_t Attributes = 0;  // low byte of the Windows attributes (read-only 0x01, archive 0x20)
};

// Status of an open file; path names the same file.
bool ReadFileStatus(std::FILE* file, const std::string& path, FileStatus& status);

// Whether a file could be saved at path in place of any file already there (links followed): true
// when nothing is there yet or a plain file that is not read-only, false for a folder, a device or
// a read-only file. Changes nothing.
bool CanReplaceFile(const std::string& path);

// What a path names, symbolic links followed.
enum class PathKind { Missing, Regular, Folder, Other };
PathKind KindOf(const std::string& path);

// Whether a and b name one existing file, links followed: the same device and inode, or on
// Windows the same volume and file ID. False when either does not exist.
bool SameFile(const std::string& a, const std::string& b);

// The path that path's symbolic links lead to: itself when it is no link, else the name the last
// link in the chain points to (which need not exist yet). False for a loop of links.
bool FollowLinks(const std::string& path, std::string& resolved);

// Whether the existing file at path is marked read-only: no write permission bit at all on POSIX,
// the read-only attribute on Windows. Who may write anyway (root) does not change the answer.
bool IsReadOnly(const std::string& path);

// Gives the file at to the permission bits of the file at from, and its owner and group where
// the system allows it. Best effort: a file system without them keeps its defaults.
void CopyPermissions(const std::string& from, const std::string& to);

// Creates a new empty file of a unique name in the system's folder for temporary files and
// returns its path; "" when none can be made.
std::string CreateTempFile();

// Reads the stream as bytes, without any translation of line ends (Windows); elsewhere nothing.
void SetBinaryMode(std::FILE* stream);

// Removes a file; a missing file is not an error.
void RemoveFile(const std::string& path);

// Creates the folder (its parent must exist); true when it exists afterwards.
bool MakeFolder(const std::string& folder);

// folder as the beginning of a path inside it: with this system's separator added unless it
// ends in a separator already (or, on Windows, in a drive's colon). "" stays "".
std::string WithFolderSeparator(const std::string& folder);

// Whether the stream is an interactive terminal.
bool IsTerminal(std::FILE* stream);

}  // namespace hxw
