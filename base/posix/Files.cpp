// The file system calls of POSIX systems.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "base/AtomicReplace.h"
#include "base/File.h"

namespace hxw {
namespace {
FileTime LocalTime(time_t when) {
    struct tm t;
    if (!localtime_r(&when, &t)) return {};
    return {t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec};
}

ReplaceCalls::Create CreateNew(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return errno == EEXIST ? ReplaceCalls::Create::Exists : ReplaceCalls::Create::Failed;
    ::close(fd);
    return ReplaceCalls::Create::Created;
}

bool FlushToDevice(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::fsync(fd) == 0;
    return (::close(fd) == 0) && ok;
}

bool RenameOver(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0;
}

bool FlushFolderOf(const std::string& target) {
    const size_t cut = target.rfind('/');
    const std::string folder = cut == std::string::npos ? "." : cut == 0 ? "/" : target.substr(0, cut);
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    // A folder that cannot be opened for reading cannot be flushed by us either.
    if (fd < 0) return true;
    // Some file systems do not flush folders at all (EINVAL); only an I/O error is a failure.
    const bool ok = ::fsync(fd) == 0 || errno == EINVAL || errno == EROFS;
    ::close(fd);
    return ok;
}

void Remove(const std::string& path) { ::unlink(path.c_str()); }

const ReplaceCalls kSystemCalls{CreateNew, FlushToDevice, RenameOver, FlushFolderOf, Remove};
}  // namespace

const ReplaceCalls& SystemReplaceCalls() { return kSystemCalls; }

void File::StartWriteBack() {
#ifdef __linux__
    // What the stream still holds goes to the system first; then its writing out begins.
    if (std::fflush(f_) == 0) ::sync_file_range(fileno(f_), 0, 0, SYNC_FILE_RANGE_WRITE);
#endif
}

bool File::Seek(uint64_t offset) { return f_ && fseeko(f_, static_cast<off_t>(offset), SEEK_SET) == 0; }

bool ReadFileStatus(std::FILE* file, const std::string&, FileStatus& status) {
    struct stat st;
    if (fstat(fileno(file), &st) != 0) return false;
    status.Regular = S_ISREG(st.st_mode);
    status.Size = uint64_t(st.st_size);
    // No portable creation time: the last change of the file stands in for it.
    status.Creation = LocalTime(st.st_ctime);
    status.LastWrite = LocalTime(st.st_mtime);
    status.LastAccess = LocalTime(st.st_atime);
    status.Attributes = 0x20;  // archive, as a freshly written file carries on Windows
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) status.Attributes |= 0x01;
    return true;
}

PathKind KindOf(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return PathKind::Missing;
    if (S_ISREG(st.st_mode)) return PathKind::Regular;
    return S_ISDIR(st.st_mode) ? PathKind::Folder : PathKind::Other;
}

bool SameFile(const std::string& a, const std::string& b) {
    struct stat sa, sb;
    if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0) return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

bool FollowLinks(const std::string& path, std::string& resolved) {
    std::string at = path;
    // As many links in a chain as the kernel itself follows.
    for (int hop = 0; hop < 40; ++hop) {
        struct stat st;
        if (::lstat(at.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            resolved = at;
            return true;
        }
        std::string next(size_t(st.st_size > 0 ? st.st_size : 0) + 256, '\0');
        const ssize_t n = ::readlink(at.c_str(), &next[0], next.size());
        if (n < 0 || size_t(n) >= next.size()) return false;
        next.resize(size_t(n));
        // A relative link is relative to the folder that holds it.
        const size_t cut = at.rfind('/');
        if (!next.empty() && next[0] != '/' && cut != std::string::npos) next = at.substr(0, cut + 1) + next;
        at = std::move(next);
    }
    return false;
}

bool IsReadOnly(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

void CopyPermissions(const std::string& from, const std::string& to) {
    struct stat st;
    if (::stat(from.c_str(), &st) != 0) return;
    // The owner first: a change of owner clears the set-user-ID bits, which the mode then restores.
    if (::chown(to.c_str(), st.st_uid, st.st_gid) != 0 && ::chown(to.c_str(), uid_t(-1), st.st_gid) != 0) {
        // Not allowed to give the file away: it stays ours, as any new file would.
    }
    ::chmod(to.c_str(), st.st_mode & 07777);
}

std::string CreateTempFile() {
    const char* folder = std::getenv("TMPDIR");
    std::string name = std::string(folder && *folder ? folder : "/tmp") + "/tessmark-XXXXXX";
    const int fd = ::mkstemp(&name[0]);
    if (fd < 0) return std::string();
    ::close(fd);
    return name;
}

void SetBinaryMode(std::FILE*) {}

void RemoveFile(const std::string& path) { std::remove(path.c_str()); }

bool MakeFolder(const std::string& folder) {
    if (folder.empty()) return false;
    if (::mkdir(folder.c_str(), 0777) == 0) return true;
    struct stat st;
    return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string WithFolderSeparator(const std::string& folder) {
    if (folder.empty() || folder.back() == '/') return folder;
    return folder + '/';
}

bool IsTerminal(std::FILE* stream) { return ::isatty(fileno(stream)) != 0; }

}  // namespace hxw
