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
// The processor time those processes have used so far.
std::chrono::milliseconds OfficeProcessorTime(const std::string& pipeName);
// Whether they are working: over a short look they use a good part of a
// processor. A hung office waits and uses none.
bool OfficeWorking(const std::string& pipeName, std::chrono::milliseconds look = std::chrono::seconds(2));
// Ends those processes at once and waits (a little) until they are gone.
void KillOfficeProcesses(const std::string& pipeName);

// A profile folder made in `parent` for a one-off office (the batch's):
// "tarnfold-batch-office-", the id of the process that owns it, "-" and six
// random characters, so that a later run can tell whether its owner lives.
// Throws Error when it cannot be made.
std::string MakeOneOffProfileFolder(const std::string& parent);
// Whether `folder` is a one-off office's profile folder whose owner has ended.
bool OneOffProfileEnded(const std::string& folder);
// Removes the user's one-off profile folders in `parent` whose owners have
// ended: a batch that was killed leaves its folder behind.
void RemoveEndedOneOffProfiles(const std::string& parent);
// Removes the office lock files in `folder` that name a one-off office's
// profile whose owner has ended: a killed batch's office left them.
void RemoveLocksOfEndedOneOffOffices(const std::string& folder);

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
