// The window's buttons connected to real export runs, on an embedded
// database, the word processor a recorder: what the window shows is what the
// run takes, Abort reaches the run, the journal follows the loaded settings
// and opens from the program's folder.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>

#include "core/text.h"
#include "db/data_module.h"
#include "export_scenario.h"
#include "recording_view.h"
#include "support/firebird_fixture.h"
#include "support/recording_word.h"
#include "support/temp_dir.h"
#include "window/data_module_start.h"
#include "window/export_connection.h"

using namespace tarnfold;
using namespace tarnfold::window;
using namespace tarnfold::window::testing;

namespace {

std::string FiguresSql() {
    std::string sql = tarnfold::testing::HostSchemaSql() +
                      "INSERT INTO KODIF VALUES ('0101', NULL, 'ЦРБ', '0101', '01');\n"
                      "INSERT INTO period VALUES ('01', 'Январь');\n"
                      "INSERT INTO tblname VALUES (1000, '999');\n"
                      "INSERT INTO columns VALUES (1000, 'n1', 2011, '3');\n";
    for (const char* row : {"1", "2", "3"})
        sql +=
            tarnfold::testing::InsertSql({"tbl", 1000, 2011, "0101", "год", "0070100", "tb1000", row, {{"n1", "1.5"}}});
    return sql;
}

class ExportConnectionTest : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        const std::filesystem::path root = dir_.Path();
        std::filesystem::create_directories(root / "db");
        std::filesystem::create_directories(root / "prog" / "DocF");
        tarnfold::testing::CreateDatabase((root / "db" / "kvel.gdb").string(), FiguresSql());
        std::ofstream(root / "prog" / "DocF" / "7.doc") << "template";
        std::ofstream(root / "prog" / "Tarnfold.ini", std::ios::binary) << Utf8ToCp1251(
            "[BASE]\r\nPathBase=" + (root / "db").string() +
            "/\r\nPasswordBase=x\r\n[REPORT]\r\nForma=Форма 7.  Сведения о заболевших "
            "злокачественными новообразованиями\r\nLPU=0101 - ЦРБ\r\nRazrez=01\r\nYear=2011\r\nLogFile=" +
            (GetParam() ? "1" : "0") + "\r\nPathReport=" + (root / "prog" / "DocF").string() + "\r\n");
        recording_.bookmarks = {"z1000_001_03", "z1000_002_03", "z1000_003_03"};
        logic_ = std::make_unique<MainWindowLogic>(view_, Folder());
        view_.logic = logic_.get();
        logic_->Create(DesignExportButtonHeight, 2026);
        data_ = StartDataModule(*logic_, Folder());
        ASSERT_TRUE(data_.module);
        connection_ = std::make_unique<ExportConnection>(
            *logic_, RowsOf(*data_.module).beginSession, WordServers(office_), Folder(), RegionalFormats{},
            [this](const std::string& path) { shownJournals_.push_back(path); });
    }

    std::string Folder() const { return dir_.Folder() + "prog/"; }
    long Count(const std::string& prefix) const {
        return std::count_if(recording_.calls.begin(), recording_.calls.end(),
                             [&](const std::string& call) { return call.rfind(prefix, 0) == 0; });
    }

    tarnfold::testing::TempDir dir_;
    RecordingView view_;
    word::Recording recording_;
    word::RecordingServer office_{recording_};
    std::unique_ptr<MainWindowLogic> logic_;
    DataModuleStart data_;
    std::unique_ptr<ExportConnection> connection_;
    std::vector<std::string> shownJournals_;
};

}  // namespace

TEST_P(ExportConnectionTest, TheRunTakesWhatTheWindowShowsAndTheJournalFollowsTheSettings) {
    logic_->OnYearTyped("2011");
    logic_->OnExportPressed();
    const std::string report = Folder() + "Reports/№ 7 (разрез 01) ЦРБ за 2011 год.doc";
    EXPECT_EQ(Count("SaveAs " + report), 1) << ::testing::PrintToString(recording_.calls);
    EXPECT_EQ(Count("InsertBeforeBookmark z1000_00"), 3);
    EXPECT_EQ(view_[Control::ResultLine].text, "Выгрузка завершена");
    EXPECT_EQ(std::filesystem::exists(Folder() + "Tarnfold.log"), GetParam());

    logic_->OnJournalPressed();
    if (GetParam()) {
        EXPECT_EQ(shownJournals_, std::vector<std::string>{Folder() + "Tarnfold.log"});
    } else {
        EXPECT_TRUE(shownJournals_.empty());
        EXPECT_EQ(view_.boxes.back().text, "Файл журнала \"" + Folder() + "Tarnfold.log\" не найден!");
    }
}

TEST_P(ExportConnectionTest, TheButtonPressedDuringTheRunAbortsIt) {
    int inputs = 0;
    view_.onInput = [&] {
        if (++inputs == 2) logic_->OnExportPressed();
    };
    logic_->OnExportPressed();
    EXPECT_EQ(Count("InsertBeforeBookmark"), 1);
    EXPECT_EQ(view_[Control::ResultLine].text.rfind("Выгрузка прервана пользователем...", 0), 0u)
        << view_[Control::ResultLine].text;
}

INSTANTIATE_TEST_SUITE_P(Journal, ExportConnectionTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "On" : "Off"; });
