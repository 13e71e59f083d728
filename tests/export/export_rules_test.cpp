#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <set>

#include "core/error.h"
#include "core/text.h"
#include "core/files.h"
#include "core/number_format.h"
#include "core/paths.h"
#include "export/export_rules.h"
#include "export/output_file.h"
#include "export/source_query.h"
#include "word/office_lock.h"
#include "support/temp_dir.h"

using namespace tarnfold;

namespace {

db::Value DecimalValue(std::int64_t units, int scale) {
    db::Value v;
    v.kind = db::Kind::Decimal;
    v.isNull = false;
    v.decimal = Decimal{units, scale};
    return v;
}

db::Value TextValue(const std::string& text) {
    db::Value v;
    v.kind = db::Kind::Text;
    v.isNull = false;
    v.text = text;
    return v;
}

}  // namespace

TEST(CellBookmark, PadsTableRowAndColumnAndKeepsWiderNumbers) {
    EXPECT_EQ(CellBookmark(1000, 12, 3), "z1000_012_03");
    EXPECT_EQ(CellBookmark(1, 0, 0), "z0001_000_00");
    EXPECT_EQ(CellBookmark(1000, 1234, 3), "z1000_1234_03");
    EXPECT_EQ(CellBookmark(12345, 1, 123), "z12345_001_123");
    EXPECT_EQ(CellBookmark(-7, -12, 0), "z-0007_-012_00");
    EXPECT_EQ(CellBookmark(-2147483647 - 1, 2147483647, -5), "z-2147483648_2147483647_-05");
}

TEST(CellBookmark, TakesCharactersThreeToSixOfTheTableCode) {
    EXPECT_EQ(CellBookmark("tb1000", "12", "3"), "z1000_012_03");
    EXPECT_EQ(CellBookmark("TB0007XYZ", "1", "10"), "z0007_001_10");
    // Characters, not bytes: two Cyrillic letters in front still leave "2100".
    EXPECT_EQ(CellBookmark("тб2100", "5", "1"), "z2100_005_01");
    EXPECT_EQ(CellBookmark("ab1000", "1234", "03"), "z1000_1234_03");
}

TEST(CellBookmark, TextsThatAreNoPlainIntegerFailWithTheirOwnText) {
    try {
        CellBookmark("tb1000", "12 ", "3");
        FAIL() << "a trailing blank must not convert";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "'12 ' is not a valid integer value");
    }
    EXPECT_THROW(CellBookmark("tbXY00", "1", "1"), Error);
    EXPECT_THROW(CellBookmark("tb1000", "1", ""), Error);
    EXPECT_THROW(CellBookmark("tb", "1", "1"), Error);
}

TEST(SectionText, LeadingBlanksSkippedAnythingElseZeroAtLeastTwoDigits) {
    EXPECT_EQ(SectionText("1"), "01");
    EXPECT_EQ(SectionText("7"), "07");
    EXPECT_EQ(SectionText("  7"), "07");
    EXPECT_EQ(SectionText("12"), "12");
    EXPECT_EQ(SectionText("123"), "123");
    EXPECT_EQ(SectionText(""), "00");
    EXPECT_EQ(SectionText("  "), "00");
    EXPECT_EQ(SectionText("7 "), "00");
    EXPECT_EQ(SectionText("x1"), "00");
    EXPECT_EQ(SectionText("$10"), "00");
}

TEST(SectionCode, FormCodeSectionAndZerosWithTheRuleOfForm307) {
    const SectionCode seven = MakeSectionCode("007", "01");
    EXPECT_EQ(seven.formSectionCode, "0070100");
    EXPECT_EQ(seven.extraCondition, "");
    const SectionCode form307 = MakeSectionCode("307", "02");
    EXPECT_EQ(form307.formSectionCode, "0300200");
    EXPECT_EQ(form307.extraCondition, " and tblname.ntbl in (629, 630,389,385,360) ");
    EXPECT_EQ(MakeSectionCode("030", "02").extraCondition, "");
}

