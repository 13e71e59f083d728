#include "word/docx/desktop_opener.h"

#include "core/error.h"
#include "core/file_descriptor.h"

#ifdef _WIN32
#include "core/paths.h"
#include <windows.h>
#include <shellapi.h>
#else
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace tarnfold::word::docx {

namespace {

std::string Failure(const std::string& path, const std::string& reason) {
    return "Не удалось открыть документ \"" + path + "\": " + reason;
}

}  // namespace

#ifdef _WIN32

void OpenWithDesktop(const std::string& pathUtf8) {
    const std::wstring wide = PathFromUtf8(pathUtf8).wstring();
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteW(nullptr, L"open", wide.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    if (result <= 32) {
        throw Error(Failure(pathUtf8, "нет программы для открытия документов Word"));
    }
}

#else

void OpenWithDesktop(const std::string& pathUtf8) {
    // The grandchild reports a failed exec through this pipe; a successful exec
    // closes it (close-on-exec), so the parent reads end of file.
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        throw Error(Failure(pathUtf8, std::strerror(errno)));
    }
    FileDescriptor reader(fds[0]);
    FileDescriptor writer(fds[1]);

    const pid_t child = ::fork();
    if (child < 0) {
        throw Error(Failure(pathUtf8, std::strerror(errno)));
    }
    if (child == 0) {
        // A second fork leaves the program an orphan of init, so it neither
        // becomes a zombie of ours nor dies with our session.
        ::setsid();
        const pid_t grandchild = ::fork();
        if (grandchild != 0) {
            ::_exit(grandchild < 0 ? 1 : 0);
        }
        const int null = ::open("/dev/null", O_RDWR);
        if (null >= 0) {
            ::dup2(null, STDIN_FILENO);
            ::dup2(null, STDOUT_FILENO);
            ::dup2(null, STDERR_FILENO);
        }
        const char* argv[] = {"xdg-open", pathUtf8.c_str(), nullptr};
        ::execvp(argv[0], const_cast<char* const*>(argv));
        const int error = errno;
        [[maybe_unused]] const ssize_t written = ::write(writer.Get(), &error, sizeof error);
        ::_exit(127);
    }
    writer.Close();
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    int error = 0;
    ssize_t got = 0;
    do {
        got = ::read(reader.Get(), &error, sizeof error);
    } while (got < 0 && errno == EINTR);
    if (got == static_cast<ssize_t>(sizeof error)) {
        throw Error(Failure(pathUtf8, error == ENOENT ? "не найдена программа xdg-open" : std::strerror(error)));
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        throw Error(Failure(pathUtf8, "не удалось запустить программу xdg-open"));
    }
}

#endif

}  // namespace tarnfold::word::docx
