#include "journal/journal.h"

#include <cerrno>
#include <thread>
#include <utility>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#include <windows.h>
#include <shellapi.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

#include "core/error.h"
#include "core/paths.h"
#include "core/system_error.h"
#include "core/text.h"

namespace tarnfold {

namespace {

#ifdef _WIN32
// Others may read the journal while a run writes it, but not write to it.
int OpenForAppend(const std::string& path) {
    int fd = -1;
    const errno_t failure = _wsopen_s(&fd, PathFromUtf8(path).c_str(), _O_WRONLY | _O_APPEND | _O_CREAT | _O_BINARY,
                                      _SH_DENYWR, _S_IREAD | _S_IWRITE);
    if (failure != 0) errno = failure;
    return failure == 0 ? fd : -1;
}
int WriteSome(int fd, const char* data, std::size_t size) { return _write(fd, data, static_cast<unsigned>(size)); }
int CloseFile(int fd) { return _close(fd); }
#else
int OpenForAppend(const std::string& path) {
    return ::open(PathFromUtf8(path).c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
}
ssize_t WriteSome(int fd, const char* data, std::size_t size) { return ::write(fd, data, size); }
int CloseFile(int fd) { return ::close(fd); }
#endif

}  // namespace

std::tm LocalNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    return local;
}

std::string JournalPath(const std::string& programFolder) { return programFolder + "Tarnfold.log"; }

std::string ExportDateLine(const std::tm& localTime, const RegionalFormats& formats) {
    std::string line = "Дата выгрузки: " + FormatByPattern(formats.shortDate, localTime, formats);
    if (localTime.tm_hour != 0 || localTime.tm_min != 0 || localTime.tm_sec != 0)
        line += " " + FormatByPattern(formats.longTime, localTime, formats);
    return line;
}

std::string JournalErrorText(int errorNumber) {
    // A folder where the journal should be reads as no access, as the user sees it.
    if (errorNumber == EISDIR) return SystemErrorText(EACCES);
    return SystemErrorText(errorNumber);
}

ExportJournal::ExportJournal(std::string path) : path_(std::move(path)) {}

ExportJournal::~ExportJournal() {
    // A run that failed reports its own error; what can be written still is.
    if (fd_ >= 0) {
        Flush();
        CloseFile(fd_);
    }
}

void ExportJournal::Open(const std::string& outputPath, const std::tm& localTime, const RegionalFormats& formats) {
    Close();
    const int fd = OpenForAppend(path_);
    if (fd < 0) throw JournalError(errno, path_);
    fd_ = fd;
    documentPath_ = outputPath;
    dateLine_ = ExportDateLine(localTime, formats);
}

void ExportJournal::SetDocumentPath(const std::string& path) { documentPath_ = path; }

void ExportJournal::WriteLine(const std::string& utf8) {
    if (fd_ < 0) return;
    buffer_ += Utf8ToCp1251(utf8);
    buffer_ += "\r\n";
}

int ExportJournal::Flush() {
    // The block's header goes first, once the run knows the name its document
    // was finally saved under.
    buffer_ = Utf8ToCp1251(std::string(33, '*') + "\r\n" + documentPath_ + "\r\n" + dateLine_ + "\r\n") + buffer_;
    std::size_t written = 0;
    int error = 0;
    while (written < buffer_.size()) {
        const auto n = WriteSome(fd_, buffer_.data() + written, buffer_.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            error = errno;
            break;
        }
        written += static_cast<std::size_t>(n);
    }
    // What failed is dropped, so that a later line does not repeat the failure.
    buffer_.clear();
    return error;
}

void ExportJournal::Close() {
    if (fd_ < 0) return;
    int error = Flush();
    if (CloseFile(std::exchange(fd_, -1)) != 0 && error == 0) error = errno;
    if (error != 0) throw JournalError(error, path_);
}

#ifdef _WIN32
void OpenWithShell(const std::string& path) {
    ShellExecuteW(nullptr, nullptr, PathFromUtf8(path).c_str(), nullptr, nullptr, SW_SHOW);
}
#endif

void BJournalClick(const std::string& programFolder, const FileViewer& view) {
    const std::string path = JournalPath(programFolder);
    if (!FileExists(path)) throw Error("Файл журнала \"" + path + "\" не найден!");
    view(path);
}

}  // namespace tarnfold
