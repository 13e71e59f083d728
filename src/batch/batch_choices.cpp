#include "batch/batch_choices.h"

#include <cstddef>

#include "core/integer.h"
#include "core/text.h"
#include "export/export_rules.h"

namespace tarnfold::batch {

namespace {

std::string WithoutExtension(const std::string& fileName) {
    const std::size_t dot = fileName.rfind('.');
    return dot == std::string::npos ? fileName : fileName.substr(0, dot);
}

bool NamesForm(const std::string& text, const ReportForm& form) {
    if (text == form.formCode) return true;
    if (const auto number = ParseInteger(text); number && text.find_first_not_of("0123456789") == std::string::npos &&
                                                *number != 0 && *number == FormNumber(form.formCode))
        return true;
    return EqualsIgnoreCase(text, form.templateFile) || EqualsIgnoreCase(text, WithoutExtension(form.templateFile)) ||
           EqualsIgnoreCase(text, WithoutExtension(form.templateFile) + ".docx") ||
           EqualsIgnoreCase(text, form.caption);
}

std::string FormLine(const ReportForm& form) { return form.formCode + "  " + form.templateFile + "  " + form.caption; }

std::string InstitutionEntry(const db::Institution& institution) {
    return db::InstitutionEntries({institution}).front();
}

}  // namespace

std::vector<FormChoice> FindForms(const std::string& text) {
    const std::string wanted = Trim(text);
    std::vector<FormChoice> found;
    for (int theme = 0; theme < static_cast<int>(Themes.size()); ++theme) {
        const std::vector<std::size_t> rows = FormsOfTheme(theme);
        for (std::size_t position = 0; position < rows.size(); ++position) {
            const ReportForm& form = Forms[rows[position]];
            if (NamesForm(wanted, form)) found.push_back({theme, static_cast<int>(position), &form});
        }
    }
    return found;
}

FormChoice ResolveForm(const std::optional<std::string>& option, const std::string& savedCaption) {
    if (!option) {
        const std::vector<std::string> captions = FormCaptionsOfTheme(0);
        const int saved = db::FindEntryIgnoringCase(captions, savedCaption);
        const int position = saved < 0 ? 0 : saved;
        return {0, position, TemplateRow(0, position)};
    }
    const std::vector<FormChoice> found = FindForms(*option);
    if (found.empty())
        throw UsageError("Неизвестная форма: \"" + *option + "\". Список форм: tarnfold-batch --list forms");
    if (found.size() > 1) {
        std::string message = "Форму \"" + *option + "\" можно понять по-разному:";
        for (const FormChoice& choice : found) message += "\n  " + FormLine(*choice.form);
        message += "\nУкажите имя файла шаблона или название формы.";
        throw UsageError(message);
    }
    return found.front();
}

std::vector<FormChoice> ChosenForms(const BatchOptions& options, const std::string& savedCaption) {
    if (!options.allForms) return {ResolveForm(options.form, savedCaption)};
    const int theme = options.theme.value_or(0);
    std::vector<FormChoice> forms;
    const std::vector<std::size_t> rows = FormsOfTheme(theme);
    for (std::size_t position = 0; position < rows.size(); ++position)
        forms.push_back({theme, static_cast<int>(position), &Forms[rows[position]]});
    return forms;
}

std::vector<int> ResolveInstitutions(const BatchOptions& options, const std::vector<db::Institution>& institutions,
                                     const std::string& savedEntry) {
    if (institutions.empty()) throw UsageError("В базе данных нет ни одного учреждения");
    std::vector<int> chosen;
    if (options.allInstitutions) {
        for (std::size_t i = 0; i < institutions.size(); ++i) chosen.push_back(static_cast<int>(i));
    } else if (options.institutions.empty()) {
        const int saved = db::FindEntryIgnoringCase(db::InstitutionEntries(institutions), savedEntry);
        chosen.push_back(saved < 0 ? 0 : saved);
    }
    for (const std::string& code : options.institutions) {
        std::vector<int> matches;
        for (std::size_t i = 0; i < institutions.size(); ++i)
            if (Trim(institutions[i].shownCode) == Trim(code)) matches.push_back(static_cast<int>(i));
        if (matches.empty())
            throw UsageError("Неизвестное учреждение: код \"" + code +
                             "\". Список учреждений: tarnfold-batch --list institutions");
        if (matches.size() > 1) {
            std::string message = "Код учреждения \"" + code + "\" есть у нескольких записей:";
            for (int i : matches) message += "\n  " + InstitutionEntry(institutions[static_cast<std::size_t>(i)]);
            throw UsageError(message);
        }
        chosen.push_back(matches.front());
    }
    return chosen;
}

int ResolvePeriod(const std::optional<std::string>& option, const std::vector<db::Period>& periods) {
    if (!option) return periods.empty() ? -1 : 0;
    const int found = db::FindEntryIgnoringCase(db::PeriodEntries(periods), Trim(*option));
    if (found < 0)
        throw UsageError("Неизвестный период: \"" + *option + "\". Список периодов: tarnfold-batch --list periods");
    return found;
}

std::vector<BatchJob> PlanBatch(const BatchOptions& options, const ReportSettings& saved,
                                const std::vector<db::Institution>& institutions,
                                const std::vector<db::Period>& periods) {
    const std::vector<FormChoice> forms = ChosenForms(options, saved.formCaption);
    const FormChoice& first = forms.front();
    if (options.period && !PeriodApplies(first.theme)) {
        if (options.allForms)
            throw UsageError("Формы темы \"" + Themes[static_cast<std::size_t>(first.theme)].caption +
                             "\" составляются за год: параметр --period к ним не относится");
        throw UsageError("Форма \"" + first.form->caption +
                         "\" составляется за год: параметр --period к ней не относится");
    }
    const int period = ResolvePeriod(options.period, periods);
    const std::string yearText = options.year ? *options.year : std::to_string(saved.year);
    try {
        ReadYear(yearText);
    } catch (const Error& error) {
        throw UsageError(error.what());
    }
    const std::vector<int> chosen = ResolveInstitutions(options, institutions, saved.institutionEntry);
    std::vector<BatchJob> jobs;
    for (const FormChoice& form : forms) {
        for (int index : chosen) {
            const db::Institution& institution = institutions[static_cast<std::size_t>(index)];
            ExportChoices choices;
            choices.theme = &Themes.at(static_cast<std::size_t>(form.theme));
            choices.form = form.form;
            choices.institution = institution;
            if (period >= 0) choices.period = periods[static_cast<std::size_t>(period)];
            // The saved section as the window's field shows it after start.
            choices.sectionText = options.section ? *options.section : SectionFieldText(saved.section);
            choices.yearText = yearText;
            choices.templateFolder = options.templates ? *options.templates : saved.templateFolder;
            jobs.push_back({InstitutionEntry(institution), std::move(choices)});
        }
    }
    return jobs;
}

std::vector<std::string> FormListLines() {
    std::vector<std::string> lines;
    for (int theme = 0; theme < static_cast<int>(Themes.size()); ++theme) {
        lines.push_back(Themes[static_cast<std::size_t>(theme)].caption + ":");
        for (std::size_t row : FormsOfTheme(theme)) lines.push_back("  " + FormLine(Forms[row]));
    }
    return lines;
}

}  // namespace tarnfold::batch
