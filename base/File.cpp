#include "base/File.h"


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
    writeBackStep_ = unflushed_ = 0;
    return ok;
}

size_t File::Read(void* data, size_t n) { return f_ ? std::fread(data, 1, n, f_) : 0; }

bool File::Write(const void* data, size_t n) {
    if (!f_ || std::fwrite(data, 1, n, f_) != n) return false;
    if (writeBackStep_ && (unflushed_ += n) >= writeBackStep_) {
        unflushed_ = 0;
        StartWriteBack();
    }
    return true;
}

bool CanReplaceFile(const std::string& path) {
    std::string target;
    if (!FollowLinks(path, target)) return false;
    switch (KindOf(target)) {
        case PathKind::Missing:
            return true;
        case PathKind::Regular:
            break;
        default:
            return false;
    }
    // The new file is renamed over the old one: the old one's own permissions other than the
    // read-only mark do not matter, the folder's are found when the new file is created.
    return !IsReadOnly(target);
}

}  // namespace hxw
