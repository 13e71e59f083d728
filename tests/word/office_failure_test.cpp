// An office that dies or hangs during a run: the run fails with a clear
// error, and the next run gets a fresh office. Each case has an office of
// its own, since it ends it.

#include <signal.h>

#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "core/error.h"
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

    // A whole run; throws what the first failing step throws.
    void Run(word::Server& server, const std::string& output) {
        auto application = server.CreateApplication();
        application->Open(folder_->File("ДД.doc"));
        application->ActivateLastOpened();
        auto document = application->ActiveDocument();
        document->SaveAs(output);
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
    application->Open(folder_->File("ДД.doc"));
    application->ActivateLastOpened();
    auto document = application->ActiveDocument();
    document->SaveAs(output_.File("до сбоя.doc"));
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

TEST_F(OfficeFailureTest, HungOfficeIsEndedByTheWatchdogAndTheNextRunWorks) {
    word::LibreOfficeOptions options = OwnOfficeOptions("hung");
    options.callTimeout = std::chrono::seconds(2);
    word::LibreOfficeServer server(options);
    auto application = server.CreateApplication();
    application->Open(folder_->File("ДД.doc"));
    application->ActivateLastOpened();
    auto document = application->ActiveDocument();
    document->SaveAs(output_.File("до зависания.doc"));

    const int office = OfficeProcessId(options.pipeName);
    ASSERT_GT(office, 0);
    ASSERT_EQ(::kill(office, SIGSTOP), 0);
    const auto started = Clock::now();
    std::string message;
    try {
        document->TypeAtBookmark("z0001_000_00", "2024");
    } catch (const Error& error) {
        message = error.what();
    }
    const auto waited = Clock::now() - started;
    EXPECT_EQ(message,
              "Не удалось ввести текст у закладки z0001_000_00: LibreOffice не отвечал 2 с и был остановлен; "
              "при следующей выгрузке он будет запущен заново");
    EXPECT_GE(waited, std::chrono::seconds(2));
    EXPECT_LT(waited, std::chrono::seconds(10));
    EXPECT_TRUE(word::FindOfficeProcesses(options.pipeName).empty()) << "the hung office is gone";
    document.reset();
    application.reset();

    Run(server, output_.File("после зависания.doc"));
    EXPECT_EQ(ReadDocument(output_.File("после зависания.doc")).body[5], "7,5");
}

}  // namespace
}  // namespace tarnfold::testing
