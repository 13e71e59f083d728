// The texts a batch prints and its exit code.

#include <gtest/gtest.h>

#include <sstream>
#include <thread>

#include "batch/batch_console.h"
#include "batch/batch_report.h"

using namespace tarnfold::batch;

namespace {

DocumentResult Result(const std::string& institution, DocumentState state) {
    DocumentResult r;
    r.institution = institution;
    r.state = state;
    r.outputPath = "/r/" + institution + ".doc";
    r.placedFigures = 10;
    r.unplacedFigures = 1;
    r.seconds = 1.25;
    return r;
}

}  // namespace

TEST(FormatDuration, MinutesAndSecondsHoursWhenNeeded) {
    EXPECT_EQ(FormatDuration(0), "0:00");
    EXPECT_EQ(FormatDuration(-3), "0:00");
    EXPECT_EQ(FormatDuration(7.4), "0:07");
    EXPECT_EQ(FormatDuration(59.6), "1:00");
    EXPECT_EQ(FormatDuration(723), "12:03");
    EXPECT_EQ(FormatDuration(3723), "1:02:03");
}

TEST(ProgressLine, RowsOfTheCurrentDocumentAndTheRemainingTimeOnceEnoughIsDone) {
    EXPECT_EQ(ProgressLine(0, 4, 0, 100, 0), "Документ 1 из 4, строка 0 из 100, прошло 0:00");
    // One document and a half of four in 30 s: 50 s to go.
    EXPECT_EQ(ProgressLine(1, 4, 50, 100, 30), "Документ 2 из 4, строка 50 из 100, прошло 0:30, осталось ~0:50");
    EXPECT_EQ(ProgressLine(3, 4, 0, 0, 60), "Документ 4 из 4, строка 0 из 0, прошло 1:00, осталось ~0:20");
    // The first row of a large form after the office's start says nothing of the rest.
    EXPECT_EQ(ProgressLine(0, 1, 1, 50000, 13), "Документ 1 из 1, строка 1 из 50000, прошло 0:13");
    EXPECT_EQ(ProgressLine(0, 1, 4999, 50000, 60), "Документ 1 из 1, строка 4999 из 50000, прошло 1:00");
    EXPECT_EQ(ProgressLine(0, 1, 5000, 50000, 60),
              "Документ 1 из 1, строка 5000 из 50000, прошло 1:00, осталось ~9:00");
    // Half of a small form is a few rows only; a whole document is enough.
    EXPECT_EQ(ProgressLine(0, 2, 19, 19, 4), "Документ 1 из 2, строка 19 из 19, прошло 0:04");
    EXPECT_EQ(ProgressLine(0, 2, 20, 20, 4), "Документ 1 из 2, строка 20 из 20, прошло 0:04, осталось ~0:04");
    EXPECT_EQ(ProgressLine(1, 2, 0, 19, 4), "Документ 2 из 2, строка 0 из 19, прошло 0:04, осталось ~0:04");
    // Many documents: a tenth of them done first.
    EXPECT_EQ(ProgressLine(9, 100, 0, 3, 30), "Документ 10 из 100, строка 0 из 3, прошло 0:30");
    EXPECT_EQ(ProgressLine(10, 100, 0, 3, 30), "Документ 11 из 100, строка 0 из 3, прошло 0:30, осталось ~4:30");
}

TEST(DocumentLine, OneLinePerStateWithFiguresAndSeconds) {
    // Seconds with the user's decimal separator, whatever the process's locale.
    EXPECT_EQ(DocumentLine(Result("0101 - ЦРБ", DocumentState::Done), ","),
              "0101 - ЦРБ: /r/0101 - ЦРБ.doc — размещено 10, не размещено 1, 1,2 с");
    DocumentResult stopped = Result("0102 - Б", DocumentState::Stopped);
    stopped.unmappedRows = 2;
    EXPECT_EQ(DocumentLine(stopped, "."),
              "0102 - Б: /r/0102 - Б.doc — остановлено по Ctrl+C, размещено 10, не размещено 1, строк без описания 2, "
              "1.2 с");
    EXPECT_EQ(DocumentLine(Result("0103 - В", DocumentState::Empty), ","),
              "0103 - В: нет данных для выгрузки — пропущено");
    DocumentResult failed = Result("0104 - Г", DocumentState::Failed);
    failed.message = "Disk full";
    EXPECT_EQ(DocumentLine(failed, ","), "0104 - Г: ОШИБКА — Disk full (документ /r/0104 - Г.doc)");
    failed.outputPath.clear();
    EXPECT_EQ(DocumentLine(failed, ","), "0104 - Г: ОШИБКА — Disk full");
}

