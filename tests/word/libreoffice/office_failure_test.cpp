// An office that dies or hangs during a run: the run fails with a clear
// error, and the next run gets a fresh office. Each case has an office of
// its own, since it ends it.

#include <signal.h>

#include <chrono>
#include <functional>
#include <thread>

#include <gtest/gtest.h>

#include "core/error.h"
#include "support/bookmark_steps.h"
#include "support/documents.h"
#include "office_fixture.h"
#include "support/temp_dir.h"
#include "template_layouts.h"
#include "word/libreoffice/libreoffice.h"
#include "word/libreoffice/office_process.h"

namespace tarnfold::testing {
namespace {

using Clock = std::chrono::steady_clock;

class OfficeFailureTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder_ = std::make_unique<TempDir>();
        MakeTemplate(kFormTemplate, folder_->File("ДД.doc"));
    }
    static void TearDownTestSuite() { folder_.reset(); }

    // Steps 2 to 5 of a run: the template opened, made active, taken and saved under `output`.
    static std::shared_ptr<word::BookmarkDocument> OpenCopy(word::Application& application, const std::string& output) {
        auto document = word::BookmarkSteps(application.OpenWorkingDocument(folder_->File("ДД.doc")));
        document->SaveAs(output);
        return document;
    }

    // A whole run; throws what the first failing step throws.
    void Run(word::Server& server, const std::string& output) {
        auto application = server.CreateApplication();
        auto document = OpenCopy(*application, output);
        document->TypeAtBookmark("z0001_000_00", "2024");
        document->InsertBeforeBookmark("z1000_001_03", "7,5");
        document->Save();
        application->Show();
    }

    static inline std::unique_ptr<TempDir> folder_;
    TempDir output_;
};

TEST_F(OfficeFailureTest, CrashedOfficeFailsTheCallClearlyAndTheNextRunStartsAFreshOne) {
    const word::LibreOfficeOptions options = OwnOfficeOptions("crash");
    word::LibreOfficeServer server(options);
    auto application = server.CreateApplication();
    auto document = OpenCopy(*application, output_.File("до сбоя.doc"));
    document->InsertBeforeBookmark("z1000_001_03", "1");

    const int office = OfficeProcessId(options.pipeName);
    ASSERT_GT(office, 0);
    ASSERT_EQ(::kill(office, SIGKILL), 0);
    std::string message;
    try {
        document->InsertBeforeBookmark("z1000_001_04", "2");
    } catch (const Error& error) {
        message = error.what();
    }
    EXPECT_EQ(message,
              "Не удалось вставить текст перед закладкой z1000_001_04: связь с LibreOffice прервана "
              "(программа закрыта или аварийно завершилась)");
    EXPECT_THROW(document->Save(), Error);
    document.reset();
    application.reset();

    Run(server, output_.File("после сбоя.doc"));
    EXPECT_NE(OfficeProcessId(options.pipeName), office);
    const DocumentContent content = ReadDocument(output_.File("после сбоя.doc"));
    EXPECT_EQ(content.header[0], "Год: 2024 год");
    EXPECT_EQ(content.body[5], "7,5");
}

