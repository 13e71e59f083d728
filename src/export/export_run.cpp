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

template <typename Record>
Record RecordAt(const std::vector<Record>& records, int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= records.size()) return Record{};
    return records[static_cast<std::size_t>(index)];
}

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

ExportRun::ExportRun(SessionFactory beginSession, const std::vector<db::Institution>& institutions,
                     const std::vector<db::Period>& periods, WordServers servers, ExportView& view,
                     ExportOptions options, ExportChoices choices)
    : beginSession_(std::move(beginSession)),
      institution_(RecordAt(institutions, choices.institutionIndex)),
      period_(RecordAt(periods, choices.periodIndex)),
      servers_(servers),
      view_(view),
      options_(std::move(options)),
      choices_(std::move(choices)) {}

RowSource RowsOf(db::DataModule& data) {
    return {[&data] { return data.BeginSession(); }, data.Institutions(), data.Periods()};
}

ExportRun::ExportRun(const RowSource& rows, WordServers servers, ExportView& view, ExportOptions options,
                     ExportChoices choices)
    : ExportRun(rows.beginSession, rows.institutions, rows.periods, servers, view, std::move(options),
                std::move(choices)) {}

ExportRun::~ExportRun() = default;

void ExportRun::RequestAbort() {
    if (filling_) view_.SetExportEnabled(false);
    abortRequested_ = true;
}

void ExportRun::Execute() {
    ExportJournal journal(JournalPath(options_.programFolder));
    try {
        Run(journal);
    } catch (...) {
        // An error must not leave the window unusable: the journal is closed
        // (what was written reaches the file) and the controls are set idle;
        // the result line keeps what it held.
        filling_ = false;
        try {
            journal.Close();
        } catch (const Error&) {
        }
        view_.SetExportButtonState(ExportButtonState::Idle);
        view_.SetExportEnabled(true);
        view_.SetJournalEnabled(true);
        view_.SetGauge(0);
        view_.SetStatusText("");
        throw;
    }
}

