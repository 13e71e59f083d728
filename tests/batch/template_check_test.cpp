// A template's bookmarks against what a year's data fills and reaches, the
// mapping years the check takes as the export takes them, and the report's
// three forms: terminal lines, an HTML page and CSV.

#include <gtest/gtest.h>

#include "batch/check_report.h"
#include "batch/template_check.h"
#include "batch/template_data.h"
#include "core/text.h"

using namespace tarnfold;
using namespace tarnfold::batch;

namespace {

// Table 1000 rows 1 and 2, columns 3 and 4 reachable; the figures of two
// institutions fill row 1, and one fills z1000_009_03, which no template has.
FormCells YearCells() {
    FormCells cells;
    cells.hasRows = true;
    for (const char* name : {"z1000_001_03", "z1000_001_04", "z1000_002_03", "z1000_002_04", "z1000_009_03"})
        cells.reachable.insert(name);
    cells.filled["z1000_001_03"] = {{"0101", "0201"}, 2};
    cells.filled["z1000_001_04"] = {{"0101"}, 1};
    cells.filled["z1000_009_03"] = {{"0201"}, 3};
    return cells;
}

const std::vector<std::string> kSound = {"z0001_000_00", "z0002_000_00", "z0003_000_00", "z1000_001_03",
                                         "z1000_001_04", "z1000_002_03", "z1000_002_04", "z1000_009_03"};

std::vector<std::string> Without(std::vector<std::string> names, const std::string& name) {
    std::erase(names, name);
    return names;
}

std::vector<std::string> With(std::vector<std::string> names, const std::string& name) {
    names.push_back(name);
    return names;
}

std::string Described(const std::vector<Finding>& findings) {
    std::string text;
    for (const Finding& f : findings) {
        text += KindText(f.kind) + " " + f.bookmark;
        if (f.figures) text += " " + std::to_string(f.institutions.size()) + "/" + std::to_string(f.figures);
        if (!f.detail.empty()) text += " (" + f.detail + ")";
        text += ";";
    }
    return text;
}

}  // namespace

TEST(CompareTemplate, EachWayATemplateGoesWrongIsFoundAndNothingElse) {
    struct Case {
        const char* what;
        std::vector<std::string> bookmarks;
        bool periodTheme;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"sound, in other letter case as Word finds them", With(Without(kSound, "z1000_002_04"), "Z1000_002_04"), true,
         ""},
        {"the period's field is wanted by a monthly form only", Without(kSound, "z0003_000_00"), false, ""},
        {"missing header", Without(kSound, "z0003_000_00"), true, "нет закладки заголовка z0003_000_00 (период);"},
        {"deleted cell", Without(kSound, "z1000_001_03"), false,
         "ячейка с данными без закладки z1000_001_03 2/2 (учреждения: 0101, 0201);"},
        {"renamed cell", With(Without(kSound, "z1000_001_04"), "z1000_001_40"), false,
         "ячейка с данными без закладки z1000_001_04 1/1 (учреждения: 0101);"
         "закладка, до которой не дойдут данные года z1000_001_40;"},
        {"a cell without figures this year may go", Without(kSound, "z1000_002_03"), false, ""},
        {"the same name in another case", With(kSound, "Z1000_002_03"), false,
         "закладки различаются только регистром букв z1000_002_03 (z1000_002_03, Z1000_002_03);"},
        {"the same name twice", With(kSound, "z1000_002_03"), false, "закладка повторена z1000_002_03 (раз: 2);"},
        {"Word's hidden bookmarks are its own", With(kSound, "_GoBack"), false, ""},
        {"an empty template",
         {},
         true,
         "нет закладки заголовка z0001_000_00 (год);нет закладки заголовка z0002_000_00 (учреждение);"
         "нет закладки заголовка z0003_000_00 (период);"
         "ячейка с данными без закладки z1000_001_03 2/2 (учреждения: 0101, 0201);"
         "ячейка с данными без закладки z1000_001_04 1/1 (учреждения: 0101);"
         "ячейка с данными без закладки z1000_009_03 1/3 (учреждения: 0201);"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Described(CompareTemplate(c.bookmarks, YearCells(), c.periodTheme)), c.expected) << c.what;
    // Rows of a table that the year's mapping does not describe reach no cell at all.
    FormCells withUnmapped = YearCells();
    withUnmapped.unmapped["T03000"] = {{"0101"}, 2};
    EXPECT_EQ(Described(CompareTemplate(kSound, withUnmapped, true)),
              "строки таблицы без описания столбцов за год T03000 (строк: 2; учреждения: 0101);");
    // A year in which nobody has the form's data says nothing of its cells; its header still counts.
    EXPECT_EQ(Described(CompareTemplate(Without(kSound, "z0001_000_00"), FormCells{}, false)),
              "нет закладки заголовка z0001_000_00 (год);");
    // Cyrillic names fold as Word folds them.
    EXPECT_EQ(Described(CompareTemplate(With(With(kSound, "Итог"), "ИТОГ"), YearCells(), false)),
              "закладка, до которой не дойдут данные года Итог;"
              "закладки различаются только регистром букв Итог (Итог, ИТОГ);");
}

