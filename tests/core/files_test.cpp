#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>

#include "core/files.h"
#include "support/temp_dir.h"
#include "support/whole_file.h"

using namespace tarnfold;
using tarnfold::testing::TempDir;

using tarnfold::testing::ReadWholeFile;

namespace {

// What a child process makes of the lock: 0 when it got it, 1 when another
// holds it. With `die`, it then ends by SIGKILL still holding it.
int InChild(const std::string& path, bool die) {
    const pid_t child = ::fork();
    if (child == 0) {
        std::unique_ptr<ExclusiveFileLock> lock = ExclusiveFileLock::TryAcquire(path);
        if (lock && die) ::raise(SIGKILL);
        ::_exit(lock ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace

TEST(ExclusiveFileLock, OneHolderAtATimeAndAHolderThatDiesLetsGo) {
    TempDir dir;
    const std::string path = dir.File(".~tf-отчёт.doc#");
    {
        const std::unique_ptr<ExclusiveFileLock> held = ExclusiveFileLock::TryAcquire(path);
        ASSERT_TRUE(held);
        EXPECT_TRUE(FileLockHeld(path));
        EXPECT_FALSE(ExclusiveFileLock::TryAcquire(path)) << "a second holder in the same process";
        EXPECT_EQ(InChild(path, false), 1) << "a second holder in another process";
    }
    EXPECT_FALSE(std::filesystem::exists(path)) << "let go and removed";
    EXPECT_FALSE(FileLockHeld(path));

    // Killed while holding it: the file stays, the lock does not.
    EXPECT_EQ(InChild(path, true), 128 + SIGKILL);
    EXPECT_TRUE(std::filesystem::exists(path));
    EXPECT_FALSE(FileLockHeld(path));
    EXPECT_TRUE(ExclusiveFileLock::TryAcquire(path));
    EXPECT_FALSE(std::filesystem::exists(path));

    try {
        ExclusiveFileLock::TryAcquire(dir.File("нет/такой/папки/lock"));
        ADD_FAILURE() << "a lock in a missing folder";
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("Не удалось создать файл блокировки"), std::string::npos) << e.what();
    }
}

TEST(ReplaceDurably, TheNewFileTakesTheNameInOneStepAndFailuresCarryTheReason) {
    TempDir dir;
    const std::string report = dir.File("отчёт.docx");
    std::ofstream(report, std::ios::binary) << "old";
    const std::string partial = PartialFilePath(report);
    EXPECT_EQ(partial, report + ".~part");
    std::ofstream(partial, std::ios::binary) << "new";
    ReplaceDurably(partial, report);
    EXPECT_EQ(ReadWholeFile(report), "new");
    EXPECT_FALSE(std::filesystem::exists(partial));
    EXPECT_NO_THROW(SyncFolder(dir.Folder()));

    try {
        ReplaceDurably(dir.File("нет.docx"), report);
        ADD_FAILURE() << "replaced by a missing file";
    } catch (const FileSystemError& e) {
        EXPECT_EQ(e.Code(), ENOENT);
        EXPECT_EQ(std::string(e.what()),
                  "Не удалось записать на диск файл " + dir.File("нет.docx") + ": нет такого файла или каталога");
    }
    EXPECT_EQ(ReadWholeFile(report), "new");
}
