#include "base/File.h"

#include <cerrno>

namespace hxw {

bool File::Open(const std::string& path, const char* mode) {
    Close();
    f_ = std::fopen(path.c_str(), mode);
    return f_ != nullptr;
}

bool File::Close() {
    if (!f_) return true;
    const bool ok = std::fclose(f_) == 0;
    f_ = nullptr;
    return ok;
}

size_t File::Read(void* data, size_t n) { return f_ ? std::fread(data, 1, n, f_) : 0; }

bool File::Write(const void* data, size_t n) { return f_ && std::fwrite(data, 1, n, f_) == n; }

bool CanReplaceFile(const std::string& path) {
    errno = 0;
    // Opened for update: neither created nor truncated, so an earlier file stays as it was.
    if (std::FILE* f = std::fopen(path.c_str(), "r+b")) {
        std::fclose(f);
        return true;
    }
    return errno == ENOENT;
}

}  // namespace hxw