TEST(CompareTemplate, ErrorsDecideTheExitCode) {
    FormCheck clean{&Forms[2], "/t/7.doc", false, {}};
    FormCheck warned{&Forms[3], "/t/8.doc", false, CompareTemplate(With(kSound, "z7777_001_01"), YearCells(), true)};
    FormCheck notReported{&Forms[4], "/t/9.doc", true, {}};
    EXPECT_EQ(warned.Errors(), 0u);
    EXPECT_EQ(warned.Warnings(), 1u);
    EXPECT_EQ(CheckExitCode({clean, warned, notReported}), 0);
    FormCheck missing{&Forms[5], "/t/10.doc", false, {{FindingKind::TemplateMissing, {}, {}, 0, "/t/10.doc"}}};
    EXPECT_EQ(CheckExitCode({clean, missing}), 1);
}

// The mapping as the two mapping statements select it: a year's own rows, else
// the fallback year's; "god" rows count only for the latest year.
TEST(MappingTable, YearsAsTheMappingStatementsChooseThem) {
    const auto text = [](const char* t) {
        db::Value v;
        v.kind = db::Kind::Text;
        v.isNull = t == nullptr;
        v.text = t ? t : "";
        return v;
    };
    const auto integer = [](std::optional<std::int64_t> i) {
        db::Value v;
        v.kind = db::Kind::Integer;
        v.isNull = !i;
        v.integer = i.value_or(0);
        return v;
    };
    const db::ResultSet columns(
        {"TBL", "ENG", "GOD", "NSTR"}, {db::Kind::Integer, db::Kind::Text, db::Kind::Integer, db::Kind::Text},
        {
            {integer(1), text("n1"), integer(2007), text("3")},
            {integer(1), text("n2"), integer(2010), text("4")},
            {integer(1), text("n2"), integer(2010), text("4")},  // twice: the fallback statement is a union
            {integer(1), text("god"), integer(2012), text("0")},
            {integer(1), text(nullptr), integer(2010), text("5")},  // no name: never selected
            {integer(1), text("god "), integer(2010), text("6")},   // the server ignores trailing blanks
            {integer(2), text("c1"), integer(std::nullopt), text("7")},
            {integer(std::nullopt), text("n9"), integer(2010), text("8")},
        });
    const MappingTable mapping(columns);
    const auto nstrs = [](const std::vector<const MappingRow*>& rows) {
        std::string list;
        for (const MappingRow* row : rows) list += row->columnNumberText;
        return list;
    };
    EXPECT_EQ(mapping.LatestYear(1), 2012);
    EXPECT_EQ(mapping.LatestYear(2), 0);
    EXPECT_EQ(mapping.LatestYear(3), 0);
    EXPECT_EQ(nstrs(mapping.ForYear(1, 2010, 2007)), "4");
    EXPECT_EQ(nstrs(mapping.ForYear(1, 2011, 2007)), "3");
    EXPECT_EQ(nstrs(mapping.ForYear(1, 2011, 2011)), "");
    EXPECT_EQ(nstrs(mapping.ForYear(2, 2011, 2011)), "");
    EXPECT_EQ(nstrs(mapping.AllYears(1)), "344");
    EXPECT_EQ(nstrs(mapping.AllYears(2)), "7");
}

