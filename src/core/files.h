#pragma once
// File operations whose outcome must survive a crash of the program or of the
// machine: an exclusive lock that the system lets go of when its process ends
// however it ends, and a replacement by rename whose data and name both reach
// the disk. Paths are UTF-8.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
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

// Whether the file is marked read-only; false when there is no such file.
// On POSIX by the mode bits as well: a file the user marked read-only stays so
// even for a user whom the system would let write it.
bool FileWriteProtected(const std::string& path);

// Whether another program holds the file open so that nobody else may write
// it, as Word does with the documents it has open. Only Windows says so; on
// POSIX the answer is always false.
bool FileHeldOpenForWriting(const std::string& path);

// Opens `path` for appending, made when missing; others may read it while it
// is open but not write to it where the system can refuse them (Windows).
// Returns the descriptor, or -1 with errno set.
int OpenForAppend(const std::string& path);
// Writes some of the bytes; returns how many, or -1 with errno set.
long WriteSome(int fd, const char* data, std::size_t size);
// Closes the descriptor; 0, or -1 with errno set.
int CloseDescriptor(int fd);

// Pushes the stream's bytes to the disk; false when that failed.
bool SyncStream(std::FILE* file);
// Whether the file at `path` may be replaced: missing, or not marked read-only.
bool MayReplaceFile(const std::filesystem::path& path);
// Renames `from` to `to`, replacing it; false when that failed.
bool MoveReplacing(const std::filesystem::path& from, const std::filesystem::path& to);

// Moves `from` to `to` unless a file of that name is there; false then.
// Throws Error naming both files when the move fails otherwise.
bool RenameWithoutReplacing(const std::string& from, const std::string& to);

// This process's number, which names of its temporary files carry.
unsigned long CurrentProcessId();

}  // namespace tarnfold
