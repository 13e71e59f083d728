#pragma once
// One export run, from the chosen records to the saved document shown in the
// word processor, told step by step to an ExportObserver; an abort request
// stops it before its next source row.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "catalogue/catalogue.h"
#include "core/regional.h"
#include "db/data_module.h"
#include "export/export_observer.h"
#include "export/source_query.h"
#include "journal/journal.h"
#include "word/word.h"

namespace tarnfold {

// What one run fills: the chosen records, and the fields' texts as they
// stood when the run was asked for. The run reads nothing else of its
// caller, so touching the window's lists meanwhile changes nothing.
struct ExportChoices {
    const ReportTheme* theme = nullptr;  // nullptr when no form is chosen
    const ReportForm* form = nullptr;    // the form's template file name with it
    db::Institution institution;         // empty when none is chosen
    db::Period period;                   // empty when none is chosen
    std::string sectionText;             // text of the section field
    std::string yearText;                // text of the year field
    std::string templateFolder;          // text of the template-folder field
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
// institution and period records the choices are made among, in list order.
// The records are the holder's and outlive the runs.
struct RowSource {
    SessionFactory beginSession;
    const std::vector<db::Institution>& institutions;
    const std::vector<db::Period>& periods;
};

// The data module's snapshots and records.
RowSource RowsOf(db::DataModule& data);

// What the source rows of a run's choices are picked by; the choices name a form.
SourceChoice SourceChoiceOf(const ExportChoices& choices);

// A run's own snapshot and the source rows read through it.
struct SourceRead {
    std::unique_ptr<db::Session> session;
    SourceRows source;
};

// Begins a snapshot and reads the choice's source rows through it.
SourceRead ReadSource(const SessionFactory& beginSession, const SourceChoice& choice);

// The snapshot and rows a caller read ahead for the run, handed over when the
// run comes to read them; what failed the reading is thrown here instead.
using SourceReadAhead = std::function<SourceRead()>;

class ExportRun {
public:
    // Without `readAhead` the run begins its snapshot and reads its rows itself.
    ExportRun(SessionFactory beginSession, WordServers servers, ExportObserver& observer, ExportOptions options,
              ExportChoices choices, SourceReadAhead readAhead = {});
    ~ExportRun();
    ExportRun(const ExportRun&) = delete;
    ExportRun& operator=(const ExportRun&) = delete;

    // The whole run, its every step reported to the observer, the last
    // report Ended. Expected failures end it refused, with a message and the
    // result line; any other error is rethrown once the journal is closed and
    // the word processor shown when the document had been saved.
    void Execute();

    // An Abort press, a close request or a stop of the batch: the run stops
    // before its next source row.
    void RequestAbort() { abortRequested_ = true; }

    const ExportOutcome& Outcome() const { return outcome_; }

private:
    struct Output;

    RunEnd Run(ExportJournal& journal);
    Output PlanOutput(const SourceRows& source, bool emptyForm, bool docx) const;
    RunEnd Refuse(const std::string& message, const char* result);
    bool StartWordProcessor(word::Server& server);
    std::shared_ptr<word::Document> OpenWorkingCopy(const std::string& templatePath, const std::string& workingPath);
    void Fill(word::Document& document, SourceRead& read, const Output& output, ExportJournal& journal);
    bool FillRows(word::Document& document, db::Session& session, const db::ResultSet& rows, ExportJournal& journal);
    std::string SaveFilled(word::Document& document, const Output& output, ExportJournal& journal);

    SessionFactory beginSession_;
    WordServers servers_;
    ExportObserver& observer_;
    ExportOptions options_;
    ExportChoices choices_;
    SourceReadAhead readAhead_;
    std::unique_ptr<word::Application> application_;  // kept until the run is replaced
    bool abortRequested_ = false;
    ExportOutcome outcome_;
};

}  // namespace tarnfold