void ExportRun::Run(ExportJournal& journal) {
    view_.SetResultText("");
    view_.SetJournalEnabled(false);
    abortRequested_ = false;
    view_.SetExportEnabled(false);
    view_.SetStatusText(SearchingStatus);

    outcome_ = ExportOutcome{};
    const ReportForm* form = TemplateRow(choices_.theme, choices_.formPosition);
    const TemplateChoice templateChoice =
        form ? ChooseTemplate(choices_.templateFolder, form->templateFile, servers_.docx != nullptr, FileExists)
             : TemplateChoice{};
    const std::string& templatePath = templateChoice.path;
    if (!FileExists(templatePath)) {
        view_.ShowMessage(TemplateMissingMessage(templatePath));
        view_.SetResultText(TemplateMissingResult);
        view_.SetExportEnabled(true);
        return;
    }
    const ReportTheme& theme = Themes.at(static_cast<std::size_t>(choices_.theme));

    view_.SetStatusText(PreparingDataStatus);
    std::size_t rowCounter = 0;
    view_.SetGauge(0);
    // The run's own snapshot, ended when the run ends.
    const std::unique_ptr<db::Session> session = beginSession_();
    const SourceRows source = OpenSourceQuery(
        *session, {&theme, form->formCode, institution_, period_, choices_.sectionText, choices_.yearText});

    bool emptyForm = false;
    if (source.rows.Empty()) {
        if (!view_.Confirm("Нет данных для выгрузки. Открыть пустой бланк формы? ")) {
            view_.SetExportEnabled(true);
            view_.SetResultText(NoDataResult);
            view_.SetStatusText("");
            return;
        }
        emptyForm = true;
    }

    const std::string reportsFolder = ReportsFolder(options_);
    std::error_code ignored;
    std::filesystem::create_directory(PathFromUtf8(reportsFolder), ignored);
    const OutputName outputName = OutputFileName(
        {form->formCode, source.sectionText, institution_.name, choices_.yearText,
         theme.periodFlag.empty() ? std::string() : period_.name, emptyForm, templateChoice.docx ? ".docx" : ".doc"},
        LongestFileName - RunNameAddition());
    const std::string outputPath = reportsFolder + outputName.fileName;
    const std::string workingPath = WorkingDocumentPath(outputPath);
    word::Server& server = templateChoice.docx ? *servers_.docx : servers_.office;
    const auto refuse = [&](const std::string& message, const char* result) {
        view_.ShowMessage(message);
        view_.SetExportEnabled(true);
        view_.SetResultText(result);
        view_.SetStatusText("");
    };
    // Held until the run ends; the system lets go of it when the process dies.
    const std::unique_ptr<ExclusiveFileLock> runLock = ExclusiveFileLock::TryAcquire(RunLockPath(outputPath));
    if (!runLock) return refuse(BusyOutputMessage(outputPath), OutputBusyResult);
    RemovePartialRunFiles(outputPath);
    if (const std::optional<std::string> refusal = WriteProtectionRefusal(outputPath))
        return refuse(*refusal, OutputRefusedResult);

    view_.SetStatusText(PreparingTemplateStatus);
    try {
        application_.reset();
        application_ = server.CreateApplication();
    } catch (...) {
        // Whatever stops the word processor from starting is told the same way.
        view_.ShowMessage("Не удалось запустить приложение Word!");
        view_.SetExportEnabled(true);
        view_.SetResultText(WordFailedResult);
        view_.SetStatusText("");
        return;
    }
    application_->ReleaseOrphans({outputPath, workingPath, UnfinishedDocumentPath(outputPath)});
    if (const std::optional<std::string> refusal = HeldOpenRefusal(outputPath))
        return refuse(*refusal, OutputRefusedResult);

    application_->Open(templatePath);
    application_->ActivateLastOpened();
    const std::unique_ptr<word::Document> document = application_->ActiveDocument();
    try {
        document->SaveWorkingCopyAs(workingPath);
    } catch (...) {
        // A save that failed half-way (a full disk) leaves a part of the copy.
        RemoveFile(workingPath);
        throw;
    }

    view_.SetStatusText(FillingStatus);
    bool unexportedData = false;
    bool fillingBegan = false;
    WithClosing(
        [&] {
            try {
                if (options_.logFile) journal.Open(outputPath, options_.clock(), options_.formats);
                if (outputName.institutionShortened) journal.WriteLine(ShortenedNameLine(institution_.name));
                fillingBegan = true;
                FillHeaderBookmarks(*document, journal, source.year, institution_.name, period_.name);

                const std::size_t rowTotal = source.rows.RowCount();
                outcome_.rowTotal = rowTotal;
                view_.SetExportEnabled(true);
                view_.SetExportButtonState(ExportButtonState::Filling);
                filling_ = true;

                const std::int32_t latestMappingYear = ReadLatestMappingYear(*session, source.rows);
                SourceRowFiller filler(*session, *document, view_, journal, options_.formats, !theme.periodFlag.empty(),
                                       latestMappingYear);
                for (std::size_t row = 0; row < rowTotal; ++row) {
                    // The only moment an Abort press can arrive.
                    view_.ProcessPendingInput();
                    if (abortRequested_) break;
                    ++rowCounter;
                    filler.FillSourceRow(source.rows, row);
                    outcome_.rowsDone = rowCounter;
                    outcome_.placedFigures = filler.PlacedFigures();
                    outcome_.unplacedFigures = filler.UnplacedFigures();
                    outcome_.unmappedRows = filler.UnmappedRows();
                    view_.SetGauge(GaugePercent(rowCounter, rowTotal));
                    view_.SetRowProgress(rowCounter, rowTotal);
                }
                filling_ = false;
                unexportedData = filler.UnexportedData();
                outcome_.aborted = abortRequested_;

                // An aborted run keeps the rows it filled, under the name that
                // says the document is not finished.
                const std::string finalPath = abortRequested_ ? UnfinishedDocumentPath(outputPath) : outputPath;
                journal.SetDocumentPath(finalPath);
                journal.Close();
                if (document->HasBookmark(YearBookmark)) document->GoToBookmark(YearBookmark);
                // The complete document takes the earlier report's place in one step.
                view_.SavingDocument(finalPath);
                document->SaveAs(finalPath);
                RemoveFile(workingPath);
                outcome_.outputPath = finalPath;
                outcome_.saved = true;
            } catch (...) {
                filling_ = false;
                const std::string kept = KeepUnfinished(*document, workingPath, UnfinishedDocumentPath(outputPath));
                outcome_.outputPath = kept;
                if (!kept.empty()) journal.SetDocumentPath(kept);
                view_.SetResultText(kept.empty() ? UnfinishedNothingKeptResult
                                                 : UnfinishedResultText(kept, fillingBegan));
                throw;
            }

            view_.SetExportButtonState(ExportButtonState::Idle);
            view_.SetResultText(
                FinishedResultText(abortRequested_, unexportedData, options_.logFile) +
                (abortRequested_ ? " " + UnfinishedResultText(outcome_.outputPath, true) : std::string()));
            view_.SetGauge(0);
        },
        [&] { application_->Show(); });

    view_.SetJournalEnabled(true);
    view_.SetExportEnabled(true);
    view_.SetStatusText("");
}

}  // namespace tarnfold
