// The two ways the LibreOffice back-end fills a list of bookmarks: one call
// to its routine inside the office, or a test and a call per bookmark. Both
// must leave the same document and give the same answer, whatever the list
// holds; the routine's own failures read as those of a single call.

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/error.h"
#include "office_fixture.h"
#include "office_probe.h"
#include "support/bookmark_steps.h"
#include "support/documents.h"
#include "support/temp_dir.h"
#include "template_layouts.h"
#include "word/libreoffice/libreoffice.h"

namespace tarnfold::testing {
namespace {

using word::BookmarkText;
using word::Placement;

struct FillStep {
    std::vector<BookmarkText> texts;
    Placement placement = Placement::InsertBefore;
};

// What a document answered to each list, and what it held when saved.
struct Filled {
    std::vector<std::string> answers;
    DocumentContent content;
};

std::string Answer(const word::BookmarkFilling& filling) {
    std::string text = "placed " + std::to_string(filling.placed) + ", missing";
    for (const std::string& name : filling.missing) text += " " + name;
    if (filling.failure) text += ", failure: " + std::string(filling.failure->what());
    return text;
}

class FillRoutesTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder_ = std::make_unique<TempDir>();
        MakeTemplate(kFormTemplate, folder_->File("ДД.doc"));
        word::LibreOfficeOptions options = SharedOfficeOptions();
        options.fillInOffice = false;
        perFigure_ = std::make_unique<word::LibreOfficeServer>(options);
    }
    static void TearDownTestSuite() {
        perFigure_.reset();
        folder_.reset();
    }

    // The same office either way: the routine's server and one that calls per bookmark.
    static word::LibreOfficeServer& Server(bool routine) { return routine ? SharedOffice() : *perFigure_; }

    std::shared_ptr<word::BookmarkDocument> OpenCopy(word::Application& application, const std::string& output) {
        std::shared_ptr<word::BookmarkDocument> document =
            word::BookmarkSteps(application.OpenWorkingDocument(folder_->File("ДД.doc")));
        document->SaveAs(output);
        return document;
    }

    Filled Fill(bool routine, const std::vector<FillStep>& steps, const std::string& name) {
        const std::string output = output_.File(name + (routine ? " строкой.doc" : " по одной.doc"));
        auto application = Server(routine).CreateApplication();
        auto document = OpenCopy(*application, output);
        Filled filled;
        ::testing::internal::CaptureStderr();
        for (const FillStep& step : steps)
            filled.answers.push_back(Answer(document->FillBookmarks(step.texts, step.placement)));
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), "") << "the routine serves without falling back";
        document->Save();
        filled.content = ReadDocument(output);
        return filled;
    }

    static inline std::unique_ptr<TempDir> folder_;
    static inline std::unique_ptr<word::LibreOfficeServer> perFigure_;
    TempDir output_;
};

struct RouteCase {
    const char* name;
    std::vector<FillStep> steps;
    std::vector<std::string> answers;  // the same from both routes
    std::vector<std::string> header;   // what both documents hold
    std::vector<std::string> body;
};

const std::vector<std::string> kBlankHeader = {"Год:  год", "Учреждение: наименование учреждения", "Период: "};

std::vector<std::string> Body(const std::string& total3, const std::string& total4, const std::string& men3,
                              const std::string& men4, const std::string& sum, const std::string& code) {
    return {"Форма 7. Сведения о заболевших злокачественными новообразованиями",
            "Строка",
            "Графа 3",
            "Графа 4",
            "Всего",
            total3,
            total4,
            "Мужчины",
            men3,
            men4,
            "Примечание",
            "Итого",
            sum,
            code,
            "Конец формы"};
}

