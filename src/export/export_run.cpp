#include "export/export_run.h"

#include <filesystem>
#include <utility>

#include "catalogue/catalogue.h"
#include "core/error.h"
#include "core/files.h"
#include "core/paths.h"
#include "export/cell_filling.h"
#include "export/export_rules.h"
#include "export/output_file.h"
#include "export/source_query.h"
#include "word/office_lock.h"

namespace tarnfold {

namespace {

// Runs the closing action of a block however the block ends; when the block
// failed, a failure of the closing action does not hide the first error.
void RemoveFile(const std::string& path) {
    std::error_code ignored;
    std::filesystem::remove(PathFromUtf8(path), ignored);
}

// What a failed run filled, kept under the name that says it is not
// finished, when the word processor can still save it there. The path kept,
// or nothing: the working copy on disk holds the template only (it was saved
// before filling began), so it is removed rather than passed off as the
// filled document, and so is a partial copy the failed save left.
std::string KeepUnfinished(word::Document& document, const std::string& workingPath,
                           const std::string& unfinishedPath) {
    // An unfinished copy of an earlier run stays unless the failed save wrote over it.
    std::error_code absent;
    const auto earlier = std::filesystem::last_write_time(PathFromUtf8(unfinishedPath), absent);
    try {
        document.SaveAs(unfinishedPath);
        RemoveFile(workingPath);
        return unfinishedPath;
    } catch (...) {
        // The word processor is gone or cannot write.
    }
    std::error_code gone;
    const auto now = std::filesystem::last_write_time(PathFromUtf8(unfinishedPath), gone);
    if (!gone && (absent || now != earlier)) RemoveFile(unfinishedPath);
    RemoveFile(workingPath);
    // The locks an office that died left name files that are no more.
    RemoveFile(word::OfficeLockPath(workingPath));
    RemoveFile(word::OfficeLockPath(unfinishedPath));
    return {};
}

template <typename Block, typename Closing>
void WithClosing(Block&& block, Closing&& closing) {
    try {
        block();
    } catch (...) {
        try {
            closing();
        } catch (...) {
        }
        throw;
    }
    closing();
}

}  // namespace

std::string ReportsFolder(const ExportOptions& options) {
    if (!options.reportsFolder.empty()) return FolderWithTrailingSeparator(options.reportsFolder);
    return FolderWithTrailingSeparator(options.programFolder) + "Reports" + PathSeparator();
}

RowSource RowsOf(db::DataModule& data) {
    return {[&data] { return data.BeginSession(); }, data.Institutions(), data.Periods()};
}

SourceChoice SourceChoiceOf(const ExportChoices& choices) {
    return {choices.theme,  choices.form->formCode, choices.institution,
            choices.period, choices.sectionText,    choices.yearText};
}

SourceRead ReadSource(const SessionFactory& beginSession, const SourceChoice& choice) {
    SourceRead read;
    read.session = beginSession();
    read.source = OpenSourceQuery(*read.session, choice);
    return read;
}

// Where one run writes: the document's name and the paths beside it.
struct ExportRun::Output {
    OutputName name;
    std::string path;         // the finished document
    std::string workingPath;  // the copy filled until the end
};

ExportRun::ExportRun(SessionFactory beginSession, WordServers servers, ExportObserver& observer, ExportOptions options,
                     ExportChoices choices, SourceReadAhead readAhead)
    : beginSession_(std::move(beginSession)),
      servers_(servers),
      observer_(observer),
      options_(std::move(options)),
      choices_(std::move(choices)),
      readAhead_(std::move(readAhead)) {}

ExportRun::~ExportRun() = default;

void ExportRun::Execute() {
    ExportJournal journal(JournalPath(options_.programFolder));
    RunEnd end;
    try {
        end = Run(journal);
    } catch (...) {
        // What was written reaches the journal's file before the error is told.
        try {
            journal.Close();
        } catch (const Error&) {
        }
        observer_.Ended(RunEnd::Failed);
        throw;
    }
    observer_.Ended(end);
}

RunEnd ExportRun::Run(ExportJournal& journal) {
    observer_.Started();
    abortRequested_ = false;
    outcome_ = ExportOutcome{};
    observer_.Status(SearchingStatus);
    const ReportForm* form = choices_.form;
    const TemplateChoice templateChoice =
        form ? ChooseTemplate(choices_.templateFolder, form->templateFile, servers_.docx != nullptr, FileExists)
             : TemplateChoice{};
    if (!FileExists(templateChoice.path)) {
        // The search status stays: it tells where the run stopped.
        observer_.Refused(TemplateMissingMessage(templateChoice.path));
        observer_.Result(TemplateMissingResult);
        return RunEnd::Refused;
    }
    // A .docx template is prepared while the figures are read.
    if (templateChoice.docx) servers_.docx->PrepareTemplate(templateChoice.path);

    observer_.Status(PreparingDataStatus);
    // The run's own snapshot, ended once the rows are filled or when the run ends.
    SourceRead read = readAhead_ ? readAhead_() : ReadSource(beginSession_, SourceChoiceOf(choices_));
    const SourceRows& source = read.source;
    const bool emptyForm = source.rows.Empty();
    if (emptyForm && !observer_.OpenEmptyForm("Нет данных для выгрузки. Открыть пустой бланк формы? ")) {
        observer_.Result(NoDataResult);
        observer_.Status("");
        return RunEnd::Refused;
    }

    const Output output = PlanOutput(source, emptyForm, templateChoice.docx);
    // Held until the run ends; the system lets go of it when the process dies.
    const std::unique_ptr<ExclusiveFileLock> runLock = ExclusiveFileLock::TryAcquire(RunLockPath(output.path));
    if (!runLock) return Refuse(BusyOutputMessage(output.path), OutputBusyResult);
    RemovePartialRunFiles(output.path);
    if (const std::optional<std::string> refusal = WriteProtectionRefusal(output.path))
        return Refuse(*refusal, OutputRefusedResult);

    observer_.Status(PreparingTemplateStatus);
    // Whatever stops the word processor from starting is told the same way.
    if (!StartWordProcessor(templateChoice.docx ? *servers_.docx : servers_.office))
        return Refuse("Не удалось запустить приложение Word!", WordFailedResult);
    application_->ReleaseOrphans({output.path, output.workingPath, UnfinishedDocumentPath(output.path)});
    if (const std::optional<std::string> refusal = HeldOpenRefusal(output.path))
        return Refuse(*refusal, OutputRefusedResult);
    const std::shared_ptr<word::Document> document = OpenWorkingCopy(templateChoice.path, output.workingPath);

    observer_.Status(FillingStatus);
    WithClosing([&] { Fill(*document, read, output, journal); }, [&] { application_->Show(); });
    return RunEnd::Finished;
}

ExportRun::Output ExportRun::PlanOutput(const SourceRows& source, bool emptyForm, bool docx) const {
    const std::string reportsFolder = ReportsFolder(options_);
    std::error_code ignored;
    std::filesystem::create_directory(PathFromUtf8(reportsFolder), ignored);
    Output output;
    output.name = OutputFileName(
        {choices_.form->formCode, source.sectionText, choices_.institution.name, choices_.yearText,
         choices_.theme->periodFlag.empty() ? std::string() : choices_.period.name, emptyForm, docx ? ".docx" : ".doc"},
        LongestFileName - RunNameAddition());
    output.path = reportsFolder + output.name.fileName;
    output.workingPath = WorkingDocumentPath(output.path);
    return output;
}

RunEnd ExportRun::Refuse(const std::string& message, const char* result) {
    observer_.Refused(message);
    observer_.Result(result);
    observer_.Status("");
    return RunEnd::Refused;
}

bool ExportRun::StartWordProcessor(word::Server& server) {
    try {
        application_.reset();
        application_ = server.CreateApplication();
        return true;
    } catch (...) {
        return false;
    }
}

std::shared_ptr<word::Document> ExportRun::OpenWorkingCopy(const std::string& templatePath,
                                                           const std::string& workingPath) {
    std::shared_ptr<word::Document> document = application_->OpenWorkingDocument(templatePath);
    try {
        document->SaveWorkingCopyAs(workingPath);
    } catch (...) {
        // A save that failed half-way (a full disk) leaves a part of the copy.
        RemoveFile(workingPath);
        throw;
    }
    return document;
}

void ExportRun::Fill(word::Document& document, SourceRead& read, const Output& output, ExportJournal& journal) {
    const SourceRows& source = read.source;
    bool fillingBegan = false;
    bool unexportedData = false;
    try {
        if (options_.logFile) journal.Open(output.path, options_.clock(), options_.formats);
        if (output.name.institutionShortened) journal.WriteLine(ShortenedNameLine(choices_.institution.name));
        fillingBegan = true;
        FillHeaderBookmarks(document, journal, source.year, choices_.institution.name, choices_.period.name);
        unexportedData = FillRows(document, *read.session, source.rows, journal);
        // Saving reads nothing: the snapshot ends before it, so that a batch
        // reading the next document's rows meanwhile does not wait for it.
        read.session.reset();
        outcome_.outputPath = SaveFilled(document, output, journal);
        outcome_.saved = true;
        observer_.FillingEnded();
    } catch (...) {
        const std::string kept = KeepUnfinished(document, output.workingPath, UnfinishedDocumentPath(output.path));
        outcome_.outputPath = kept;
        if (!kept.empty()) journal.SetDocumentPath(kept);
        observer_.Result(kept.empty() ? UnfinishedNothingKeptResult : UnfinishedResultText(kept, fillingBegan));
        throw;
    }
    observer_.Result(FinishedResultText(abortRequested_, unexportedData, options_.logFile) +
                     (abortRequested_ ? " " + UnfinishedResultText(outcome_.outputPath, true) : std::string()));
}

// The source rows into the document until the last or an abort request;
// whether some figure found no place.
bool ExportRun::FillRows(word::Document& document, db::Session& session, const db::ResultSet& rows,
                         ExportJournal& journal) {
    const std::size_t rowTotal = rows.RowCount();
    outcome_.rowTotal = rowTotal;
    observer_.FillingBegan();
    SourceRowFiller filler(session, document, observer_, journal, options_.formats, !choices_.theme->periodFlag.empty(),
                           ReadLatestMappingYear(session, rows));
    for (std::size_t row = 0; row < rowTotal; ++row) {
        // The only moment an abort request is looked at.
        observer_.BeforeRow();
        if (abortRequested_) break;
        filler.FillSourceRow(rows, row);
        outcome_.rowsDone = row + 1;
        outcome_.placedFigures = filler.PlacedFigures();
        outcome_.unplacedFigures = filler.UnplacedFigures();
        outcome_.unmappedRows = filler.UnmappedRows();
        observer_.Progress(row + 1, rowTotal);
    }
    outcome_.aborted = abortRequested_;
    return filler.UnexportedData();
}

// The filled document under its final name; the path it was saved at.
std::string ExportRun::SaveFilled(word::Document& document, const Output& output, ExportJournal& journal) {
    // An aborted run keeps the rows it filled, under the name that says the
    // document is not finished.
    const std::string finalPath = abortRequested_ ? UnfinishedDocumentPath(output.path) : output.path;
    journal.SetDocumentPath(finalPath);
    journal.Close();
    document.LeaveCursorAt(YearBookmark);
    // The complete document takes the earlier report's place in one step.
    observer_.Saving(finalPath);
    document.SaveAs(finalPath);
    RemoveFile(output.workingPath);
    return finalPath;
}

}  // namespace tarnfold
