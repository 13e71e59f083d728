// The command line: what each option sets, and every bad input refused with
// the bad value named.

#include <gtest/gtest.h>

#include "batch/batch_options.h"

using namespace tarnfold::batch;

namespace {

std::string RefusalOf(const std::vector<std::string>& arguments) {
    try {
        ParseBatchOptions(arguments);
    } catch (const UsageError& error) {
        return error.what();
    }
    return "<accepted>";
}

}  // namespace

TEST(BatchOptions, BothSpellingsOfAValueAndRepeatedInstitutions) {
    const BatchOptions options =
        ParseBatchOptions({"--form", "7.doc", "--institution=0101", "--institution", "0202", "--year=2011", "--section",
                           "2", "--period", "Январь", "--out", "/tmp/out", "--templates=/t", "--no-journal"});
    EXPECT_EQ(*options.form, "7.doc");
    EXPECT_EQ(options.institutions, (std::vector<std::string>{"0101", "0202"}));
    EXPECT_EQ(*options.year, "2011");
    EXPECT_EQ(*options.section, "02");  // as the window's section field holds it
    EXPECT_EQ(*options.period, "Январь");
    EXPECT_EQ(*options.out, "/tmp/out");
    EXPECT_EQ(*options.templates, "/t");
    EXPECT_EQ(options.journal, false);
    EXPECT_FALSE(options.allInstitutions);
    EXPECT_EQ(options.list, ListKind::None);
}

TEST(BatchOptions, AbsentOptionsStayUnsetForTheSettingsToFill) {
    const BatchOptions options = ParseBatchOptions({});
    EXPECT_FALSE(options.form || options.year || options.section || options.period || options.out ||
                 options.templates || options.journal || options.convertTemplates);
    EXPECT_TRUE(options.institutions.empty());
    // A value that looks like an option is still the value of the one before.
    EXPECT_EQ(*ParseBatchOptions({"--out", "-1"}).out, "-1");
    EXPECT_EQ(*ParseBatchOptions({"--section", "12"}).section, "12");
}

TEST(BatchOptions, ListsHelpAndConversion) {
    EXPECT_EQ(ParseBatchOptions({"--list", "forms"}).list, ListKind::Forms);
    EXPECT_EQ(ParseBatchOptions({"--list=institutions"}).list, ListKind::Institutions);
    EXPECT_EQ(ParseBatchOptions({"--list", "periods"}).list, ListKind::Periods);
    EXPECT_TRUE(ParseBatchOptions({"--help"}).help);
    EXPECT_TRUE(ParseBatchOptions({"-h"}).help);
    EXPECT_EQ(*ParseBatchOptions({"--convert-templates", "/t", "--out", "/o"}).convertTemplates, "/t");
    EXPECT_NE(HelpText("Word", "").find("--all-institutions"), std::string::npos);
}

// The office named in the exit codes and its own paragraph are the platform's.
TEST(BatchOptions, HelpNamesThePlatformsOffice) {
    const std::string word = HelpText("Word", "");
    EXPECT_NE(word.find("4 — не удалось запустить\nWord; 130 — выгрузка остановлена по Ctrl+C.\n"), std::string::npos)
        << word;
    EXPECT_EQ(word.find("LibreOffice"), std::string::npos);
    EXPECT_EQ(word.find("\n\n\n"), std::string::npos) << "an empty paragraph leaves no blank line";
    const std::string office = HelpText("LibreOffice", "Офис ищется там.\n");
    EXPECT_NE(office.find("сразу.\n\nОфис ищется там.\n\nКоды завершения:"), std::string::npos) << office;
}

