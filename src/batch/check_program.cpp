#include "batch/check_program.h"

#include <chrono>
#include <memory>
#include <optional>

#include "batch/batch_choices.h"
#include "batch/batch_office.h"
#include "batch/batch_program.h"
#include "batch/batch_report.h"
#include "batch/check_report.h"
#include "batch/interrupt.h"
#include "batch/template_check.h"
#include "batch/template_data.h"
#include "core/paths.h"
#include "export/export_rules.h"
#include "settings/file_io.h"

namespace tarnfold::batch {

namespace {

// The forms the check covers: the one named, every form of the theme named,
// or the whole catalogue.
std::vector<FormChoice> FormsToCheck(const BatchOptions& options) {
    if (options.form) return {ResolveForm(options.form, "")};
    std::vector<FormChoice> forms;
    for (int theme = 0; theme < static_cast<int>(Themes.size()); ++theme) {
        if (options.theme && *options.theme != theme) continue;
        const std::vector<std::size_t> rows = FormsOfTheme(theme);
        for (std::size_t position = 0; position < rows.size(); ++position)
            forms.push_back({theme, static_cast<int>(position), &Forms[rows[position]]});
    }
    return forms;
}

// One line rewritten in place on a terminal, and gone before anything else is printed.
class LiveLine {
public:
    LiveLine(std::ostream& stream, bool live) : stream_(stream), live_(live) {}
    ~LiveLine() { Clear(); }
    LiveLine(const LiveLine&) = delete;
    LiveLine& operator=(const LiveLine&) = delete;

    void Show(const std::string& text) {
        if (!live_ || EndingAtOnce()) return;
        stream_ << '\r' << text << "\x1b[K" << std::flush;
        shown_ = true;
    }
    void Clear() {
        if (!shown_) return;
        stream_ << "\r\x1b[K" << std::flush;
        shown_ = false;
    }

private:
    std::ostream& stream_;
    const bool live_;
    bool shown_ = false;
};

// The office is started once, at the first template that needs it, so that
// a folder of .docx templates is checked without one on Linux.
class TemplateReader {
public:
    class OfficeStartFailure : public Error {
    public:
        using Error::Error;
    };

    TemplateReader(std::string folder, bool nativeDocx) : folder_(std::move(folder)), nativeDocx_(nativeDocx) {}