TEST(Summary, CountsListsAndExitCode) {
    const std::vector<DocumentResult> results = {Result("А", DocumentState::Done), Result("Б", DocumentState::Empty),
                                                 Result("В", DocumentState::Failed)};
    const std::vector<std::string> lines = SummaryLines(results, 3, 65, false);
    EXPECT_EQ(lines, (std::vector<std::string>{
                         // The failed document's figures are in no saved file.
                         "Выгрузка завершена: документов 1 из 3, без данных 1, с ошибкой 1; размещено 10, не "
                         "размещено 1; время 1:05.",
                         "Пропущены (нет данных):", "  Б", "С ошибкой:", "  В"}));
    EXPECT_EQ(BatchExitCode(results, false), 1);
    EXPECT_EQ(BatchExitCode({results[0], results[1]}, false), 0);

    const std::vector<DocumentResult> stopped = {Result("А", DocumentState::Stopped)};
    const std::vector<std::string> stoppedLines = SummaryLines(stopped, 3, 1, true);
    EXPECT_EQ(
        stoppedLines.front().rfind("Выгрузка остановлена по Ctrl+C: документов 1 из 3, без данных 0, с ошибкой 0; "
                                   "размещено 10, не размещено 1;",
                                   0),
        0u);
    EXPECT_EQ(stoppedLines.back(), "Не выгружено документов: 2.");
    EXPECT_EQ(BatchExitCode(stopped, true), 130);

    // No institution had data: nothing written, which the summary and the exit code say.
    const std::vector<DocumentResult> empty = {Result("А", DocumentState::Empty), Result("Б", DocumentState::Empty)};
    EXPECT_EQ(SummaryLines(empty, 2, 3, false),
              (std::vector<std::string>{
                  "Выгрузка завершена: документов 0 из 2, без данных 2, с ошибкой 0; размещено 0, не размещено 0; "
                  "время 0:03.",
                  "Пропущены (нет данных):", "  А", "  Б",
                  "Ни один документ не записан: ни у одного учреждения нет данных для выгрузки."}));
    EXPECT_EQ(BatchExitCode(empty, false), 1);
    EXPECT_EQ(BatchExitCode({empty[0]}, true), 130);
    EXPECT_EQ(SummaryLines({empty[0]}, 2, 3, true).back(), "Не выгружено документов: 1.");
}

TEST(ConsoleText, ControlCharactersAreNamedAndLongLinesKeepTheirStartAndEnd) {
    const std::string fits(500, 'a');
    const struct {
        std::string printed;
        std::string shown;
    } cases[] = {
        {"a\x1b[2Jb\tc\r\x7f\n", "a\\x1B[2Jb\\x09c\\x0D\\x7F\n"},
        // A C1 control in UTF-8, a Cyrillic letter, a stray byte and a sequence cut short.
        {"\xc2\x9b\xd0\x96\xff\xd0x\n", "\\x9BЖ??x\n"},
        {"\xe0\x80\x80\n", "?\n"},  // an overlong form
        {fits + "\n", fits + "\n"},
        {std::string(400, 'h') + std::string(1'000'000, '\x01') + std::string(100, 't') + "\n",
         std::string(400, 'h') + "…" + std::string(100, 't') + "\n"},
        {"unfinished", "unfinished"},  // passed on when the stream ends
    };
    for (const auto& c : cases) {
        std::ostringstream terminal;
        {
            ConsoleStream console(terminal);
            console << c.printed;
        }
        EXPECT_EQ(terminal.str(), c.shown) << c.printed.substr(0, 40);
    }
}

TEST(ConsoleOutput, SaveIsToldAtOnceAfterCtrlCOrWhenItLastsAMoment) {
    using std::chrono::milliseconds;
    // A name from the database may hold a control character: it is named, not obeyed.
    const DocumentResult done = Result("0101 - ЦРБ\x1b[2J", DocumentState::Done);
    const std::string notice = "Сохранение документа /r/0101 - ЦРБ\\x1B[2J.doc…\n";
    const struct {
        bool stopRequested;
        milliseconds delay;
        milliseconds save;
        bool told;
    } cases[] = {
        {true, milliseconds(3'600'000), milliseconds(0), true},    // the user waits for the stop
        {false, milliseconds(0), milliseconds(200), true},         // a save longer than the delay
        {false, milliseconds(3'600'000), milliseconds(0), false},  // a quick save: the finish cancels the notice
    };
    for (const auto& c : cases) {
        std::ostringstream lines, progress;
        {
            ConsoleOutput console(
                lines, progress, false, ",", [&] { return c.stopRequested; }, c.delay);
            console.SavingDocument(done.outputPath);
            std::this_thread::sleep_for(c.save);
            console.DocumentFinished(done);
        }
        EXPECT_EQ(progress.str(), c.told ? notice : "") << c.stopRequested << " " << c.delay.count();
        EXPECT_EQ(lines.str(), DocumentLine(done, ",") + "\n");
    }
}
