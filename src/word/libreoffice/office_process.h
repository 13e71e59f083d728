#pragma once
// The office process of the LibreOffice back-end: its profile, its start and
// its end. Plain POSIX; the connection to it lives elsewhere.

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace tarnfold::word {

// The argument by which the office listens on the named pipe; it also tells
// the office's processes apart from every other office of the user.
std::string AcceptArgument(const std::string& pipeName);
// How a client reaches that office.
std::string ConnectDescription(const std::string& pipeName);

// Marks the profile's first start as done (no wizard, no tip of the day, no
// "what's new", no format warning) so that a start takes a fraction of a
// second. A profile that already has settings is left as it is.
void SeedProfile(const std::string& profileFolder, const std::string& sofficePath);

// The environment the office runs in: ours, but with a UTF-8 character type
// (loading or saving a file with a Cyrillic name fails in the C locale) and
// no LC_ALL that would override it.
// With a temporary folder given, the office keeps its temporary files there
// (TMPDIR) instead of the system's.
std::vector<std::string> OfficeEnvironment(char** environment, const std::string& temporaryFolder = {});

// From now on no office is started in this process: it is ending, and an
// office started meanwhile by another thread would outlive the cleanup.
void StopStartingOffices();

// The processes (user's own) that serve the pipe: the launcher and the office.
std::vector<pid_t> FindOfficeProcesses(const std::string& pipeName);
// Ends those processes at once and waits (a little) until they are gone.
void KillOfficeProcesses(const std::string& pipeName);

struct OfficeStart {
    std::string sofficePath;
    std::string profileFolder;
    std::string pipeName;
    bool headless = true;
    std::string temporaryFolder;  // empty: the system's
};

// One launched soffice in a session of its own, its output appended to
// "soffice.log" in the profile folder. It is not ended when this object
// goes: a shown office outlives the tool with the user's documents in it; a
// headless one, which nobody could see or close, dies with the thread that
// started it, however the tool ends.
class OfficeLauncher {
public:
    // Throws Error when the program cannot be executed at all.
    explicit OfficeLauncher(const OfficeStart& start);
    ~OfficeLauncher();
    OfficeLauncher(const OfficeLauncher&) = delete;
    OfficeLauncher& operator=(const OfficeLauncher&) = delete;

    // The exit status once the launched program has ended (collected here so
    // that no zombie stays behind), nothing while it runs.
    std::optional<int> ExitCode();
    // Ends the launched program and everything it started.
    void Kill();
    pid_t Pid() const { return pid_; }
    const std::string& LogPath() const { return logPath_; }

private:
    pid_t pid_ = -1;
    std::optional<int> exitCode_;
    std::string logPath_;
};

}  // namespace tarnfold::word