    // Throws OfficeStartFailure when the office cannot be started, Error
    // when the template cannot be read.
    std::vector<std::string> Bookmarks(const TemplateChoice& file) {
        if (!office_) {
            office_ = std::make_unique<BatchOffice>(folder_);
            cleanup_.Set(office_->EndingAction());
        }
        if ((!file.docx || !nativeDocx_) && !started_) {
            try {
                office_->Start();
            } catch (const std::exception& error) {
                throw OfficeStartFailure(error.what());
            }
            started_ = true;
        }
        return office_->TemplateBookmarks(file.path);
    }

private:
    std::string folder_;
    const bool nativeDocx_;
    // A program ended at once does not unwind: the cleanup outlives the office.
    InterruptCleanup cleanup_;
    std::unique_ptr<BatchOffice> office_;
    bool started_ = false;
};

FormCheck CheckForm(const FormChoice& choice, const TemplateChoice& file, bool formNamed, db::Session& session,
                    const MappingTable& mapping, std::int32_t year, const RowSource& rows, TemplateReader& reader) {
    FormCheck check;
    check.form = choice.form;
    check.templatePath = file.path;
    std::optional<FormCells> cells;
    try {
        cells = ReadFormCells(session, mapping, choice.theme, *choice.form, year, rows.institutions, rows.periods);
    } catch (const Error& error) {
        check.findings.push_back({FindingKind::DataUnreadable, {}, {}, 0, error.what()});
    }
    if (!FileExists(file.path)) {
        // A form nobody reports that year has no template to keep in order;
        // one the user named is told about all the same.
        if (!formNamed && cells && !cells->hasRows) {
            check.notReported = true;
            return check;
        }
        check.findings.insert(check.findings.begin(), {FindingKind::TemplateMissing, {}, {}, 0, file.path});
        return check;
    }
    std::vector<std::string> bookmarks;
    try {
        bookmarks = reader.Bookmarks(file);
    } catch (const TemplateReader::OfficeStartFailure&) {
        throw;
    } catch (const Error& error) {
        check.findings.insert(check.findings.begin(), {FindingKind::TemplateUnreadable, {}, {}, 0, error.what()});
        return check;
    }
    // Without the year's cells every bookmark would read as unreachable.
    if (cells) {
        check.withoutData = !cells->hasRows;
        check.findings = CompareTemplate(bookmarks, *cells, PeriodApplies(choice.theme));
    }
    return check;
}

}  // namespace

int RunTemplateCheck(const BatchOptions& options, const Settings& settings, const RowSource& rows, std::ostream& out,
                     std::ostream& err, std::ostream& progress, bool liveProgress) {
    std::vector<FormChoice> forms;
    CheckScope scope;
    try {
        forms = FormsToCheck(options);
        scope.year = ReadYear(options.year ? *options.year : std::to_string(settings.Report.year));
    } catch (const Error& error) {
        err << error.what() << '\n';
        return kExitUsage;
    }
    scope.database = settings.DBPath;
    scope.templateFolder = options.templates ? *options.templates : settings.Report.templateFolder;
    if (options.report) {
        const std::string folder = FolderPart(*options.report);
        if (!folder.empty() && !DirectoryExists(folder)) {
            err << "Нет папки для отчета проверки: " << folder << '\n';
            return kExitUsage;
        }
    }

    const auto start = std::chrono::steady_clock::now();
    std::unique_ptr<db::Session> session;
    std::optional<MappingTable> mapping;
    try {
        session = rows.beginSession();
        mapping.emplace(session->Prepare(WholeMappingStatement)->Open());
    } catch (const std::exception& error) {
        err << "Не удалось прочитать описание столбцов (columns): " << error.what() << '\n';
        return kExitDatabase;
    }

    const bool nativeDocx = NativeDocxServer() != nullptr;
    TemplateReader reader(scope.templateFolder, nativeDocx);
    std::vector<FormCheck> checks;
    {
        LiveLine line(progress, liveProgress);
        for (std::size_t i = 0; i < forms.size(); ++i) {
            const FormChoice& choice = forms[i];
            line.Show("Проверка шаблонов: форма " + std::to_string(i + 1) + " из " + std::to_string(forms.size()) +
                      " — " + choice.form->templateFile + ", прошло " +
                      FormatDuration(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count()));
            const TemplateChoice file = ChooseTemplate(scope.templateFolder, choice.form->templateFile,
                                                       nativeDocx || OfficeFillsDocx(), FileExists);
            try {
                checks.push_back(
                    CheckForm(choice, file, options.form.has_value(), *session, *mapping, scope.year, rows, reader));
            } catch (const TemplateReader::OfficeStartFailure& error) {
                line.Clear();
                err << error.what() << '\n';
                return kExitOffice;
            }
        }
    }

    for (const std::string& summary : CheckSummaryLines(checks, scope)) out << summary << '\n';
    out << "Время проверки: "
        << FormatDuration(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count()) << '\n';
    if (options.report) {
        try {
            ReplaceFileAtomically(*options.report, CsvReportName(*options.report) ? CheckReportCsv(checks)
                                                                                  : CheckReportHtml(checks, scope));
        } catch (const std::exception& error) {
            err << "Не удалось записать отчет проверки " << *options.report << ": " << error.what() << '\n';
            return kExitUsage;
        }
        out << "Отчет проверки: " << *options.report << '\n';
    }
    out.flush();
    return CheckExitCode(checks);
}

}  // namespace tarnfold::batch