// Hung in a call of its own for one bookmark, or in the routine that fills
// a whole row inside the office: either way the watchdog ends it.
TEST_F(OfficeFailureTest, HungOfficeIsEndedByTheWatchdogAndTheNextRunWorks) {
    struct Case {
        const char* name;
        std::function<std::string(word::BookmarkDocument&)> hungCall;  // the error text it ends with
        std::string message;
    };
    const auto thrown = [](const std::function<void()>& call) {
        try {
            call();
        } catch (const Error& error) {
            return std::string(error.what());
        }
        return std::string("no error");
    };
    const std::vector<Case> cases = {
        {"a bookmark",
         [&](word::BookmarkDocument& document) {
             return thrown([&] { document.TypeAtBookmark("z0001_000_00", "2024"); });
         },
         "Не удалось ввести текст у закладки z0001_000_00: LibreOffice не отвечал 2 с и был остановлен; "
         "при следующей выгрузке он будет запущен заново"},
        {"a row in the office's routine",
         [](word::BookmarkDocument& document) {
             const word::BookmarkFilling filling = document.FillBookmarks(
                 {{"z1000_001_03", "1"}, {"z1000_099_03", "2"}, {"z1000_002_04", "3"}}, word::Placement::InsertBefore);
             return filling.failure ? std::string(filling.failure->what()) : std::string("no error");
         },
         "Не удалось вставить текст перед закладками z1000_001_03…z1000_002_04: LibreOffice не отвечал 2 с и был "
         "остановлен; при следующей выгрузке он будет запущен заново"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        word::LibreOfficeOptions options = OwnOfficeOptions("hung");
        options.callTimeout = std::chrono::seconds(2);
        word::LibreOfficeServer server(options);
        auto application = server.CreateApplication();
        auto document = OpenCopy(*application, output_.File("до зависания.doc"));
        // The routine is in place before the office hangs.
        ASSERT_FALSE(document->FillBookmarks({{"z0003_000_00", "май"}}, word::Placement::TypeAt).failure);

        const int office = OfficeProcessId(options.pipeName);
        ASSERT_GT(office, 0);
        ASSERT_EQ(::kill(office, SIGSTOP), 0);
        const auto started = Clock::now();
        const std::string message = c.hungCall(*document);
        const auto waited = Clock::now() - started;
        EXPECT_EQ(message, c.message);
        EXPECT_GE(waited, std::chrono::seconds(2));
        EXPECT_LT(waited, std::chrono::seconds(10));
        EXPECT_TRUE(word::FindOfficeProcesses(options.pipeName).empty()) << "the hung office is gone";
        document.reset();
        application.reset();

        Run(server, output_.File("после зависания.doc"));
        EXPECT_EQ(ReadDocument(output_.File("после зависания.doc")).body[5], "7,5");
    }
}

// A single call that takes longer than the limit while the office computes
// (here: one row of twenty thousand texts filled in the office) is waited
// for; only an office that does nothing is ended.
TEST_F(OfficeFailureTest, BusyOfficeIsWaitedForPastTheLimitOfACall) {
    word::LibreOfficeOptions options = OwnOfficeOptions("busy");
    options.callTimeout = std::chrono::seconds(1);
    word::LibreOfficeServer server(options);
    auto application = server.CreateApplication();
    auto document = OpenCopy(*application, output_.File("долгий вызов.doc"));
    const std::vector<word::BookmarkText> texts(20000, word::BookmarkText{"z1000_001_03", "7"});
    const auto started = Clock::now();
    const word::BookmarkFilling filling = document->FillBookmarks(texts, word::Placement::InsertBefore);
    EXPECT_GT(Clock::now() - started, std::chrono::seconds(1)) << "the call outlived its limit";
    EXPECT_FALSE(filling.failure) << filling.failure->what();
    EXPECT_EQ(filling.placed, texts.size());
    EXPECT_FALSE(word::FindOfficeProcesses(options.pipeName).empty());
    word::KillOfficeProcesses(options.pipeName);
}

// An office whose Basic cannot run the routine (here: a library name that no
// script address can carry) is filled a bookmark per call, and the tool says
// so once.
TEST_F(OfficeFailureTest, WithoutTheRoutineEveryBookmarkIsACallOfItsOwn) {
    word::LibreOfficeOptions options = OwnOfficeOptions("no-routine");
    options.fillLibrary = "?";
    word::LibreOfficeServer server(options);
    auto application = server.CreateApplication();
    auto document = OpenCopy(*application, output_.File("без процедуры.doc"));
    ::testing::internal::CaptureStderr();
    const word::BookmarkFilling header = document->FillBookmarks({{"z0001_000_00", "2024"}}, word::Placement::TypeAt);
    const word::BookmarkFilling row = document->FillBookmarks(
        {{"z1000_001_03", "7,5"}, {"z1000_099_03", "1"}, {"Z1000_001_04", "«8»"}}, word::Placement::InsertBefore);
    const std::string told = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(told.rfind("LibreOffice: процедура заполнения закладок недоступна (", 0), 0u) << told;
    const std::string ending = "); закладки заполняются по одной\n";
    EXPECT_EQ(told.find(ending), told.size() - ending.size()) << "told once, at the end: " << told;
    EXPECT_EQ(header.placed, 1u);
    EXPECT_EQ(row.placed, 2u);
    EXPECT_EQ(row.missing, std::vector<std::string>{"z1000_099_03"});
    EXPECT_FALSE(header.failure || row.failure);
    document->Save();
    const DocumentContent content = ReadDocument(output_.File("без процедуры.doc"));
    EXPECT_EQ(content.header[0], "Год: 2024 год");
    EXPECT_EQ(content.body[5], "7,5");
    EXPECT_EQ(content.body[6], "«8»");
}

}  // namespace
}  // namespace tarnfold::testing
