#include "desktop_session.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <thread>

#include "core/text.h"
#include "support/firebird_fixture.h"
#include "support/host_tables.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

extern char** environ;

namespace tarnfold::testing {

namespace {

// Windows of other programs come and go while the test looks at them.
int IgnoreXError(Display*, XErrorEvent*) { return 0; }

using namespace std::chrono_literals;

std::vector<char*> Pointers(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& t : texts) pointers.push_back(t.data());
    pointers.push_back(nullptr);
    return pointers;
}

}  // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& command, const std::vector<std::string>& environment,
                           const std::filesystem::path& log, int extraFd) {
    std::vector<std::string> args = command;
    std::vector<std::string> env = environment;
    auto argv = Pointers(args);
    auto envp = Pointers(env);
    const int logFd = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (logFd < 0) throw std::runtime_error("cannot write " + log.string());
    const pid_t parent = getpid();
    pid_ = fork();
    if (pid_ == 0) {
        // Should the test itself die, what it started goes with it.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) _exit(127);
        const int nullFd = open("/dev/null", O_RDONLY);
        dup2(nullFd, 0);
        dup2(logFd, 1);
        dup2(logFd, 2);
        if (extraFd == 3)
            fcntl(3, F_SETFD, 0);
        else if (extraFd >= 0)
            dup2(extraFd, 3);
        execvpe(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    close(logFd);
    if (pid_ < 0) throw std::runtime_error("cannot start " + command[0] + ": " + std::strerror(errno));
}

ChildProcess::~ChildProcess() { Kill(); }

std::optional<int> ChildProcess::WaitForExit(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!status_) {
        int status = 0;
        const pid_t done = waitpid(pid_, &status, WNOHANG);
        if (done == pid_) {
            status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            break;
        }
        if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
        std::this_thread::sleep_for(10ms);
    }
    return status_;
}

bool ChildProcess::Running() { return !WaitForExit(0ms).has_value(); }

void ChildProcess::Kill() {
    if (pid_ <= 0 || status_) return;
    kill(pid_, SIGTERM);
    if (!WaitForExit(2s)) {
        kill(pid_, SIGKILL);
        WaitForExit(5s);
    }
}

DesktopSession::DesktopSession(bool withWindowManager) {
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
    server_ = std::make_unique<ChildProcess>(
        std::vector<std::string>{"Xvfb", "-displayfd", "3", "-noreset", "-nolisten", "tcp", "-screen", "0",
                                 "1024x768x24"},
        std::vector<std::string>{"PATH=/usr/bin:/bin"}, temp_.Path() / "xvfb.log", pipeFds[1]);
    close(pipeFds[1]);
    std::string number;
    char c = 0;
    while (read(pipeFds[0], &c, 1) == 1 && c != '\n') number += c;
    close(pipeFds[0]);
    if (number.empty()) throw std::runtime_error("Xvfb gave no display number");
    number_ = std::stoi(number);
    XSetErrorHandler(IgnoreXError);
    display_ = XOpenDisplay(DisplayName().c_str());
    if (!display_) throw std::runtime_error("cannot open " + DisplayName());
    if (!withWindowManager) return;

    for (const char* sub : {"home", "config", "cache", "data", "runtime"})
        std::filesystem::create_directories(temp_.Path() / sub);
    std::filesystem::permissions(temp_.Path() / "runtime", std::filesystem::perms::owner_all);
    wm_ = std::make_unique<ChildProcess>(std::vector<std::string>{"openbox"}, Environment(),
                                         temp_.Path() / "openbox.log");
    const Atom check = XInternAtom(display_, "_NET_SUPPORTING_WM_CHECK", False);
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (std::chrono::steady_clock::now() < deadline) {
        Atom type = 0;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        XGetWindowProperty(display_, DefaultRootWindow(display_), check, 0, 1, False, XA_WINDOW, &type, &format, &count,
                           &after, &data);
        if (data) XFree(data);
        if (count == 1) return;
        std::this_thread::sleep_for(20ms);
    }
    throw std::runtime_error("the window manager did not come up");
}

DesktopSession::~DesktopSession() {
    if (display_) XCloseDisplay(display_);
    wm_.reset();
    server_.reset();
}

std::vector<std::string> DesktopSession::Environment() const {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        const std::string key = entry.substr(0, entry.find('='));
        if (key == "DISPLAY" || key == "HOME" || key.rfind("XDG_", 0) == 0 || key.rfind("QT_", 0) == 0 ||
            key.rfind("LC_", 0) == 0 || key == "LANG")
            continue;
        env.push_back(entry);
    }
    env.push_back("DISPLAY=" + DisplayName());
    env.push_back("QT_QPA_PLATFORM=xcb");
    env.push_back("LANG=ru_RU.UTF-8");
    env.push_back("LC_ALL=ru_RU.UTF-8");
    env.push_back("HOME=" + (temp_.Path() / "home").string());
    env.push_back("XDG_CONFIG_HOME=" + (temp_.Path() / "config").string());
    env.push_back("XDG_CACHE_HOME=" + (temp_.Path() / "cache").string());
    env.push_back("XDG_DATA_HOME=" + (temp_.Path() / "data").string());
    env.push_back("XDG_RUNTIME_DIR=" + (temp_.Path() / "runtime").string());
    return env;
}