TEST(BatchOptions, BadInputIsRefusedNamingWhatIsWrong) {
    EXPECT_EQ(RefusalOf({"--frm", "7"}), "Неизвестный параметр: --frm");
    EXPECT_EQ(RefusalOf({"7.doc"}), "Лишний аргумент: 7.doc");
    EXPECT_EQ(RefusalOf({"--form"}), "Параметр --form требует значения");
    EXPECT_EQ(RefusalOf({"--form="}), "Пустое значение параметра --form");
    EXPECT_EQ(RefusalOf({"--year", "2011", "--year", "2012"}), "Параметр --year указан дважды");
    EXPECT_EQ(RefusalOf({"--list", "people"}), "Неизвестный список \"people\": допустимы forms, institutions, periods");
    EXPECT_EQ(RefusalOf({"--journal", "--no-journal"}), "Параметры --journal и --no-journal исключают друг друга");
    EXPECT_EQ(RefusalOf({"--all-institutions", "--institution", "1"}),
              "Параметры --institution и --all-institutions исключают друг друга");
    for (const char* section : {"abc", "99999999999", "123", "1a", "-1", " "})
        EXPECT_EQ(RefusalOf({"--section", section}),
                  std::string("Неверный разрез \"") + section + "\": разрез — одна или две цифры");
    EXPECT_EQ(RefusalOf({"--help=yes"}), "Параметр --help не принимает значения");
    EXPECT_EQ(RefusalOf({"--convert-templates", "/t", "--form", "7"}),
              "Параметр --convert-templates сочетается только с --out");
    EXPECT_EQ(RefusalOf({"--convert-templates", "/t", "--check-templates"}),
              "Параметр --convert-templates сочетается только с --out");
    EXPECT_EQ(RefusalOf({"--theme", "2", "--all-forms"}),
              "Неизвестная тема \"2\": допустимы 0 (Годовая статотчетность (DevOdur)), 1 (Месячные статистические "
              "формы)");
    EXPECT_EQ(RefusalOf({"--all-forms", "--form", "7"}), "Параметры --form и --all-forms исключают друг друга");
    EXPECT_EQ(RefusalOf({"--check-templates", "--form", "7", "--theme", "0"}),
              "Параметры --form и --theme исключают друг друга: тему задает сама форма");
    for (const std::vector<std::string>& notForTheCheck : {std::vector<std::string>{"--all-institutions"},
                                                           {"--institution", "1"},
                                                           {"--out", "/o"},
                                                           {"--journal"},
                                                           {"--section", "1"},
                                                           {"--period", "Январь"},
                                                           {"--all-forms"}})
        EXPECT_EQ(RefusalOf([&] {
                      std::vector<std::string> arguments = {"--check-templates"};
                      arguments.insert(arguments.end(), notForTheCheck.begin(), notForTheCheck.end());
                      return arguments;
                  }()),
                  "Параметр --check-templates сочетается только с --year, --form, --theme, --templates и --report")
            << notForTheCheck.front();
    EXPECT_EQ(RefusalOf({"--report", "r.html"}), "Параметр --report относится только к --check-templates");
    EXPECT_EQ(RefusalOf({"--theme", "1"}), "Параметр --theme относится только к --all-forms и --check-templates");
}

TEST(BatchOptions, ThemeByIndexOrCaptionAndTheCheckWithItsReport) {
    EXPECT_EQ(ParseBatchOptions({"--all-forms", "--theme", "1"}).theme, 1);
    EXPECT_EQ(ParseBatchOptions({"--all-forms", "--theme=месячные статистические формы"}).theme, 1);
    const BatchOptions check = ParseBatchOptions(
        {"--check-templates", "--year", "2011", "--theme", "0", "--templates", "/t", "--report", "/tmp/r.csv"});
    EXPECT_TRUE(check.checkTemplates);
    EXPECT_EQ(check.theme, 0);
    EXPECT_EQ(*check.report, "/tmp/r.csv");
    EXPECT_FALSE(check.allForms);
    const std::string help = HelpText("Word", "");
    for (const char* option : {"--check-templates", "--report ФАЙЛ", "--all-forms", "--theme N"})
        EXPECT_NE(help.find(option), std::string::npos) << option;
}
