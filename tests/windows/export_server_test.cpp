// A whole export run across the process boundary: rows from a stand-in of
// the database session (the tests need figures in a shape no database file
// of theirs gives: two cells of one row), the document written by the
// stand-in word processor in its own process through the Word back-end, then
// read back from disk. The stand-in also plays a Word that holds the user's
// document and one that is busy.
#include <gtest/gtest.h>

#include <objbase.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>

#include "core/error.h"
#include "export/export_run.h"
#include "core/wide_text.h"
#include "support/recording_observer.h"
#include "stand_in_word_test.h"
#include "stand_in_rows.h"
#include "word/com/message_filter.h"
#include "word/com/word_com.h"
#include "support/whole_file.h"

namespace tarnfold {
namespace {

using namespace tarnfold::testing;
using namespace std::chrono_literals;
using word::com::Arg;
using word::com::Dispatch;

std::string Utf8(const std::filesystem::path& path) { return win32::Narrow(path.wstring()); }

// The Word every client of the stand-in shares while one holds it.
Dispatch HeldWord() { return word::com::CreateAutomationObject("Word.Application"); }

class ExportThroughStandInWord : public StandInWordTest {
protected:
    void Prepare(const wchar_t* extension) {
        std::filesystem::create_directories(root / L"DocF");
        std::ofstream(root / L"DocF" / (std::wstring(L"7") + extension), std::ios::binary) << StandInTemplate;
    }
    std::filesystem::path Output(const wchar_t* extension) const {
        return root / L"Reports" / (L"№ 7 (разрез 01) ЦРБ за 2011 год" + std::wstring(extension));
    }

