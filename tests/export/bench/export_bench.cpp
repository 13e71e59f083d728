// Times one export of a generated form with many figures (database and
// template made here) and tells where the time went: the database, the
// document calls, and saving.
//
//   tarnfold-export-bench [--tables T] [--rows R] [--columns C] [--keep DIR]
//
// T x R x C figures (default 10 x 50 x 10 = 5,000).

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>
#include <unistd.h>

#include "db/data_module.h"
#include "export/export_run.h"
#include "export_scenario.h"
#include "support/documents.h"
#include "support/firebird_fixture.h"
#include "support/temp_dir.h"
#include "word/libreoffice.h"
#include "word/office_process.h"

using namespace tarnfold;
using Clock = std::chrono::steady_clock;

namespace {

struct Timings {
    Clock::duration database{}, document{}, saving{};
    long documentCalls = 0;
};

template <typename F>
auto Timed(Clock::duration& total, F&& f) {
    const auto start = Clock::now();
    struct Add {
        Clock::duration& total;
        Clock::time_point start;
        ~Add() { total += Clock::now() - start; }
    } add{total, start};
    return f();
}

class TimedQuery : public db::Query {
public:
    TimedQuery(std::unique_ptr<db::Query> inner, Timings& t) : inner_(std::move(inner)), t_(t) {}
    void SetInteger(std::string_view name, std::int64_t value) override { inner_->SetInteger(name, value); }
    void SetText(std::string_view name, std::string_view utf8) override { inner_->SetText(name, utf8); }
    db::ResultSet Open() override { return Timed(t_.database, [&] { return inner_->Open(); }); }

private:
    std::unique_ptr<db::Query> inner_;
    Timings& t_;
};

class TimedSession : public db::Session {
public:
    TimedSession(std::unique_ptr<db::Session> inner, Timings& t) : inner_(std::move(inner)), t_(t) {}
    std::unique_ptr<db::Query> Prepare(std::string_view sql) override {
        return std::make_unique<TimedQuery>(Timed(t_.database, [&] { return inner_->Prepare(sql); }), t_);
    }

private:
    std::unique_ptr<db::Session> inner_;
    Timings& t_;
};

class TimedDocument : public word::Document {
public:
    TimedDocument(std::unique_ptr<word::Document> inner, Timings& t) : inner_(std::move(inner)), t_(t) {}
    template <typename F>
    auto Call(F&& f) {
        ++t_.documentCalls;
        return Timed(t_.document, f);
    }
    void SaveAs(const std::string& path) override { Timed(t_.saving, [&] { inner_->SaveAs(path); }); }
    bool HasBookmark(const std::string& name) override { return Call([&] { return inner_->HasBookmark(name); }); }
    void TypeAtBookmark(const std::string& name, const std::string& text) override {
        Call([&] { inner_->TypeAtBookmark(name, text); });
    }
    void InsertBeforeBookmark(const std::string& name, const std::string& text) override {
        Call([&] { inner_->InsertBeforeBookmark(name, text); });
    }
    void GoToBookmark(const std::string& name) override { Call([&] { inner_->GoToBookmark(name); }); }
    void Save() override { Timed(t_.saving, [&] { inner_->Save(); }); }

private:
    std::unique_ptr<word::Document> inner_;
    Timings& t_;
};

class TimedApplication : public word::Application {
public:
    TimedApplication(std::unique_ptr<word::Application> inner, Timings& t) : inner_(std::move(inner)), t_(t) {}
    void Open(const std::string& path) override { Timed(t_.document, [&] { inner_->Open(path); }); }
    void ActivateLastOpened() override { Timed(t_.document, [&] { inner_->ActivateLastOpened(); }); }
    std::unique_ptr<word::Document> ActiveDocument() override {
        return std::make_unique<TimedDocument>(Timed(t_.document, [&] { return inner_->ActiveDocument(); }), t_);
    }
    void Show() override { inner_->Show(); }

private:
    std::unique_ptr<word::Application> inner_;
    Timings& t_;
};

class TimedServer : public word::Server {
public:
    TimedServer(word::Server& inner, Timings& t) : inner_(inner), t_(t) {}
    std::unique_ptr<word::Application> CreateApplication() override {
        return std::make_unique<TimedApplication>(inner_.CreateApplication(), t_);
    }

private:
    word::Server& inner_;
    Timings& t_;
};

class QuietView : public ExportView {
public:
    void SetStatusText(const std::string&) override {}
    void SetGauge(int) override {}
    void SetResultText(const std::string& text) override { result = text; }
    void SetExportButtonState(ExportButtonState) override {}
    void SetExportEnabled(bool) override {}
    void SetJournalEnabled(bool) override {}
    void ShowMessage(const std::string& text) override { std::cerr << "message: " << text << "\n"; }
    bool Confirm(const std::string&) override { return true; }
    void ProcessPendingInput() override {}
    std::string result;
};

class NoUi : public db::ConnectUi {
public:
    void ShowMessage(const std::string& text) override { std::cerr << "database: " << text << "\n"; }
    void RequestEnd() override {}
};

std::string Cell(int table, int row, int column) {
    char name[64];
    std::snprintf(name, sizeof name, "z%.4d_%.3d_%.2d", table, row, column);
    return name;
}

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

}  // namespace