TEST(CheckReport, SummaryCountsFirstThenTheFirstNamesOfEachKind) {
    std::vector<std::string> many = kSound;
    for (int row = 10; row < 17; ++row) many.push_back("z5000_0" + std::to_string(row) + "_01");
    const std::vector<FormCheck> forms = {
        {&Forms[2], "/t/7.doc", false, CompareTemplate(Without(many, "z1000_001_03"), YearCells(), false)},
        {&Forms[3], "/t/8.doc", false, CompareTemplate(kSound, YearCells(), false)},
        {&Forms[4], "/t/9.doc", true, {}},
        {&Forms[5], "/t/10.doc", false, {}, true},
    };
    const std::vector<std::string> lines = CheckSummaryLines(forms, {2011, "kvel.gdb", "/t"}, 3);
    const std::vector<std::string> expected = {
        "7.doc — " + Forms[2].caption + ": ошибок 1, предупреждений 7",
        "  ячейки с данными без закладки: 1 (учреждений 2, цифр 2) — z1000_001_03",
        "  закладки, до которых не дойдут данные года: 7 — z5000_010_01, z5000_011_01, z5000_012_01 и ещё 4",
        "8.doc — " + Forms[3].caption + ": замечаний нет",
        "10.doc — " + Forms[5].caption + ": замечаний нет (данных за 2011 год нет, ячейки не сверялись)",
        "Проверка шаблонов за 2011 год: проверено 3, без замечаний 2, с предупреждениями 0, с ошибками 1.",
        "Не проверялись (нет шаблона и нет данных за 2011 год): 1.",
    };
    EXPECT_EQ(lines, expected);
}

TEST(CheckReport, HtmlAndCsvCarryEveryFindingWithTheirTextsEscaped) {
    const std::vector<FormCheck> forms = {
        {&Forms[39],
         "/t/207.doc",
         false,
         {{FindingKind::TemplateUnreadable, {}, {}, 0, "Шаблон <a&b>; \"x\" не является документом Word"},
          {FindingKind::CellWithoutBookmark, "z1000_001_03", {"0101", "0201"}, 5, "учреждения: 0101, 0201"}}},
        {&Forms[4], "/t/9.doc", true, {}},
    };
    const std::string html = CheckReportHtml(forms, {2011, "host:C:\\kvel.gdb", "/t"});
    EXPECT_EQ(html.find("<script"), std::string::npos);
    EXPECT_NE(html.find("Шаблон &lt;a&amp;b&gt;; &quot;x&quot; не является документом Word"), std::string::npos)
        << html;
    // The caption of form 207 holds quotation marks of its own.
    EXPECT_NE(html.find("Вкладыш к форме 7 &quot;Сведения"), std::string::npos);
    EXPECT_NE(html.find("<td class=\"n\">2</td><td class=\"n\">5</td>"), std::string::npos);
    EXPECT_NE(html.find("<li>9.doc — "), std::string::npos) << "the forms nobody reports are named";

    const std::string csv = CheckReportCsv(forms);
    EXPECT_TRUE(StartsWith(csv, "\xEF\xBB\xBFШаблон;Форма;Уровень;Замечание;Закладка;Учреждений;Цифр;Подробности\r\n"));
    EXPECT_NE(csv.find(";ошибка;шаблон не читается как документ Word;;;;\"Шаблон <a&b>; \"\"x\"\" не является "
                       "документом Word\"\r\n"),
              std::string::npos)
        << csv;
    EXPECT_NE(csv.find(";ошибка;ячейка с данными без закладки;z1000_001_03;2;5;учреждения: 0101, 0201\r\n"),
              std::string::npos)
        << csv;
    EXPECT_TRUE(CsvReportName("/tmp/Отчет.CSV"));
    EXPECT_FALSE(CsvReportName("/tmp/report.csv.html"));
}
