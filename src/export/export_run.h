#pragma once
// One export run, from the press of Export to the saved document shown in the
// word processor, and the press of the same button while it fills (Abort).

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/regional.h"
#include "db/data_module.h"
#include "export/export_view.h"
#include "journal/journal.h"
#include "word/word.h"

namespace tarnfold {

// What the window's controls held when Export was pressed. The run reads
// nothing else of the window, so touching the lists meanwhile changes nothing.
struct ExportChoices {
    int theme = -1;              // index in the theme list
    int formPosition = -1;       // index in the form list (forms of the theme)
    int institutionIndex = -1;   // index in the institution list, -1 when none
    int periodIndex = -1;        // index in the period list, -1 when none
    std::string sectionText;     // text of the section field
    std::string yearText;        // text of the year field
    std::string templateFolder;  // text of the template-folder field
};

// What stays the same from run to run.
struct ExportOptions {
    bool logFile = false;
    RegionalFormats formats;
    std::string programFolder;  // with its trailing separator
    LocalClock clock = LocalNow;
    // Where the documents go; empty means "Reports" in the program folder.
    std::string reportsFolder;
};

// The folder the documents go to, with its trailing separator.
std::string ReportsFolder(const ExportOptions& options);

// The word processors a run can write through: the office for .doc templates
// and, where one is given, the native back-end for .docx templates.
struct WordServers {
    WordServers(word::Server& office, word::Server* docx = nullptr) : office(office), docx(docx) {}
    word::Server& office;
    word::Server* docx;
};

// What one run did, for a caller that reports on many runs.
struct ExportOutcome {
    std::string outputPath;    // set once the document is saved under its name
    std::size_t rowsDone = 0;  // source rows filled
    std::size_t rowTotal = 0;
    std::size_t placedFigures = 0;    // figures written in front of their bookmarks
    std::size_t unplacedFigures = 0;  // figures whose bookmark the template lacks
    std::size_t unmappedRows = 0;     // rows of tables that have no column mapping
    bool aborted = false;
    bool saved = false;  // the filled document was saved at the end
};

using SessionFactory = std::function<std::unique_ptr<db::Session>()>;

// Where runs take their rows from: a fresh snapshot for each run, and the
// institution and period records the window's lists were made from, in list
// order. The records are the holder's and outlive the runs.
struct RowSource {
    SessionFactory beginSession;
    const std::vector<db::Institution>& institutions;
    const std::vector<db::Period>& periods;
};

// The data module's snapshots and records.
RowSource RowsOf(db::DataModule& data);

class ExportRun {
public:
    // The institution and period records are those the list entries were made
    // from, in list order.
    ExportRun(SessionFactory beginSession, const std::vector<db::Institution>& institutions,
              const std::vector<db::Period>& periods, WordServers servers, ExportView& view, ExportOptions options,
              ExportChoices choices);
    ExportRun(const RowSource& rows, WordServers servers, ExportView& view, ExportOptions options,
              ExportChoices choices);
    ~ExportRun();
    ExportRun(const ExportRun&) = delete;
    ExportRun& operator=(const ExportRun&) = delete;

    // The whole run. Expected failures end it with a message and the result
    // line; any other error is rethrown for the standard error box once the
    // window has been set idle again (the journal closed, the word processor
    // shown when the document had been saved).
    void Execute();

    // The button pressed while it reads "Прервать", or a close request: the run
    // stops before its next source row.
    void RequestAbort();

    // Between the switch to "Прервать" and the end of the loop.
    bool Filling() const { return filling_; }

    const ExportOutcome& Outcome() const { return outcome_; }

private:
    void Run(ExportJournal& journal);

    SessionFactory beginSession_;
    db::Institution institution_;
    db::Period period_;
    WordServers servers_;
    ExportView& view_;
    ExportOptions options_;
    ExportChoices choices_;
    std::unique_ptr<word::Application> application_;  // kept until the run is replaced
    bool abortRequested_ = false;
    bool filling_ = false;
    ExportOutcome outcome_;
};

}  // namespace tarnfold