TEST(ChooseSourceTable, InstitutionWithA3ReadsSvodOtherwiseThePeriodicityDecides) {
    EXPECT_EQ(ChooseSourceTable("", "гд", "год"), SourceTable::Primary);
    EXPECT_EQ(ChooseSourceTable("x", "гд", "год"), SourceTable::Summary);
    EXPECT_EQ(ChooseSourceTable("", "мс", "09"), SourceTable::Primary);
    EXPECT_EQ(ChooseSourceTable("", "мс", "12"), SourceTable::Primary);
    EXPECT_EQ(ChooseSourceTable("", "мс", "13"), SourceTable::Summary);
    EXPECT_EQ(ChooseSourceTable("", "мс", "I"), SourceTable::Summary);
    EXPECT_EQ(ChooseSourceTable("", "мс", "9"), SourceTable::Summary);
    EXPECT_EQ(ChooseSourceTable("Y", "мс", "09"), SourceTable::Summary);
    EXPECT_EQ(ChooseSourceTable("", "кв", "III"), SourceTable::Primary);
    EXPECT_EQ(ChooseSourceTable("", "кв", "iii"), SourceTable::Summary);
    EXPECT_EQ(ChooseSourceTable("", "пг", "IIп"), SourceTable::Primary);
    EXPECT_EQ(ChooseSourceTable("", "пг", "I"), SourceTable::Summary);
    EXPECT_STREQ(SourceTableName(SourceTable::Summary), "svod");
    EXPECT_STREQ(SourceTableName(SourceTable::Primary), "tbl");
}

TEST(FallbackMappingYear, Year2007OrBeforeOwnYearBelowTheLatestElseTheLatest) {
    EXPECT_EQ(FallbackMappingYear(2005, 2011), 2007);
    EXPECT_EQ(FallbackMappingYear(2007, 2011), 2007);
    EXPECT_EQ(FallbackMappingYear(2009, 2011), 2009);
    EXPECT_EQ(FallbackMappingYear(2011, 2011), 2011);
    EXPECT_EQ(FallbackMappingYear(2013, 2011), 2011);
    EXPECT_EQ(FallbackMappingYear(2013, 0), 0);
}

TEST(ValueRule, DecimalsNonZeroAtTwoPlacesTextsNonEmptyOtherKindsNever) {
    EXPECT_FALSE(ShouldWriteValue(db::Kind::Decimal, DecimalValue(4, 3)));    // 0.004
    EXPECT_FALSE(ShouldWriteValue(db::Kind::Decimal, DecimalValue(50, 4)));   // 0.0050
    EXPECT_FALSE(ShouldWriteValue(db::Kind::Decimal, DecimalValue(-50, 4)));  // -0.0050
    EXPECT_FALSE(ShouldWriteValue(db::Kind::Decimal, DecimalValue(0, 2)));
    EXPECT_TRUE(ShouldWriteValue(db::Kind::Decimal, DecimalValue(51, 4)));   // 0.0051
    EXPECT_TRUE(ShouldWriteValue(db::Kind::Decimal, DecimalValue(150, 4)));  // 0.0150 rounds to 0.02
    EXPECT_TRUE(ShouldWriteValue(db::Kind::Decimal, DecimalValue(-1, 2)));
    EXPECT_FALSE(ShouldWriteValue(db::Kind::Decimal, db::Value{}));  // NULL
    EXPECT_TRUE(ShouldWriteValue(db::Kind::Text, TextValue("  ")));
    EXPECT_FALSE(ShouldWriteValue(db::Kind::Text, TextValue("")));
    EXPECT_FALSE(ShouldWriteValue(db::Kind::Text, db::Value{}));

    db::Value integer;
    integer.kind = db::Kind::Integer;
    integer.isNull = false;
    integer.integer = 5;
    EXPECT_FALSE(ShouldWriteValue(db::Kind::Integer, integer));
    db::Value other = DecimalValue(500, 2);
    EXPECT_FALSE(ShouldWriteValue(db::Kind::Other, other));
}

TEST(ValueRule, NumbersInGeneralFormatWithTheGivenSeparatorTextsAsTheyAre) {
    EXPECT_EQ(CellText(db::Kind::Decimal, DecimalValue(1250, 2), ","), "12,5");
    EXPECT_EQ(CellText(db::Kind::Decimal, DecimalValue(1250, 2), "."), "12.5");
    EXPECT_EQ(CellText(db::Kind::Decimal, DecimalValue(10000, 2), ","), "100");
    EXPECT_EQ(CellText(db::Kind::Decimal, DecimalValue(51, 4), ","), "0,0051");
    EXPECT_EQ(CellText(db::Kind::Decimal, DecimalValue(-7, 1), ","), "-0,7");
    EXPECT_EQ(CellText(db::Kind::Text, TextValue("ab  "), ","), "ab  ");
}

