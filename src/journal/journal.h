#pragma once
// The export journal Tarnfold.log: one block per export run that reaches the
// filling stage, appended in code page 1251 with CR LF line ends, naming what
// the run could not place in the document.

#include <ctime>
#include <functional>
#include <string>
#include <utility>

#include "core/error.h"
#include "core/regional.h"

namespace tarnfold {

// The local date and time when a run header is written; tests fix it.
using LocalClock = std::function<std::tm()>;
std::tm LocalNow();

// The journal beside the program.
std::string JournalPath(const std::string& programFolder);

// "Дата выгрузки: " and the local date, then a blank and the time unless it is
// exactly midnight.
std::string ExportDateLine(const std::tm& localTime, const RegionalFormats& formats);

// The reason an input/output failure of the journal gives for a system error
// number, in Russian ("на диске нет места", "нет доступа", …).
std::string JournalErrorText(int errorNumber);

// An input/output failure of the journal: "Не удалось записать журнал
// экспорта PATH: REASON", so that it never reads as if the document could not
// be written.
class JournalError : public Error {
public:
    JournalError(int errorNumber, std::string path)
        : Error("Не удалось записать журнал экспорта " + path + ": " + JournalErrorText(errorNumber)),
          path_(std::move(path)) {}
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

class ExportJournal {
public:
    explicit ExportJournal(std::string path);
    ~ExportJournal();  // writes out and closes without reporting; Close() reports
    ExportJournal(const ExportJournal&) = delete;
    ExportJournal& operator=(const ExportJournal&) = delete;

    // Opens the file at its end (creating it), so that a journal that cannot
    // be written fails the run before it fills anything. The block (the
    // asterisk line, the document's path, the date line, then the lines) is
    // written at the close. Throws JournalError.
    void Open(const std::string& outputPath, const std::tm& localTime, const RegionalFormats& formats);
    bool IsOpen() const { return fd_ >= 0; }
    // One line, while open; the lines reach the file at the close.
    void WriteLine(const std::string& utf8);
    // The document the header names, when the run kept it under another name
    // than the one it opened the journal with.
    void SetDocumentPath(const std::string& path);
    // Writes out what is buffered and closes. Throws JournalError, and is closed even then.
    void Close();

private:
    int Flush();  // the system error number, 0 when all was written

    std::string path_;
    int fd_ = -1;
    std::string documentPath_;
    std::string dateLine_;
    std::string buffer_;  // CP1251 bytes of the lines not yet written
};

// Shows a file to the user in a program of the desktop; never waits for it.
using FileViewer = std::function<void(const std::string& path)>;

// The journal button: "Файл журнала "PATH" не найден!" when the file is
// missing, else the file handed to the viewer. On Linux the desktop's text
// program would take the journal's code page 1251 for UTF-8, so the window
// hands it to a viewer that is told the code page.
void BJournalClick(const std::string& programFolder, const FileViewer& view);

}  // namespace tarnfold
