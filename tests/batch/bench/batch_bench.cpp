// Times one batch of a large generated form through both word back-ends: the
// office filling the .doc template, a source row per call to its routine and
// then a bookmark per call, and the native filling of the same template
// converted to .docx. For each it tells how fast the batch went and
// where the time went (the database, the document calls, opening and saving
// the documents), so that later work aims at the largest share. The native
// filling runs both ways: as the batch does it (the template prepared once)
// and as the window does it (the template parsed for every document), each
// set against the floor: re-zipping the template unchanged. Not a test: it is
// run by hand and prints a table.
//
//   tarnfold-bench [--institutions N] [--tables T] [--rows R] [--columns C] [--keep DIR] [--native-only]
//
// N documents of T x R x C figures each (default 3 of 10 x 100 x 10 = 10,000).
// Then a large form: templates of 10,000 and 100,000 figures written by the
// template maker without the office, each filled once both ways by docx_bench
// in a process of its own, whose time per figure and peak memory the bench
// prints.

#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fcntl.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "batch/batch_choices.h"
#include "batch/batch_office.h"
#include "batch/batch_run.h"
#include "core/memory_reuse.h"
#include "db/data_module.h"
#include "export/export_run.h"
#include "export_scenario.h"
#include "support/bookmark_steps.h"
#include "support/documents.h"
#include "support/firebird_fixture.h"
#include "support/temp_dir.h"
#include "word/conversion/libreoffice_conversion.h"
#include "word/docx/docx_server.h"
#include "word/docx/zip_archive.h"

using namespace tarnfold;
using Clock = std::chrono::steady_clock;

namespace {

struct BenchOptions {
    int institutions = 3;
    int tables = 10;
    int rows = 100;
    int columns = 10;
    std::string keep;
    bool nativeOnly = false;
};

constexpr const char* kUsage =
    "usage: tarnfold-bench [--institutions N] [--tables T] [--rows R] [--columns C] [--keep DIR] [--native-only]\n"
    "  N 1..99, T 1..8999, R 1..999, C 1..28 (the figure columns of the data table);\n"
    "  DIR: a new or empty folder that keeps the database, the templates and the documents\n";

int ReadCount(const std::string& option, const std::string& text, int most) {
    std::size_t end = 0;
    int value = 0;
    try {
        value = std::stoi(text, &end);
    } catch (const std::exception&) {
        end = 0;
    }
    if (end != text.size() || value < 1 || value > most)
        throw std::invalid_argument(option + " takes a whole number from 1 to " + std::to_string(most) + ", not \"" +
                                    text + "\"");
    return value;
}

BenchOptions ParseOptions(int argc, char** argv) {
    BenchOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--native-only") {
            options.nativeOnly = true;
            continue;
        }
        if (i + 1 == argc) throw std::invalid_argument("unknown option or missing value: " + option);
        const std::string value = argv[++i];
        if (option == "--institutions")
            options.institutions = ReadCount(option, value, 99);
        else if (option == "--tables")
            options.tables = ReadCount(option, value, 8999);
        else if (option == "--rows")
            options.rows = ReadCount(option, value, 999);
        else if (option == "--columns")
            options.columns = ReadCount(option, value, 28);
        else if (option == "--keep") {
            std::error_code error;
            if (std::filesystem::exists(value) && !std::filesystem::is_empty(value, error))
                throw std::invalid_argument("--keep takes a new or empty folder, not " + value);
            options.keep = value;
        } else
            throw std::invalid_argument("unknown option: " + option);
    }
    return options;
}

// Where the time of a batch went. Opening and saving are told apart from the
// calls per figure because the office's cost of saving grows with the document
// and the native back-end does all its parsing and writing there.
struct Timings {
    Clock::duration database{}, document{}, files{};
    // The database's time on the thread a batch reads ahead with, which
    // overlaps the filling and saving on the batch's own.
    Clock::duration databaseAhead{};
    long documentCalls = 0;
    std::thread::id runner = std::this_thread::get_id();

    Clock::duration& Database() { return std::this_thread::get_id() == runner ? database : databaseAhead; }
};

template <typename F>
auto Timed(Clock::duration& total, F&& f) {
    struct Add {
        Clock::duration& total;
        Clock::time_point start;
        ~Add() { total += Clock::now() - start; }
    } add{total, Clock::now()};
    return f();
}

