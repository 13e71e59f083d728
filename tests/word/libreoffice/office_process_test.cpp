// Starting the office process, and failing to, with stand-in programs: the
// real office is not needed to see what the launcher does with them.

#include "word/libreoffice/office_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include <gtest/gtest.h>

#include "core/error.h"
#include "support/documents.h"
#include "support/scoped_variable.h"
#include "support/temp_dir.h"
#include "word/libreoffice/libreoffice.h"

namespace tarnfold::word {
namespace {

using Clock = std::chrono::steady_clock;
using tarnfold::testing::ReadWholeFile;
using tarnfold::testing::ScopedVariable;
using tarnfold::testing::TempDir;

std::string Script(const TempDir& dir, const std::string& name, const std::string& body) {
    const std::string path = dir.File(name);
    std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    return path;
}

LibreOfficeOptions StandIn(const TempDir& dir, const std::string& soffice, int deadlineSeconds) {
    LibreOfficeOptions options;
    options.profileFolder = dir.File("профиль");
    options.pipeName = "tarnfold_standin_" + std::to_string(::getpid());
    options.sofficePath = soffice;
    options.startDeadline = std::chrono::seconds(deadlineSeconds);
    options.visible = false;
    return options;
}

bool Alive(pid_t pid) {
    const std::string stat = ReadWholeFile("/proc/" + std::to_string(pid) + "/stat");
    const std::size_t close = stat.rfind(')');
    return close != std::string::npos && stat.size() > close + 2 && stat[close + 2] != 'Z';
}

TEST(OfficeEnvironment, GivesUtf8CharacterTypeAndDropsLcAll) {
    std::string a = "PATH=/usr/bin", b = "LC_ALL=ru_RU.UTF-8", c = "LC_CTYPE=C", d = "LANG=C";
    char* environment[] = {a.data(), b.data(), c.data(), d.data(), nullptr};
    EXPECT_EQ(OfficeEnvironment(environment),
              (std::vector<std::string>{"PATH=/usr/bin", "LANG=C", "LC_MESSAGES=ru_RU.UTF-8", "LC_CTYPE=C.UTF-8"}));
    std::string e = "LC_MESSAGES=de_DE.UTF-8";
    char* withMessages[] = {b.data(), e.data(), nullptr};
    EXPECT_EQ(OfficeEnvironment(withMessages),
              (std::vector<std::string>{"LC_MESSAGES=de_DE.UTF-8", "LC_CTYPE=C.UTF-8"}));
    // An office of its own keeps its temporary files in its own folder.
    char tmpdir[] = "TMPDIR=/tmp";
    char* withTemporary[] = {tmpdir, a.data(), nullptr};
    EXPECT_EQ(OfficeEnvironment(withTemporary, "/run/office/tmp"),
              (std::vector<std::string>{"PATH=/usr/bin", "LC_CTYPE=C.UTF-8", "TMPDIR=/run/office/tmp"}));
    EXPECT_EQ(OfficeEnvironment(withTemporary),
              (std::vector<std::string>{"TMPDIR=/tmp", "PATH=/usr/bin", "LC_CTYPE=C.UTF-8"}));
}

TEST(SeedProfile, MarksTheFirstStartDoneOnceAndKeepsExistingSettings) {
    TempDir dir;
    const std::string profile = dir.File("новый профиль");
    SeedProfile(profile, "/usr/lib/libreoffice/program/soffice");
    const std::string settings = profile + "/user/registrymodifications.xcu";
    const std::string seeded = ReadWholeFile(settings);
    EXPECT_NE(seeded.find("<prop oor:name=\"ooSetupLastVersion\" oor:op=\"fuse\"><value>7."), std::string::npos)
        << seeded;
    EXPECT_NE(seeded.find("ShowTipOfTheDay"), std::string::npos);

    std::ofstream(settings) << "user's own";
    SeedProfile(profile, "/usr/lib/libreoffice/program/soffice");
    EXPECT_EQ(ReadWholeFile(settings), "user's own");
}

TEST(OfficeProcesses, FoundByTheirPipeAndEnded) {
    TempDir dir;
    const std::string pipe = "tarnfold_find_" + std::to_string(::getpid());
    const pid_t child = ::fork();
    if (child == 0) {
        // A group of its own and no inherited output: the shell's sleep must not outlive the test holding its pipes.
        ::setpgid(0, 0);
        const int null = ::open("/dev/null", O_RDWR);
        ::dup2(null, 0);
        ::dup2(null, 1);
        ::dup2(null, 2);
        ::execl("/bin/sh", "/bin/sh", "-c", "sleep 30", AcceptArgument(pipe).c_str(), nullptr);
        ::_exit(127);
    }
    ASSERT_GT(child, 0);
    std::vector<pid_t> found;
    for (int i = 0; i < 100 && found.empty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        found = FindOfficeProcesses(pipe);
    }
    EXPECT_EQ(found, std::vector<pid_t>{child});
    EXPECT_TRUE(FindOfficeProcesses(pipe + "x").empty()) << "another pipe's office is not ours";
    KillOfficeProcesses(pipe);
    EXPECT_FALSE(Alive(child));
    int status = 0;
    ::waitpid(child, &status, 0);
    ::kill(-child, SIGKILL);
}

TEST(LibreOfficeServer, WrongProgramPathFailsAtOnce) {
    TempDir dir;
    LibreOfficeServer server(StandIn(dir, "/nonexistent/program/soffice", 10));
    const auto started = Clock::now();
    try {
        server.CreateApplication();
        FAIL() << "no program, no office";
    } catch (const Error& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Не удалось запустить LibreOffice (/nonexistent/program/soffice): нет такого файла или каталога");
    }
    EXPECT_LT(Clock::now() - started, std::chrono::seconds(2));
}

TEST(LibreOfficeServer, ProgramEndingWithAnErrorFailsWithItsCode) {
    TempDir dir;
    const std::string soffice = Script(dir, "soffice", "echo 'stand-in office: broken installation'; exit 3");
    LibreOfficeServer server(StandIn(dir, soffice, 10));
    const auto started = Clock::now();
    try {
        server.CreateApplication();
        FAIL() << "the program ended";
    } catch (const Error& error) {
        EXPECT_EQ(std::string(error.what()), "LibreOffice завершился при запуске с кодом 3; подробности в " +
                                                 dir.File("профиль") + "/soffice.log");
    }
    EXPECT_LT(Clock::now() - started, std::chrono::seconds(3));
    EXPECT_NE(ReadWholeFile(dir.File("профиль/soffice.log")).find("stand-in office: broken installation"),
              std::string::npos)
        << "the office's output goes to its log";
}

TEST(LibreOfficeServer, ProgramThatNeverAnswersFailsAtTheDeadlineAndIsEnded) {
    TempDir dir;
    const std::string pidFile = dir.File("pid");
    const std::string environmentFile = dir.File("environment");
    const std::string soffice =
        Script(dir, "soffice", "env > '" + environmentFile + "'; echo $$ > '" + pidFile + "'; exec sleep 60");
    // The users' LC_ALL would override the office's character type.
    const ScopedVariable usersLocale("LC_ALL", "ru_RU.UTF-8");
    LibreOfficeServer server(StandIn(dir, soffice, 2));
    const auto started = Clock::now();
    try {
        server.CreateApplication();
        FAIL() << "nothing listens on the pipe";
    } catch (const Error& error) {
        EXPECT_EQ(std::string(error.what()),
                  "LibreOffice не запустился за 2 с; подробности в " + dir.File("профиль") + "/soffice.log");
    }
    const auto waited = Clock::now() - started;
    EXPECT_GE(waited, std::chrono::seconds(2));
    EXPECT_LT(waited, std::chrono::seconds(5));

    const pid_t standIn = std::stoi(ReadWholeFile(pidFile));
    EXPECT_FALSE(Alive(standIn)) << "a start that failed leaves no process behind";
    const std::string environment = ReadWholeFile(environmentFile);
    EXPECT_NE(environment.find("\nLC_CTYPE=C.UTF-8\n"), std::string::npos) << environment;
    EXPECT_EQ(environment.find("LC_ALL="), std::string::npos) << environment;
    EXPECT_TRUE(std::filesystem::exists(dir.File("профиль/user/registrymodifications.xcu"))) << "profile seeded";
}

// A stand-in office that computes is working; stopped, it is hung and uses nothing.
TEST(OfficeWorking, TellsAnOfficeThatComputesFromOneThatWaits) {
    const std::string pipe = "tarnfold_busy_" + std::to_string(::getpid());
    const pid_t busy = ::fork();
    if (busy == 0) {
        const std::string accept = AcceptArgument(pipe);
        ::execl("/bin/sh", "sh", "-c", "while :; do :; done", "sh", accept.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(FindOfficeProcesses(pipe), std::vector<pid_t>{busy});
    const auto before = OfficeProcessorTime(pipe);
    EXPECT_TRUE(OfficeWorking(pipe, std::chrono::milliseconds(600)));
    EXPECT_GE(OfficeProcessorTime(pipe) - before, std::chrono::milliseconds(150));
    ::kill(busy, SIGSTOP);
    EXPECT_FALSE(OfficeWorking(pipe, std::chrono::milliseconds(600)));
    ::kill(busy, SIGKILL);
    ::waitpid(busy, nullptr, 0);
    EXPECT_FALSE(OfficeWorking(pipe, std::chrono::milliseconds(100))) << "no office at all";
}

// A batch killed outright leaves its profile folder, named after it; the next
// batch removes the folders whose owners have ended, and only those.
TEST(OneOffProfiles, FoldersOfEndedOwnersAreRemovedOthersStay) {
    TempDir dir;
    const std::string mine = MakeOneOffProfileFolder(dir.Folder());
    EXPECT_EQ(std::filesystem::path(mine).filename().string().rfind(
                  "tarnfold-batch-office-" + std::to_string(::getpid()) + "-", 0),
              0u)
        << mine;
    const pid_t ended = ::fork();
    if (ended == 0) ::_exit(0);
    ::waitpid(ended, nullptr, 0);
    const std::string endedFolder = dir.File("tarnfold-batch-office-" + std::to_string(ended) + "-aB3dE6");
    const std::string other = dir.File("tarnfold-batch-office-без-номера");
    for (const std::string& folder : {endedFolder + "/profile/user", other})
        std::filesystem::create_directories(folder);
    EXPECT_TRUE(OneOffProfileEnded(endedFolder));
    EXPECT_FALSE(OneOffProfileEnded(mine));
    EXPECT_FALSE(OneOffProfileEnded(dir.File("office")));
    RemoveEndedOneOffProfiles(dir.Folder());
    EXPECT_FALSE(std::filesystem::exists(endedFolder));
    EXPECT_TRUE(std::filesystem::exists(mine));
    EXPECT_TRUE(std::filesystem::exists(other));
}

TEST(DefaultLibreOfficeOptions, AreTheUsersOwn) {
    const std::string xdg = std::getenv("XDG_CACHE_HOME") ? std::getenv("XDG_CACHE_HOME") : "";
    ::setenv("XDG_CACHE_HOME", "/var/tmp/кэш", 1);
    const std::string display = std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "";
    // Each desktop session of the user has an office of its own.
    ::setenv("DISPLAY", "terminal-7:10.0", 1);
    LibreOfficeOptions options = DefaultLibreOfficeOptions();
    EXPECT_EQ(options.profileFolder, "/var/tmp/кэш/tarnfold/office-terminal_7_10");
    EXPECT_EQ(options.pipeName, "tarnfold_office_" + std::to_string(::getuid()) + "_terminal_7_10");
    EXPECT_EQ(options.startDeadline, std::chrono::seconds(30));
    EXPECT_EQ(options.callTimeout, std::chrono::seconds(120));
    ::unsetenv("DISPLAY");
    options = DefaultLibreOfficeOptions();
    EXPECT_EQ(options.profileFolder, "/var/tmp/кэш/tarnfold/office");
    EXPECT_EQ(options.pipeName, "tarnfold_office_" + std::to_string(::getuid()));
    if (!display.empty()) ::setenv("DISPLAY", display.c_str(), 1);
    EXPECT_EQ(DisplaySessionName(":1"), "1");
    EXPECT_EQ(DisplaySessionName(":1.0"), "1");
    EXPECT_EQ(DisplaySessionName("localhost:11.1"), "localhost_11");
    EXPECT_EQ(DisplaySessionName(""), "");
    if (xdg.empty()) {
        ::unsetenv("XDG_CACHE_HOME");
    } else {
        ::setenv("XDG_CACHE_HOME", xdg.c_str(), 1);
    }
}

}  // namespace
}  // namespace tarnfold::word