int main(int argc, char** argv) {
    int tables = 10, rows = 50, columns = 10;
    std::string keep;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--tables") tables = std::stoi(argv[i + 1]);
        else if (option == "--rows") rows = std::stoi(argv[i + 1]);
        else if (option == "--columns") columns = std::min(30, std::stoi(argv[i + 1]));
        else if (option == "--keep") keep = argv[i + 1];
        else {
            std::cerr << "usage: tarnfold-export-bench [--tables T] [--rows R] [--columns C] [--keep DIR]\n";
            return 2;
        }
    }
    testing::TempDir work;
    const std::string root = keep.empty() ? work.Path().string() : keep;
    std::filesystem::create_directories(root + "/DocF");
    std::filesystem::create_directories(root + "/program");

    // Figures in n1..nC (the INTEGER and floating columns n3, n4 are skipped),
    // one mapping row per column.
    std::string sql = "INSERT INTO KODIF VALUES ('0101', NULL, 'Бенчмарк', '0101', '01');\n"
                      "INSERT INTO period VALUES ('01', 'Январь');\n";
    std::vector<int> figureColumns;
    for (int c = 1; static_cast<int>(figureColumns.size()) < columns; ++c)
        if (c != 3 && c != 4) figureColumns.push_back(c);
    std::string body = "{\"text\": \"Год \", \"bookmark\": \"z0001_000_00\"}, "
                       "{\"text\": \"Учреждение \", \"bookmark\": \"z0002_000_00\"}, "
                       "{\"text\": \"Период \", \"bookmark\": \"z0003_000_00\"}";
    for (int t = 1; t <= tables; ++t) {
        const int ntbl = 1000 + t;
        sql += "INSERT INTO tblname VALUES (" + std::to_string(ntbl) + ", '999');\n";
        for (int c = 0; c < columns; ++c)
            sql += "INSERT INTO columns VALUES (" + std::to_string(ntbl) + ", 'n" + std::to_string(figureColumns[c]) +
                   "', 2011, '" + std::to_string(c + 1) + "');\n";
        body += ", {\"table\": [";
        for (int r = 1; r <= rows; ++r) {
            testing::FigureRow row{"tbl", ntbl, 2011, "0101", "год", "0070100", "tb" + std::to_string(ntbl),
                                   std::to_string(r), {}};
            body += r == 1 ? "[" : ", [";
            for (int c = 0; c < columns; ++c) {
                row.values.push_back({"n" + std::to_string(figureColumns[c]), std::to_string(r * 100 + c) + ".25"});
                body += (c ? ", " : "") + std::string("{\"text\": \"\", \"bookmark\": \"") + Cell(ntbl, r, c + 1) + "\"}";
            }
            body += "]";
            sql += testing::InsertSql(row);
        }
        body += "]}";
    }
    const long figures = static_cast<long>(tables) * rows * columns;
    std::cerr << "making the database and a template of " << figures << " bookmarks...\n";
    testing::CreateDatabase(root + "/kvel.fdb", testing::HostSchemaSql() + sql);
    testing::MakeTemplates({{"{\"body\": [" + body + "]}", root + "/DocF/7.doc"}});

    db::DataModule data(root + "/program/");
    NoUi ui;
    data.ConnectDatabase({root + "/kvel.fdb", "password=masterkey", false}, ui);
    word::LibreOfficeOptions officeOptions = word::DefaultLibreOfficeOptions();
    officeOptions.profileFolder = root + "/office-profile";
    officeOptions.pipeName = "tarnfold-bench-" + std::to_string(::getpid());
    officeOptions.visible = false;
    word::LibreOfficeServer office(officeOptions);
    office.CreateApplication();  // the office's own start is not the export's cost

    Timings timings;
    TimedServer server(office, timings);
    QuietView view;
    ExportOptions options;
    options.programFolder = root + "/program/";
    ExportChoices choices;
    choices.theme = 0;
    choices.formPosition = 2;
    choices.institutionIndex = 0;
    choices.periodIndex = 0;
    choices.sectionText = "1";
    choices.yearText = "2011";
    choices.templateFolder = root + "/DocF";
    ExportRun run([&] { return std::make_unique<TimedSession>(data.BeginSession(), timings); }, data.Institutions(),
                  data.Periods(), server, view, options, choices);
    const auto start = Clock::now();
    run.Execute();
    const auto total = Clock::now() - start;
    word::KillOfficeProcesses(officeOptions.pipeName);

    const double seconds = Seconds(total);
    const auto share = [&](Clock::duration d) { return 100.0 * Seconds(d) / seconds; };
    std::printf("result:          %s\n", view.result.c_str());
    std::printf("figures:         %ld (%d tables x %d rows x %d columns)\n", figures, tables, rows, columns);
    std::printf("time:            %.2f s\n", seconds);
    std::printf("figures/second:  %.0f\n", static_cast<double>(figures) / seconds);
    std::printf("database:        %.2f s (%.1f%%)\n", Seconds(timings.database), share(timings.database));
    std::printf("document calls:  %.2f s (%.1f%%, %ld calls)\n", Seconds(timings.document), share(timings.document),
                timings.documentCalls);
    std::printf("saving:          %.2f s (%.1f%%)\n", Seconds(timings.saving), share(timings.saving));
    const auto rest = total - timings.database - timings.document - timings.saving;
    std::printf("rest:            %.2f s (%.1f%%)\n", Seconds(rest), share(rest));
    return view.result == "Выгрузка завершена" ? 0 : 1;
}
