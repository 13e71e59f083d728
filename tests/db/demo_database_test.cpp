// The demo database that scripts/make-demo-db builds, read as the program reads it.

#include <cstdlib>
#include <ctime>
#include <map>
#include <set>

#include <gtest/gtest.h>

#include "core/integer.h"
#include "core/text.h"
#include "db/data_module.h"
#include "db_test_support.h"
#include "support/temp_dir.h"

namespace tarnfold::db {
namespace {

using tarnfold::testing::TempDir;

TEST(DemoDatabase, ListsAndFiguresAsTheExportReadsThem) {
    TempDir dir;
    const std::string command =
        std::string("'") + TARNFOLD_SOURCE_DIR + "/scripts/make-demo-db' '" + dir.File("kvel.gdb") + "' 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;

    ConnectionSettings settings;
    settings.DBPath = dir.File("kvel.gdb");
    settings.DBPassword = "password=masterkey";
    DataModule module("");
    testing::RecordingUi ui;
    module.ConnectDatabase(settings, ui);
    EXPECT_TRUE(ui.messages.empty());

    const auto entries = InstitutionEntries(module.Institutions());
    ASSERT_GE(entries.size(), 4u);
    EXPECT_GE(FindEntryIgnoringCase(entries, "1166 - Велинская область"), 0);
    bool someSummary = false;
    for (const auto& institution : module.Institutions()) {
        EXPECT_EQ(Utf8Length(institution.shownCode), 4u) << institution.shownCode;
        someSummary = someSummary || !institution.summaryMark.empty();
    }
    EXPECT_TRUE(someSummary);
    ASSERT_EQ(module.Periods().size(), 12u);
    EXPECT_EQ(module.Periods()[0].code, "01");
    EXPECT_EQ(module.Periods()[0].name, "Январь");

    auto session = module.BeginSession();
    // The annual form 7 for institution 1166, 2010, section 0, as the source statement asks for it.
    auto source = session->Prepare(
        "select tbl.NTBL,GOD,LPU,period,formkod,tblkod,\"ROW\",n1,n2,n3,c1 from tbl,tblname "
        "where (tblname.tblname='999') and (period='год') and (god=2010) and (lpu='1166') and "
        "(tbl.ntbl=tblname.ntbl) and (formkod='0070000')  order by tblname.ntbl, tblkod,\"ROW\"");
    const ResultSet rows = source->Open();
    ASSERT_GT(rows.RowCount(), 0u);
    bool zeroRow = false, twoPlaces = false, text = false;
    for (std::size_t i = 0; i < rows.RowCount(); ++i) {
        EXPECT_GT(StrToInt(Utf8Mid(rows.At(i, "tblkod").text, 2, 4)), 0);
        EXPECT_GT(rows.At(i, "ROW").AsInteger(), 0);
        EXPECT_EQ(rows.ColumnKind(rows.ColumnIndex("n1")), Kind::Decimal);
        zeroRow = zeroRow || rows.At(i, "n1").decimal.units == 0;
        twoPlaces = twoPlaces || rows.At(i, "n3").decimal.units % 100 != 0;
        text = text || !rows.At(i, "c1").text.empty();
    }
    EXPECT_TRUE(zeroRow);
    EXPECT_TRUE(twoPlaces);
    EXPECT_TRUE(text);

    // Every institution with figures has them for 2010, 2011 and the current year, the year the window
    // starts on, in every form and section: the first export of the demo finds figures.
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    const std::set<std::int32_t> currentAndDemoYears{2010, 2011, local.tm_year + 1900};
    for (const char* figures : {"tbl", "svod"}) {
        auto query = session->Prepare(std::string("select distinct lpu, formkod, god from ") + figures);
        const ResultSet found = query->Open();
        ASSERT_GT(found.RowCount(), 0u) << figures;
        std::map<std::string, std::set<std::int32_t>> yearsOf;
        for (std::size_t i = 0; i < found.RowCount(); ++i)
            yearsOf[found.At(i, 0).AsText() + " " + found.At(i, 1).AsText()].insert(found.At(i, 2).AsInteger());
        for (const auto& [choice, kept] : yearsOf) EXPECT_EQ(kept, currentAndDemoYears) << figures << " " << choice;
    }

    // Annual tables are mapped for more than one year; the monthly one for a single year.
    auto years = session->Prepare("select count(distinct god) from columns where tbl = :ntbl");
    years->SetInteger("ntbl", rows.At(0, "NTBL").integer);
    EXPECT_GT(years->Open().At(0, 0).AsInteger(), 1);
    auto monthly = session->Prepare(
        "select count(distinct god) from columns, tblname where columns.tbl = tblname.ntbl and tblname.tblname = "
        ":theme");
    monthly->SetText("theme", "001");
    EXPECT_EQ(monthly->Open().At(0, 0).AsInteger(), 1);

    // The institution with A3 keeps its figures in svod.
    auto summary = session->Prepare("select count(*) from svod, KODIF where svod.lpu = KODIF.A and KODIF.A3 <> ''");
    EXPECT_GT(summary->Open().At(0, 0).AsInteger(), 0);
}

}  // namespace
}  // namespace tarnfold::db
