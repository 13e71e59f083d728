#include "export/export_rules.h"

#include <cstdio>
#include <optional>

#include "core/error.h"
#include "core/integer.h"
#include "core/number_format.h"
#include "core/paths.h"
#include "core/text.h"

namespace tarnfold {

namespace {

// Optional sign and decimal digits only: the hexadecimal forms that the general
// integer reading accepts are no section or year.
bool IsDecimalWholeNumber(std::string_view text) {
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    if (i == text.size()) return false;
    for (; i < text.size(); ++i)
        if (text[i] < '0' || text[i] > '9') return false;
    return true;
}

std::string_view SkipLeadingBlanks(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    return text;
}

// A figure of at most 15 digits and at most 4 after the point, written from
// its digits. Through a double it would come out the same: the double nearest
// to such a value gives back its digits at 15 significant ones, and the
// general form needs no exponent for it.
std::optional<std::string> ShortDecimalText(const Decimal& value, const std::string& decimalSeparator) {
    constexpr std::int64_t kFifteenDigits = 1'000'000'000'000'000;
    if (value.scale < 0 || value.scale > 4 || value.units <= -kFifteenDigits || value.units >= kFifteenDigits)
        return std::nullopt;
    std::string digits = std::to_string(value.units < 0 ? -value.units : value.units);
    const auto scale = static_cast<std::size_t>(value.scale);
    if (digits.size() <= scale) digits.insert(0, scale + 1 - digits.size(), '0');
    std::size_t end = digits.size();
    const std::size_t point = end - scale;
    while (end > point && digits[end - 1] == '0') --end;
    std::string text = value.units < 0 ? "-" : "";
    text.append(digits, 0, point);
    if (end > point) {
        text += decimalSeparator;
        text.append(digits, point, end - point);
    }
    return text;
}

std::string ReplaceExtension(const std::string& path, const std::string& extension) {
    const std::size_t dot = path.rfind('.');
    const std::size_t separator = path.find_last_of("/\\");
    if (dot == std::string::npos || (separator != std::string::npos && dot < separator)) return path + extension;
    return path.substr(0, dot) + extension;
}

}  // namespace

namespace {

// What printf's "%.Nd" writes: at least `digits` digits, a minus sign before
// them; done by hand as a bookmark name is made for every figure. Returns the
// end of what was written; `out` has room for 11 characters and `digits`.
char* AppendPadded(char* out, std::int32_t value, std::size_t digits) {
    if (value < 0) *out++ = '-';
    std::uint32_t magnitude = value < 0 ? 0u - static_cast<std::uint32_t>(value) : static_cast<std::uint32_t>(value);
    char reversed[10];
    std::size_t count = 0;
    do {
        reversed[count++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    for (std::size_t i = count; i < digits; ++i) *out++ = '0';
    while (count > 0) *out++ = reversed[--count];
    return out;
}

}  // namespace

std::string CellBookmark(std::int32_t table, std::int32_t row, std::int32_t column) {
    char name[40];
    char* end = name;
    *end++ = 'z';
    end = AppendPadded(end, table, 4);
    *end++ = '_';
    end = AppendPadded(end, row, 3);
    *end++ = '_';
    end = AppendPadded(end, column, 2);
    return std::string(name, end);
}

std::string CellBookmark(std::string_view tableCode, std::string_view rowText, std::string_view columnNumberText) {
    const std::int32_t table = StrToInt(Utf8Mid(tableCode, 2, 4));
    const std::int32_t row = StrToInt(rowText);
    const std::int32_t column = StrToInt(columnNumberText);
    return CellBookmark(table, row, column);
}

std::string SectionText(std::string_view sectionField) {
    const std::string_view text = SkipLeadingBlanks(sectionField);
    std::int32_t number = 0;
    if (IsDecimalWholeNumber(text)) number = ParseInteger(text).value_or(0);
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.2d", number);
    return buffer;
}

SectionCode MakeSectionCode(const std::string& formCode, const std::string& sectionText) {
    // Form 307 keeps its figures under the code of form 30, in a few tables of its own.
    if (formCode == "307") return {"030" + sectionText + "00", " and tblname.ntbl in (629, 630,389,385,360) "};
    return {formCode + sectionText + "00", ""};
}

const char* SourceTableName(SourceTable table) { return table == SourceTable::Summary ? "svod" : "tbl"; }

SourceTable ChooseSourceTable(const std::string& summaryMark, const std::string& periodicity,
                              const std::string& periodCode) {
    if (!summaryMark.empty()) return SourceTable::Summary;
    const auto oneOf = [&](std::initializer_list<const char*> codes) {
        for (const char* code : codes)
            if (periodCode == code) return SourceTable::Primary;
        return SourceTable::Summary;
    };
    if (periodicity == "кв") return oneOf({"I", "II", "III", "IV"});
    if (periodicity == "пг") return oneOf({"Iп", "IIп"});
    if (periodicity == "мс") return oneOf({"01", "02", "03", "04", "05", "06", "07", "08", "09", "10", "11", "12"});
    return SourceTable::Primary;
}

std::int32_t FallbackMappingYear(std::int32_t rowYear, std::int32_t latestMappingYear) {
    if (rowYear <= 2007) return 2007;
    if (rowYear < latestMappingYear) return rowYear;
    return latestMappingYear;
}

bool ShouldWriteValue(db::Kind kind, const db::Value& value) {
    switch (kind) {
        case db::Kind::Decimal:
            return !value.isNull && !value.decimal.IsZeroAtTwoPlaces();
        case db::Kind::Text:
            return !value.isNull && !value.text.empty();
        default:
            return false;
    }
}

std::string CellText(db::Kind kind, const db::Value& value, const std::string& decimalSeparator) {
    if (kind == db::Kind::Text) return value.text;
    if (std::optional<std::string> text = ShortDecimalText(value.decimal, decimalSeparator)) return std::move(*text);
    return FormatGeneral(value.decimal.ToDouble(), decimalSeparator);
}

std::int32_t ReadYear(std::string_view yearText) {
    std::string_view text = SkipLeadingBlanks(yearText);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    if (IsDecimalWholeNumber(text))
        if (auto year = ParseInteger(text)) return *year;
    throw Error("Год \"" + std::string(yearText) + "\" не является целым числом!");
}

std::int32_t FormNumber(const std::string& formCode) { return ReadInteger(formCode, 0); }

std::string MendFileNamePart(std::string_view name) {
    std::string out;
    out.reserve(name.size());
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto byte = static_cast<unsigned char>(name[i]);
        // C1 control characters arrive in UTF-8 as 0xC2 0x80..0x9F.
        if (byte == 0xC2 && i + 1 < name.size() && static_cast<unsigned char>(name[i + 1]) >= 0x80 &&
            static_cast<unsigned char>(name[i + 1]) <= 0x9F) {
            out += '_';
            ++i;
            continue;
        }
        const bool forbidden =
            byte < 0x20 || byte == 0x7F || std::string_view("\\/:*?\"<>|").find(name[i]) != std::string_view::npos;
        out += forbidden ? '_' : name[i];
    }
    return out;
}

namespace {

// The longest start of `text` that has at most `bytes` bytes and ends between
// characters.
std::string_view Utf8Prefix(std::string_view text, std::size_t bytes) {
    if (text.size() <= bytes) return text;
    std::size_t end = bytes;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    return text.substr(0, end);
}

}  // namespace

OutputName OutputFileName(const OutputNameParts& parts, std::size_t longestName) {
    const std::string number = "№ " + std::to_string(FormNumber(parts.formCode));
    if (parts.emptyForm) return {number + parts.extension, false};
    const std::string head = number + " (разрез " + parts.sectionText + ") ";
    std::string tail = " за " + parts.yearText + " год";
    if (!parts.periodName.empty()) tail += " (" + MendFileNamePart(parts.periodName) + ")";
    tail += parts.extension;
    const std::string institution = MendFileNamePart(parts.institutionName);
    const std::size_t fixed = head.size() + tail.size();
    if (longestName == std::string::npos || fixed + institution.size() <= longestName)
        return {head + institution + tail, false};
    static constexpr std::string_view kEllipsis = "…";
    const std::size_t room = longestName > fixed + kEllipsis.size() ? longestName - fixed - kEllipsis.size() : 0;
    std::string shortened(Utf8Prefix(institution, room));
    while (!shortened.empty() && shortened.back() == ' ') shortened.pop_back();
    return {head + shortened + std::string(kEllipsis) + tail, true};
}

std::string ShortenedNameLine(const std::string& institutionName) {
    return "Имя файла сокращено до допустимой длины; полное имя учреждения: " + institutionName;
}

TemplateChoice ChooseTemplate(const std::string& folder, const std::string& templateFile, bool docxAllowed,
                              const std::function<bool(const std::string&)>& fileExists) {
    const std::string docPath = folder + PathSeparator() + templateFile;
    if (fileExists(docPath) || !docxAllowed) return {docPath, false};
    const std::string docxPath = ReplaceExtension(docPath, ".docx");
    if (fileExists(docxPath)) return {docxPath, true};
    return {docPath, false};
}

std::string TemplateMissingMessage(const std::string& templatePath) {
    return "Не найден файл шаблона: " + templatePath + "!";
}

int GaugePercent(std::size_t done, std::size_t total) {
    if (total == 0) return 0;
    return static_cast<int>(RoundHalfEven(static_cast<double>(done) / static_cast<double>(total) * 100.0));
}

std::string FinishedResultText(bool aborted, bool unexportedData, bool logFile) {
    if (aborted) return "Выгрузка прервана пользователем...";
    std::string text = "Выгрузка завершена";
    if (unexportedData)
        text += std::string(" (есть невыгруженные данные") + (logFile ? ", см. Журнал экспорта)!" : ")!");
    return text;
}

std::string UnfinishedResultText(const std::string& keptPath, bool filled) {
    return (filled ? "Начатый документ сохранён как \"" : "Документ сохранён незаполненным как \"") +
           FileNamePart(keptPath) + "\"";
}

}  // namespace tarnfold
