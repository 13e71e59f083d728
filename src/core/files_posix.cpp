#include "core/files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "core/error.h"
#include "core/file_descriptor.h"
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
        throw FileSystemError(std::string("Не удалось записать на диск ") + what + " " + path + ": " + SystemErrorText(code),
                              code);
    }
}

}  // namespace

std::unique_ptr<ExclusiveFileLock> ExclusiveFileLock::TryAcquire(const std::string& path) {
    for (;;) {
        FileDescriptor fd(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
        if (fd.Get() < 0)
            throw Error("Не удалось создать файл блокировки " + path + ": " + SystemErrorText(errno));
        if (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) {
            if (errno == EWOULDBLOCK) return nullptr;
            throw Error("Не удалось заблокировать файл " + path + ": " + SystemErrorText(errno));
        }
        // The holder before us may have removed the file between our open and
        // our lock: the lock is good only on the file that still bears the name.
        struct stat held {}, named {};
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

}  // namespace tarnfold
