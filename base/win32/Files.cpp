// The file system calls of Windows. Paths are narrow: the programs run with UTF-8 as their
// active code page.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>

#include "base/AtomicReplace.h"
#include "base/File.h"

namespace hxw {
namespace {
FileTime LocalTime(const FILETIME& utc) {
    FILETIME local;
    SYSTEMTIME t;
    if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &t)) return {};
    return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
}

ReplaceCalls::Create CreateNew(const std::string& path) {
    HANDLE h =
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD e = GetLastError();
        return e == ERROR_FILE_EXISTS || e == ERROR_ALREADY_EXISTS ? ReplaceCalls::Create::Exists
                                                                   : ReplaceCalls::Create::Failed;
    }
    CloseHandle(h);
    return ReplaceCalls::Create::Created;
}

bool FlushToDevice(const std::string& path) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    const bool ok = FlushFileBuffers(h) != 0;
    return (CloseHandle(h) != 0) && ok;
}

// A target another program holds open for a moment (a second save of the same file looking at
// it, a virus scanner, the search indexer) refuses the rename until it is closed: tried again
// for up to two seconds before the save fails.
bool RenameOver(const std::string& from, const std::string& to) {
    for (int attempt = 0;; ++attempt) {
        if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
        const DWORD e = GetLastError();
        if ((e != ERROR_ACCESS_DENIED && e != ERROR_SHARING_VIOLATION) || attempt == 40) return false;
        Sleep(50);
    }
}

// The rename is written through; Windows has no flush of a folder.
bool FlushFolderOf(const std::string&) { return true; }

void Remove(const std::string& path) { DeleteFileA(path.c_str()); }

const ReplaceCalls kSystemCalls{CreateNew, FlushToDevice, RenameOver, FlushFolderOf, Remove};
}  // namespace

const ReplaceCalls& SystemReplaceCalls() { return kSystemCalls; }

// Windows has no call that starts writing a file out without waiting for it.
void File::StartWriteBack() {}

bool File::Seek(uint64_t offset) {
    return f_ && _fseeki64(f_, static_cast<long long>(offset), SEEK_SET) == 0;
}

bool ReadFileStatus(std::FILE*, const std::string& path, FileStatus& status) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return false;
    status.Regular = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    status.Size = (uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    status.Creation = LocalTime(data.ftCreationTime);
    status.LastWrite = LocalTime(data.ftLastWriteTime);
    status.LastAccess = LocalTime(data.ftLastAccessTime);
    status.Attributes = uint8_t(data.dwFileAttributes & 0xFF);
    return true;
}

PathKind KindOf(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return PathKind::Missing;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return PathKind::Folder;
    HANDLE h = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return PathKind::Regular;
    const DWORD type = GetFileType(h);
    CloseHandle(h);
    return type == FILE_TYPE_DISK || type == FILE_TYPE_UNKNOWN ? PathKind::Regular : PathKind::Other;
}

namespace {
bool FileIdentity(const std::string& path, BY_HANDLE_FILE_INFORMATION& info) {
    HANDLE h = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    const bool ok = GetFileInformationByHandle(h, &info) != 0;
    CloseHandle(h);
    return ok;
}
}  // namespace

bool SameFile(const std::string& a, const std::string& b) {
    BY_HANDLE_FILE_INFORMATION ia, ib;
    if (!FileIdentity(a, ia) || !FileIdentity(b, ib)) return false;
    return ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber && ia.nFileIndexHigh == ib.nFileIndexHigh &&
           ia.nFileIndexLow == ib.nFileIndexLow;
}

// Links on Windows are followed by the system's own calls; the replace keeps the name given.
bool FollowLinks(const std::string& path, std::string& resolved) {
    resolved = path;
    return true;
}

bool IsReadOnly(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
}

// A new file takes its permissions from the folder, as the replaced one did.
void CopyPermissions(const std::string&, const std::string&) {}

std::string CreateTempFile() {
    char folder[MAX_PATH + 1];
    const DWORD n = GetTempPathA(sizeof folder, folder);
    if (n == 0 || n > MAX_PATH) return std::string();
    char name[MAX_PATH + 1];
    if (!GetTempFileNameA(folder, "tsm", 0, name)) return std::string();
    return name;
}

void SetBinaryMode(std::FILE* stream) { _setmode(_fileno(stream), _O_BINARY); }

void RemoveFile(const std::string& path) { DeleteFileA(path.c_str()); }

bool MakeFolder(const std::string& folder) {
    if (folder.empty()) return false;
    if (CreateDirectoryA(folder.c_str(), nullptr)) return true;
    const DWORD attributes = GetFileAttributesA(folder.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string WithFolderSeparator(const std::string& folder) {
    if (folder.empty()) return folder;
    const char last = folder.back();
    if (last == '\\' || last == '/' || last == ':') return folder;
    return folder + '\\';
}

bool IsTerminal(std::FILE* stream) { return _isatty(_fileno(stream)) != 0; }

}  // namespace hxw