const std::vector<RouteCase> kRouteCases = {
    {"шапка с кавычками",
     {{{{"z0001_000_00", "2023"}, {"z0002_000_00", "ГБУЗ \"Север\" «Юг» 'ЦРБ'"}, {"z0003_000_00", "январь — март"}},
       Placement::TypeAt}},
     {"placed 3, missing"},
     {"Год: 2023 год", "Учреждение: ГБУЗ \"Север\" «Юг» 'ЦРБ'", "Период: январь — март"},
     Body("", "", "", "из них: —", "", "код ")},
    {"строка без части закладок",
     {{{{"z1000_001_03", "1234,5"},
        {"z1000_099_03", "1"},
        {"z1000_001_04", "17"},
        {"z1000_003_04", "2"},
        {"z1000_002_04", "нет данных"}}}},
     {"placed 3, missing z1000_099_03 z1000_003_04"},
     kBlankHeader,
     Body("1234,5", "17", "", "из них: нет данных—", "", "код ")},
    {"имена в другом регистре",
     {{{{"Z0001_000_00", "2024"}}, Placement::TypeAt},
      {{{"Z1000_002_03", "0,25"}, {"ИТОГОСТРОК", "\"42\""}, {"Z2000_001_01", "Итог"}}}},
     {"placed 1, missing", "placed 3, missing"},
     {"Год: 2024 год", "Учреждение: наименование учреждения", "Период: "},
     Body("", "", "0,25", "из них: —", "Итог", "код \"42\"")},
    // Each text goes in front of the bookmark: a later one stands before an
    // earlier one, within a row and across rows, whatever the name's case.
    {"две цифры в одну закладку",
     {{{{"z1000_001_03", "42"}, {"z1000_001_04", "7"}, {"Z1000_001_03", "43"}}}, {{{"z1000_001_03", "44"}}}},
     {"placed 3, missing", "placed 1, missing"},
     kBlankHeader,
     Body("444342", "7", "", "из них: —", "", "код ")},
    {"пустая строка и строка без закладок",
     {{{}}, {{{"z9000_001_01", "1"}, {"z9000_001_02", "2"}}}, {{}, Placement::TypeAt}},
     {"placed 0, missing", "placed 0, missing z9000_001_01 z9000_001_02", "placed 0, missing"},
     kBlankHeader,
     Body("", "", "", "из них: —", "", "код ")},
};

TEST_F(FillRoutesTest, TheRoutineInTheOfficeFillsAsTheCallsPerBookmarkDo) {
    for (const RouteCase& c : kRouteCases) {
        SCOPED_TRACE(c.name);
        const Filled byRoutine = Fill(true, c.steps, c.name);
        const Filled byFigure = Fill(false, c.steps, c.name);
        EXPECT_EQ(byRoutine.answers, c.answers);
        EXPECT_EQ(byFigure.answers, c.answers);
        EXPECT_EQ(byRoutine.content.header, c.header);
        EXPECT_EQ(byRoutine.content.body, c.body);
        EXPECT_EQ(byFigure.content.header, byRoutine.content.header);
        EXPECT_EQ(byFigure.content.body, byRoutine.content.body);
        EXPECT_EQ(byFigure.content.bookmarks, byRoutine.content.bookmarks);
    }
    EXPECT_TRUE(OfficeProbe(SharedOfficeOptions()).HasReadOnlyLibrary("TarnfoldFill"))
        << "the routine lives in the office's profile, read-only";
}

// The document closed by its user while it is filled: the office fails the
// routine's first step, and the routine tells it as the call for that
// bookmark tells a closed document, after the names it did not find.
TEST_F(FillRoutesTest, AFailureInsideTheRoutineReadsAsThatOfTheCallForItsBookmark) {
    const std::string output = output_.File("закрыт.doc");
    auto application = SharedOffice().CreateApplication();
    auto document = OpenCopy(*application, output);
    ASSERT_TRUE(document->HasBookmark("z1000_002_03"));
    OfficeProbe(SharedOfficeOptions()).CloseDocument(output);
    ::testing::internal::CaptureStderr();
    const std::string answer = Answer(document->FillBookmarks(
        {{"z1000_099_03", "x"}, {"z1000_001_03", "1"}, {"z1000_002_03", "2"}}, Placement::InsertBefore));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "") << "the routine serves without falling back";
    EXPECT_EQ(answer,
              "placed 0, missing z1000_099_03, failure: Не удалось вставить текст перед закладкой "
              "z1000_001_03: документ закрыт в LibreOffice");
}

}  // namespace
}  // namespace tarnfold::testing