// What every timing decorator holds: the object it times and where the time goes.
template <typename Inner>
class Decorator {
public:
    Decorator(std::shared_ptr<Inner> inner, Timings& t) : inner_(std::move(inner)), t_(t) {}

protected:
    std::shared_ptr<Inner> inner_;
    Timings& t_;
};

class TimedQuery : public db::Query, private Decorator<db::Query> {
public:
    using Decorator::Decorator;
    void SetInteger(std::string_view name, std::int64_t value) override { inner_->SetInteger(name, value); }
    void SetText(std::string_view name, std::string_view utf8) override { inner_->SetText(name, utf8); }
    db::ResultSet Open() override {
        return Timed(t_.Database(), [&] { return inner_->Open(); });
    }
};

class TimedSession : public db::Session, private Decorator<db::Session> {
public:
    using Decorator::Decorator;
    std::unique_ptr<db::Query> Prepare(std::string_view sql) override {
        return std::make_unique<TimedQuery>(Timed(t_.Database(), [&] { return inner_->Prepare(sql); }), t_);
    }
};

class TimedDocument : public word::BookmarkDocument, private Decorator<word::BookmarkDocument> {
    // Defined ahead of its callers, whose return types it deduces.
    template <typename F>
    auto Call(F&& f) {
        ++t_.documentCalls;
        return Timed(t_.document, f);
    }

public:
    // `perFigure`: lists of bookmarks go through the interface's own loop of
    // single calls, each timed, rather than to the back-end in one.
    TimedDocument(std::shared_ptr<word::Document> inner, Timings& t, bool perFigure)
        : Decorator(word::BookmarkSteps(std::move(inner)), t), perFigure_(perFigure) {}
    void SaveAs(const std::string& path) override {
        Timed(t_.files, [&] { inner_->SaveAs(path); });
    }
    bool HasBookmark(const std::string& name) override {
        return Call([&] { return inner_->HasBookmark(name); });
    }
    void TypeAtBookmark(const std::string& name, const std::string& text) override {
        Call([&] { inner_->TypeAtBookmark(name, text); });
    }
    void InsertBeforeBookmark(const std::string& name, const std::string& text) override {
        Call([&] { inner_->InsertBeforeBookmark(name, text); });
    }
    void GoToBookmark(const std::string& name) override {
        Call([&] { inner_->GoToBookmark(name); });
    }
    void Save() override {
        Timed(t_.files, [&] { inner_->Save(); });
    }
    word::BookmarkFilling FillBookmarks(const std::vector<word::BookmarkText>& texts,
                                        word::Placement placement) override {
        if (perFigure_) return BookmarkDocument::FillBookmarks(texts, placement);
        return Call([&] { return inner_->FillBookmarks(texts, placement); });
    }

private:
    bool perFigure_;
};

class TimedApplication : public word::Application, private Decorator<word::Application> {
public:
    TimedApplication(std::unique_ptr<word::Application> inner, Timings& t, bool perFigure)
        : Decorator(std::move(inner), t), perFigure_(perFigure) {}
    std::shared_ptr<word::Document> OpenWorkingDocument(const std::string& path) override {
        return std::make_shared<TimedDocument>(Timed(t_.files, [&] { return inner_->OpenWorkingDocument(path); }), t_,
                                               perFigure_);
    }
    void Show() override {
        Timed(t_.files, [&] { inner_->Show(); });
    }

private:
    bool perFigure_;
};

class TimedServer : public word::Server {
public:
    TimedServer(word::Server& inner, Timings& t, bool perFigure) : inner_(inner), t_(t), perFigure_(perFigure) {}
    std::unique_ptr<word::Application> CreateApplication() override {
        return std::make_unique<TimedApplication>(inner_.CreateApplication(), t_, perFigure_);
    }
    // Begun here, the preparation's time is the wait when the document opens.
    void PrepareTemplate(const std::string& templatePath) override { inner_.PrepareTemplate(templatePath); }

private:
    word::Server& inner_;
    Timings& t_;
    bool perFigure_;
};

