#include "batch/batch_options.h"

#include <functional>
#include <map>

#include "catalogue/catalogue.h"
#include "core/integer.h"
#include "core/text.h"

namespace tarnfold::batch {

namespace {

void SetOnce(std::optional<std::string>& slot, const std::string& name, const std::string& value) {
    if (slot) throw UsageError("Параметр " + name + " указан дважды");
    if (value.empty()) throw UsageError("Пустое значение параметра " + name);
    slot = value;
}

// The section as the window's section field would hold it. A value the field
// would have to cut or drop characters of is refused rather than taken for
// another section ("abc" is no section 00).
std::string ReadSection(const std::string& value) {
    const std::string typed = Trim(value);
    const std::string section = SectionFieldText(typed);
    if (typed.empty() || !EndsWith(section, typed))
        throw UsageError("Неверный разрез \"" + value + "\": разрез — одна или две цифры");
    return section;
}

ListKind ReadListKind(const std::string& value) {
    if (value == "forms") return ListKind::Forms;
    if (value == "institutions") return ListKind::Institutions;
    if (value == "periods") return ListKind::Periods;
    throw UsageError("Неизвестный список \"" + value + "\": допустимы forms, institutions, periods");
}

int ReadTheme(const std::string& value) {
    const std::string typed = Trim(value);
    for (int theme = 0; theme < static_cast<int>(Themes.size()); ++theme)
        if (typed == std::to_string(theme) || EqualsIgnoreCase(typed, Themes[static_cast<std::size_t>(theme)].caption))
            return theme;
    std::string message = "Неизвестная тема \"" + value + "\": допустимы";
    for (int theme = 0; theme < static_cast<int>(Themes.size()); ++theme)
        message += std::string(theme ? "," : "") + " " + std::to_string(theme) + " (" +
                   Themes[static_cast<std::size_t>(theme)].caption + ")";
    throw UsageError(message);
}

using ValueOptionTable = std::map<std::string, std::function<void(const std::string& name, const std::string& value)>>;
using FlagTable = std::map<std::string, std::function<void(const std::string& name)>>;

// The options that take a value, each writing its field of `options`.
ValueOptionTable ValueOptions(BatchOptions& options) {
    return {
        {"--form", [&](auto& n, auto& v) { SetOnce(options.form, n, v); }},
        {"--institution",
         [&](auto& n, auto& v) {
             if (v.empty()) throw UsageError("Пустое значение параметра " + n);
             options.institutions.push_back(v);
         }},
        {"--year", [&](auto& n, auto& v) { SetOnce(options.year, n, v); }},
        {"--section",
         [&](auto& n, auto& v) {
             SetOnce(options.section, n, v);
             options.section = ReadSection(v);
         }},
        {"--period", [&](auto& n, auto& v) { SetOnce(options.period, n, v); }},
        {"--templates", [&](auto& n, auto& v) { SetOnce(options.templates, n, v); }},
        {"--out", [&](auto& n, auto& v) { SetOnce(options.out, n, v); }},
        {"--convert-templates", [&](auto& n, auto& v) { SetOnce(options.convertTemplates, n, v); }},
        {"--report", [&](auto& n, auto& v) { SetOnce(options.report, n, v); }},
        {"--theme",
         [&](auto& n, auto& v) {
             if (options.theme) throw UsageError("Параметр " + n + " указан дважды");
             if (v.empty()) throw UsageError("Пустое значение параметра " + n);
             options.theme = ReadTheme(v);
         }},
        {"--list",
         [&](auto& n, auto& v) {
             if (options.list != ListKind::None) throw UsageError("Параметр " + n + " указан дважды");
             options.list = ReadListKind(v);
         }},
    };
}

void SetJournal(BatchOptions& options, bool on) {
    if (options.journal && *options.journal != on)
        throw UsageError("Параметры --journal и --no-journal исключают друг друга");
    options.journal = on;
}

// The options without a value, each switching its field of `options` on.
FlagTable Flags(BatchOptions& options) {
    return {
        {"--help", [&](auto&) { options.help = true; }},
        {"-h", [&](auto&) { options.help = true; }},
        {"--all-institutions", [&](auto&) { options.allInstitutions = true; }},
        {"--all-forms", [&](auto&) { options.allForms = true; }},
        {"--check-templates", [&](auto&) { options.checkTemplates = true; }},
        {"--journal", [&](auto&) { SetJournal(options, true); }},
        {"--no-journal", [&](auto&) { SetJournal(options, false); }},
    };
}

// Hands every argument to its option, in the order given; a value comes
// after "=" or as the next argument.
void ReadArguments(const std::vector<std::string>& arguments, const ValueOptionTable& withValue,
                   const FlagTable& flags) {
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        const std::size_t equals = argument.find('=');
        const std::string name = argument.substr(0, equals);
        if (const auto flag = flags.find(name); flag != flags.end()) {
            if (equals != std::string::npos) throw UsageError("Параметр " + name + " не принимает значения");
            flag->second(name);
            continue;
        }
        const auto option = withValue.find(name);
        if (option == withValue.end()) {
            if (argument.rfind("-", 0) == 0) throw UsageError("Неизвестный параметр: " + argument);
            throw UsageError("Лишний аргумент: " + argument);
        }
        if (equals != std::string::npos) {
            option->second(name, argument.substr(equals + 1));
        } else {
            if (i + 1 == arguments.size()) throw UsageError("Параметр " + name + " требует значения");
            option->second(name, arguments[++i]);
        }
    }
}

// Whether an option of an export, a list or a check was given: any but
// --help, --out and --convert-templates itself.
bool HasExportChoices(const BatchOptions& options) {
    return options.form || !options.institutions.empty() || options.allInstitutions || options.year ||
           options.section || options.period || options.templates || options.journal ||
           options.list != ListKind::None || options.allForms || options.theme || options.checkTemplates ||
           options.report;
}

// Refuses options given together that contradict each other or that the
// chosen task would ignore.
void CheckCombinations(const BatchOptions& options) {
    if (options.allInstitutions && !options.institutions.empty())
        throw UsageError("Параметры --institution и --all-institutions исключают друг друга");
    if (options.allForms && options.form) throw UsageError("Параметры --form и --all-forms исключают друг друга");
    if (options.theme && options.form)
        throw UsageError("Параметры --form и --theme исключают друг друга: тему задает сама форма");
    if (options.convertTemplates && HasExportChoices(options))
        throw UsageError("Параметр --convert-templates сочетается только с --out");
    if (options.checkTemplates &&
        (!options.institutions.empty() || options.allInstitutions || options.section || options.period || options.out ||
         options.journal || options.list != ListKind::None || options.allForms))
        throw UsageError(
            "Параметр --check-templates сочетается только с --year, --form, --theme, --templates и --report");
    if (options.report && !options.checkTemplates)
        throw UsageError("Параметр --report относится только к --check-templates");
    if (options.theme && !options.allForms && !options.checkTemplates)
        throw UsageError("Параметр --theme относится только к --all-forms и --check-templates");
}

}  // namespace

