// The batch's own logic against a scripted database and a recording word
// processor: each document reported, a failure not stopping the others, an
// empty result skipped, a stop request ending the batch after a row, rows
// read ahead on another thread without ever entering the database from two
// threads at once, and a .docx template prepared ahead failing as opening it
// would.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "batch/batch_run.h"
#include "core/error.h"
#include "package_builder.h"
#include "support/fake_database.h"
#include "support/recording_word.h"
#include "support/temp_dir.h"
#include "support/whole_file.h"
#include "word/docx/docx_server.h"

using namespace tarnfold;
using namespace tarnfold::batch;
using namespace tarnfold::testing;

namespace {

// A server that only opens: told which template a run will open, it does
// nothing, as an office does.
class OpenedOnly : public word::Server {
public:
    explicit OpenedOnly(word::Server& inner) : inner_(inner) {}
    std::unique_ptr<word::Application> CreateApplication() override { return inner_.CreateApplication(); }

private:
    word::Server& inner_;
};

class RecordingOutput : public BatchOutput {
public:
    void Progress(std::size_t documentsDone, std::size_t documentTotal, std::size_t rowsDone,
                  std::size_t rowTotal) override {
        progress.push_back(std::to_string(documentsDone) + "/" + std::to_string(documentTotal) + " " +
                           std::to_string(rowsDone) + "/" + std::to_string(rowTotal));
        if (onProgress) onProgress();
    }
    void SavingDocument(const std::string& path) override {
        saving.push_back(path);
        if (onSaving) onSaving();
    }
    void DocumentFinished(const DocumentResult& result) override {
        finished.push_back(result);
        savingBeforeFinished.push_back(saving.size());
        if (onFinished) onFinished();
    }

    std::vector<std::string> progress;
    std::vector<std::string> saving;
    std::vector<std::size_t> savingBeforeFinished;
    std::vector<DocumentResult> finished;
    std::function<void()> onProgress;
    std::function<void()> onFinished;
    std::function<void()> onSaving;
};

// Notes whether two threads were ever inside the database at once; each
// entry lingers a little, so that an overlap has time to happen.
struct DatabaseEntries {
    std::atomic<int> inside{0};
    std::atomic<bool> overlapped{false};

    template <typename F>
    auto Inside(F&& f) {
        struct Leave {
            std::atomic<int>& inside;
            ~Leave() { --inside; }
        } leave{inside};
        if (inside++ != 0) overlapped = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        return f();
    }
};

class WatchedSession : public db::Session {
public:
    WatchedSession(FakeDatabase& database, DatabaseEntries& entries) : entries_(entries) {
        entries_.Inside([&] { return inner_ = std::make_unique<FakeSession>(database), 0; });
    }
    ~WatchedSession() override {
        entries_.Inside([&] { return inner_.reset(), 0; });
    }
    std::unique_ptr<db::Query> Prepare(std::string_view sql) override {
        return entries_.Inside([&] { return inner_->Prepare(sql); });
    }

private:
    DatabaseEntries& entries_;
    std::unique_ptr<FakeSession> inner_;
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
        WatchAnswers();
    }

