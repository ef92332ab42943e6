#include "device/LocalFile.h"

#include <cerrno>

#include "device/DeviceOps.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>
#endif

bool CanReplaceLocalFile(const std::string& path) {
    errno = 0;
    // Opened for update: neither created nor truncated, so an earlier file stays as it was.
    if (std::FILE* f = std::fopen(path.c_str(), "r+b")) {
        std::fclose(f);
        return true;
    }
    return errno == ENOENT;
}

#ifdef _WIN32
namespace {
uint32_t PackFileTime(const FILETIME& utc) {
    FILETIME local;
    SYSTEMTIME t;
    if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &t)) return 0;
    return PackDosDateTime(t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond);
}
}  // namespace

bool ReadLocalFileStatus(std::FILE*, const std::string& path, LocalFileStatus& status) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return false;
    status.Regular = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    status.Size = (uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    status.CreationTime = PackFileTime(data.ftCreationTime);
    status.LastWriteTime = PackFileTime(data.ftLastWriteTime);
    status.LastAccessTime = PackFileTime(data.ftLastAccessTime);
    status.Attributes = uint8_t(data.dwFileAttributes & 0xFF);
    return true;
}

bool ReplaceLocalFile(const std::string& from, const std::string& to) {
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

void RemoveLocalFile(const std::string& path) { DeleteFileA(path.c_str()); }

#else
namespace {
uint32_t PackTime(time_t when) {
    struct tm t;
    if (!localtime_r(&when, &t)) return 0;
    return PackDosDateTime(t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
}
}  // namespace

bool ReadLocalFileStatus(std::FILE* file, const std::string&, LocalFileStatus& status) {
    struct stat st;
    if (fstat(fileno(file), &st) != 0) return false;
    status.Regular = S_ISREG(st.st_mode);
    status.Size = uint64_t(st.st_size);
    // No portable creation time: the last change of the file stands in for it.
    status.CreationTime = PackTime(st.st_ctime);
    status.LastWriteTime = PackTime(st.st_mtime);
    status.LastAccessTime = PackTime(st.st_atime);
    status.Attributes = 0x20;  // archive, as a freshly written file carries on Windows
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) status.Attributes |= 0x01;
    return true;
}

bool ReplaceLocalFile(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0;
}

void RemoveLocalFile(const std::string& path) { std::remove(path.c_str()); }
#endif
