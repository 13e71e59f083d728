#include <gtest/gtest.h>

#include "catalogue/catalogue.h"

using namespace tarnfold;

TEST(Catalogue, ThemesAndTheirForms) {
    ASSERT_EQ(Themes.size(), 2u);
    const auto annual = FormCaptionsOfTheme(0);
    ASSERT_EQ(annual.size(), 45u);
    EXPECT_EQ(annual.front(), "Диспансеризация детей (годовая)");
    EXPECT_EQ(annual.back(), "Форма 30. Оснащённость компьютерным оборудованием.");
    EXPECT_EQ(FormsOfTheme(0).back(), 45u);
    const auto monthly = FormCaptionsOfTheme(1);
    ASSERT_EQ(monthly.size(), 1u);
    EXPECT_EQ(monthly[0], "Диспансеризация детей (ежемесячная).");
    EXPECT_FALSE(PeriodApplies(0));
    EXPECT_TRUE(PeriodApplies(1));
    EXPECT_TRUE(FormCaptionsOfTheme(2).empty());
}

TEST(Catalogue, TemplateRowByCountingWalk) {
    EXPECT_EQ(TemplateRow(0, 44), &Forms[45]);  // row 44 belongs to the monthly theme
    EXPECT_EQ(TemplateRow(0, 43), &Forms[43]);
    EXPECT_EQ(TemplateRow(1, 0), &Forms[44]);
    EXPECT_EQ(TemplateRow(0, 0)->templateFile, "ДД.doc");
    EXPECT_EQ(TemplateRow(0, 45), nullptr);
    EXPECT_EQ(TemplateRow(0, -1), nullptr);
    EXPECT_EQ(TemplateRow(1, 1), nullptr);
}

TEST(Catalogue, CaptionsAreByteExact) {
    EXPECT_EQ(Forms[2].caption, "Форма 7.  Сведения о заболевших злокачественными новообразованиями");
    EXPECT_EQ(Forms[39].caption,
              "Форма 207. 1000 таблица Вкладыш к форме 7 \"Сведения о заболеван.злокачественными новообразованиями\"");
    EXPECT_EQ(Forms[40].caption,
              "Форма 212. 1000 таблица Вкладыш к форме 12\"Сведения о числе заболев.зарег.у б-х,прож.в р-е обслуж.л.");
    EXPECT_EQ(Forms[0].formCode, "008");
    EXPECT_EQ(Forms[3].formCode, "008");
    EXPECT_NE(Forms[0].templateFile, Forms[3].templateFile);
    EXPECT_EQ(Forms[45].formCode, "307");
    EXPECT_EQ(Themes[1].periodicity, "мс");
}
