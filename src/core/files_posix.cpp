#include "core/files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <system_error>

#include "core/error.h"
#include "core/file_descriptor.h"
#include "core/file_reading.h"
#include "core/paths.h"
#include "core/system_error.h"

namespace tarnfold {

namespace {

void SyncDescriptor(int fd, const std::string& path, const char* what) {
    while (::fsync(fd) != 0) {
        if (errno == EINTR) continue;
        // A folder of a file system that cannot sync folders has nothing to push.
        if (errno == EINVAL) return;
        const int code = errno;
        throw FileSystemError(
            std::string("Не удалось записать на диск ") + what + " " + path + ": " + SystemErrorText(code), code);
    }
}

}  // namespace

std::unique_ptr<ExclusiveFileLock> ExclusiveFileLock::TryAcquire(const std::string& path) {
    for (;;) {
        FileDescriptor fd(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
        if (fd.Get() < 0) throw Error("Не удалось создать файл блокировки " + path + ": " + SystemErrorText(errno));
        if (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) {
            if (errno == EWOULDBLOCK) return nullptr;
            throw Error("Не удалось заблокировать файл " + path + ": " + SystemErrorText(errno));
        }
        // The holder before us may have removed the file between our open and
        // our lock: the lock is good only on the file that still bears the name.
        struct stat held {
        }, named{};
        if (::fstat(fd.Get(), &held) == 0 && ::stat(path.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
            held.st_ino == named.st_ino) {
            return std::unique_ptr<ExclusiveFileLock>(new ExclusiveFileLock(path, fd.Release()));
        }
    }
}

ExclusiveFileLock::~ExclusiveFileLock() {
    ::unlink(path_.c_str());
    ::close(static_cast<int>(handle_));
}

bool FileLockHeld(const std::string& path) {
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.Get() < 0) return errno != ENOENT;
    if (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) return true;
    ::flock(fd.Get(), LOCK_UN);
    return false;
}

void SyncFile(const std::string& path) {
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.Get() < 0) {
        const int code = errno;
        throw FileSystemError("Не удалось записать на диск файл " + path + ": " + SystemErrorText(code), code);
    }
    SyncDescriptor(fd.Get(), path, "файл");
}

void SyncFolder(const std::string& folder) {
    const std::string name = folder.empty() ? "." : folder;
    FileDescriptor fd(::open(name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.Get() < 0) {
        const int code = errno;
        throw FileSystemError("Не удалось записать на диск папку " + folder + ": " + SystemErrorText(code), code);
    }
    SyncDescriptor(fd.Get(), folder, "папку");
}

std::string PartialFilePath(const std::string& path) { return path + ".~part"; }

void ReplaceDurably(const std::string& from, const std::string& to) {
    SyncFile(from);
    if (::rename(from.c_str(), to.c_str()) != 0) {
        const int code = errno;
        throw FileSystemError("Не удалось переименовать " + from + " в " + to + ": " + SystemErrorText(code), code);
    }
    SyncFolder(FolderPart(to));
}

FileHandle OpenFile(const std::filesystem::path& path, const char* mode) {
    return FileHandle(std::fopen(path.c_str(), mode));
}

bool FileWriteProtected(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return false;
    return (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 ||
           (::access(path.c_str(), W_OK) != 0 && errno == EACCES);
}

bool FileHeldOpenForWriting(const std::string&) { return false; }

int OpenForAppend(const std::string& path) {
    return ::open(PathFromUtf8(path).c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
}

long WriteSome(int fd, const char* data, std::size_t size) { return ::write(fd, data, size); }

int CloseDescriptor(int fd) { return ::close(fd); }

bool SyncStream(std::FILE* file) {
    if (std::fflush(file) != 0) return false;
    return fsync(fileno(file)) == 0;
}

bool MayReplaceFile(const std::filesystem::path& path) { return access(path.c_str(), W_OK) == 0 || errno == ENOENT; }

bool MoveReplacing(const std::filesystem::path& from, const std::filesystem::path& to) {
    std::error_code ec;
    std::filesystem::rename(from, to, ec);
    return !ec;
}

bool RenameWithoutReplacing(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
    const int failure = errno;
    if (failure == EEXIST) return false;
    // Network shares may not know the exclusive rename: the existence check
    // right before the plain one is as close as they allow.
    if (failure != EINVAL && failure != ENOSYS && failure != ENOTSUP) {
        throw Error("Не удалось переименовать " + from + " в " + to + ": " + SystemErrorText(failure));
    }
    namespace fs = std::filesystem;
    std::error_code ec;
    if (fs::exists(fs::symlink_status(PathFromUtf8(to), ec))) return false;
    fs::rename(PathFromUtf8(from), PathFromUtf8(to), ec);
    if (ec) throw Error("Не удалось переименовать " + from + " в " + to + ": " + SystemErrorText(ec));
    return true;
}

unsigned long CurrentProcessId() { return static_cast<unsigned long>(::getpid()); }

}  // namespace tarnfold
