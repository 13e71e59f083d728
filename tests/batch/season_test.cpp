// The reporting season on the demo: the demo database and templates as their
// scripts make them, the batch program beside them. Templates spoilt the ways
// they go wrong from year to year are found by the check, exactly those; a
// whole theme exported in one run gives the documents of one run per form.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <pugixml.hpp>
#include <set>

#include "batch_process.h"
#include "core/text.h"
#include "support/documents.h"
#include "support/temp_dir.h"

using namespace tarnfold;
using namespace tarnfold::testing;

namespace {

// One CSV row of the check's report.
struct ReportRow {
    std::string templateFile, level, kind, bookmark, institutions, figures, detail;
    std::string Key() const { return templateFile + " | " + kind + " | " + bookmark; }
};

// A field list of a CSV line as a spreadsheet reads it: ";" between fields,
// a quoted field with doubled quotes inside.
std::vector<std::string> CsvFields(const std::string& line) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted && c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
            fields.back() += '"';
            ++i;
        } else if (c == '"') {
            quoted = !quoted;
        } else if (c == ';' && !quoted) {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

std::vector<ReportRow> ReadCsvReport(const std::filesystem::path& path) {
    const std::string bytes = ReadWholeFile(path);
    EXPECT_TRUE(StartsWith(bytes, "\xEF\xBB\xBF")) << "a spreadsheet needs the mark to read UTF-8";
    std::vector<ReportRow> rows;
    std::size_t start = 3;
    bool heading = true;
    for (std::size_t end; (end = bytes.find("\r\n", start)) != std::string::npos; start = end + 2) {
        const std::vector<std::string> f = CsvFields(bytes.substr(start, end - start));
        EXPECT_EQ(f.size(), 8u) << bytes.substr(start, end - start);
        if (f.size() != 8) continue;
        if (!std::exchange(heading, false)) rows.push_back({f[0], f[2], f[3], f[4], f[5], f[6], f[7]});
    }
    EXPECT_EQ(start, bytes.size()) << "every line ends in CR LF";
    return rows;
}

std::set<std::string> Keys(const std::vector<ReportRow>& rows) {
    std::set<std::string> keys;
    for (const ReportRow& row : rows) keys.insert(row.Key());
    return keys;
}

std::set<std::string> Minus(const std::set<std::string>& a, const std::set<std::string>& b) {
    std::set<std::string> rest;
    std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::inserter(rest, rest.end()));
    return rest;
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// A document line without its seconds, which differ from run to run.
std::string WithoutSeconds(const std::string& line) {
    const std::size_t comma = line.rfind(", ");
    return EndsWith(line, " с") && comma != std::string::npos ? line.substr(0, comma) : line;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

class DemoSeason : public ::testing::Test {
protected:
    // kvel/kvel.gdb and kvel.ini from the demo's scripts; kvel/Tarnfold/ with
    // the program, the demo's templates (DocF_2011) and the spoilt ones.
    static void SetUpTestSuite() {
        shared = std::make_unique<TempDir>();
        const std::filesystem::path kvel = shared->Path() / "kvel";
        std::filesystem::create_directories(kvel / "Tarnfold");
        const std::string scripts = std::string(TARNFOLD_SOURCE_DIR) + "/scripts/";
        const std::string log = " >>'" + shared->File("scripts.log") + "' 2>&1";
        const std::vector<std::string> commands = {
            "'" + scripts + "make-demo-db' '" + (kvel / "kvel.gdb").string() + "'",
            "'" + scripts + "make-demo-templates' '" + Templates().string() + "'",
            "python3 '" + std::string(TARNFOLD_SOURCE_DIR) + "/tests/batch/spoil_demo_templates.py' '" +
                Spoilt().string() + "'",
        };
        for (const std::string& command : commands)
            if (std::system((command + log).c_str()) != 0)
                throw std::runtime_error(command + " failed:\n" + ReadWholeFile(shared->File("scripts.log")));
        std::ofstream(kvel / "kvel.ini", std::ios::binary)
            << "dbPath=" << kvel.string() << "/\r\npassword=masterkey\r\n";
        std::filesystem::copy_file(TARNFOLD_BATCH_PROGRAM, Folder() / "tarnfold-batch");
    }
    static void TearDownTestSuite() { shared.reset(); }

    static std::filesystem::path Folder() { return shared->Path() / "kvel" / "Tarnfold"; }
    static std::filesystem::path Templates() { return Folder() / "DocF_2011"; }
    static std::filesystem::path Spoilt() { return Folder() / "Spoilt"; }
    // The demo's templates; the catalogue's other forms have none.
    static int TemplateCount() {
        return static_cast<int>(std::distance(std::filesystem::directory_iterator(Templates()), {}));
    }

    static Finished Batch(const std::vector<std::string>& arguments, const std::vector<std::string>& environment = {}) {
        BatchProcess process((Folder() / "tarnfold-batch").string(), arguments, environment, shared->Path());
        return process.Wait();
    }

    static Finished Check(const std::filesystem::path& templates, const std::filesystem::path& report) {
        return Batch(
            {"--check-templates", "--year", "2011", "--templates", templates.string(), "--report", report.string()});
    }

    static inline std::unique_ptr<TempDir> shared;
    TempDir reports;
};

}  // namespace

TEST_F(DemoSeason, CheckFindsExactlyWhatEachSpoiltTemplateBreaks) {
    const Finished clean = Check(Templates(), reports.Path() / "clean.csv");
    ASSERT_EQ(clean.exitCode, 0) << clean.out << clean.err;
    const std::vector<ReportRow> cleanRows = ReadCsvReport(reports.Path() / "clean.csv");
    for (const ReportRow& row : cleanRows) EXPECT_EQ(row.level, "предупреждение") << row.Key() << " " << row.detail;
    EXPECT_TRUE(Contains(clean.out, "с ошибками 0.")) << clean.out;
    // The forms of the catalogue without a demo template have no demo data either.
    EXPECT_TRUE(Contains(clean.out, "Не проверялись (нет шаблона и нет данных за 2011 год): " +
                                        std::to_string(46 - TemplateCount()) + "."))
        << clean.out;

    const Finished spoilt = Check(Spoilt(), reports.Path() / "spoilt.csv");
    EXPECT_EQ(spoilt.exitCode, 1) << spoilt.out << spoilt.err;
    const std::vector<ReportRow> spoiltRows = ReadCsvReport(reports.Path() / "spoilt.csv");
    // Whatever the demo's data leaves unfilled stays; the spoils add exactly these.
    EXPECT_TRUE(Minus(Keys(cleanRows), Keys(spoiltRows)).empty());
    const std::set<std::string> expected = {
        "7.doc | ячейка с данными без закладки | z1000_002_04",
        "7.doc | закладка, до которой не дойдут данные года | z1000_002_40",
        "12.doc | ячейка с данными без закладки | z1000_001_04",
        "14.doc | закладки различаются только регистром букв | z2100_002_05",
        "ДД2012.doc | нет закладки заголовка | z0003_000_00",
    };
    EXPECT_EQ(Minus(Keys(spoiltRows), Keys(cleanRows)), expected);
    // The cell lost its bookmark for every institution that reports form 7:
    // the counts, the codes listed and the terminal's line agree.
    for (const ReportRow& row : spoiltRows)
        if (row.Key() == "7.doc | ячейка с данными без закладки | z1000_002_04") {
            const int institutions = std::stoi(row.institutions);
            EXPECT_GE(std::stoi(row.figures), institutions);
            EXPECT_TRUE(Contains(row.detail, "0101")) << row.detail;
            EXPECT_EQ(std::count(row.detail.begin(), row.detail.end(), ',') + 1, institutions) << row.detail;
            EXPECT_TRUE(Contains(spoilt.out, "  ячейки с данными без закладки: 1 (учреждений " + row.institutions +
                                                 ", цифр " + row.figures + ") — z1000_002_04\n"))
                << spoilt.out;
        }
    EXPECT_TRUE(Contains(spoilt.out, "  нет закладок заголовка: 1 — z0003_000_00\n")) << spoilt.out;

    // The page holds the same findings, a section per checked form and a row per finding.
    ASSERT_EQ(Check(Spoilt(), reports.Path() / "spoilt.html").exitCode, 1);
    const std::string html = ReadWholeFile(reports.Path() / "spoilt.html");
    EXPECT_FALSE(Contains(html, "<script"));
    pugi::xml_document page;
    const pugi::xml_parse_result parsed = page.load_string(html.c_str());
    ASSERT_TRUE(parsed) << parsed.description() << " at " << parsed.offset;
    std::map<std::string, int> rowsPerForm;
    for (const pugi::xpath_node& section : page.select_nodes("//section[starts-with(@id, 'form-')]")) {
        const std::string heading = section.node().child("h2").text().get();
        const std::string templateFile = heading.substr(0, heading.find(" — "));
        rowsPerForm[templateFile] = static_cast<int>(section.node().select_nodes(".//tbody/tr").size());
    }
    std::map<std::string, int> csvRowsPerForm = {{"7.doc", 0}, {"12.doc", 0}, {"14.doc", 0}, {"ДД2012.doc", 0}};
    for (const ReportRow& row : spoiltRows) ++csvRowsPerForm[row.templateFile];
    EXPECT_EQ(rowsPerForm, csvRowsPerForm);
    EXPECT_EQ(page.select_nodes("//tr[@class='error']").size(), 3u);

    // A template gone, and two that are no Word documents (one read by the
    // office, one natively): each such form's one finding says so.
    const std::filesystem::path withoutSeven = shared->Path() / "without-7";
    std::filesystem::create_directories(withoutSeven);
    for (const auto& entry : std::filesystem::directory_iterator(Spoilt()))
        if (entry.path().filename() != "7.doc")
            std::filesystem::copy_file(entry.path(), withoutSeven / entry.path().filename());
    std::ofstream(withoutSeven / "1.doc") << "Форма 1-РБ, набранная в блокноте";
    std::ofstream(withoutSeven / "8.docx") << "not a zip";
    EXPECT_EQ(Check(withoutSeven, reports.Path() / "without-7.csv").exitCode, 1);
    std::vector<ReportRow> expectedRows;
    for (const ReportRow& row : spoiltRows)
        if (row.templateFile != "7.doc") expectedRows.push_back(row);
    std::set<std::string> expectedKeys = Keys(expectedRows);
    expectedKeys.insert("7.doc | нет файла шаблона | ");
    expectedKeys.insert("1.doc | шаблон не читается как документ Word | ");
    expectedKeys.insert("8.doc | шаблон не читается как документ Word | ");
    const std::vector<ReportRow> withoutSevenRows = ReadCsvReport(reports.Path() / "without-7.csv");
    EXPECT_EQ(Keys(withoutSevenRows), expectedKeys);
    for (const ReportRow& row : withoutSevenRows) {
        if (row.templateFile == "1.doc") {
            EXPECT_TRUE(Contains(row.detail, "не является документом Word")) << row.detail;
        }
    }

    // The check only reads: no document, journal or settings appear beside the program.
    for (const char* name : {"Reports", "Tarnfold.log", "Tarnfold.ini"})
        EXPECT_FALSE(std::filesystem::exists(Folder() / name)) << name;
}

// A check that cannot finish leaves an earlier report as it was.
TEST_F(DemoSeason, CheckThatCannotFinishKeepsTheEarlierReport) {
    const std::filesystem::path report = reports.Path() / "check.html";
    std::ofstream(report) << "earlier";
    const Finished badYear = Batch(
        {"--check-templates", "--year", "20x1", "--templates", Templates().string(), "--report", report.string()});
    EXPECT_EQ(badYear.exitCode, 2);
    EXPECT_EQ(badYear.err, "Год \"20x1\" не является целым числом!\n");
    const Finished noOffice =
        Batch({"--check-templates", "--year", "2011", "--templates", Templates().string(), "--report", report.string()},
              {"TARNFOLD_SOFFICE=/nonexistent/soffice"});
    EXPECT_EQ(noOffice.exitCode, 4) << noOffice.out << noOffice.err;
    EXPECT_EQ(ReadWholeFile(report), "earlier");
    const Finished noFolder =
        Batch({"--check-templates", "--year", "2011", "--report", (reports.Path() / "missing" / "check.csv").string()});
    EXPECT_EQ(noFolder.exitCode, 2);
    EXPECT_TRUE(Contains(noFolder.err, "Нет папки для отчета проверки: ")) << noFolder.err;
}

TEST_F(DemoSeason, WholeThemeInOneRunWritesWhatOneRunPerFormWrites) {
    const std::filesystem::path season = reports.Path() / "season";
    const std::filesystem::path single = reports.Path() / "single";
    const std::vector<std::string> choices = {"--all-institutions", "--year", "2011", "--section", "1", "--templates",
                                              Templates().string()};
    const auto with = [&](std::vector<std::string> arguments) {
        arguments.insert(arguments.end(), choices.begin(), choices.end());
        return arguments;
    };
    const Finished whole = Batch(with({"--all-forms", "--out", season.string()}));
    // The forms of the theme without a demo template are skipped and named.
    EXPECT_EQ(whole.exitCode, 1) << whole.out << whole.err;
    // The annual theme has 45 forms; of the demo templates one (ДД2012.doc) is the monthly form's.
    EXPECT_TRUE(Contains(whole.out, "Пропущены формы без шаблона (" + std::to_string(45 - (TemplateCount() - 1)) +
                                        "):\n  ДД.doc — Диспансеризация детей (годовая) ("))
        << whole.out;
    EXPECT_FALSE(Contains(whole.out, "ДД2012.doc")) << "the monthly form is of the other theme";

    std::vector<std::string> singleLines;
    for (const char* form : {"7.doc", "12.doc", "14.doc"}) {
        const Finished one = Batch(with({"--form", form, "--out", single.string()}));
        ASSERT_EQ(one.exitCode, 0) << one.out << one.err;
        EXPECT_TRUE(Contains(whole.out, std::string(form) + " — ")) << "a heading names the form";
        for (const std::string& line : Lines(one.out)) {
            if (!Contains(line, " - ") || StartsWith(line, "  ")) continue;  // document lines only
            std::string moved = WithoutSeconds(line);
            if (const std::size_t at = moved.find(single.string()); at != std::string::npos)
                moved.replace(at, single.string().size(), season.string());
            singleLines.push_back(moved);
        }
    }
    ASSERT_FALSE(singleLines.empty());
    std::vector<std::string> wholeLines;
    for (const std::string& line : Lines(whole.out)) wholeLines.push_back(WithoutSeconds(line));
    for (const std::string& line : singleLines)
        EXPECT_NE(std::find(wholeLines.begin(), wholeLines.end(), line), wholeLines.end()) << line << "\n" << whole.out;

    std::set<std::string> seasonFiles, singleFiles;
    for (const auto& entry : std::filesystem::directory_iterator(season)) seasonFiles.insert(entry.path().filename());
    for (const auto& entry : std::filesystem::directory_iterator(single)) singleFiles.insert(entry.path().filename());
    EXPECT_EQ(seasonFiles, singleFiles);
    for (const char* form : {"№ 7 ", "№ 12 ", "№ 14 "})
        EXPECT_TRUE(std::any_of(seasonFiles.begin(), seasonFiles.end(), [&](const std::string& name) {
            return StartsWith(name, form);
        })) << form;
    for (const std::string& name : seasonFiles)
        EXPECT_EQ(ReadDocumentText((season / name).string()), ReadDocumentText((single / name).string())) << name;
}
