#include "core/process.h"

#include <fcntl.h>
#include <linux/close_range.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>

#include "core/error.h"
#include "core/file_descriptor.h"
#include "core/system_error.h"

extern char** environ;

namespace tarnfold {

namespace {

std::vector<char*> Pointers(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts) pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

[[noreturn]] void Fail(const ProcessStart& start, int code) {
    throw Error(start.failureMessage + ": " + SystemErrorText(code));
}

// Only async-signal-safe calls from here on: the child of a threaded process.
[[noreturn]] void ExecuteInChild(char* const* argv, char* const* envp, int input, int output, int report,
                                 pid_t endWith) {
    if (endWith > 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        // The starter may have gone before the line above took effect.
        if (::getppid() != endWith) ::_exit(1);
    }
    ::setsid();
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    ::signal(SIGPIPE, SIG_DFL);
    ::dup2(input, STDIN_FILENO);
    ::dup2(output, STDOUT_FILENO);
    ::dup2(output, STDERR_FILENO);
    // Everything above standard error closes at exec; the report pipe as well,
    // which tells the parent that the exec went through.
    ::syscall(SYS_close_range, 3u, UINT_MAX, CLOSE_RANGE_CLOEXEC);
    if (envp) {
        ::execvpe(argv[0], argv, envp);
    } else {
        ::execvp(argv[0], argv);
    }
    const int failure = errno;
    [[maybe_unused]] const ssize_t written = ::write(report, &failure, sizeof failure);
    ::_exit(127);
}

int WaitFor(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

}  // namespace

pid_t StartProcess(const ProcessStart& start) {
    if (start.arguments.empty()) Fail(start, EINVAL);
    // Everything the child needs is prepared before the fork.
    std::vector<std::string> arguments = start.arguments;
    std::vector<char*> argv = Pointers(arguments);
    std::vector<std::string> variables = start.environment;
    std::vector<char*> envp = Pointers(variables);
    char* const* environment = variables.empty() ? nullptr : envp.data();

    FileDescriptor input(::open("/dev/null", O_RDONLY | O_CLOEXEC));
    FileDescriptor output(start.outputFile.empty()
                              ? ::open("/dev/null", O_WRONLY | O_CLOEXEC)
                              : ::open(start.outputFile.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600));
    if (input.Get() < 0 || output.Get() < 0) Fail(start, errno);
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) Fail(start, errno);
    FileDescriptor reportRead(report[0]);
    FileDescriptor reportWrite(report[1]);

    const pid_t starter = ::getpid();
    const pid_t child = ::fork();
    if (child < 0) Fail(start, errno);
    if (child == 0) {
        if (start.detached) {
            // The intermediate child ends at once; the program becomes init's.
            const pid_t grandchild = ::fork();
            if (grandchild != 0) ::_exit(grandchild < 0 ? 1 : 0);
        }
        ExecuteInChild(argv.data(), environment, input.Get(), output.Get(), reportWrite.Get(),
                       start.endsWithTool && !start.detached ? starter : 0);
    }
    reportWrite.Close();
    const int intermediate = start.detached ? WaitFor(child) : 0;
    int failure = 0;
    ssize_t got = 0;
    do {
        got = ::read(reportRead.Get(), &failure, sizeof failure);
    } while (got < 0 && errno == EINTR);
    if (got == static_cast<ssize_t>(sizeof failure)) {
        if (!start.detached) WaitFor(child);
        Fail(start, failure);
    }
    if (start.detached) {
        if (!WIFEXITED(intermediate) || WEXITSTATUS(intermediate) != 0) Fail(start, EAGAIN);
        return 0;
    }
    return child;
}

}  // namespace tarnfold
