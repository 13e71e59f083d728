// Templates made by LibreOffice, filled the way an export fills them, and read
// back by LibreOffice: the texts land in the right cells, headers and footers,
// and nothing else of the package changes.

#include "office_reading.h"
#include "package_builder.h"
#include "wordml_reading.h"

#include "bookmark_steps.h"
#include "temp_dir.h"
#include "word/docx/docx_package.h"
#include "word/docx/docx_server.h"
#include "word/docx/template_image.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

namespace tarnfold::testing {
namespace {

using ::testing::ElementsAre;

constexpr const char* kFormLayout = R"json({
 "header": [{"text": "Год: ", "bookmark": "z0001_000_00", "span": "____", "after": " г."}],
 "footer": [{"text": "Период: ", "bookmark": "z0003_000_00"}],
 "body": ["Форма 7",
          {"text": "Учреждение: ", "bookmark": "z0002_000_00", "span": "(наименование)", "after": "."},
          {"table": [["Строка", "Гр.3", "Гр.4"],
                     ["Всего", {"bookmark": "z1000_001_03"}, {"text": "", "bookmark": "z1000_001_04"}],
                     ["в т.ч.", {"text": "~", "bookmark": "z1000_002_03", "after": " чел."}, "—"]]}]
})json";

constexpr const char* kTextsLayout = R"json({
 "body": [{"text": "Таб:", "bookmark": "tabs"},
          {"bookmark": "lines"},
          {"text": "[", "bookmark": "blanks", "after": "]"},
          {"text": "Заменить: ", "bookmark": "marks", "span": "старое значение", "after": "!"}]
})json";

class OfficeRoundTrip : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = std::make_unique<TempDir>();
        office_ = std::make_unique<Office>(dir_->File("office-profile"));
        office_->MakeTemplates({{kFormLayout, dir_->File("form7.docx")}, {kTextsLayout, dir_->File("texts.docx")}});
    }
    static void TearDownTestSuite() {
        office_.reset();
        dir_.reset();
    }

    // Opens the template as an export does and saves it under the output name.
    std::shared_ptr<word::BookmarkDocument> OpenAndSaveAs(const std::string& templatePath, const std::string& output) {
        app_ = server_.CreateApplication();
        auto doc = word::BookmarkSteps(app_->OpenWorkingDocument(templatePath));
        doc->SaveAs(output);
        return doc;
    }

    static std::unique_ptr<TempDir> dir_;
    static std::unique_ptr<Office> office_;
    word::docx::DocxServer server_{[](const std::string&) {}};
    std::unique_ptr<word::Application> app_;
};

std::unique_ptr<TempDir> OfficeRoundTrip::dir_;
std::unique_ptr<Office> OfficeRoundTrip::office_;

TEST_F(OfficeRoundTrip, AFilledFormReadsBackWithEveryFigureInItsCell) {
    const std::string templatePath = dir_->File("form7.docx");
    std::filesystem::create_directory(dir_->Path() / "Reports");
    const std::string output = dir_->File("Reports/Форма 7 2023.docx");

    auto doc = OpenAndSaveAs(templatePath, output);
    const word::BookmarkFilling header = doc->FillBookmarks(
        {{"z0001_000_00", "2023"}, {"z0002_000_00", "ГБУЗ «Областная больница» № 1"}, {"z0003_000_00", "январь"}},
        word::Placement::TypeAt);
    EXPECT_EQ(header.placed, 3u);
    EXPECT_THAT(header.missing, ElementsAre());
    EXPECT_FALSE(header.failure);
    const word::BookmarkFilling figures = doc->FillBookmarks(
        {{"z1000_001_03", "125"}, {"Z1000_001_04", "12,5"}, {"z1000_002_03", "7"}, {"z1000_003_03", "9"}},
        word::Placement::InsertBefore);
    EXPECT_EQ(figures.placed, 3u);
    EXPECT_THAT(figures.missing, ElementsAre("z1000_003_03"));
    EXPECT_FALSE(figures.failure);
    doc->LeaveCursorAt("z0001_000_00");
    doc->Save();

    EXPECT_THAT(office_->BodyLines(output),
                ElementsAre("Форма 7", "Учреждение: ГБУЗ «Областная больница» № 1.", "Строка", "Гр.3", "Гр.4", "Всего",
                            "125", "12,5", "в т.ч.", "~7 чел.", "—"));
    EXPECT_THAT(office_->HeaderAndFooterTexts(output), ElementsAre("Год: 2023 г.", "Период: январь"));

    // Structure: every part well-formed, bookmark marks as they were, and
    // every part that was not filled copied byte for byte.
    for (const char* part : {"word/document.xml", "word/header1.xml", "word/footer1.xml"}) {
        SCOPED_TRACE(part);
        const std::vector<std::string> before = BookmarkMarks(ReadEntry(templatePath, part));
        EXPECT_FALSE(before.empty());
        EXPECT_EQ(BookmarkMarks(ReadEntry(output, part)), before);
    }
    const std::vector<RawEntry> original = ReadRawEntries(templatePath);
    const std::vector<RawEntry> filled = ReadRawEntries(output);
    ASSERT_EQ(filled.size(), original.size());
    for (std::size_t i = 0; i < original.size(); ++i) {
        EXPECT_EQ(filled[i].name, original[i].name);
        const bool changed = original[i].name == "word/document.xml" || original[i].name == "word/header1.xml" ||
                             original[i].name == "word/footer1.xml";
        EXPECT_EQ(filled[i].compressed == original[i].compressed, !changed) << original[i].name;
    }
}

