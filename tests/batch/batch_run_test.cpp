// The batch's own logic against a scripted database and a recording word
// processor: each document reported, a failure not stopping the others, an
// empty result skipped, and a stop request ending the batch after a row.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "batch/batch_run.h"
#include "core/error.h"
#include "support/fake_database.h"
#include "support/recording_word.h"
#include "support/temp_dir.h"

using namespace tarnfold;
using namespace tarnfold::batch;
using namespace tarnfold::testing;

namespace {

class RecordingOutput : public BatchOutput {
public:
    void Progress(std::size_t documentsDone, std::size_t documentTotal, std::size_t rowsDone,
                  std::size_t rowTotal) override {
        progress.push_back(std::to_string(documentsDone) + "/" + std::to_string(documentTotal) + " " +
                           std::to_string(rowsDone) + "/" + std::to_string(rowTotal));
        if (onProgress) onProgress();
    }
    void SavingDocument(const std::string& path) override { saving.push_back(path); }
    void DocumentFinished(const DocumentResult& result) override {
        finished.push_back(result);
        savingBeforeFinished.push_back(saving.size());
    }

    std::vector<std::string> progress;
    std::vector<std::string> saving;
    std::vector<std::size_t> savingBeforeFinished;
    std::vector<DocumentResult> finished;
    std::function<void()> onProgress;
};

class BatchRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(program.Path() / "DocF");
        std::ofstream(program.Path() / "DocF" / "7.doc") << "template";
        options.programFolder = program.Folder();
        recording.bookmarks = {"z1000_001_01", "z1000_002_01"};
        database.answer = [this](const std::string& sql, const Parameters& parameters) {
            if (sql.rfind("select max(god)", 0) == 0)
                return db::ResultSet({"IGOD"}, {db::Kind::Integer}, {{Int(2011)}});
            if (sql.find(".NTBL,GOD,LPU") != std::string::npos) {
                const std::string lpu = parameters.texts.at("lpu");
                if (lpu == "0303") throw Error("Dynamic SQL Error");
                std::vector<std::vector<db::Value>> rows;
                if (lpu != "0202")
                    for (const char* row : {"1", "2", "3"})
                        rows.push_back({Int(7), Int(2011), Text(lpu), Text("год"), Text("0070100"), Text("tb1000"),
                                        Text(row), Dec(500, 2)});
                return db::ResultSet({"NTBL", "GOD", "LPU", "PERIOD", "FORMKOD", "TBLKOD", "ROW", "N1"},
                                     {db::Kind::Integer, db::Kind::Integer, db::Kind::Text, db::Kind::Text,
                                      db::Kind::Text, db::Kind::Text, db::Kind::Text, db::Kind::Decimal},
                                     rows);
            }
            return db::ResultSet({"TBL", "ENG", "GOD", "NSTR"},
                                 {db::Kind::Integer, db::Kind::Text, db::Kind::Integer, db::Kind::Text},
                                 {{Int(7), Text("n1"), Int(2011), Text("1")}});
        };
    }

    BatchJob Job(int institution) const {
        ExportChoices choices;
        choices.theme = &Themes[0];
        choices.form = TemplateRow(0, 2);  // 7.doc
        choices.institution = institutions[static_cast<std::size_t>(institution)];
        choices.sectionText = "1";
        choices.yearText = "2011";
        choices.templateFolder = (program.Path() / "DocF").string();
        return {institutions[static_cast<std::size_t>(institution)].shownCode, choices};
    }

    BatchOutcome Run(const std::vector<BatchJob>& jobs) {
        BatchRun batch([this] { return std::make_unique<FakeSession>(database); }, server, options, output,
                       [this] { return stop; });
        return batch.Run(jobs);
    }

    TempDir program;
    ExportOptions options;
    FakeDatabase database;
    word::Recording recording;
    word::RecordingServer server{recording};
    RecordingOutput output;
    bool stop = false;
    std::vector<db::Institution> institutions{{"0101", "", "ЦРБ", "0101", "01"},
                                              {"0202", "", "Пусто", "0202", "02"},
                                              {"0303", "", "Сбой", "0303", "03"},
                                              {"0404", "", "Город", "0404", "04"}};
};

}  // namespace

