#pragma once
// File operations whose outcome must survive a crash of the program or of the
// machine: an exclusive lock that the system lets go of when its process ends
// however it ends, and a replacement by rename whose data and name both reach
// the disk. Paths are UTF-8.

#include <cstdint>
#include <memory>
#include <string>

#include "core/error.h"

namespace tarnfold {

// A failed file operation: its text for the user, and the system's reason as
// an errno value for a caller that words it in its own terms.
class FileSystemError : public Error {
public:
    FileSystemError(const std::string& text, int code) : Error(text), code_(code) {}
    int Code() const { return code_; }

private:
    int code_;
};

class ExclusiveFileLock {
public:
    // Takes the lock file at `path` (made when missing), or nothing when a
    // living process holds it. Throws Error when the file cannot be made.
    static std::unique_ptr<ExclusiveFileLock> TryAcquire(const std::string& path);
    // Removes the lock file, then lets go of it.
    ~ExclusiveFileLock();
    ExclusiveFileLock(const ExclusiveFileLock&) = delete;
    ExclusiveFileLock& operator=(const ExclusiveFileLock&) = delete;

    const std::string& Path() const { return path_; }

private:
    ExclusiveFileLock(std::string path, std::intptr_t handle) : path_(std::move(path)), handle_(handle) {}

    std::string path_;
    std::intptr_t handle_;
};

// Whether a living process holds the lock file at `path`; false when there is
// no such file. A file this process cannot open counts as held: it is not ours.
bool FileLockHeld(const std::string& path);

// Pushes the file's data to the disk. Throws FileSystemError naming the file.
void SyncFile(const std::string& path);
// Pushes the folder's entries (names made, renamed or removed) to the disk.
// Throws FileSystemError naming the folder.
void SyncFolder(const std::string& folder);

// Where a file is written before it takes its name in one step: beside it,
// its name and ".~part".
std::string PartialFilePath(const std::string& path);

// Puts the file `from` in the place of `to` (replacing it) in one step: the
// data reaches the disk before the new name, and the name before this
// returns, so that after a power cut `to` is either the old file or the whole
// new one. Both lie in one folder. Throws FileSystemError.
void ReplaceDurably(const std::string& from, const std::string& to);

}  // namespace tarnfold