// Figures written from their digits read as the general format of their
// double reads, at every scale, sign and length up to and past 15 digits.
TEST(ValueRule, FiguresWrittenFromTheirDigitsReadAsTheirDoubleInGeneralFormat) {
    std::vector<std::int64_t> magnitudes = {0, 5, 120, 12345, 123456789012345, 1234567890123456, 9007199254740993};
    for (std::int64_t power = 1; power <= 1'000'000'000'000'000'000 / 10; power *= 10)
        for (const std::int64_t offset : {-1, 0, 1, 7}) magnitudes.push_back(power * 10 + offset);
    for (const std::int64_t magnitude : magnitudes)
        for (const std::int64_t sign : {1, -1})
            for (int scale = 0; scale <= 6; ++scale) {
                const db::Value value = DecimalValue(sign * magnitude, scale);
                EXPECT_EQ(CellText(db::Kind::Decimal, value, ","), FormatGeneral(value.decimal.ToDouble(), ","))
                    << sign * magnitude << " scale " << scale;
            }
}

TEST(ReadYear, WholeNumbersOnlyWithAMessageNamingTheText) {
    EXPECT_EQ(ReadYear("2011"), 2011);
    EXPECT_EQ(ReadYear(" 2011 "), 2011);
    try {
        ReadYear("20x1");
        FAIL();
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Год \"20x1\" не является целым числом!");
    }
    EXPECT_THROW(ReadYear(""), Error);
    EXPECT_THROW(ReadYear("2011'"), Error);
    EXPECT_THROW(ReadYear("$7DB"), Error);
    EXPECT_THROW(ReadYear("99999999999"), Error);
}

OutputNameParts Parts(const std::string& formCode, const std::string& section, const std::string& institution,
                      const std::string& year, const std::string& period = "", bool emptyForm = false,
                      const std::string& extension = ".doc") {
    return {formCode, section, institution, year, period, emptyForm, extension};
}

std::string NameOf(const OutputNameParts& parts) { return OutputFileName(parts).fileName; }

TEST(OutputFileName, NumberWithoutLeadingZerosSectionNameYearAndThePeriodOfAMonthlyForm) {
    EXPECT_EQ(NameOf(Parts("007", "01", "ГБУЗ Больница", "2007")), "№ 7 (разрез 01) ГБУЗ Больница за 2007 год.doc");
    EXPECT_EQ(NameOf(Parts("307", "02", "X", "2011")), "№ 307 (разрез 02) X за 2011 год.doc");
    EXPECT_EQ(NameOf(Parts("008", "00", "X", "2011", "", true)), "№ 8.doc");
    EXPECT_EQ(NameOf(Parts("abc", "00", "X", "2011", "", true)), "№ 0.doc");
    // The months of one year are reports of their own.
    EXPECT_EQ(NameOf(Parts("800", "00", "ЦРБ", "2011", "Январь")), "№ 800 (разрез 00) ЦРБ за 2011 год (Январь).doc");
    EXPECT_EQ(NameOf(Parts("800", "00", "ЦРБ", "2011", "1/2 года", false, ".docx")),
              "№ 800 (разрез 00) ЦРБ за 2011 год (1_2 года).docx");
    EXPECT_EQ(NameOf(Parts("800", "00", "ЦРБ", "2011", "Январь", true)), "№ 800.doc");
}

TEST(OutputFileName, CharactersUnfitForFileNamesInTheNameBecomeUnderscores) {
    EXPECT_EQ(MendFileNamePart("a\\b/c:d*e?f\"g<h>i|j"), "a_b_c_d_e_f_g_h_i_j");
    EXPECT_EQ(MendFileNamePart("tab\there\nnew\x7f"), "tab_here_new_");
    EXPECT_EQ(MendFileNamePart("c1\xc2\x85"
                               "end"),
              "c1_end");
    EXPECT_EQ(MendFileNamePart("ООО «Ромашка» (филиал №2). Всё"), "ООО «Ромашка» (филиал №2). Всё");
    EXPECT_EQ(NameOf(Parts("007", "01", "../x/y", "2007")), "№ 7 (разрез 01) .._x_y за 2007 год.doc");
}

