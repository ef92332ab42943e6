// A source that can be read only once (a named pipe, a process's output, standard input) copied
// into a temporary file, so that the conversion's passes can each read it from the beginning.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

namespace hxw {

class SourceCopy {
  public:
    SourceCopy() = default;
    // Removes the copy.
    ~SourceCopy();
    SourceCopy(const SourceCopy&) = delete;
    SourceCopy& operator=(const SourceCopy&) = delete;

    // Copies what path names, opening it once. The result code: 0x7000 when it cannot be opened
    // or no temporary file can be made, 0x7005 when reading fails, 0x7004 when writing the copy
    // fails (Problem then says which), 0 when the copy is complete.
    uint32_t CopyFrom(const std::string& path);
    // Copies the rest of an open stream (standard input), read as bytes.
    uint32_t CopyFrom(std::FILE* stream);

    // The copy; "" before a successful CopyFrom.
    const std::string& Path() const { return path_; }
    const std::string& Problem() const { return problem_; }

  private:
    uint32_t Copy(std::FILE* in, const std::string& name);
    uint32_t Fail(uint32_t code, std::string problem);

    std::string path_;
    std::string problem_;
};

}  // namespace hxw