// A batch of many seconds per document says where it is, and what filling
// and saving each document cost.
class DocumentLines : public batch::BatchOutput {
public:
    DocumentLines(std::string path, const Timings& timings, std::vector<Clock::duration>& perDocument)
        : path_(std::move(path)), timings_(timings), perDocument_(perDocument) {}
    void Progress(std::size_t, std::size_t, std::size_t, std::size_t) override {}
    void DocumentFinished(const batch::DocumentResult& result) override {
        const Clock::duration sofar = timings_.document + timings_.files;
        perDocument_.push_back(sofar - counted_);
        counted_ = sofar;
        std::cerr << path_ << ": " << batch::DocumentLine(result, ".") << '\n';
    }

private:
    std::string path_;
    const Timings& timings_;
    std::vector<Clock::duration>& perDocument_;
    Clock::duration counted_{};
};

class NoUi : public db::ConnectUi {
public:
    void ShowMessage(const std::string& text) override { std::cerr << "database: " << text << '\n'; }
    void RequestEnd() override {}
};

std::string Code(int institution) {
    char code[32];
    std::snprintf(code, sizeof code, "%02d%02d", institution, institution);
    return code;
}

std::string CellName(int ntbl, int row, int column) {
    char name[32];
    std::snprintf(name, sizeof name, "z%04d_%03d_%02d", ntbl, row, column);
    return name;
}

// Figures go in n1, n2, n5, n6, ...: n3 is INTEGER and n4 DOUBLE PRECISION,
// which the export never writes.
std::vector<std::string> FigureColumns(int count) {
    std::vector<std::string> names;
    for (int c = 1; static_cast<int>(names.size()) < count; ++c)
        if (c != 3 && c != 4) names.push_back("n" + std::to_string(c));
    return names;
}

// Form 007, section 01, year 2011: every institution has a figure in every
// cell of every table, each table with its column mapping.
std::string FiguresSql(const BenchOptions& o) {
    std::string sql = "INSERT INTO period VALUES ('01', 'Январь');\n";
    for (int i = 1; i <= o.institutions; ++i)
        sql += "INSERT INTO KODIF VALUES ('" + Code(i) + "', NULL, 'Учреждение " + std::to_string(i) + "', '" +
               Code(i) + "', '01');\n";
    const std::vector<std::string> columns = FigureColumns(o.columns);
    for (int t = 1; t <= o.tables; ++t) {
        const int ntbl = 1000 + t;
        sql += "INSERT INTO tblname VALUES (" + std::to_string(ntbl) + ", '999');\n";
        for (int c = 0; c < o.columns; ++c)
            sql += "INSERT INTO columns VALUES (" + std::to_string(ntbl) + ", '" + columns[c] + "', 2011, '" +
                   std::to_string(c + 1) + "');\n";
        for (int i = 1; i <= o.institutions; ++i)
            for (int r = 1; r <= o.rows; ++r) {
                testing::FigureRow row{
                    "tbl", ntbl, 2011, Code(i), "год", "0070100", "tb" + std::to_string(ntbl), std::to_string(r), {}};
                for (int c = 0; c < o.columns; ++c)
                    row.values.emplace_back(columns[c], std::to_string(i * 100000 + r * 100 + c) + ".25");
                sql += testing::InsertSql(row);
            }
    }
    return sql;
}

// The header bookmarks, then one table per data table with a bookmark in
// every cell.
std::string TemplateJson(const BenchOptions& o) {
    std::string body =
        "{\"text\": \"Год \", \"bookmark\": \"z0001_000_00\"}, "
        "{\"text\": \"Учреждение \", \"bookmark\": \"z0002_000_00\"}, "
        "{\"text\": \"Период \", \"bookmark\": \"z0003_000_00\"}";
    for (int t = 1; t <= o.tables; ++t) {
        body += ", {\"table\": [";
        for (int r = 1; r <= o.rows; ++r) {
            body += r == 1 ? "[" : ", [";
            for (int c = 1; c <= o.columns; ++c)
                body += (c == 1 ? "" : ", ") + std::string("{\"text\": \"\", \"bookmark\": \"") +
                        CellName(1000 + t, r, c) + "\"}";
            body += "]";
        }
        body += "]}";
    }
    return "{\"body\": [" + body + "]}";
}

struct PathResult {
    std::string name;
    Clock::duration elapsed{};
    Timings timings;
    batch::BatchOutcome outcome;
    // Filling and saving (document calls, opening, saving) of each document.
    std::vector<Clock::duration> perDocument;
};

