#include "batch/batch_program.h"

#include <ctime>
#include <filesystem>
#include <memory>
#include <set>

#include "batch/batch_choices.h"
#include "batch/batch_console.h"
#include "batch/batch_office.h"
#include "batch/batch_options.h"
#include "batch/check_program.h"
#include "batch/interrupt.h"
#include "core/paths.h"
#include "core/system_error.h"
#include "core/regional.h"
#include "db/data_module.h"
#include "export/export_rules.h"
#include "settings/settings.h"

namespace tarnfold::batch {

namespace {

// Nobody to show a message box to: the messages are kept for the exit message.
class BatchConnectUi : public db::ConnectUi {
public:
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    void RequestEnd() override { endRequested = true; }
    std::vector<std::string> messages;
    bool endRequested = false;
};

std::int32_t CurrentYear() {
    const std::tm now = LocalNow();
    return now.tm_year + 1900;
}

class DatabaseRows : public BatchRows {
public:
    explicit DatabaseRows(std::unique_ptr<db::DataModule> data) : data_(std::move(data)) {}
    RowSource Rows() override { return RowsOf(*data_); }

private:
    std::unique_ptr<db::DataModule> data_;
};

// With --all-forms each form's documents come under a line naming the form.
class FormHeadings : public BatchOutput {
public:
    FormHeadings(ConsoleOutput& console, const std::vector<BatchJob>& jobs) : console_(console), jobs_(jobs) {}

