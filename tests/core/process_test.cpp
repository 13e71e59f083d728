#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>

#include "core/error.h"
#include "core/file_descriptor.h"
#include "core/process.h"
#include "support/temp_dir.h"
#include "support/whole_file.h"

using namespace tarnfold;
using tarnfold::testing::TempDir;

using tarnfold::testing::ReadWholeFile;

namespace {

bool WaitForFile(const std::filesystem::path& path) {
    for (int i = 0; i < 250; ++i) {
        if (std::filesystem::exists(path) && !ReadWholeFile(path).empty()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

// The descriptors a running process holds, by number.
std::set<std::string> OpenDescriptors(pid_t pid) {
    std::set<std::string> numbers;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/fd"))
        numbers.insert(entry.path().filename().string());
    return numbers;
}

}  // namespace

// The embedded database engine opens its files without close-on-exec; a file
// opened so here stands for them.
TEST(StartProcess, TheChildKeepsOnlyItsStandardDescriptors) {
    TempDir dir;
    FileDescriptor inherited(::open(dir.File("kvel.gdb").c_str(), O_RDWR | O_CREAT, 0600));
    ASSERT_GE(inherited.Get(), 3);

    const pid_t child = StartProcess({{"sleep", "5"}, {}, dir.File("out.log"), false, "Не удалось запустить sleep"});
    ASSERT_GT(child, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(OpenDescriptors(child), (std::set<std::string>{"0", "1", "2"}));
    EXPECT_EQ(std::filesystem::read_symlink("/proc/" + std::to_string(child) + "/fd/0"), "/dev/null");
    EXPECT_EQ(std::filesystem::read_symlink("/proc/" + std::to_string(child) + "/fd/1"), dir.File("out.log"));
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);

    // A detached program the same, and the call returns while it runs on.
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(StartProcess({{"sh", "-c", "echo $$ >'" + dir.File("pid") + "'; exec sleep 5"}, {}, {}, true, "x"}), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    ASSERT_TRUE(WaitForFile(dir.Path() / "pid"));
    const pid_t detached = std::stoi(ReadWholeFile(dir.Path() / "pid"));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(OpenDescriptors(detached), (std::set<std::string>{"0", "1", "2"}));
    // An orphan of init, in a session of its own.
    EXPECT_EQ(::getsid(detached), detached);
    ::kill(detached, SIGKILL);
}

TEST(StartProcess, EnvironmentAndOutputAreTheGivenOnes) {
    TempDir dir;
    const pid_t child = StartProcess(
        {{"/bin/sh", "-c", "echo \"$ONLY:$HOME\"; echo oops >&2"}, {"ONLY=this"}, dir.File("out.log"), false, "x"});
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_EQ(ReadWholeFile(dir.Path() / "out.log"), "this:\noops\n");
}

TEST(StartProcess, AProgramThatCannotRunFailsWithTheReasonInRussian) {
    for (const bool detached : {false, true}) {
        try {
            StartProcess({{"no-such-program-anywhere"}, {}, {}, detached, "Не удалось запустить программу"});
            ADD_FAILURE() << "started";
        } catch (const Error& e) {
            EXPECT_STREQ(e.what(), "Не удалось запустить программу: нет такого файла или каталога");
        }
    }
}