// The documents of a path, one batch of them all; or, `asTheWindow`, each
// a batch of its own, as the window makes one document at a time: its
// figures read when its run comes, none read ahead during another's save.
PathResult RunPath(const std::string& name, word::Server& server, bool native, bool perFigure,
                   const std::string& templateFolder, const std::string& reportsFolder, db::DataModule& data,
                   const std::string& programFolder, bool asTheWindow = false) {
    batch::BatchOptions choices;
    choices.form = "007";
    choices.allInstitutions = true;
    choices.year = "2011";
    choices.section = "01";
    choices.templates = templateFolder;
    const std::vector<batch::BatchJob> jobs = batch::PlanBatch(choices, {}, data.Institutions(), data.Periods());

    PathResult result{name, {}, {}, {}, {}};
    TimedServer timed(server, result.timings, perFigure);
    ExportOptions options;
    options.programFolder = programFolder;
    options.reportsFolder = reportsFolder;
    DocumentLines lines(name, result.timings, result.perDocument);
    batch::BatchRun run([&] { return std::make_unique<TimedSession>(data.BeginSession(), result.timings); },
                        WordServers(timed, native ? &timed : nullptr), options, lines, [] { return false; });
    std::cerr << name << ": " << jobs.size() << " documents...\n";
    const auto start = Clock::now();
    if (asTheWindow) {
        for (const batch::BatchJob& job : jobs) {
            const batch::BatchOutcome one = run.Run({job});
            result.outcome.results.insert(result.outcome.results.end(), one.results.begin(), one.results.end());
        }
    } else {
        result.outcome = run.Run(jobs);
    }
    result.elapsed = Clock::now() - start;
    return result;
}

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

std::size_t Figures(const PathResult& path) {
    std::size_t figures = 0;
    for (const batch::DocumentResult& document : path.outcome.results) figures += document.placedFigures;
    return figures;
}

// One row of the table: a label and one cell per path.
template <typename F>
void Row(const char* label, const std::vector<PathResult>& paths, F&& cell) {
    std::printf("%-24s", label);
    for (const PathResult& path : paths) std::printf("%20s", cell(path).c_str());
    std::printf("\n");
}

