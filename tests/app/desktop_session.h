#pragma once
// A desktop of the test's own: a virtual X display, optionally a small window
// manager, and the real program started from a folder of its own. Everything
// started here is ended here, by its process id.

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "support/temp_dir.h"

typedef struct _XDisplay Display;

namespace tarnfold::testing {

class ChildProcess {
public:
    ChildProcess(const std::vector<std::string>& command, const std::vector<std::string>& environment,
                 const std::filesystem::path& log, int extraFd = -1);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t Pid() const { return pid_; }
    // The exit code once the process has ended within the time; -1 for a
    // process ended by a signal.
    std::optional<int> WaitForExit(std::chrono::milliseconds timeout);
    bool Running();
    void Kill();

private:
    pid_t pid_ = -1;
    std::optional<int> status_;
};

class DesktopSession {
public:
    explicit DesktopSession(bool withWindowManager);
    ~DesktopSession();

    Display* X() const { return display_; }
    std::string DisplayName() const { return ":" + std::to_string(number_); }
    bool HasWindowManager() const { return wm_ != nullptr; }
    const TempDir& Folder() const { return temp_; }
    // The environment a program on this desktop gets.
    std::vector<std::string> Environment() const;

private:
    TempDir temp_;
    int number_ = -1;
    std::unique_ptr<ChildProcess> server_;
    std::unique_ptr<ChildProcess> wm_;
    Display* display_ = nullptr;
};

// The real program copied into a folder of its own, with a settings file that
// points at a database beside it: a small one of two institutions, or the
// given tables and rows, and the given lines of the choices' section.
class ProgramCopy {
public:
    static std::string SmallDatabaseSql();
    explicit ProgramCopy(const DesktopSession& desktop, const std::string& databaseSql = SmallDatabaseSql(),
                         const std::string& reportSection = {});
    std::filesystem::path DatabaseFile() const;
    // "NAME=value" variables replace the desktop's own of that name.
    std::unique_ptr<ChildProcess> Start(const std::string& logName = "tarnfold.log",
                                        const std::vector<std::string>& variables = {},
                                        const std::vector<std::string>& arguments = {}) const;
    std::filesystem::path Folder() const { return folder_; }

private:
    const DesktopSession& desktop_;
    std::filesystem::path folder_;
};

}  // namespace tarnfold::testing