TEST_F(BatchRunTest, EveryDocumentReportedAFailureOrAnEmptyResultDoesNotStopTheOthers) {
    const BatchOutcome outcome = Run({Job(0), Job(1), Job(2), Job(3)});
    ASSERT_EQ(outcome.results.size(), 4u);
    EXPECT_FALSE(outcome.stopped);
    EXPECT_EQ(output.finished.size(), 4u);

    const DocumentResult& done = outcome.results[0];
    EXPECT_EQ(done.state, DocumentState::Done);
    EXPECT_EQ(done.institution, "0101");
    EXPECT_EQ(done.outputPath, program.Folder() + "Reports/№ 7 (разрез 01) ЦРБ за 2011 год.doc");
    EXPECT_EQ(done.placedFigures, 2u);
    EXPECT_EQ(done.unplacedFigures, 1u);  // row 3 has no bookmark

    EXPECT_EQ(outcome.results[1].state, DocumentState::Empty);
    EXPECT_TRUE(outcome.results[1].outputPath.empty());
    EXPECT_EQ(outcome.results[2].state, DocumentState::Failed);
    EXPECT_EQ(outcome.results[2].message, "Dynamic SQL Error");
    EXPECT_EQ(outcome.results[3].state, DocumentState::Done);
    EXPECT_EQ(BatchExitCode(outcome.results, outcome.stopped), 1);

    // Rows are reported as they are filled, with the document's place in the batch.
    EXPECT_EQ(output.progress.front(), "0/4 1/3");
    EXPECT_EQ(output.progress.back(), "3/4 3/3");
    // Nobody is there to look at the documents: each is still "shown", which
    // a headless office takes as the end of the document.
    EXPECT_EQ(std::count(recording.calls.begin(), recording.calls.end(), "Show"), 2);
    // Each saved document is announced before its line, under its final name.
    EXPECT_EQ(output.saving, (std::vector<std::string>{outcome.results[0].outputPath, outcome.results[3].outputPath}));
    EXPECT_EQ(output.savingBeforeFinished, (std::vector<std::size_t>{1, 1, 1, 2}));
}

TEST_F(BatchRunTest, MissingTemplateFailsEachDocumentWithTheMessage) {
    std::filesystem::remove(program.Path() / "DocF" / "7.doc");
    const BatchOutcome outcome = Run({Job(0)});
    ASSERT_EQ(outcome.results.size(), 1u);
    EXPECT_EQ(outcome.results[0].state, DocumentState::Failed);
    EXPECT_EQ(outcome.results[0].message, "Не найден файл шаблона: " + (program.Path() / "DocF").string() + "/7.doc!");
}

TEST_F(BatchRunTest, JournalThatCannotBeWrittenIsNamedNotTheDocument) {
    options.logFile = true;
    options.programFolder = program.Folder() + "/";
    // No file can be opened for writing under the journal's name.
    std::filesystem::create_directory(program.Path() / "Tarnfold.log");
    const BatchOutcome outcome = Run({Job(0)});
    ASSERT_EQ(outcome.results.size(), 1u);
    EXPECT_EQ(outcome.results[0].state, DocumentState::Failed);
    EXPECT_EQ(outcome.results[0].message,
              "Не удалось записать журнал экспорта " + program.Folder() + "/Tarnfold.log: нет доступа");
}

TEST_F(BatchRunTest, StopRequestEndsTheCurrentDocumentAfterItsRowSavedAndStartsNoOther) {
    output.onProgress = [this] { stop = true; };
    const BatchOutcome outcome = Run({Job(0), Job(3)});
    EXPECT_TRUE(outcome.stopped);
    ASSERT_EQ(outcome.results.size(), 1u);
    EXPECT_EQ(outcome.results[0].state, DocumentState::Stopped);
    EXPECT_EQ(outcome.results[0].placedFigures, 1u);
    // Saved with the rows filled, under the name of an unfinished document.
    EXPECT_NE(outcome.results[0].outputPath.find(" (не завершено).doc"), std::string::npos)
        << outcome.results[0].outputPath;
    EXPECT_EQ(std::count(recording.calls.begin(), recording.calls.end(), "SaveAs " + outcome.results[0].outputPath), 1);
    EXPECT_EQ(output.saving, std::vector<std::string>{outcome.results[0].outputPath});
    EXPECT_EQ(std::count(recording.calls.begin(), recording.calls.end(), "CreateApplication"), 1);
    EXPECT_EQ(BatchExitCode(outcome.results, outcome.stopped), 130);
}
