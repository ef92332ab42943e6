#include "convert/SourceCopy.h"

#include <memory>

#include "base/File.h"
#include "base/ResultCodes.h"
#include "convert/SourceRecords.h"

namespace hxw {

SourceCopy::~SourceCopy() {
    if (!path_.empty()) RemoveFile(path_);
}

uint32_t SourceCopy::CopyFrom(const std::string& path) {
    File in;
    if (!in.Open(path, "rb")) return Fail(rc::FileOpen, "cannot open " + path);
    return Copy(in.Handle(), path);
}

uint32_t SourceCopy::CopyFrom(std::FILE* stream) {
    SetBinaryMode(stream);
    return Copy(stream, "standard input");
}

uint32_t SourceCopy::Copy(std::FILE* in, const std::string& name) {
    if (!path_.empty()) RemoveFile(path_);
    path_ = CreateTempFile();
    if (path_.empty()) return Fail(rc::FileOpen, "cannot create a temporary copy of " + name);
    File out;
    if (!out.Open(path_, "wb")) return Fail(rc::FileWrite, "cannot write a temporary copy of " + name);
    // A stream without end (a device such as /dev/zero) must not fill the disk: the copy stops
    // where the conversion would stop reading anyway, at a first line that is no record or at a
    // line longer than any record. What was copied up to there gives the same verdict.
    constexpr size_t kChunk = size_t{1} << 20;
    std::unique_ptr<char[]> buffer(new char[kChunk]);
    bool first = true;
    size_t sinceLineEnd = 0;
    size_t n;
    while ((n = std::fread(buffer.get(), 1, kChunk, in)) > 0) {
        if (!out.Write(buffer.get(), n)) return Fail(rc::FileWrite, "cannot write a temporary copy of " + name);
        if (first) {
            first = false;
            if (buffer[0] != ':' && buffer[0] != 'S') break;
        }
        size_t end = n;
        while (end > 0 && buffer[end - 1] != '\n') --end;
        sinceLineEnd = end ? n - end : sinceLineEnd + n;
        if (sinceLineEnd > LineReader::kMaxLine) break;
    }
    if (std::ferror(in)) return Fail(rc::FileRead, "cannot read " + name);
    if (!out.Close()) return Fail(rc::FileWrite, "cannot write a temporary copy of " + name);
    return rc::Ok;
}

uint32_t SourceCopy::Fail(uint32_t code, std::string problem) {
    problem_ = std::move(problem);
    return code;
}

}  // namespace hxw