std::string Format(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string Share(Clock::duration part, const PathResult& path) {
    char text[64];
    std::snprintf(text, sizeof text, "%.2f s %5.1f%%", Seconds(part), 100.0 * Seconds(part) / Seconds(path.elapsed));
    return text;
}

void PrintTable(const std::vector<PathResult>& paths) {
    Row("", paths, [](const PathResult& p) { return p.name; });
    Row("documents", paths, [](const PathResult& p) { return std::to_string(p.outcome.results.size()); });
    Row("figures", paths, [](const PathResult& p) { return std::to_string(Figures(p)); });
    Row("total, s", paths, [](const PathResult& p) { return Format("%.2f", Seconds(p.elapsed)); });
    Row("documents per minute", paths,
        [](const PathResult& p) { return Format("%.1f", 60.0 * p.outcome.results.size() / Seconds(p.elapsed)); });
    Row("figures per second", paths,
        [](const PathResult& p) { return Format("%.0f", Figures(p) / Seconds(p.elapsed)); });
    Row("ms per figure", paths,
        [](const PathResult& p) { return Format("%.4f", 1000.0 * Seconds(p.elapsed) / Figures(p)); });
    Row("filling, ms per figure", paths,
        [](const PathResult& p) { return Format("%.4f", 1000.0 * Seconds(p.timings.document) / Figures(p)); });
    Row("database", paths, [](const PathResult& p) { return Share(p.timings.database, p); });
    Row("database, read ahead", paths, [](const PathResult& p) { return Share(p.timings.databaseAhead, p); });
    Row("document calls", paths, [](const PathResult& p) { return Share(p.timings.document, p); });
    Row("opening/saving", paths, [](const PathResult& p) { return Share(p.timings.files, p); });
    // The engine's own work, connecting to the word processor and waiting
    // for figures read ahead.
    Row("other", paths, [](const PathResult& p) {
        return Share(p.elapsed - p.timings.database - p.timings.document - p.timings.files, p);
    });
    Row("document calls, count", paths, [](const PathResult& p) { return std::to_string(p.timings.documentCalls); });
}

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// The least a native filling can cost: the template re-zipped unchanged, as
// the writer would write a filled one (read, inflate the main part, deflate
// it at the writer's level, copy the other entries, write). Best of five.
Clock::duration Floor(const std::string& templatePath, const std::filesystem::path& target) {
    Clock::duration best = Clock::duration::max();
    for (int round = 0; round < 5; ++round) {
        const auto start = Clock::now();
        const word::docx::ZipReader zip(templatePath);
        const std::uint64_t main = zip.Find("word/document.xml").value();
        word::docx::WritePackage(zip, target.string(), {{main, zip.Read(main)}});
        best = std::min(best, Clock::now() - start);
    }
    std::filesystem::remove(target);
    return best;
}

// Filling and saving per document against the floor: for the batch way the
// first document, which prepares the template, is told apart.
void PrintFloorRatios(const PathResult& eachDocument, const PathResult& batchWay, Clock::duration floor) {
    std::printf("floor, the template re-zipped unchanged: %.1f ms (best of 5)\n", Ms(floor));
    const auto line = [&](const char* name, const std::vector<Clock::duration>& documents, double limit) {
        if (documents.empty()) return;
        Clock::duration sum{};
        for (const Clock::duration d : documents) sum += d;
        const Clock::duration best = *std::min_element(documents.begin(), documents.end());
        const double mean = Ms(sum) / static_cast<double>(documents.size());
        std::printf(
            "%s: fill+save %.1f ms per document (best %.1f ms), native fill+save / floor %.2f (best %.2f, "
            "limit %.1f)\n",
            name, mean, Ms(best), mean / Ms(floor), Ms(best) / Ms(floor), limit);
    };
    line("per-document way", eachDocument.perDocument, 2.0);
    if (batchWay.perDocument.size() > 1) {
        std::printf("batch way, first document (prepares the template): %.1f ms\n", Ms(batchWay.perDocument.front()));
        line("batch way, each further document",
             std::vector<Clock::duration>(batchWay.perDocument.begin() + 1, batchWay.perDocument.end()), 1.3);
    } else {
        line("batch way", batchWay.perDocument, 1.3);
    }
}

// The batch's pace once its template is prepared: each document after the
// first whole (database, filling, saving, the run's own work), so that a
// batch of many documents can be told from the three the bench makes.
void PrintFurtherDocumentRate(const PathResult& batchWay) {
    const std::vector<batch::DocumentResult>& documents = batchWay.outcome.results;
    if (documents.size() < 2) return;
    double seconds = 0;
    for (std::size_t d = 1; d < documents.size(); ++d) seconds += documents[d].seconds;
    const double each = seconds / static_cast<double>(documents.size() - 1);
    std::printf(
        "batch way, each further document whole: %.1f ms, %.0f documents per minute (limit 2,000 for the "
        "whole batch)\n",
        1000.0 * each, 60.0 / each);
}

// Whether the two ways wrote the same documents: every entry of each package
// the same name, in the same order, with the same contents.
bool SameDocuments(const PathResult& a, const PathResult& b) {
    if (a.outcome.results.size() != b.outcome.results.size()) return false;
    for (std::size_t d = 0; d < a.outcome.results.size(); ++d) {
        const word::docx::ZipReader x(a.outcome.results[d].outputPath);
        const word::docx::ZipReader y(b.outcome.results[d].outputPath);
        if (x.Count() != y.Count()) return false;
        for (std::uint64_t i = 0; i < x.Count(); ++i)
            if (x.Name(i) != y.Name(i) || x.Read(i) != y.Read(i)) return false;
    }
    return true;
}

// The office's lock files (".~lock.NAME#") and save temporaries ("lu*.tmp")
// that it may leave beside a document it converted; the folder is the
// bench's own.
void RemoveOfficeLeftovers(const std::filesystem::path& folder) {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        const bool lock = name.rfind(".~lock.", 0) == 0 && name.back() == '#';
        const bool temporary = name.rfind("lu", 0) == 0 && name.size() > 6 && name.substr(name.size() - 4) == ".tmp";
        if (lock || temporary) std::filesystem::remove_all(entry.path(), error);
    }
}

struct LargeFill {
    std::size_t figures = 0;
    double ms = 0;
    double maxRssMb = 0;
};