TEST(OutputFileName, ALongInstitutionIsCutBetweenLettersSoThatTheNameFits) {
    std::string cyrillic;
    for (int i = 0; i < 100; ++i) cyrillic += "Щ";
    const OutputName fits = OutputFileName(Parts("007", "01", "Больница", "2011"), 100);
    EXPECT_EQ(fits.fileName, "№ 7 (разрез 01) Больница за 2011 год.doc");
    EXPECT_FALSE(fits.institutionShortened);
    for (const std::size_t longest : {std::size_t{100}, std::size_t{101}, std::size_t{221}}) {
        const OutputName cut =
            OutputFileName(Parts("800", "00", cyrillic + " ", "2011", "Январь", false, ".docx"), longest);
        EXPECT_TRUE(cut.institutionShortened);
        EXPECT_LE(cut.fileName.size(), longest);
        EXPECT_GE(cut.fileName.size(), longest - 1) << "no more cut than a letter needs";
        EXPECT_NE(cut.fileName.find("Щ…"), std::string::npos) << cut.fileName;
        EXPECT_EQ(ReplaceBrokenUtf8(cut.fileName), cut.fileName) << "cut between letters";
        EXPECT_NE(cut.fileName.find("… за 2011 год (Январь).docx"), std::string::npos) << cut.fileName;
    }
    EXPECT_EQ(ShortenedNameLine("ЦРБ"), "Имя файла сокращено до допустимой длины; полное имя учреждения: ЦРБ");
}

TEST(ChooseTemplate, TheDocWinsADocxAloneIsTakenOnlyWhereDocxCanBeFilled) {
    std::set<std::string> files;
    const auto exists = [&files](const std::string& path) { return files.count(path) != 0; };

    // Found nowhere: the .doc path, so that the message names what is expected.
    EXPECT_EQ(ChooseTemplate("/t", "7.doc", true, exists).path, "/t/7.doc");
    EXPECT_FALSE(ChooseTemplate("/t", "7.doc", true, exists).docx);

    files = {"/t/7.docx"};
    EXPECT_EQ(ChooseTemplate("/t", "7.doc", true, exists).path, "/t/7.docx");
    EXPECT_TRUE(ChooseTemplate("/t", "7.doc", true, exists).docx);
    EXPECT_EQ(ChooseTemplate("/t", "7.doc", false, exists).path, "/t/7.doc");

    files = {"/t/7.doc", "/t/7.docx"};
    EXPECT_EQ(ChooseTemplate("/t", "7.doc", true, exists).path, "/t/7.doc");
    EXPECT_FALSE(ChooseTemplate("/t", "7.doc", true, exists).docx);

    // A dot in the folder's name is not the extension.
    files = {"/t.v2/ДД2012.docx"};
    EXPECT_EQ(ChooseTemplate("/t.v2", "ДД2012.doc", true, exists).path, "/t.v2/ДД2012.docx");
}

TEST(GaugePercent, RowCounterOverTotalHalvesToEven) {
    std::vector<int> eight;
    for (std::size_t i = 1; i <= 8; ++i) eight.push_back(GaugePercent(i, 8));
    EXPECT_EQ(eight, (std::vector<int>{12, 25, 38, 50, 62, 75, 88, 100}));
    EXPECT_EQ(GaugePercent(1, 3), 33);
    EXPECT_EQ(GaugePercent(2, 3), 67);
    EXPECT_EQ(GaugePercent(3, 3), 100);
    EXPECT_EQ(GaugePercent(0, 0), 0);
}

TEST(FinishedResultText, SuffixForUnexportedDataAndAbortReplacingAll) {
    EXPECT_EQ(FinishedResultText(false, false, false), "Выгрузка завершена");
    EXPECT_EQ(FinishedResultText(false, false, true), "Выгрузка завершена");
    EXPECT_EQ(FinishedResultText(false, true, true),
              "Выгрузка завершена (есть невыгруженные данные, см. Журнал экспорта)!");
    EXPECT_EQ(FinishedResultText(false, true, false), "Выгрузка завершена (есть невыгруженные данные)!");
    EXPECT_EQ(FinishedResultText(true, true, true), "Выгрузка прервана пользователем...");
}

TEST(SourceStatement, FixedPiecesWithTheChosenValuesAsParameters) {
    EXPECT_EQ(SourceStatement(SourceTable::Primary, "999", ""),
              "select tbl.NTBL,GOD,LPU,period,formkod,tblkod,\"ROW\",n1,n2,n3,n4,n5,n6,n7,n8,n9,n10,n11,n12,n13,n14,"
              "n15,n16,n17,n18,n19,n20,n21,n22,n23,n24,n25,n26,n27,n28,n29,n30,c1,c2,c3,c4,c5,c6,c7,c8,c9,c10,c11,c12 "
              "from tbl,tblname where (tblname.tblname='999') and (period=CAST(:period AS VARCHAR(255))) and "
              "(god=:god) and (lpu=CAST(:lpu AS VARCHAR(255))) and (tbl.ntbl=tblname.ntbl) and "
              "(formkod=CAST(:formkod AS VARCHAR(255)))  order by tblname.ntbl, tblkod,\"ROW\"");
    const std::string svod =
        SourceStatement(SourceTable::Summary, "001", " and tblname.ntbl in (629, 630,389,385,360) ");
    EXPECT_EQ(svod.rfind("select svod.NTBL,", 0), 0u);
    EXPECT_NE(svod.find(" from svod,tblname where (tblname.tblname='001') "), std::string::npos);
    EXPECT_NE(svod.find("(svod.ntbl=tblname.ntbl)"), std::string::npos);
    EXPECT_NE(svod.find("AS VARCHAR(255)))  and tblname.ntbl in (629, 630,389,385,360)  order by"), std::string::npos);
}

