// The Word back-end against a word processor in another process: the
// stand-in word_stand_in.exe, registered as "Word.Application" and started
// by COM itself, writes real files, which are read back here.
#include <gtest/gtest.h>

#include <objbase.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <random>

#include "error_text.h"
#include "core/error.h"
#include "core/wide_text.h"
#include "stand_in_registration.h"
#include "stand_in_word_test.h"
#include "word/com/word_com.h"
#include "support/whole_file.h"

using tarnfold::testing::ReadWholeFile;

namespace tarnfold::word::com {
namespace {

using tarnfold::testing::ErrorOf;

using testing::RegisteredWordApplication;
using testing::StandInClassId;
using testing::StandInUnregistered;
using testing::StandInWordTest;
using testing::WordApplication;

std::string Utf8(const std::filesystem::path& path) { return win32::Narrow(path.wstring()); }

void WriteAll(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// The stand-in's text format: "{name}" an empty bookmark, "{name:text}" one
// over text, "{{" a brace.
const std::string kTemplate =
    "Форма № 7 {{сводная}}\r\n"
    "Год: {z0001_000_00}\r\n"
    "Месяц: {Z0003_000_00}\r\n"
    "Строка 1, графа 3: {z1000_001_03}\r\n"
    "Примечание: {note:было}\r\n";

class StandInWord : public StandInWordTest {
protected:
    void SetUp() override {
        StandInWordTest::SetUp();
        if (!Ready()) return;
        templatePath = root / L"шаблон F007.doc";
        outputPath = root / L"№ 7 (разрез 01) ЦРБ «Север» за 2024 год.doc";
        WriteAll(templatePath, kTemplate);
    }

    // The application the way the back-end has none: for what it never asks.
    static Dispatch RawApplication() {
        ComPtr<IDispatch> application;
        const HRESULT hr = CoCreateInstance(StandInClassId(), nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch,
                                            reinterpret_cast<void**>(application.Receive()));
        if (FAILED(hr)) throw Error(AutomationErrorText(hr, {}));
        return Dispatch(std::move(application));
    }

    std::filesystem::path templatePath;
    std::filesystem::path outputPath;
};

TEST_F(StandInWord, AnExportWritesEveryTextInItsPlace) {
    ComServer server;
    std::unique_ptr<Application> word = server.CreateApplication();
    const auto document = std::dynamic_pointer_cast<ComDocument>(word->OpenWorkingDocument(Utf8(templatePath)));
    ASSERT_TRUE(document);
    document->SaveAs(Utf8(outputPath));
    EXPECT_EQ(ReadWholeFile(outputPath), kTemplate);

    const std::pair<const char*, const char*> header[] = {
        {"z0001_000_00", "2024"}, {"z0002_000_00", "ЦРБ «Север»"}, {"z0003_000_00", "Январь"}};
    for (const auto& [name, text] : header)
        if (document->HasBookmark(name)) document->TypeAtBookmark(name, text);
    const std::pair<const char*, const char*> figures[] = {{"z1000_001_03", "12,5"}, {"z1000_002_03", "7"}};
    for (const auto& [name, text] : figures)
        if (document->HasBookmark(name)) document->InsertBeforeBookmark(name, text);
    document->TypeAtBookmark("NOTE", "стало");
    document->GoToBookmark("z0001_000_00");
    document->Save();
    word->Show();

    EXPECT_EQ(ReadWholeFile(outputPath),
              "Форма № 7 {{сводная}}\r\n"
              "Год: 2024{z0001_000_00}\r\n"
              "Месяц: Январь{Z0003_000_00}\r\n"
              "Строка 1, графа 3: {z1000_001_03:12,5}\r\n"
              "Примечание: стало{note}\r\n");
    EXPECT_EQ(ReadWholeFile(templatePath), kTemplate);

    // Missing bookmarks fail with the word processor's words, across the process boundary.
    EXPECT_EQ(ErrorOf([&] { document->TypeAtBookmark("z0002_000_00", "x"); }), "This bookmark does not exist");
    EXPECT_EQ(ErrorOf([&] { document->InsertBeforeBookmark("z1000_002_03", "x"); }),
              "The requested member of the collection does not exist");
    // Every client reaches the same running word processor, now shown.
    const Dispatch same = RawApplication();
    EXPECT_TRUE(same.Boolean("visible"));
    EXPECT_EQ(same.Object("ActiveDocument").Object("Bookmarks").Integer("Count"), 4);
}

TEST_F(StandInWord, WithoutItsRegistrationTheStartFailsWithTheSystemsText) {
    {
        StandInUnregistered unregistered;
        ASSERT_TRUE(unregistered.removed());
        const std::string text = ErrorOf([] { ComServer().CreateApplication(); });
        EXPECT_EQ(text, AutomationErrorText(CO_E_CLASSSTRING, {}));
        EXPECT_FALSE(text.empty());
    }
    EXPECT_EQ(ErrorOf([] { ComServer().CreateApplication(); }), "");
}

TEST_F(StandInWord, QuitEndsTheWordProcessorAndTheNextStartIsAFreshOne) {
    Dispatch word = RawApplication();
    std::string path = Utf8(templatePath);
    const std::int32_t before = word.Object("Documents").Integer("Count");
    word.Object("Documents").Call("Open", {Arg::TextByRef(path)});
    ASSERT_EQ(word.Object("Documents").Integer("Count"), before + 1);
    word.Call("Quit");
    EXPECT_FALSE(ErrorOf([&] { word.Object("Documents"); }).empty());
    EXPECT_EQ(RawApplication().Object("Documents").Integer("Count"), 0);
}

}  // namespace
}  // namespace tarnfold::word::com