// One document filled by docx_bench in a process of its own, so that its
// peak memory is the filling's alone.
LargeFill FillInProcess(const std::string& way, const std::string& templatePath, const std::string& output) {
    const std::string self = TARNFOLD_DOCX_BENCH;
    const std::string results = output + ".txt";
    std::vector<std::string> args = {self, "--fill-once", way, templatePath, output};
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, results.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, self.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) throw std::runtime_error("the filling process could not be started");
    int status = 0;
    waitpid(pid, &status, 0);
    LargeFill fill;
    long peakKb = 0;
    if (FILE* in = std::fopen(results.c_str(), "r")) {
        if (std::fscanf(in, "%zu %lf %ld", &fill.figures, &fill.ms, &peakKb) != 3) fill.figures = 0;
        std::fclose(in);
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || fill.figures == 0)
        throw std::runtime_error("filling " + templatePath + " the " + way + " way failed");
    fill.maxRssMb = static_cast<double>(peakKb) / 1024.0;
    return fill;
}

// The bench's form at 10,000 and at 100,000 figures, written by the template
// maker without the office, filled both ways, each in three processes: the
// best time of the three (one run alone swings by a tenth), the most memory.
void LargeForms(const std::filesystem::path& root) {
    std::printf(
        "\nlarge forms, one document each, in a process of its own (templates written without the office; best of "
        "3):\n");
    for (const int tables : {10, 100}) {
        BenchOptions shape;
        shape.tables = tables;
        const std::filesystem::path folder = root / ("large-" + std::to_string(tables));
        std::filesystem::create_directories(folder);
        const std::string templatePath = (folder / "7.docx").string();
        std::ofstream(folder / "layout.json") << TemplateJson(shape);
        const auto start = Clock::now();
        const std::string command = "python3 '" + std::string(TARNFOLD_SOURCE_DIR) +
                                    "/scripts/make_template.py' --docx-without-office --layout '" +
                                    (folder / "layout.json").string() + "' --out '" + templatePath + "'";
        if (std::system(command.c_str()) != 0) throw std::runtime_error("the template maker failed: " + command);
        const std::size_t figures = static_cast<std::size_t>(tables) * shape.rows * shape.columns;
        std::printf("  %zu figures: template made in %.1f s (limit 30 s at 100,000)\n", figures,
                    Seconds(Clock::now() - start));
        for (const char* way : {"batch", "per-document"}) {
            LargeFill fill = FillInProcess(way, templatePath, (folder / (std::string(way) + ".docx")).string());
            for (int again = 0; again < 2; ++again) {
                const LargeFill next =
                    FillInProcess(way, templatePath, (folder / (std::string(way) + ".docx")).string());
                fill.ms = std::min(fill.ms, next.ms);
                fill.maxRssMb = std::max(fill.maxRssMb, next.maxRssMb);
            }
            std::printf("  %zu figures, %s way: %.0f ms, %.2f us per figure, max RSS %.0f MB%s\n", fill.figures, way,
                        fill.ms, 1000.0 * fill.ms / static_cast<double>(fill.figures), fill.maxRssMb,
                        figures >= 100000 ? " (limit 200 MB)" : "");
        }
    }
}

// Every document done, saved, with all its figures placed.
bool Complete(const PathResult& path, std::size_t documents, std::size_t figures) {
    bool complete = path.outcome.results.size() == documents;
    for (const batch::DocumentResult& document : path.outcome.results)
        if (document.state != batch::DocumentState::Done || document.placedFigures != figures ||
            document.unplacedFigures != 0) {
            std::cout << "INCOMPLETE " << path.name << ": " << batch::DocumentLine(document, ".") << '\n';
            complete = false;
        }
    return complete;
}

