// The word-processor interface over .docx packages: the document each open
// gives, and what Show hands to the desktop.

#include "package_builder.h"
#include "wordml_reading.h"

#include "core/error.h"
#include "bookmark_steps.h"
#include "temp_dir.h"
#include "word/docx/desktop_opener.h"
#include "word/docx/docx_server.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

namespace tarnfold::testing {
namespace {

using ::testing::ElementsAre;

std::string Form(const TempDir& dir, const std::string& name, const std::string& bookmark) {
    const std::string path = dir.File(name);
    WriteDocx(path, OnlyDocument(DocumentXml(R"(<w:p><w:bookmarkStart w:id="0" w:name=")" + bookmark +
                                             R"("/><w:bookmarkEnd w:id="0"/></w:p>)")));
    return path;
}

class DocxApplication : public ::testing::Test {
protected:
    DocxApplication()
        : server_([this](const std::string& path) { shown_.push_back(path); }), app_(server_.CreateApplication()) {}

    TempDir dir_;
    std::vector<std::string> shown_;
    word::docx::DocxServer server_;
    std::unique_ptr<word::Application> app_;
};

TEST_F(DocxApplication, EachOpenGivesADocumentOfItsOwnTemplate) {
    auto first = word::BookmarkSteps(app_->OpenWorkingDocument(Form(dir_, "a.docx", "first")));
    auto second = word::BookmarkSteps(app_->OpenWorkingDocument(Form(dir_, "b.docx", "second")));
    EXPECT_TRUE(first->HasBookmark("first"));
    EXPECT_TRUE(second->HasBookmark("second"));
    EXPECT_FALSE(second->HasBookmark("first"));
    second->InsertBeforeBookmark("second", "2");
    second->SaveAs(dir_.File("out.docx"));
    EXPECT_THAT(ParagraphTexts(ReadEntry(dir_.File("out.docx"), "word/document.xml")), ElementsAre("2"));
}

TEST_F(DocxApplication, AFailedOpenKeepsTheEarlierDocumentShown) {
    auto doc = word::BookmarkSteps(app_->OpenWorkingDocument(Form(dir_, "a.docx", "first")));
    doc->SaveAs(dir_.File("report.docx"));
    EXPECT_THROW(app_->OpenWorkingDocument(dir_.File("missing.docx")), Error);
    app_->Show();
    EXPECT_THAT(shown_, ElementsAre(dir_.File("report.docx")));
}

TEST_F(DocxApplication, ShowHandsTheSavedFileToTheDesktopAndNeverTheTemplate) {
    const std::string form = Form(dir_, "form.docx", "z0001_000_00");
    auto doc = word::BookmarkSteps(app_->OpenWorkingDocument(form));
    app_->Show();
    EXPECT_THAT(shown_, ElementsAre()) << "a document never saved is not shown";
    doc->SaveAs(dir_.File("report.docx"));
    doc->TypeAtBookmark("z0001_000_00", "2023");
    doc->GoToBookmark("Z0001_000_00");
    doc->Save();
    app_->Show();
    EXPECT_THAT(shown_, ElementsAre(dir_.File("report.docx")));
    EXPECT_THAT(ParagraphTexts(ReadEntry(dir_.File("report.docx"), "word/document.xml")), ElementsAre("2023"));
    EXPECT_THAT(ParagraphTexts(ReadEntry(form, "word/document.xml")), ElementsAre(""));
}

// A template prepared ahead, on a thread of its own, gives the document (or
// the error) the open would have given without it, whether the server keeps
// its templates or not.
TEST(DocxPreparedTemplate, TheOpenGivesWhatItWouldHaveMadeItselfEvenWhenTheFileChangedOrIsBroken) {
    for (const auto reuse : {word::docx::TemplateReuse::None, word::docx::TemplateReuse::AcrossDocuments}) {
        SCOPED_TRACE(reuse == word::docx::TemplateReuse::None ? "one document each" : "kept");
        TempDir dir;
        word::docx::DocxServer server([](const std::string&) {}, reuse);
        const auto app = server.CreateApplication();

        const std::string form = Form(dir, "form.docx", "first");
        server.PrepareTemplate(form);
        auto doc = word::BookmarkSteps(app->OpenWorkingDocument(form));
        doc->InsertBeforeBookmark("first", "1");
        doc->SaveAs(dir.File("out.docx"));
        EXPECT_THAT(ParagraphTexts(ReadEntry(dir.File("out.docx"), "word/document.xml")), ElementsAre("1"));

        // Rewritten after the preparation began: the open reads the file as it is now.
        const std::string changing = Form(dir, "changing.docx", "old");
        server.PrepareTemplate(changing);
        Form(dir, "changing.docx", "a_new_and_longer_name");
        auto changed = word::BookmarkSteps(app->OpenWorkingDocument(changing));
        EXPECT_TRUE(changed->HasBookmark("a_new_and_longer_name"));
        EXPECT_FALSE(changed->HasBookmark("old"));

        // Prepared for one template, opened for another.
        server.PrepareTemplate(form);
        EXPECT_TRUE(word::BookmarkSteps(app->OpenWorkingDocument(changing))->HasBookmark("a_new_and_longer_name"));

        const std::string broken = dir.File("broken.docx");
        std::ofstream(broken) << "not a package";
        std::string unprepared;
        try {
            word::docx::DocxServer().CreateApplication()->OpenWorkingDocument(broken);
        } catch (const Error& e) {
            unprepared = e.what();
        }
        ASSERT_FALSE(unprepared.empty());
        server.PrepareTemplate(broken);
        try {
            app->OpenWorkingDocument(broken);
            ADD_FAILURE() << "a broken template opened";
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()), unprepared);
        }
    }
}

// The real opener, with a stand-in for xdg-open first on the search path.
class DesktopOpener : public ::testing::Test {
protected:
    void SetUp() override {
        const char* path = std::getenv("PATH");
        savedPath_ = path != nullptr ? path : "";
    }
    void TearDown() override { ::setenv("PATH", savedPath_.c_str(), 1); }

    TempDir dir_;
    std::string savedPath_;
};

TEST_F(DesktopOpener, StartsXdgOpenWithTheFileAndDoesNotWaitForIt) {
    const std::string script = dir_.File("xdg-open");
    const std::string record = dir_.File("record.txt");
    std::ofstream(script) << "#!/bin/sh\nPATH=/usr/bin:/bin\nsleep 1\nprintf '%s|%s' \"$1\" \"$#\" > '" << record
                          << ".part'\nmv '" << record << ".part' '" << record << "'\n";
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);
    ::setenv("PATH", dir_.Path().c_str(), 1);

    const std::string document = dir_.File("Отчёт за 2023 год.docx");
    const auto begin = std::chrono::steady_clock::now();
    word::docx::OpenWithDesktop(document);
    EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::milliseconds(900)) << "waited for the program";

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!std::filesystem::exists(record) && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    std::ifstream in(record);
    const std::string seen((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(seen, document + "|1");
}

TEST_F(DesktopOpener, AMissingXdgOpenIsToldClearly) {
    ::setenv("PATH", dir_.Path().c_str(), 1);
    const std::string document = dir_.File("report.docx");
    try {
        word::docx::OpenWithDesktop(document);
        ADD_FAILURE() << "no error without xdg-open";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), "Не удалось открыть документ \"" + document +
                                             "\": не удалось запустить xdg-open: нет такого файла или каталога");
    }
}

}  // namespace
}  // namespace tarnfold::testing
