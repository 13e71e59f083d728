#pragma once
// The batch program started as a process of its own, as the user starts it,
// its output kept in files.

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "support/whole_file.h"

extern char** environ;

namespace tarnfold::testing {

struct Finished {
    int exitCode = -1;
    std::string out, err;
};

// The batch started as a process of its own, its output in files.
class BatchProcess {
public:
    BatchProcess(const std::string& program, const std::vector<std::string>& arguments,
                 const std::vector<std::string>& extraEnvironment, const std::filesystem::path& outputFolder)
        : outPath_(outputFolder / "stdout.txt"), errPath_(outputFolder / "stderr.txt") {
        std::vector<std::string> argv = {program};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        std::vector<std::string> environment = extraEnvironment;
        for (char** e = environ; *e; ++e) environment.emplace_back(*e);
        std::vector<char*> argvPointers, envPointers;
        for (std::string& a : argv) argvPointers.push_back(a.data());
        argvPointers.push_back(nullptr);
        for (std::string& e : environment) envPointers.push_back(e.data());
        envPointers.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, outPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, 2, errPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int failed =
            posix_spawn(&pid_, program.c_str(), &actions, nullptr, argvPointers.data(), envPointers.data());
        posix_spawn_file_actions_destroy(&actions);
        if (failed) throw std::runtime_error("cannot start " + program);
    }
    ~BatchProcess() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }

    void Interrupt() const { ::kill(pid_, SIGINT); }
    pid_t Pid() const { return pid_; }

    Finished Wait() {
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        return {WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status), ReadWholeFile(outPath_),
                ReadWholeFile(errPath_)};
    }

private:
    std::filesystem::path outPath_, errPath_;
    pid_t pid_ = -1;
};

}  // namespace tarnfold::testing