    // Every query's answer is a call into the database.
    void WatchAnswers() {
        database.answer = [this, answer = database.answer](const std::string& sql, const Parameters& parameters) {
            return entries.Inside([&] { return answer(sql, parameters); });
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

    void TearDown() override {
        EXPECT_FALSE(entries.overlapped) << "the database was entered from two threads at once";
    }

    BatchOutcome Run(const std::vector<BatchJob>& jobs, WordServers servers) {
        BatchRun batch([this] { return std::make_unique<WatchedSession>(database, entries); }, servers, options, output,
                       [this] { return stop; });
        return batch.Run(jobs);
    }
    BatchOutcome Run(const std::vector<BatchJob>& jobs) { return Run(jobs, server); }

    TempDir program;
    ExportOptions options;
    FakeDatabase database;
    DatabaseEntries entries;
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

TEST_F(BatchRunTest, RowsReadAheadForADocumentThatAStopLeavesUnstartedEndWithTheBatch) {
    output.onFinished = [this] { stop = true; };
    std::vector<int> snapshotsEndedAtSaving;
    output.onSaving = [&] { snapshotsEndedAtSaving.push_back(database.sessionsEnded); };
    const BatchOutcome outcome = Run({Job(0), Job(3)});
    // The document's snapshot ended before its save, so the reading ahead
    // never waits for it.
    EXPECT_EQ(snapshotsEndedAtSaving, std::vector<int>{1});
    EXPECT_TRUE(outcome.stopped);
    ASSERT_EQ(outcome.results.size(), 1u);
    EXPECT_EQ(outcome.results[0].state, DocumentState::Done);
    // The second document's rows were read while the first was saved; no
    // document was begun for them, and their snapshot ended with the batch.
    EXPECT_EQ(std::count_if(database.opened.begin(), database.opened.end(),
                            [](const auto& open) {
                                const auto lpu = open.second.texts.find("lpu");
                                return lpu != open.second.texts.end() && lpu->second == "0404";
                            }),
              1);
    EXPECT_EQ(std::count(recording.calls.begin(), recording.calls.end(), "CreateApplication"), 1);
    EXPECT_EQ(database.sessionsBegun, 2);
    EXPECT_EQ(database.sessionsEnded, 2);
}

// The native back-end prepares the template while the first document's
// figures are read and keeps it; a template it cannot prepare fails each
// document with what opening it gives, and a sound one gives the documents
// the batch gives without preparing ahead.
TEST_F(BatchRunTest, DocxTemplatePreparedAheadGivesWhatOpeningItGives) {
    const std::filesystem::path folder = program.Path() / "DocxF";
    std::filesystem::create_directories(folder);
    std::string cells;
    for (const char* name : {"z1000_001_01", "z1000_002_01"})
        cells += "<w:p><w:bookmarkStart w:id=\"1\" w:name=\"" + std::string(name) +
                 "\"/><w:r><w:t>.</w:t></w:r><w:bookmarkEnd w:id=\"1\"/></w:p>";
    struct Case {
        const char* name;
        std::function<void(const std::string&)> write;
    };
    const std::vector<Case> cases = {
        {"sound", [&](const std::string& path) { WriteDocx(path, OnlyDocument(DocumentXml(cells))); }},
        {"not a zip", [](const std::string& path) { std::ofstream(path) << "not a package"; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.write((folder / "7.docx").string());
        std::vector<BatchJob> jobs = {Job(0), Job(3)};
        for (BatchJob& job : jobs) job.choices.templateFolder = folder.string();
        std::vector<std::vector<DocumentResult>> results;
        std::vector<std::vector<std::string>> documents;
        for (const bool ahead : {false, true}) {
            std::filesystem::remove_all(program.Path() / "Reports");
            word::docx::DocxServer docx([](const std::string&) {}, word::docx::TemplateReuse::AcrossDocuments);
            OpenedOnly opened(docx);
            results.push_back(
                Run(jobs, WordServers(server, ahead ? static_cast<word::Server*>(&docx) : &opened)).results);
            documents.emplace_back();
            for (const DocumentResult& result : results.back())
                documents.back().push_back(result.outputPath.empty() ? "" : ReadWholeFile(result.outputPath));
        }
        ASSERT_EQ(results[0].size(), 2u);
        ASSERT_EQ(results[1].size(), 2u);
        for (std::size_t d = 0; d < 2; ++d) {
            EXPECT_EQ(results[1][d].state, results[0][d].state);
            EXPECT_EQ(results[1][d].message, results[0][d].message);
            EXPECT_EQ(results[1][d].placedFigures, results[0][d].placedFigures);
            EXPECT_EQ(results[1][d].outputPath, results[0][d].outputPath);
        }
        EXPECT_EQ(documents[1], documents[0]);
        if (std::string(c.name) == "sound") {
            EXPECT_EQ(results[0][0].state, DocumentState::Done);
            EXPECT_EQ(results[0][0].placedFigures, 2u);
        } else {
            EXPECT_EQ(results[0][0].state, DocumentState::Failed);
            EXPECT_FALSE(results[0][0].message.empty());
        }
    }
}