TEST_F(OfficeRoundTrip, TabsLineBreaksBlanksAndMarkupCharactersSurvive) {
    const std::string output = dir_->File("texts-filled.docx");
    auto doc = OpenAndSaveAs(dir_->File("texts.docx"), output);
    doc->InsertBeforeBookmark("tabs", "1\t2");
    doc->InsertBeforeBookmark("lines", "первая\r\nвторая");
    doc->InsertBeforeBookmark("blanks", "  5  ");
    doc->TypeAtBookmark("marks", "<&>\x07\"новое\"");
    doc->Save();
    EXPECT_THAT(office_->BodyLines(output),
                ElementsAre("Таб:1\t2", "первая", "вторая", "[  5  ]", "Заменить: <&>\"новое\"!"));
    EXPECT_EQ(BookmarkMarks(ReadEntry(output, "word/document.xml")),
              BookmarkMarks(ReadEntry(dir_->File("texts.docx"), "word/document.xml")));
}

// The shape of the bench's form, smaller: the header fields as paragraphs,
// then tables with a bookmark in every empty cell.
std::string BenchFormLayout() {
    std::string body = R"({"text": "Год ", "bookmark": "z0001_000_00"}, {"text": "Учреждение ", "bookmark": )"
                       R"("z0002_000_00"}, {"text": "Период ", "bookmark": "z0003_000_00"})";
    for (int table = 1; table <= 2; ++table) {
        body += ", {\"table\": [";
        for (int row = 1; row <= 3; ++row) {
            body += row == 1 ? "[" : ", [";
            for (int column = 1; column <= 4; ++column) {
                char name[32];
                std::snprintf(name, sizeof name, "z%04d_%03d_%02d", 1000 + table, row, column);
                body += std::string(column == 1 ? "" : ", ") + "{\"text\": \"\", \"bookmark\": \"" + name + "\"}";
            }
            body += "]";
        }
        body += "]}";
    }
    return "{\"body\": [" + body + "]}";
}

// The demo's forms as the demo lays them out, one description per form,
// written by the demo's own template script into `folder`.
std::vector<std::string> DemoFormLayouts(const std::string& folder) {
    const std::string root = TARNFOLD_DOCX_SOURCE_ROOT;
    const std::string script =
        "import importlib.machinery, json, subprocess, sys\n"
        "maker = importlib.machinery.SourceFileLoader('maker', sys.argv[1] + "
        "'/scripts/make-demo-templates').load_module()\n"
        "forms = json.loads(subprocess.run([sys.executable, sys.argv[1] + '/scripts/demo_forms.py', 'templates'],\n"
        "                                  check=True, capture_output=True, text=True).stdout)\n"
        "for n, name in enumerate(sorted(forms)):\n"
        "    with open('%s/demo%d.json' % (sys.argv[2], n), 'w', encoding='utf-8') as f:\n"
        "        json.dump(maker.template_layout(forms[name]), f, ensure_ascii=False)\n";
    std::ofstream(folder + "/layouts.py") << script;
    const std::string command = "python3 '" + folder + "/layouts.py' '" + root + "' '" + folder + "'";
    if (std::system(command.c_str()) != 0) {
        ADD_FAILURE() << "the demo's layouts could not be made: " << command;
    }
    std::vector<std::string> layouts;
    for (int n = 0; std::filesystem::exists(folder + "/demo" + std::to_string(n) + ".json"); ++n) {
        std::ifstream in(folder + "/demo" + std::to_string(n) + ".json");
        std::ostringstream text;
        text << in.rdbuf();
        layouts.push_back(text.str());
    }
    return layouts;
}