    void Progress(std::size_t documentsDone, std::size_t documentTotal, std::size_t rowsDone,
                  std::size_t rowTotal) override {
        console_.Progress(documentsDone, documentTotal, rowsDone, rowTotal);
    }
    void SavingDocument(const std::string& path) override { console_.SavingDocument(path); }
    void DocumentFinished(const DocumentResult& result) override {
        const ReportForm* form = jobs_.at(finished_++).choices.form;
        if (form != lastForm_) console_.Summary({form->templateFile + " — " + form->caption + ":"});
        lastForm_ = form;
        console_.DocumentFinished(result);
    }

private:
    ConsoleOutput& console_;
    const std::vector<BatchJob>& jobs_;
    std::size_t finished_ = 0;
    const ReportForm* lastForm_ = nullptr;
};

int ExportBatch(const BatchOptions& options, const Settings& settings, const std::string& programFolder,
                const RowSource& rows, std::ostream& out, std::ostream& err, std::ostream& progress,
                bool liveProgress) {
    std::vector<BatchJob> jobs;
    try {
        jobs = PlanBatch(options, settings.Report, rows.institutions, rows.periods);
    } catch (const UsageError& error) {
        err << error.what() << '\n';
        return kExitUsage;
    }
    // Every form's template is looked for before the first document: one
    // form named alone must have its template; of a whole theme, the forms
    // without one are skipped and named in the summary.
    const std::unique_ptr<word::Server> nativeDocx = NativeDocxServer();
    std::set<const ReportForm*> looked, withoutTemplate;
    std::vector<std::string> formsWithoutTemplate;
    bool officeNeeded = false;
    for (const BatchJob& job : jobs) {
        if (!looked.insert(job.choices.form).second) continue;
        const TemplateChoice file = ChooseTemplate(job.choices.templateFolder, job.choices.form->templateFile,
                                                   nativeDocx != nullptr || OfficeFillsDocx(), FileExists);
        if (!FileExists(file.path)) {
            withoutTemplate.insert(job.choices.form);
            if (!options.allForms) {
                err << TemplateMissingMessage(file.path) << '\n';
                return kExitUsage;
            }
            formsWithoutTemplate.push_back("  " + job.choices.form->templateFile + " — " + job.choices.form->caption +
                                           " (" + file.path + ")");
        } else {
            officeNeeded = officeNeeded || !file.docx || !nativeDocx;
        }
    }
    std::erase_if(jobs, [&](const BatchJob& job) { return withoutTemplate.count(job.choices.form) != 0; });
    if (!formsWithoutTemplate.empty())
        formsWithoutTemplate.insert(formsWithoutTemplate.begin(),
                                    "Пропущены формы без шаблона (" + std::to_string(withoutTemplate.size()) + "):");
    if (jobs.empty()) {
        // No form of the theme has its template: there is nothing to start.
        std::vector<std::string> summary = SummaryLines({}, 0, 0, false);
        summary.insert(summary.end(), formsWithoutTemplate.begin(), formsWithoutTemplate.end());
        for (const std::string& line : summary) out << line << '\n';
        return 1;
    }

    ExportOptions exportOptions;
    exportOptions.logFile = options.journal ? *options.journal : settings.Report.journalEnabled;
    exportOptions.formats = UserRegionalFormats();
    exportOptions.programFolder = programFolder;
    if (options.out) {
        std::error_code error;
        std::filesystem::create_directories(PathFromUtf8(*options.out), error);
        if (error) {
            err << "Не удалось создать папку документов " << *options.out << ": " << SystemErrorText(error) << '\n';
            return kExitUsage;
        }
        // The journal and the lines name the documents wherever the batch was started from.
        exportOptions.reportsFolder = PathToUtf8(std::filesystem::absolute(PathFromUtf8(*options.out)));
    }

    // The office is started before the first document only where a
    // template needs it, so that a missing office is told once, up front. A
    // program ended by a signal does not unwind: the watching thread ends the
    // office then, so the cleanup is declared first and outlives the office.
    InterruptCleanup cleanup;
    std::unique_ptr<BatchOffice> office;
    if (officeNeeded) {
        try {
            office = std::make_unique<BatchOffice>(ReportsFolder(exportOptions));
            cleanup.Set(office->EndingAction());
            office->Start();
        } catch (const std::exception& error) {
            err << error.what() << '\n';
            return kExitOffice;
        }
    }
    // A run that needs no office never reaches it; the native server stands
    // in its place so that the run has one.
    word::Server& officeServer = office ? office->Server() : *nativeDocx;
    word::Server* docx = nativeDocx ? nativeDocx.get() : OfficeFillsDocx() ? &officeServer : nullptr;

    ConsoleOutput console(out, progress, liveProgress, exportOptions.formats.decimalSeparator, InterruptRequested);
    FormHeadings headings(console, jobs);
    BatchRun batch(rows.beginSession, WordServers(officeServer, docx), exportOptions,
                   options.allForms ? static_cast<BatchOutput&>(headings) : console, InterruptRequested);
    SetStoppable(true);
    BatchOutcome outcome = batch.Run(jobs);
    SetStoppable(false);
    if (options.allForms) {
        // The summary names an institution with its form: each has many documents.
        for (std::size_t i = 0; i < outcome.results.size(); ++i)
            outcome.results[i].institution = jobs[i].choices.form->templateFile + ": " + outcome.results[i].institution;
    }
    std::vector<std::string> summary =
        SummaryLines(outcome.results, jobs.size(), console.ElapsedSeconds(), outcome.stopped);
    summary.insert(summary.end(), formsWithoutTemplate.begin(), formsWithoutTemplate.end());
    console.Summary(summary);
    const int exitCode = BatchExitCode(outcome.results, outcome.stopped);
    return exitCode == 0 && !formsWithoutTemplate.empty() ? 1 : exitCode;
}

int RunBatch(const std::vector<std::string>& arguments, const std::string& programFolder, std::ostream& out,
             std::ostream& err, std::ostream& progress, bool liveProgress, const RowOpener& openRows) {
    BatchOptions options;
    try {
        options = ParseBatchOptions(arguments);
    } catch (const UsageError& error) {
        err << error.what() << "\nСправка: tarnfold-batch --help\n";
        return kExitUsage;
    }
    if (options.help) {
        out << HelpText(BatchOfficeName(), BatchOfficeHelp());
        return 0;
    }
    if (options.list == ListKind::Forms) {
        for (const std::string& line : FormListLines()) out << line << '\n';
        return 0;
    }
    if (options.convertTemplates) {
        try {
            InterruptCleanup cleanup;
            BatchOffice office(options.out.value_or(*options.convertTemplates));
            cleanup.Set(office.EndingAction());
            return office.ConvertTemplates(*options.convertTemplates, options.out.value_or(""), out);
        } catch (const UsageError& error) {
            err << error.what() << '\n';
            return kExitUsage;
        } catch (const Error& error) {
            err << error.what() << '\n';
            return kExitOffice;
        }
    }

    Settings settings;
    try {
        LoadSettings(programFolder, CurrentYear(), settings, SettingsAccess::ReadOnly);
    } catch (const std::exception& error) {
        err << "Не удалось прочитать настройки: " << error.what() << '\n';
        return kExitDatabase;
    }
    const std::unique_ptr<BatchRows> opened = openRows(programFolder, settings, err);
    if (!opened) return kExitDatabase;
    const RowSource rows = opened->Rows();

    if (options.list != ListKind::None) {
        const std::vector<std::string> lines = options.list == ListKind::Institutions
                                                   ? db::InstitutionEntries(rows.institutions)
                                                   : db::PeriodEntries(rows.periods);
        for (const std::string& line : lines) out << line << '\n';
        return 0;
    }
    if (options.checkTemplates) return RunTemplateCheck(options, settings, rows, out, err, progress, liveProgress);
    return ExportBatch(options, settings, programFolder, rows, out, err, progress, liveProgress);
}

}  // namespace

// The database for --list and for the export.
std::unique_ptr<BatchRows> OpenDatabaseRows(const std::string& programFolder, const Settings& settings,
                                            std::ostream& err) {
    std::unique_ptr<db::DataModule> data;
    try {
        data = std::make_unique<db::DataModule>(programFolder);
    } catch (const std::exception& error) {
        err << error.what() << '\n';
        return nullptr;
    }
    BatchConnectUi ui;
    try {
        data->ConnectDatabase({settings.DBPath, settings.DBPassword, settings.HostIniMissing}, ui);
    } catch (const std::exception& error) {
        err << DatabaseFailureMessage(data->DatabaseName(), error.what()) << '\n';
        return nullptr;
    }
    if (ui.endRequested) {
        // The first attempt failed: the window would end after start-up too.
        for (const std::string& message : ui.messages) err << message << '\n';
        return nullptr;
    }
    return std::make_unique<DatabaseRows>(std::move(data));
}

std::string DatabaseFailureMessage(const std::string& databaseName, const std::string& error) {
    std::string message = "Не удалось открыть базу данных " + databaseName + ": " + error;
    if (error.find("already opened") != std::string::npos || error.find("engine instance") != std::string::npos)
        message +=
            "\nФайл базы данных открыт другой программой (например, окном Tarnfold): встроенный движок Firebird "
            "не дает второй программе открыть тот же файл. Закройте окно или обращайтесь к базе через сервер "
            "Firebird (путь вида \"сервер:путь\" в kvel.ini) — тогда окно и пакетная выгрузка работают "
            "одновременно.";
    return message;
}

int RunBatchProgram(const std::vector<std::string>& arguments, const std::string& programFolder,
                    std::ostream& terminalOut, std::ostream& terminalErr, bool liveProgress,
                    const RowOpener& openRows) {
    // Every message passes through the console filter; the progress line is
    // the batch's own text with its own control characters and goes round it.
    ConsoleStream out(terminalOut);
    ConsoleStream err(terminalErr);
    return RunBatch(arguments, programFolder, out, err, terminalErr, liveProgress, openRows);
}

}  // namespace tarnfold::batch