BatchOptions ParseBatchOptions(const std::vector<std::string>& arguments) {
    BatchOptions options;
    ReadArguments(arguments, ValueOptions(options), Flags(options));
    CheckCombinations(options);
    return options;
}

std::string HelpText(std::string_view officeName, std::string_view officeHelp) {
    return "tarnfold-batch — выгрузка форм статистической отчетности в документы Word без окна.\n"
           "\n"
           "Использование:\n"
           "  tarnfold-batch [параметры]\n"
           "  tarnfold-batch --list forms|institutions|periods\n"
           "  tarnfold-batch --convert-templates ПАПКА [--out ПАПКА]\n"
           "  tarnfold-batch --check-templates [--year ГОД] [--form ФОРМА | --theme N] [--templates ПАПКА]\n"
           "                 [--report ФАЙЛ]\n"
           "\n"
           "Программа читает те же файлы, что и окно: kvel.ini в родительской папке и Tarnfold.ini рядом с\n"
           "собой (только чтение). Не указанный параметр берется из Tarnfold.ini, как его взяло бы окно.\n"
           "\n"
           "Параметры:\n"
           "  --form ФОРМА             код формы (007), имя файла шаблона (7.doc) или название формы\n"
           "  --institution КОД        код учреждения (поле C); можно указать несколько раз\n"
           "  --all-institutions       все учреждения по порядку кодов\n"
           "  --all-forms              все формы темы по порядку списка окна; вместе с --all-institutions —\n"
           "                           выгрузка всего сезона за один запуск (формы без шаблона пропускаются)\n"
           "  --theme N                тема, как в списке окна: 0 — годовая, 1 — месячные формы\n"
           "                           (для --all-forms и --check-templates; по умолчанию 0)\n"
           "  --year ГОД               отчетный год\n"
           "  --section РАЗРЕЗ         разрез формы: одна или две цифры, как в поле окна\n"
           "  --period НАЗВАНИЕ        период (для ежемесячных форм)\n"
           "  --templates ПАПКА        папка шаблонов (по умолчанию из Tarnfold.ini)\n"
           "  --out ПАПКА              папка документов (по умолчанию Reports рядом с программой)\n"
           "  --journal, --no-journal  вести журнал экспорта Tarnfold.log или нет (по умолчанию из Tarnfold.ini)\n"
           "  --list forms|institutions|periods\n"
           "                           показать формы, учреждения или периоды и выйти\n"
           "  --convert-templates ПАПКА\n"
           "                           преобразовать шаблоны .doc папки в .docx с проверкой закладок\n"
           "  --check-templates        проверить шаблоны всех форм (или --form, или темы --theme) по данным\n"
           "                           года: нет шаблона или он не документ Word; нет закладок заголовка;\n"
           "                           ячейки с данными без закладки; закладки, до которых не дойдет ни одна\n"
           "                           цифра года; закладки, различающиеся только регистром букв или\n"
           "                           повторенные. Только читает: ни документов, ни журнала, ни настроек\n"
           "  --report ФАЙЛ            полный список находок проверки: страница HTML или CSV (UTF-8), если\n"
           "                           имя оканчивается на .csv\n"
           "  --help                   эта справка\n"
           "\n"
           "Форма без шаблона при --all-forms называется в итоге и пропускается (код завершения 1).\n"
           "Проверка шаблонов завершается кодом 0, когда ошибок нет, и 1, когда нет шаблона или закладки\n"
           "заголовка либо есть ячейки с данными без закладки; прочие находки — предупреждения.\n"
           "\n"
           "Учреждение без данных пропускается и называется в итоге. Ctrl+C останавливает выгрузку после\n"
           "текущей строки; начатый документ сохраняется. Повторное Ctrl+C завершает программу сразу.\n"
           "\n" +
           (officeHelp.empty() ? std::string() : std::string(officeHelp) + "\n") +
           "Коды завершения: 0 — все документы готовы; 1 — в каком-то документе произошла ошибка или ни у\n"
           "одного учреждения нет данных (не записано ни одного документа); 2 — неверный параметр;\n"
           "3 — не удалось открыть базу данных; 4 — не удалось запустить\n" +
           std::string(officeName) + "; 130 — выгрузка остановлена по Ctrl+C.\n";
}

}  // namespace tarnfold::batch