// What an export does: the header fields typed, a figure in front of every
// other bookmark; through the word interface, as the batch calls it.
template <typename Document>
void FillFigures(Document& doc, const std::vector<std::string>& names) {
    // An annual form has no period field.
    for (const auto& [name, text] : std::vector<std::pair<std::string, std::string>>{
             {"z0001_000_00", "2011"}, {"z0002_000_00", "ГБУЗ «Областная больница» № 1"}, {"z0003_000_00", "Январь"}}) {
        if (doc.HasBookmark(name)) doc.TypeAtBookmark(name, text);
    }
    int figure = 0;
    for (const std::string& name : names) {
        if (name.rfind("z000", 0) != 0) doc.InsertBeforeBookmark(name, std::to_string(++figure * 37) + ",25");
    }
}

void FillAsAnExport(word::Server& server, const std::string& templatePath, const std::vector<std::string>& names,
                    const std::string& output) {
    auto app = server.CreateApplication();
    auto doc = word::BookmarkSteps(app->OpenWorkingDocument(templatePath));
    doc->SaveAs(output);
    FillFigures(*doc, names);
    doc->Save();
}

// The same filling on the template's parsed tree.
void FillParsed(const std::string& templatePath, const std::vector<std::string>& names, const std::string& output) {
    word::docx::DocxPackage doc(templatePath);
    doc.SaveAs(output);
    FillFigures(doc, names);
    doc.Save();
}

// The template maker's own WordprocessingML, written without the office (as
// the bench makes its large forms): the office reads it, bookmarks and all,
// and the filled figures land in their cells, header and footer.
TEST_F(OfficeRoundTrip, AFormWrittenWithoutTheOfficeFillsAndReadsBack) {
    const std::string layout = dir_->File("direct-layout.json");
    std::ofstream(layout) << kFormLayout;
    const std::string templatePath = dir_->File("direct.docx");
    const std::string command = "python3 '" + std::string(TARNFOLD_DOCX_SOURCE_ROOT) +
                                "/scripts/make_template.py' --docx-without-office --layout '" + layout + "' --out '" +
                                templatePath + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;

    const std::string output = dir_->File("direct-filled.docx");
    auto doc = OpenAndSaveAs(templatePath, output);
    doc->TypeAtBookmark("z0001_000_00", "2023");
    doc->TypeAtBookmark("z0002_000_00", "ГБУЗ № 1");
    doc->TypeAtBookmark("z0003_000_00", "январь");
    for (const auto& [name, text] : std::vector<std::pair<std::string, std::string>>{
             {"z1000_001_03", "125"}, {"z1000_001_04", "12,5"}, {"z1000_002_03", "7"}})
        doc->InsertBeforeBookmark(name, text);
    doc->Save();
    EXPECT_THAT(office_->BodyLines(output), ElementsAre("Форма 7", "Учреждение: ГБУЗ № 1.", "Строка", "Гр.3", "Гр.4",
                                                        "Всего", "125", "12,5", "в т.ч.", "~7 чел.", "—"));
    EXPECT_THAT(office_->HeaderAndFooterTexts(output), ElementsAre("Год: 2023 г.", "Период: январь"));
}

// Whether a running process names `text` on its command line.
bool ProcessNaming(const std::string& text) {
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string pid = entry.path().filename().string();
        if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
        std::ifstream in(entry.path() / "cmdline", std::ios::binary);
        const std::string line((std::istreambuf_iterator<char>(in)), {});
        if (line.find(text) != std::string::npos) return true;
    }
    return false;
}

