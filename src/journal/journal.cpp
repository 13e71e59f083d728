#include "journal/journal.h"

#include <cerrno>
#include <thread>
#include <utility>

#include "core/error.h"
#include "core/files.h"
#include "core/paths.h"
#include "core/system_error.h"
#include "core/text.h"

namespace tarnfold {

std::tm LocalNow() { return LocalTime(std::time(nullptr)); }

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
        CloseDescriptor(fd_);
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
    if (CloseDescriptor(std::exchange(fd_, -1)) != 0 && error == 0) error = errno;
    if (error != 0) throw JournalError(error, path_);
}

void BJournalClick(const std::string& programFolder, const FileViewer& view) {
    const std::string path = JournalPath(programFolder);
    if (!FileExists(path)) throw Error("Файл журнала \"" + path + "\" не найден!");
    view(path);
}

}  // namespace tarnfold