    // Runs one export of form 7 into the reports folder; the error it ends
    // with, if any.
    std::optional<std::string> Export(ExportOutcome& outcome) {
        FakeDatabase database;
        database.answer = StandInAnswer;
        ExportChoices choices;
        choices.theme = &Themes[0];        // annual
        choices.form = TemplateRow(0, 2);  // "7.doc"
        choices.institution = StandInInstitutions.at(0);
        choices.period = StandInPeriods.at(0);
        choices.sectionText = "1";
        choices.yearText = "2011";
        choices.templateFolder = Utf8(root / L"DocF");
        ExportOptions options;
        options.formats.decimalSeparator = ",";
        options.programFolder = Utf8(root) + "\\";
        std::vector<std::string> shown;
        RecordingObserver observer(shown);
        word::com::ComServer word;
        ExportRun run([&] { return std::make_unique<FakeSession>(database); }, WordServers(word, &word), observer,
                      options, choices);
        std::optional<std::string> failure;
        try {
            run.Execute();
        } catch (const Error& error) {
            failure = error.what();
        }
        outcome = run.Outcome();
        return failure;
    }
};

class EachTemplateKind : public ExportThroughStandInWord, public ::testing::WithParamInterface<const wchar_t*> {};

// Word fills a .docx template as it fills a .doc: where only the .docx is
// there, the document keeps its kind, and Word is told to write that kind.
// Only the report goes to Word's recent files, not the working copy.
TEST_P(EachTemplateKind, TheFilledDocumentIsWrittenByTheWordProcessorInItsKind) {
    if (!Ready()) return;
    Prepare(GetParam());
    const Dispatch word = HeldWord();
    ExportOutcome outcome;
    const std::optional<std::string> failure = Export(outcome);
    ASSERT_FALSE(failure) << *failure;
    ASSERT_TRUE(outcome.saved);
    EXPECT_EQ(outcome.placedFigures, 2u);
    const std::filesystem::path output = Output(GetParam());
    EXPECT_EQ(outcome.outputPath, Utf8(output));
    EXPECT_EQ(ReadWholeFile(output), StandInDocument);
    // Only the finished document is left in the reports folder.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(root / L"Reports"), {}), 1);
    const std::string format = std::wstring(GetParam()) == L".docx" ? "12" : "0";
    EXPECT_EQ(word.Text("StandInSaves"), format + " 0 " +
                                             Utf8(output.parent_path() / (L"~tf-" + output.filename().wstring())) +
                                             "\n" + format + " 1 " + Utf8(output) + "\n");
    word.Call("Quit", {Arg::Boolean(false, "SaveChanges")});
}

INSTANTIATE_TEST_SUITE_P(TemplateKinds, EachTemplateKind, ::testing::Values(L".doc", L".docx"));

// COM may hand the run a Word with the user's document in it, which the user
// activates again while the run opens its template: the run fills its own
// document, making it active again, and fails rather than type into the
// user's when Word keeps that one active.
TEST_F(ExportThroughStandInWord, TheUsersDocumentIsNeverTypedInto) {
    if (!Ready()) return;
    Prepare(L".doc");
    const std::filesystem::path letter = root / L"письмо.doc";
    const std::string letterText = "Письмо {подпись}\r\n";
    std::ofstream(letter, std::ios::binary) << letterText;
    struct Case {
        const char* what;
        int switchesBack;
        bool saved;
    };
    for (const Case& test : {Case{"the user switches back while the template opens", 2, true},
                             Case{"the user's document stays active", 1000, false}}) {
        SCOPED_TRACE(test.what);
        std::filesystem::remove_all(root / L"Reports");
        const Dispatch word = HeldWord();
        std::string path = Utf8(letter);
        word.Object("Documents").Call("Open", {Arg::TextByRef(path)});
        word.Put("StandInUserDocument", Arg::Text(Utf8(letter)));
        word.Put("StandInSwitchesBack", Arg::Integer(test.switchesBack));

        ExportOutcome outcome;
        const std::optional<std::string> failure = Export(outcome);
        EXPECT_EQ(outcome.saved, test.saved) << failure.value_or("");
        if (test.saved) {
            EXPECT_EQ(ReadWholeFile(Output(L".doc")), StandInDocument);
        } else {
            ASSERT_TRUE(failure);
            EXPECT_EQ(failure->rfind("Word не дает сделать активным документ выгрузки: активен другой документ (" +
                                         Utf8(letter) + ")",
                                     0),
                      0u)
                << *failure;
        }
        // The user's document: still open under its name, its text as it was.
        const Dispatch users = word.Object("Documents").Object("Item", {Arg::Integer(1)});
        EXPECT_EQ(users.Text("FullName"), Utf8(letter));
        EXPECT_EQ(ReadWholeFile(letter), letterText);
        std::string copy = Utf8(root / L"копия письма.doc");
        users.Call("SaveAs", {Arg::TextByRef(copy)});
        EXPECT_EQ(ReadWholeFile(root / L"копия письма.doc"), letterText) << "typed into the user's document";
        word.Call("Quit", {Arg::Boolean(false, "SaveChanges")});
    }
}

// A Word that turns calls away (just started, a dialog open in it) is waited
// for as long as the message filter's patience lasts; then the run says why.
TEST_F(ExportThroughStandInWord, ABusyWordIsWaitedForAndThenNamedAsBusy) {
    if (!Ready()) return;
    Prepare(L".doc");
    struct Case {
        const char* what;
        std::chrono::milliseconds busy;
        std::chrono::milliseconds patience;
        bool saved;
    };
    for (const Case& test :
         {Case{"busy for a moment", 1500ms, 20s, true}, Case{"busy for longer", 4000ms, 1s, false}}) {
        SCOPED_TRACE(test.what);
        std::filesystem::remove_all(root / L"Reports");
        const Dispatch word = HeldWord();
        const auto started = std::chrono::steady_clock::now();
        ExportOutcome outcome;
        std::optional<std::string> failure;
        {
            const word::com::BusyServerFilter filter(test.patience);
            word.Put("StandInBusyFor", Arg::Integer(static_cast<std::int32_t>(test.busy.count())));
            failure = Export(outcome);
        }
        const auto took = std::chrono::steady_clock::now() - started;
        EXPECT_EQ(outcome.saved, test.saved) << failure.value_or("");
        if (test.saved) {
            EXPECT_GE(took, test.busy);
            EXPECT_EQ(ReadWholeFile(Output(L".doc")), StandInDocument);
        } else {
            EXPECT_EQ(failure.value_or(""), word::com::kWordBusyMessage);
            EXPECT_LT(took, test.busy);
        }
        // Waited for here, so that the next call finds the stand-in free.
        const word::com::BusyServerFilter waiting(20s);
        word.Call("Quit", {Arg::Boolean(false, "SaveChanges")});
    }
}

}  // namespace
}  // namespace tarnfold