int Bench(const BenchOptions& o) {
    testing::TempDir work;
    const std::filesystem::path root = o.keep.empty() ? work.Path() : std::filesystem::absolute(o.keep);
    const std::filesystem::path program = root / "program";
    const std::filesystem::path docFolder = root / "DocF";
    const std::filesystem::path docxFolder = root / "DocxF";
    for (const auto& folder : {program, docFolder, docxFolder}) std::filesystem::create_directories(folder);
    const std::size_t figures = static_cast<std::size_t>(o.tables) * o.rows * o.columns;

    std::cerr << "making the database of " << o.institutions << " institutions and a template of " << figures
              << " bookmarks...\n";
    testing::CreateDatabase((root / "kvel.fdb").string(), testing::HostSchemaSql() + FiguresSql(o));
    testing::MakeTemplates({{TemplateJson(o), (docFolder / "7.doc").string()}});

    // The .docx is made the way an office moves its templates over, so that
    // the native path fills what a real migration gives it.
    auto officeHolder = std::make_unique<batch::BatchOffice>((root / "Reports-office").string());
    batch::BatchOffice& office = *officeHolder;
    office.Start();  // the office's own start is no cost of the batch
    const auto conversionStart = Clock::now();
    // The batch's office on Linux, where the bench runs, is LibreOffice.
    const word::conversion::TemplateConversion conversion = word::conversion::ConvertTemplate(
        dynamic_cast<word::LibreOfficeServer&>(office.Server()), (docFolder / "7.doc").string(), docxFolder.string());
    const double conversionSeconds = std::chrono::duration<double>(Clock::now() - conversionStart).count();
    if (conversion.outcome != word::conversion::ConversionOutcome::Converted) {
        std::cerr << "the template could not be converted to .docx: " << conversion.error
                  << " (lost bookmarks: " << conversion.bookmarks.lost.size() << ")\n";
        return 1;
    }

    db::DataModule data(program.string() + "/");
    NoUi ui;
    data.ConnectDatabase({(root / "kvel.fdb").string(), "password=masterkey", false}, ui);

    // The native paths go first: the office keeps working for a while after
    // its last save, which would be counted against them.
    word::docx::DocxServer eachDocument([](const std::string&) {});
    word::docx::DocxServer batchWay([](const std::string&) {}, word::docx::TemplateReuse::AcrossDocuments);
    const Clock::duration floor = Floor((docxFolder / "7.docx").string(), root / "floor.docx");
    std::vector<PathResult> paths;
    paths.push_back(RunPath("native, per document", eachDocument, true, false, docxFolder.string(),
                            (root / "Reports-native-each").string(), data, program.string() + "/", true));
    paths.push_back(RunPath("native (.docx)", batchWay, true, false, docxFolder.string(),
                            (root / "Reports-native").string(), data, program.string() + "/"));
    if (!o.nativeOnly) {
        // The two ways the office back-end fills, each into a folder of its own.
        paths.insert(paths.begin(), RunPath("office, row routine", office.Server(), false, false, docFolder.string(),
                                            (root / "Reports-office" / "row").string(), data, program.string() + "/"));
        paths.insert(paths.begin() + 1,
                     RunPath("office, per figure", office.Server(), false, true, docFolder.string(),
                             (root / "Reports-office" / "figure").string(), data, program.string() + "/"));
    }

    std::printf("form 007, section 01, year 2011: %d documents of %zu figures (%d tables x %d rows x %d columns)\n",
                o.institutions, figures, o.tables, o.rows, o.columns);
    std::printf("template .doc -> .docx through the office: %.1f s, %zu bookmarks kept\n\n", conversionSeconds,
                conversion.bookmarks.convertedCount);
    PrintTable(paths);
    const PathResult& native = paths.back();
    const double nativeFillSave =
        Seconds(native.timings.document + native.timings.files) / static_cast<double>(native.outcome.results.size());
    std::printf("\nnative fill+save per document: %.3f s (%s 0.2 s)\n", nativeFillSave,
                nativeFillSave < 0.2 ? "under" : "NOT under");
    PrintFloorRatios(paths[paths.size() - 2], native, floor);
    PrintFurtherDocumentRate(native);
    std::printf("the batch way's documents equal the per-document way's, part by part: %s\n",
                SameDocuments(paths[paths.size() - 2], native) ? "yes" : "NO");

    // What the office left beside the templates goes once it has ended.
    officeHolder.reset();
    for (const auto& folder : {docFolder, docxFolder}) RemoveOfficeLeftovers(folder);

    bool complete = true;
    for (const PathResult& path : paths)
        complete = Complete(path, static_cast<std::size_t>(o.institutions), figures) && complete;
    if (!complete) return 1;
    std::printf("complete: every document of %s holds all %zu figures\n",
                o.nativeOnly ? "the native path" : "every path", figures);
    LargeForms(root);
    if (!o.keep.empty()) std::printf("kept in %s\n", root.c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    // As the batch program has it.
    tarnfold::KeepFreedMemoryForReuse();
    BenchOptions options;
    try {
        options = ParseOptions(argc, argv);
    } catch (const std::invalid_argument& error) {
        std::cerr << error.what() << '\n' << kUsage;
        return 2;
    }
    try {
        return Bench(options);
    } catch (const std::exception& error) {
        std::cerr << "the bench failed: " << error.what() << '\n';
        return 1;
    }
}