TEST(RunFileNames, EveryNameARunMakesFitsWhereTheReportsNameLeavesTheRoom) {
    const std::string report = "/r/" + std::string(LongestFileName - RunNameAddition() - 5, 'x') + ".docx";
    const std::string working = WorkingDocumentPath(report);
    const std::string unfinished = UnfinishedDocumentPath(report);
    std::size_t longest = 0;
    for (const std::string& path : {report, working, unfinished}) {
        for (const std::string& made : {path, word::OfficeLockPath(path), PartialFilePath(path),
                                        PartialFilePath(path) + ".Ab12cD", path + ".Ab12cD"})
            longest = std::max(longest, FileNamePart(made).size());
    }
    longest = std::max(longest, FileNamePart(RunLockPath(report)).size());
    EXPECT_EQ(longest, LongestFileName);
    EXPECT_EQ(RunLockPath("/r/№ 7.doc"), "/r/.~tf-№ 7.doc#");
}

TEST(RunFileNames, PartialFilesOfTheReportAreKnownAndNothingElse) {
    const std::string report = "/r/№ 7 (разрез 01) ЦРБ за 2011 год.docx";
    for (const std::string name :
         {"~tf-№ 7 (разрез 01) ЦРБ за 2011 год.docx", "№ 7 (разрез 01) ЦРБ за 2011 год.docx.~part",
          "№ 7 (разрез 01) ЦРБ за 2011 год.docx.x6sjrh", "№ 7 (разрез 01) ЦРБ за 2011 год.docx.~part.Q1w2E3",
          "~tf-№ 7 (разрез 01) ЦРБ за 2011 год.docx.~part",
          "№ 7 (разрез 01) ЦРБ за 2011 год (не завершено).docx.a1b2c3"})
        EXPECT_TRUE(IsPartialRunFile(name, report)) << name;
    for (const std::string name :
         {"№ 7 (разрез 01) ЦРБ за 2011 год.docx", "№ 7 (разрез 01) ЦРБ за 2011 год (не завершено).docx",
          "№ 7 (разрез 01) ЦРБ за 2011 год.docx.x6sjr", "№ 7 (разрез 01) ЦРБ за 2011 год.docx.x6s-rh",
          "~tf-№ 7 (разрез 01) ЦРБ за 2011 год.doc", "№ 7 (разрез 01) ЦРБ за 2012 год.docx.~part",
          ".~lock.№ 7 (разрез 01) ЦРБ за 2011 год.docx#"})
        EXPECT_FALSE(IsPartialRunFile(name, report)) << name;
    // Only the zip writer's files: a copy the user made of a .doc report stays.
    EXPECT_FALSE(IsPartialRunFile("№ 7.doc.backup", "/r/№ 7.doc"));
    EXPECT_TRUE(IsPartialRunFile("№ 7.doc.~part.backup", "/r/№ 7.doc"));
}

TEST(RunFileNames, AWholeArchiveUnderTheReportsNameAndSixLettersIsTheUsersCopyAndStays) {
    tarnfold::testing::TempDir dir;
    const std::string report = dir.File("№ 7.docx");
    const auto write = [&](const std::string& name, const std::string& bytes) {
        std::ofstream(PathFromUtf8(dir.File(name)), std::ios::binary) << bytes;
    };
    const std::string endRecord = std::string("PK\x05\x06", 4) + std::string(18, '\0');
    write("№ 7.docx.backup", endRecord);
    write("№ 7.docx.x6sjrh", std::string("PK\x03\x04", 4) + std::string(100, 'x'));
    write("~tf-№ 7.docx.a1b2c3", endRecord);
    RemovePartialRunFiles(report);
    EXPECT_TRUE(FileExists(dir.File("№ 7.docx.backup")));
    EXPECT_FALSE(FileExists(dir.File("№ 7.docx.x6sjrh")));
    EXPECT_FALSE(FileExists(dir.File("~tf-№ 7.docx.a1b2c3")));
}
