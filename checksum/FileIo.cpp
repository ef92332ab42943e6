#include "checksum/FileIo.h"

#ifdef _WIN32
#include <windows.h>
#endif

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

bool File::Seek(uint64_t offset) {
    if (!f_) return false;
#ifdef _WIN32
    return _fseeki64(f_, static_cast<long long>(offset), SEEK_SET) == 0;
#else
    return fseeko(f_, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
}

size_t File::Read(void* data, size_t n) { return f_ ? std::fread(data, 1, n, f_) : 0; }

bool File::Write(const void* data, size_t n) { return f_ && std::fwrite(data, 1, n, f_) == n; }

bool RenameOver(const std::string& source, const std::string& target) {
#ifdef _WIN32
    return MoveFileExA(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED) !=
           0;
#else
    return std::rename(source.c_str(), target.c_str()) == 0;
#endif
}

void RemoveFile(const std::string& path) { std::remove(path.c_str()); }

}  // namespace hxw
