// Thin wrapper over C stdio with 64-bit offsets on every platform, so images beyond 2 GiB work on
// 32-bit Windows too. No exceptions: every call reports success as a bool.
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

  private:
    std::FILE* f_ = nullptr;
};

// Renames source to target, replacing target (also when target exists, on Windows too).
bool RenameOver(const std::string& source, const std::string& target);
// Removes a file; a missing file is not an error.
void RemoveFile(const std::string& path);

}  // namespace hxw