std::string ProgramCopy::SmallDatabaseSql() {
    return std::string(testing::kInstitutionTableSql) + testing::kPeriodTableSql +
           "INSERT INTO KODIF VALUES ('0001', NULL, 'Первая больница', '0001', '01');\n"
           "INSERT INTO KODIF VALUES ('1166', NULL, 'Велинская область', '1166', '01');\n"
           "INSERT INTO PERIOD VALUES ('01', 'Январь');\n"
           "INSERT INTO PERIOD VALUES ('02', 'Февраль');\n";
}

ProgramCopy::ProgramCopy(const DesktopSession& desktop, const std::string& databaseSql,
                         const std::string& reportSection)
    : desktop_(desktop) {
    const std::filesystem::path root = desktop.Folder().Path();
    for (const char* sub : {"home", "config", "cache", "data", "runtime", "prog", "db"})
        std::filesystem::create_directories(root / sub);
    std::filesystem::permissions(root / "runtime", std::filesystem::perms::owner_all);
    folder_ = root / "prog";
    std::filesystem::copy_file(TARNFOLD_PROGRAM, folder_ / "tarnfold",
                               std::filesystem::copy_options::overwrite_existing);
    CreateDatabase(DatabaseFile().string(), databaseSql);
    std::ofstream ini(folder_ / "Tarnfold.ini", std::ios::binary);
    ini << Utf8ToCp1251("[BASE]\r\nPathBase=" + (root / "db").string() + "/\r\nPasswordBase=x\r\n" + reportSection);
}

std::filesystem::path ProgramCopy::DatabaseFile() const { return desktop_.Folder().Path() / "db" / "kvel.gdb"; }

std::unique_ptr<ChildProcess> ProgramCopy::Start(const std::string& logName, const std::vector<std::string>& variables,
                                                 const std::vector<std::string>& arguments) const {
    std::vector<std::string> environment;
    for (const std::string& entry : desktop_.Environment()) {
        const std::string key = entry.substr(0, entry.find('=') + 1);
        bool replaced = false;
        for (const std::string& variable : variables) replaced = replaced || variable.rfind(key, 0) == 0;
        if (!replaced) environment.push_back(entry);
    }
    environment.insert(environment.end(), variables.begin(), variables.end());
    std::vector<std::string> command{(folder_ / "tarnfold").string()};
    command.insert(command.end(), arguments.begin(), arguments.end());
    return std::make_unique<ChildProcess>(command, environment, desktop_.Folder().Path() / logName);
}

}  // namespace tarnfold::testing
