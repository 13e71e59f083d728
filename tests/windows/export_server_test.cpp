// A whole export run across the process boundary: rows from a stand-in of
// the database session (no Windows database client can be had here), the
// document written by the stand-in word processor in its own process through
// the Word back-end, then read back from disk.
#include <gtest/gtest.h>

#include <objbase.h>

#include <filesystem>
#include <fstream>

#include "export/export_run.h"
#include "platform/win32/wide_text.h"
#include "recording_view.h"
#include "stand_in_word_test.h"
#include "stand_in_rows.h"
#include "word/com/word_com.h"

namespace tarnfold {
namespace {

using namespace tarnfold::testing;

std::string Utf8(const std::filesystem::path& path) { return win32::Narrow(path.wstring()); }

std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class ExportThroughStandInWord : public StandInWordTest, public ::testing::WithParamInterface<const wchar_t*> {
protected:
    void SetUp() override {
        StandInWordTest::SetUp();
        if (!Ready()) return;
        std::filesystem::create_directories(root / L"DocF");
        std::ofstream(root / L"DocF" / (std::wstring(L"7") + GetParam()), std::ios::binary) << StandInTemplate;
    }
};

// Word fills a .docx template as it fills a .doc: where only the .docx is
// there, the document keeps its kind.
TEST_P(ExportThroughStandInWord, TheFilledDocumentIsWrittenByTheWordProcessor) {
    FakeDatabase database;
    database.answer = StandInAnswer;
    ExportChoices choices;
    choices.theme = 0;         // annual
    choices.formPosition = 2;  // "7.doc"
    choices.institutionIndex = 0;
    choices.periodIndex = 0;
    choices.sectionText = "1";
    choices.yearText = "2011";
    choices.templateFolder = Utf8(root / L"DocF");
    ExportOptions options;
    options.formats.decimalSeparator = ",";
    options.programFolder = Utf8(root) + "\\";
    std::vector<std::string> shown;
    RecordingView view(shown);
    word::com::ComServer word;

    ExportRun run([&] { return std::make_unique<FakeSession>(database); }, StandInInstitutions, StandInPeriods,
                  WordServers(word, &word), view, options, choices);
    run.Execute();

    ASSERT_TRUE(run.Outcome().saved) << ::testing::PrintToString(shown);
    EXPECT_EQ(run.Outcome().placedFigures, 2u);
    const std::filesystem::path output = root / L"Reports" / (L"№ 7 (разрез 01) ЦРБ за 2011 год" + std::wstring(GetParam()));
    EXPECT_EQ(run.Outcome().outputPath, Utf8(output));
    EXPECT_EQ(ReadAll(output), StandInDocument);
    // Only the finished document is left in the reports folder.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(root / L"Reports"), {}), 1);
}

INSTANTIATE_TEST_SUITE_P(TemplateKinds, ExportThroughStandInWord, ::testing::Values(L".doc", L".docx"));

}  // namespace
}  // namespace tarnfold
