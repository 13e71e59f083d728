// From options and the saved settings to the window's choices: which form,
// institutions and period a batch means, and what it refuses before writing.

#include <gtest/gtest.h>

#include "batch/batch_choices.h"

using namespace tarnfold;
using namespace tarnfold::batch;

namespace {

const std::vector<db::Institution> kInstitutions = {
    {"0101", "", "Городская больница", "0101", "01"}, {"0102", "", "Поликлиника", "0102", "01"},
    {"0201", "x", "Район (свод)", "0201", "02"},      {"0301", "", "ЦРБ первая", "0301  ", "03"},
    {"0302", "", "ЦРБ вторая", "0301", "03"},
};
const std::vector<db::Period> kPeriods = {{"01", "Январь"}, {"02", "Февраль"}, {"13", "Год"}};

std::string RefusalOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const UsageError& error) {
        return error.what();
    }
    return "<accepted>";
}

}  // namespace

TEST(FindForms, ByCodeNumberTemplateNameOrCaptionIgnoringCase) {
    for (const char* text : {"007", "7", "7.doc", "7.DOC", "7.docx", "7",
                             " форма 7.  сведения о заболевших "
                             "злокачественными новообразованиями "}) {
        const std::vector<FormChoice> found = FindForms(text);
        ASSERT_EQ(found.size(), 1u) << text;
        EXPECT_EQ(found[0].form->templateFile, "7.doc") << text;
        EXPECT_EQ(found[0].theme, 0);
        EXPECT_EQ(TemplateRow(found[0].theme, found[0].position), found[0].form);
    }
    const std::vector<FormChoice> monthly = FindForms("ДД2012");
    ASSERT_EQ(monthly.size(), 1u);
    EXPECT_EQ(monthly[0].theme, 1);
    EXPECT_TRUE(FindForms("0").empty());
    EXPECT_TRUE(FindForms("7.odt").empty());
}

TEST(ResolveForm, SharedCodeIsRefusedWithItsCandidatesAndTheSavedCaptionIsTheDefault) {
    const std::string refusal = RefusalOf([] { ResolveForm(std::string("008"), ""); });
    EXPECT_EQ(refusal.rfind("Форму \"008\" можно понять по-разному:", 0), 0u) << refusal;
    EXPECT_NE(refusal.find("\n  008  ДД.doc  "), std::string::npos) << refusal;
    EXPECT_NE(refusal.find("\n  008  8.doc  "), std::string::npos) << refusal;
    EXPECT_EQ(ResolveForm(std::string("8.doc"), "").form->templateFile, "8.doc");

    EXPECT_EQ(RefusalOf([] { ResolveForm(std::string("999"), ""); }),
              "Неизвестная форма: \"999\". Список форм: tarnfold-batch --list forms");

    EXPECT_EQ(ResolveForm(std::nullopt, "ФОРМА 7.  СВЕДЕНИЯ О ЗАБОЛЕВШИХ ЗЛОКАЧЕСТВЕННЫМИ НОВООБРАЗОВАНИЯМИ")
                  .form->templateFile,
              "7.doc");
    // As the window: an unknown saved caption selects the first form of the first theme.
    const FormChoice fallback = ResolveForm(std::nullopt, "нет такой");
    EXPECT_EQ(fallback.theme, 0);
    EXPECT_EQ(fallback.position, 0);
}

TEST(ResolveInstitutions, CodesAllOrTheSavedEntryAndSharedOrUnknownCodesRefused) {
    BatchOptions options;
    options.institutions = {"0201", "0101"};
    EXPECT_EQ(ResolveInstitutions(options, kInstitutions, ""), (std::vector<int>{2, 0}));

    options.institutions = {"0301"};
    const std::string shared = RefusalOf([&] { ResolveInstitutions(options, kInstitutions, ""); });
    EXPECT_EQ(shared, "Код учреждения \"0301\" есть у нескольких записей:\n  0301   - ЦРБ первая\n  0301 - ЦРБ вторая");

    options.institutions = {"9999"};
    EXPECT_EQ(RefusalOf([&] { ResolveInstitutions(options, kInstitutions, ""); }),
              "Неизвестное учреждение: код \"9999\". Список учреждений: tarnfold-batch --list institutions");

    options.institutions.clear();
    options.allInstitutions = true;
    EXPECT_EQ(ResolveInstitutions(options, kInstitutions, ""), (std::vector<int>{0, 1, 2, 3, 4}));

    options.allInstitutions = false;
    EXPECT_EQ(ResolveInstitutions(options, kInstitutions, "0102 - ПОЛИКЛИНИКА"), (std::vector<int>{1}));
    EXPECT_EQ(ResolveInstitutions(options, kInstitutions, "1166 - Велинская область"), (std::vector<int>{0}));
    EXPECT_EQ(RefusalOf([&] { ResolveInstitutions(options, {}, ""); }), "В базе данных нет ни одного учреждения");
}