template <typename Condition>
bool WithinSeconds(int seconds, Condition condition) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < end) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return condition();
}

TEST_F(OfficeRoundTrip, TheTemplateMakerStoppedWhileTheOfficeConvertsLeavesNoOffice) {
    const std::string profile = dir_->File("stopped-profile");
    const std::string layout = dir_->File("stopped-layout.json");
    std::string tables;
    // Large enough that the office would go on converting for many seconds.
    for (int t = 0; t < 150; ++t)
        tables += std::string(t == 0 ? "" : ", ") + R"({"table": [)" + [] {
            std::string rows;
            for (int r = 0; r < 50; ++r) rows += std::string(r == 0 ? "" : ", ") + R"(["1", "2", "3", "4", "5", "6"])";
            return rows;
        }() + "]}";
    std::ofstream(layout) << "{\"body\": [" << tables << "]}";
    std::vector<std::string> args = {"python3",   std::string(TARNFOLD_DOCX_SOURCE_ROOT) + "/scripts/make_template.py",
                                     "--profile", profile,
                                     "--layout",  layout,
                                     "--out",     dir_->File("stopped.doc")};
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t maker = 0;
    ASSERT_EQ(posix_spawnp(&maker, "python3", nullptr, nullptr, argv.data(), environ), 0);
    // The office's own command line names its profile as a URL; the maker's names it as a path.
    const std::string office = "UserInstallation=file://" + profile;
    const bool officeStarted = WithinSeconds(60, [&] { return ProcessNaming(office); });
    kill(maker, SIGTERM);
    int status = 0;
    waitpid(maker, &status, 0);
    ASSERT_TRUE(officeStarted) << "the office never started";
    EXPECT_TRUE(WithinSeconds(3, [&] { return !ProcessNaming(office); })) << "an office outlived the template maker";
    // Whatever the outcome, no office is left to the tests that follow.
    WithinSeconds(60, [&] { return !ProcessNaming(office); });
}

TEST_F(OfficeRoundTrip, TheBatchWayMakesTheSameDocumentsAsThePerDocumentWayForTheBenchAndDemoForms) {
    const std::string folder = dir_->File("reuse");
    std::filesystem::create_directories(folder);
    std::vector<std::pair<std::string, std::string>> templates = {{BenchFormLayout(), folder + "/bench.docx"}};
    const std::vector<std::string> demo = DemoFormLayouts(folder);
    EXPECT_GE(demo.size(), 4u);
    for (std::size_t n = 0; n < demo.size(); ++n)
        templates.emplace_back(demo[n], folder + "/demo" + std::to_string(n) + ".docx");
    office_->MakeTemplates(templates);

    word::docx::DocxServer eachDocument([](const std::string&) {});
    word::docx::DocxServer batchWay([](const std::string&) {}, word::docx::TemplateReuse::AcrossDocuments);
    for (const auto& [layout, templatePath] : templates) {
        SCOPED_TRACE(templatePath);
        const std::vector<std::string> names = word::docx::DocxPackage(templatePath).BookmarkNames();
        EXPECT_GT(names.size(), 3u);
        // The window's way scans the template as text; the parsed tree makes the same document.
        EXPECT_TRUE(word::docx::TemplateImage(templatePath).Scanned());
        FillAsAnExport(eachDocument, templatePath, names, folder + "/each.docx");
        FillParsed(templatePath, names, folder + "/parsed.docx");
        EXPECT_EQ(ReadAllEntries(folder + "/each.docx"), ReadAllEntries(folder + "/parsed.docx"));
        // Two documents the batch way: the second from the template prepared for the first.
        for (const char* output : {"/batch1.docx", "/batch2.docx"}) {
            FillAsAnExport(batchWay, templatePath, names, folder + output);
            EXPECT_EQ(ReadAllEntries(folder + output), ReadAllEntries(folder + "/each.docx")) << output;
        }
    }
    // And the office reads what the batch way wrote.
    EXPECT_THAT(office_->BodyLines(folder + "/batch2.docx"), ::testing::Contains("Год: 2011"));
}

}  // namespace
}  // namespace tarnfold::testing
