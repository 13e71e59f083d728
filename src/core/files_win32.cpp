#include "core/files.h"

#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#include <windows.h>

#include <cerrno>
#include <system_error>

#include "core/error.h"
#include "core/file_reading.h"
#include "core/paths.h"
#include "core/system_error.h"

namespace tarnfold {

namespace {

int ErrnoOf(DWORD code) {
    switch (code) {
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return ENOSPC;
        case ERROR_ACCESS_DENIED:
            return EACCES;
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            return ENOENT;
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            return EBUSY;
        default:
            return 0;
    }
}

std::string WindowsErrorText(DWORD code) {
    const int known = ErrnoOf(code);
    return known ? SystemErrorText(known) : "ошибка Windows " + std::to_string(code);
}

[[noreturn]] void ThrowFileError(const std::string& context, DWORD code) {
    throw FileSystemError(context + ": " + WindowsErrorText(code), ErrnoOf(code));
}

}  // namespace

// The lock is the file itself, opened by one handle that nobody may share and
// deleted when that handle closes: Windows closes it when the process ends,
// however it ends. The byte range lock keeps out even a program that asks for
// sharing the file.
std::unique_ptr<ExclusiveFileLock> ExclusiveFileLock::TryAcquire(const std::string& path) {
    HANDLE file = CreateFileW(PathFromUtf8(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED) return nullptr;
        throw Error("Не удалось создать файл блокировки " + path + ": " + WindowsErrorText(error));
    }
    OVERLAPPED whole{};
    if (!LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD, MAXDWORD, &whole)) {
        CloseHandle(file);
        return nullptr;
    }
    return std::unique_ptr<ExclusiveFileLock>(new ExclusiveFileLock(path, reinterpret_cast<std::intptr_t>(file)));
}

ExclusiveFileLock::~ExclusiveFileLock() { CloseHandle(reinterpret_cast<HANDLE>(handle_)); }

bool FileLockHeld(const std::string& path) {
    HANDLE file = CreateFileW(PathFromUtf8(path).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
    }
    CloseHandle(file);
    return false;
}

void SyncFile(const std::string& path) {
    HANDLE file = CreateFileW(PathFromUtf8(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        // Word keeps the document it has open from others' writing, and writes it through itself.
        if (error == ERROR_SHARING_VIOLATION) return;
        ThrowFileError("Не удалось записать на диск файл " + path, error);
    }
    const bool flushed = FlushFileBuffers(file);
    const DWORD error = GetLastError();
    CloseHandle(file);
    if (!flushed) ThrowFileError("Не удалось записать на диск файл " + path, error);
}

// A rename made with MOVEFILE_WRITE_THROUGH has reached the disk when it
// returns; Windows has no way to push a folder's entries on their own.
void SyncFolder(const std::string&) {}

std::string PartialFilePath(const std::string& path) { return path + ".~part"; }

void ReplaceDurably(const std::string& from, const std::string& to) {
    SyncFile(from);
    if (!MoveFileExW(PathFromUtf8(from).c_str(), PathFromUtf8(to).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        ThrowFileError("Не удалось переименовать " + from + " в " + to, GetLastError());
}

FileHandle OpenFile(const std::filesystem::path& path, const char* mode) {
    const std::wstring wideMode(mode, mode + std::char_traits<char>::length(mode));
    return FileHandle(_wfopen(path.c_str(), wideMode.c_str()));
}

bool FileWriteProtected(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(PathFromUtf8(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

bool FileHeldOpenForWriting(const std::string& path) {
    HANDLE file = CreateFileW(PathFromUtf8(path).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_SHARING_VIOLATION;
    CloseHandle(file);
    return false;
}

int OpenForAppend(const std::string& path) {
    int fd = -1;
    const errno_t failure = _wsopen_s(&fd, PathFromUtf8(path).c_str(), _O_WRONLY | _O_APPEND | _O_CREAT | _O_BINARY,
                                      _SH_DENYWR, _S_IREAD | _S_IWRITE);
    if (failure != 0) errno = failure;
    return failure == 0 ? fd : -1;
}

long WriteSome(int fd, const char* data, std::size_t size) { return _write(fd, data, static_cast<unsigned>(size)); }

int CloseDescriptor(int fd) { return _close(fd); }

bool SyncStream(std::FILE* file) {
    if (std::fflush(file) != 0) return false;
    return _commit(_fileno(file)) == 0;
}

bool MayReplaceFile(const std::filesystem::path& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_READONLY) == 0;
}

bool MoveReplacing(const std::filesystem::path& from, const std::filesystem::path& to) {
    return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool RenameWithoutReplacing(const std::string& from, const std::string& to) {
    if (MoveFileExW(PathFromUtf8(from).c_str(), PathFromUtf8(to).c_str(), MOVEFILE_COPY_ALLOWED) != FALSE) return true;
    const DWORD failure = GetLastError();
    if (failure == ERROR_ALREADY_EXISTS || failure == ERROR_FILE_EXISTS) return false;
    throw Error("Не удалось переименовать " + from + " в " + to + ": " +
                SystemErrorText(std::error_code(static_cast<int>(failure), std::system_category())));
}

unsigned long CurrentProcessId() { return GetCurrentProcessId(); }

}  // namespace tarnfold