TEST(ResolvePeriod, ByNameIgnoringCaseOrTheFirstEntry) {
    EXPECT_EQ(ResolvePeriod(std::string("февраль"), kPeriods), 1);
    EXPECT_EQ(ResolvePeriod(std::nullopt, kPeriods), 0);
    EXPECT_EQ(ResolvePeriod(std::nullopt, {}), -1);
    EXPECT_EQ(RefusalOf([] { ResolvePeriod(std::string("Смарч"), kPeriods); }),
              "Неизвестный период: \"Смарч\". Список периодов: tarnfold-batch --list periods");
}

TEST(PlanBatch, OneJobPerInstitutionWithTheWindowsDefaultsFromTheSettings) {
    ReportSettings saved;
    saved.year = 2011;
    saved.section = "3";  // the window's field shows it as "03"
    saved.templateFolder = "/templates";
    BatchOptions options;
    options.institutions = {"0102", "0201"};
    const std::vector<BatchJob> jobs = PlanBatch(options, saved, kInstitutions, kPeriods);
    ASSERT_EQ(jobs.size(), 2u);
    EXPECT_EQ(jobs[0].institutionEntry, "0102 - Поликлиника");
    EXPECT_EQ(jobs[1].choices.institution.name, "Район (свод)");
    for (const BatchJob& job : jobs) {
        EXPECT_EQ(job.choices.form->templateFile, "7.doc");
        EXPECT_EQ(job.choices.yearText, "2011");
        EXPECT_EQ(job.choices.sectionText, "03");
        EXPECT_EQ(job.choices.templateFolder, "/templates");
        EXPECT_EQ(job.choices.period.name, "Январь");
    }

    options.year = "2012";
    options.section = "1";
    options.templates = "/other";
    options.form = "ДД2012.doc";
    options.period = "Год";
    const BatchJob job = PlanBatch(options, saved, kInstitutions, kPeriods).front();
    EXPECT_EQ(job.choices.yearText, "2012");
    EXPECT_EQ(job.choices.sectionText, "1");
    EXPECT_EQ(job.choices.templateFolder, "/other");
    EXPECT_EQ(job.choices.theme, &Themes[1]);
    EXPECT_EQ(job.choices.period.name, "Год");
}

TEST(PlanBatch, YearThatIsNoNumberOrAPeriodForAYearlyFormIsRefused) {
    BatchOptions options;
    options.year = "20x1";
    EXPECT_EQ(RefusalOf([&] { PlanBatch(options, {}, kInstitutions, kPeriods); }),
              "Год \"20x1\" не является целым числом!");
    options.year = "2011";
    options.form = "7";
    options.period = "Январь";
    EXPECT_NE(RefusalOf([&] {
                  PlanBatch(options, {}, kInstitutions, kPeriods);
              }).find("составляется за год: параметр --period к ней не относится"),
              std::string::npos);
}

// A whole theme: form by form in the window's list order, each with every
// chosen institution.
TEST(PlanBatch, AllFormsOfAThemeComeFormByFormWithEveryInstitution) {
    BatchOptions options;
    options.allForms = true;
    options.allInstitutions = true;
    options.year = "2011";
    const std::vector<BatchJob> annual = PlanBatch(options, {}, kInstitutions, kPeriods);
    ASSERT_EQ(annual.size(), 45u * kInstitutions.size());
    EXPECT_EQ(annual.front().choices.form->templateFile, "ДД.doc");
    EXPECT_EQ(annual[kInstitutions.size()].choices.form->templateFile, "1.doc");
    EXPECT_EQ(annual[kInstitutions.size()].choices.institution.shownCode, "0101");
    EXPECT_EQ(annual.back().choices.form->templateFile, "30_7.doc");
    EXPECT_EQ(annual.back().choices.form, TemplateRow(0, 44));  // row 45 is at position 44 of its theme
    for (const BatchJob& job : annual) EXPECT_EQ(job.choices.theme, &Themes[0]);

    options.theme = 1;
    options.period = "Февраль";
    const std::vector<BatchJob> monthly = PlanBatch(options, {}, kInstitutions, kPeriods);
    ASSERT_EQ(monthly.size(), kInstitutions.size());
    EXPECT_EQ(monthly.front().choices.form->templateFile, "ДД2012.doc");
    EXPECT_EQ(monthly.front().choices.period.name, "Февраль");

    options.theme = 0;
    EXPECT_EQ(RefusalOf([&] { PlanBatch(options, {}, kInstitutions, kPeriods); }),
              "Формы темы \"Годовая статотчетность (DevOdur)\" составляются за год: параметр --period к ним не "
              "относится");
}
