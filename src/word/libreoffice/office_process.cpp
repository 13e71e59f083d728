#include "word/libreoffice/office_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include "core/error.h"
#include "core/file_reading.h"
#include "core/system_error.h"
#include "core/process.h"
#include "core/paths.h"
#include "core/text.h"
#include "word/libreoffice/office_files.h"
#include "word/office_lock.h"

namespace tarnfold::word {

namespace {

std::atomic<bool> startsStopped{false};

// Empty when the file cannot be read: a process may end while its entry is
// read, and an office without its configuration file only lacks a version.
std::string ReadFileOrNothing(const std::filesystem::path& path) {
    try {
        return ReadFileBytes(PathToUtf8(path));
    } catch (const Error&) {
        return {};
    }
}

// The office's major.minor version as its own configuration states it; empty
// when it cannot be found (the profile then only lacks the "what's new" mark).
std::string OfficeVersion(const std::string& sofficePath) {
    std::error_code ec;
    std::filesystem::path program = std::filesystem::canonical(PathFromUtf8(sofficePath), ec).parent_path();
    if (ec) return {};
    const std::string xcd = ReadFileOrNothing(program.parent_path() / "share" / "registry" / "main.xcd");
    const std::string key = "oor:name=\"ooSetupVersion\">";
    const std::size_t at = xcd.find(key);
    if (at == std::string::npos) return {};
    const std::size_t open = xcd.find("<value>", at);
    const std::size_t close = xcd.find("</value>", open);
    if (open == std::string::npos || close == std::string::npos || open - at > key.size() + 40) return {};
    return Trim(xcd.substr(open + 7, close - open - 7));
}

std::string RegistryItem(const std::string& path, const std::string& name, const std::string& value) {
    return "<item oor:path=\"" + path + "\"><prop oor:name=\"" + name + "\" oor:op=\"fuse\"><value>" + value +
           "</value></prop></item>\n";
}

pid_t ParsePid(const std::string& name) {
    if (name.empty() || name.size() > 9) return -1;
    pid_t pid = 0;
    for (const char c : name) {
        if (c < '0' || c > '9') return -1;
        pid = pid * 10 + (c - '0');
    }
    return pid;
}

constexpr std::string_view kOneOffProfilePrefix = "tarnfold-batch-office-";

// A process that has ended but not yet been waited for by its parent still
// answers signals: its state in /proc tells.
bool ProcessEnded(pid_t pid) {
    if (::kill(pid, 0) != 0 && errno == ESRCH) return true;
    const std::string stat = ReadFileOrNothing("/proc/" + std::to_string(pid) + "/stat");
    const std::size_t close = stat.rfind(')');
    return close != std::string::npos && close + 2 < stat.size() && (stat[close + 2] == 'Z' || stat[close + 2] == 'X');
}

}  // namespace

std::string MakeOneOffProfileFolder(const std::string& parent) {
    std::string pattern = parent + "/" + std::string(kOneOffProfilePrefix) + std::to_string(::getpid()) + "-XXXXXX";
    if (!::mkdtemp(pattern.data()))
        throw Error("Не удалось создать временную папку для LibreOffice: " + pattern + ": " + SystemErrorText(errno));
    return pattern;
}

bool OneOffProfileEnded(const std::string& folder) {
    const std::string name = PathToUtf8(PathFromUtf8(folder).filename());
    if (!StartsWith(name, std::string(kOneOffProfilePrefix))) return false;
    const std::string rest = name.substr(kOneOffProfilePrefix.size());
    const std::size_t dash = rest.find('-');
    if (dash == std::string::npos) return false;
    const pid_t owner = ParsePid(rest.substr(0, dash));
    return owner > 0 && ProcessEnded(owner);
}

void RemoveEndedOneOffProfiles(const std::string& parent) {
    std::error_code ec;
    for (std::filesystem::directory_iterator it(PathFromUtf8(parent), ec), end; !ec && it != end; it.increment(ec)) {
        struct stat info {};
        if (::lstat(it->path().c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::geteuid()) continue;
        if (!OneOffProfileEnded(PathToUtf8(it->path()))) continue;
        std::error_code ignored;
        std::filesystem::remove_all(it->path(), ignored);
    }
}

void RemoveLocksOfEndedOneOffOffices(const std::string& folder) {
    std::error_code ec;
    for (std::filesystem::directory_iterator it(PathFromUtf8(folder), ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = PathToUtf8(it->path().filename());
        if (name.size() <= 8 || !StartsWith(name, ".~lock.") || name.back() != '#') continue;
        const std::optional<OfficeLock> lock =
            ReadOfficeLock(PathToUtf8(it->path().parent_path() / PathFromUtf8(name.substr(7, name.size() - 8))));
        if (!lock || lock->profileUrl.empty() ||
            !OneOffProfileEnded(PathToUtf8(PathFromUtf8(PathFromFileUrl(lock->profileUrl)).parent_path())))
            continue;
        std::error_code ignored;
        std::filesystem::remove(it->path(), ignored);
    }
}

std::string AcceptArgument(const std::string& pipeName) {
    return "--accept=pipe,name=" + pipeName + ";urp;StarOffice.ComponentContext";
}

std::string ConnectDescription(const std::string& pipeName) { return "pipe,name=" + pipeName; }

void SeedProfile(const std::string& profileFolder, const std::string& sofficePath) {
    const std::filesystem::path user = PathFromUtf8(profileFolder) / "user";
    const std::filesystem::path settings = user / "registrymodifications.xcu";
    std::error_code ec;
    if (std::filesystem::exists(settings, ec)) return;
    std::filesystem::create_directories(user, ec);
    if (ec) throw Error("Не удалось создать папку профиля LibreOffice " + profileFolder + ": " + SystemErrorText(ec));

    std::string xcu =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<oor:items xmlns:oor=\"http://openoffice.org/2001/registry\" xmlns:xs=\"http://www.w3.org/2001/XMLSchema\" "
        "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">\n";
    xcu += RegistryItem("/org.openoffice.Setup/Office", "FirstStartWizardCompleted", "true");
    xcu += RegistryItem("/org.openoffice.Office.Common/Misc", "FirstRun", "false");
    xcu += RegistryItem("/org.openoffice.Office.Common/Misc", "ShowTipOfTheDay", "false");
    // The user saves the shown .doc with Ctrl+S as Word would, without a question about the format.
    xcu += RegistryItem("/org.openoffice.Office.Common/Save/Document", "WarnAlienFormat", "false");
    const std::string version = OfficeVersion(sofficePath);
    if (!version.empty()) xcu += RegistryItem("/org.openoffice.Setup/Product", "ooSetupLastVersion", version);
    xcu += "</oor:items>\n";

    const std::filesystem::path partial = user / "registrymodifications.xcu.part";
    {
        std::ofstream out(partial, std::ios::binary | std::ios::trunc);
        out << xcu;
        if (!out.flush()) throw Error("Не удалось записать настройки профиля LibreOffice в " + PathToUtf8(partial));
    }
    std::filesystem::rename(partial, settings, ec);
    if (ec) throw Error("Не удалось записать настройки профиля LibreOffice в " + PathToUtf8(settings));
}

std::vector<std::string> OfficeEnvironment(char** environment, const std::string& temporaryFolder) {
    std::vector<std::string> result;
    std::string forcedLocale;
    bool messagesSet = false;
    for (char** entry = environment; entry && *entry; ++entry) {
        const std::string variable = *entry;
        if (StartsWith(variable, "LC_ALL=")) {
            forcedLocale = variable.substr(7);
            continue;
        }
        if (StartsWith(variable, "LC_CTYPE=")) continue;
        if (!temporaryFolder.empty() && StartsWith(variable, "TMPDIR=")) continue;
        if (StartsWith(variable, "LC_MESSAGES=")) messagesSet = true;
        result.push_back(variable);
    }
    // LC_ALL would override the character type; its language still speaks for the messages.
    if (!forcedLocale.empty() && !messagesSet) result.push_back("LC_MESSAGES=" + forcedLocale);
    result.push_back("LC_CTYPE=C.UTF-8");
    if (!temporaryFolder.empty()) result.push_back("TMPDIR=" + temporaryFolder);
    return result;
}

std::vector<pid_t> FindOfficeProcesses(const std::string& pipeName) {
    const std::string marker = "--accept=pipe,name=" + pipeName + ";";
    std::vector<pid_t> found;
    std::error_code ec;
    for (std::filesystem::directory_iterator it("/proc", ec), end; !ec && it != end; it.increment(ec)) {
        const pid_t pid = ParsePid(it->path().filename().string());
        if (pid <= 0 || pid == ::getpid()) continue;
        struct stat info {};
        if (::stat(it->path().c_str(), &info) != 0 || info.st_uid != ::geteuid()) continue;
        const std::string cmdline = ReadFileOrNothing(it->path() / "cmdline");
        std::size_t start = 0;
        while (start < cmdline.size()) {
            std::size_t stop = cmdline.find('\0', start);
            if (stop == std::string::npos) stop = cmdline.size();
            if (cmdline.compare(start, marker.size(), marker) == 0) {
                found.push_back(pid);
                break;
            }
            start = stop + 1;
        }
    }
    return found;
}

std::chrono::milliseconds OfficeProcessorTime(const std::string& pipeName) {
    static const long ticksPerSecond = ::sysconf(_SC_CLK_TCK);
    long long ticks = 0;
    for (const pid_t pid : FindOfficeProcesses(pipeName)) {
        // Fields after the command's closing parenthesis: state is the 3rd,
        // user time the 14th and system time the 15th of the whole line.
        const std::string stat = ReadFileOrNothing("/proc/" + std::to_string(pid) + "/stat");
        const std::size_t close = stat.rfind(')');
        if (close == std::string::npos) continue;
        std::vector<std::string> fields;
        for (std::size_t at = close + 2; at < stat.size() && fields.size() < 13;) {
            const std::size_t end = std::min(stat.find(' ', at), stat.size());
            fields.push_back(stat.substr(at, end - at));
            at = end + 1;
        }
        if (fields.size() == 13) ticks += std::atoll(fields[11].c_str()) + std::atoll(fields[12].c_str());
    }
    return std::chrono::milliseconds(ticksPerSecond > 0 ? ticks * 1000 / ticksPerSecond : 0);
}

bool OfficeWorking(const std::string& pipeName, std::chrono::milliseconds look) {
    const auto before = OfficeProcessorTime(pipeName);
    std::this_thread::sleep_for(look);
    return (OfficeProcessorTime(pipeName) - before) * 4 >= look;
}

void KillOfficeProcesses(const std::string& pipeName) {
    for (const pid_t pid : FindOfficeProcesses(pipeName)) ::kill(pid, SIGKILL);
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!FindOfficeProcesses(pipeName).empty() && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
}

void StopStartingOffices() { startsStopped.store(true); }

OfficeLauncher::OfficeLauncher(const OfficeStart& start) {
    if (startsStopped.load()) throw Error("Не удалось запустить LibreOffice: программа завершается");
    std::error_code ec;
    std::filesystem::create_directories(PathFromUtf8(start.profileFolder), ec);
    SeedProfile(start.profileFolder, start.sofficePath);
    if (!start.temporaryFolder.empty()) std::filesystem::create_directories(PathFromUtf8(start.temporaryFolder), ec);
    logPath_ = PathToUtf8(PathFromUtf8(start.profileFolder) / "soffice.log");
    // A headless office is nobody's to see or close: it must end with the tool,
    // even one killed outright. The launcher script starts the office proper
    // as a child of its own, which the death signal would not reach, so
    // soffice.bin is started itself, with the file locking the script turns on.
    std::string program = start.sofficePath;
    std::vector<std::string> environment = OfficeEnvironment(environ, start.temporaryFolder);
    const bool endsWithTool = start.headless && FileExists(start.sofficePath + ".bin");
    if (endsWithTool) {
        program += ".bin";
        environment.push_back("SAL_ENABLE_FILE_LOCKING=1");
    }
    // A session of its own: the office survives the tool's terminal and is ended as one group.
    ProcessStart process{
        {program, "-env:UserInstallation=" + FileUrl(start.profileFolder), AcceptArgument(start.pipeName),
         "--norestore", "--nologo", "--nodefault", "--nolockcheck", start.headless ? "--headless" : "--invisible"},
        environment,
        logPath_,
        false,
        "Не удалось запустить LibreOffice (" + start.sofficePath + ")"};
    process.endsWithTool = endsWithTool;
    pid_ = StartProcess(process);
}

OfficeLauncher::~OfficeLauncher() { ExitCode(); }

std::optional<int> OfficeLauncher::ExitCode() {
    if (pid_ > 0 && !exitCode_) {
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_)
            exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    return exitCode_;
}

void OfficeLauncher::Kill() {
    if (pid_ <= 0 || ExitCode()) return;
    ::kill(-pid_, SIGKILL);
    int status = 0;
    if (::waitpid(pid_, &status, 0) == pid_) exitCode_ = 128 + SIGKILL;
}

}  // namespace tarnfold::word
