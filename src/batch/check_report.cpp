#include "batch/check_report.h"

#include <set>

#include "core/text.h"

namespace tarnfold::batch {

namespace {

const FindingKind kKinds[] = {
    FindingKind::TemplateMissing,   FindingKind::TemplateUnreadable,  FindingKind::DataUnreadable,
    FindingKind::HeaderMissing,     FindingKind::CellWithoutBookmark, FindingKind::BookmarkUnreachable,
    FindingKind::BookmarkOtherCase, FindingKind::BookmarkRepeated,    FindingKind::RowsWithoutMapping};

std::string FormTitle(const FormCheck& check) { return check.form->templateFile + " — " + check.form->caption; }

// What names a finding in a list: its bookmark, or for a finding on the whole
// template what it says.
std::string Shown(const Finding& finding) { return finding.bookmark.empty() ? finding.detail : finding.bookmark; }

std::string FormCounts(const FormCheck& check, std::int32_t year) {
    const std::string counts = check.findings.empty() ? "замечаний нет"
                                                      : "ошибок " + std::to_string(check.Errors()) +
                                                            ", предупреждений " + std::to_string(check.Warnings());
    return check.withoutData ? counts + " (данных за " + std::to_string(year) + " год нет, ячейки не сверялись)"
                             : counts;
}

std::string KindLine(FindingKind kind, const std::vector<const Finding*>& findings, std::size_t namesShown) {
    std::string line = "  " + KindHeading(kind) + ": " + std::to_string(findings.size());
    if (kind == FindingKind::CellWithoutBookmark) {
        std::set<std::string> institutions;
        std::size_t figures = 0;
        for (const Finding* finding : findings) {
            figures += finding->figures;
            institutions.insert(finding->institutions.begin(), finding->institutions.end());
        }
        line += " (учреждений " + std::to_string(institutions.size()) + ", цифр " + std::to_string(figures) + ")";
    }
    line += " — ";
    for (std::size_t i = 0; i < findings.size() && i < namesShown; ++i) line += (i ? ", " : "") + Shown(*findings[i]);
    if (findings.size() > namesShown) line += " и ещё " + std::to_string(findings.size() - namesShown);
    return line;
}

std::string Html(const std::string& text) {
    std::string escaped;
    for (const char c : text) {
        switch (c) {
            case '&':
                escaped += "&amp;";
                break;
            case '<':
                escaped += "&lt;";
                break;
            case '>':
                escaped += "&gt;";
                break;
            case '"':
                escaped += "&quot;";
                break;
            case '\'':
                escaped += "&#39;";
                break;
            default:
                escaped += c;
        }
    }
    return escaped;
}

std::string CsvField(const std::string& text) {
    if (text.find_first_of(";\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

std::string Level(FindingKind kind) { return IsError(kind) ? "ошибка" : "предупреждение"; }

std::string Count(std::size_t value) { return value ? std::to_string(value) : std::string(); }

const char* const kStyle =
    "body{font-family:\"Segoe UI\",\"DejaVu Sans\",Arial,sans-serif;margin:2em;color:#1a1a1a;background:#fff}"
    "h1{font-size:1.5em;margin-bottom:.2em}h2{font-size:1.15em;margin:1.6em 0 .4em}"
    "p.scope{color:#555;margin-top:0}"
    "table{border-collapse:collapse;margin:.4em 0 1em;min-width:40em}"
    "th,td{border:1px solid #c8c8c8;padding:.3em .6em;text-align:left;vertical-align:top}"
    "th{background:#f0f0f0}td.n{text-align:right}"
    "tr.error td.kind{color:#a40000;font-weight:bold}tr.warning td.kind{color:#8a5a00}"
    "span.clean{color:#236b23}span.errors{color:#a40000}span.warnings{color:#8a5a00}"
    "code{font-family:\"DejaVu Sans Mono\",Consolas,monospace}";

}  // namespace

std::vector<std::string> CheckSummaryLines(const std::vector<FormCheck>& forms, const CheckScope& scope,
                                           std::size_t namesShown) {
    std::vector<std::string> lines;
    std::size_t checked = 0, clean = 0, withErrors = 0, notReported = 0;
    for (const FormCheck& check : forms) {
        if (check.notReported) {
            ++notReported;
            continue;
        }
        ++checked;
        if (check.Errors())
            ++withErrors;
        else if (check.findings.empty())
            ++clean;
        lines.push_back(FormTitle(check) + ": " + FormCounts(check, scope.year));
        for (const FindingKind kind : kKinds) {
            std::vector<const Finding*> ofKind;
            for (const Finding& finding : check.findings)
                if (finding.kind == kind) ofKind.push_back(&finding);
            if (!ofKind.empty()) lines.push_back(KindLine(kind, ofKind, namesShown));
        }
    }
    std::string total = "Проверка шаблонов за " + std::to_string(scope.year) + " год: проверено " +
                        std::to_string(checked) + ", без замечаний " + std::to_string(clean) + ", с предупреждениями " +
                        std::to_string(checked - clean - withErrors) + ", с ошибками " + std::to_string(withErrors) +
                        ".";
    lines.push_back(total);
    if (notReported)
        lines.push_back("Не проверялись (нет шаблона и нет данных за " + std::to_string(scope.year) +
                        " год): " + std::to_string(notReported) + ".");
    return lines;
}

std::string CheckReportHtml(const std::vector<FormCheck>& forms, const CheckScope& scope) {
    const std::string year = std::to_string(scope.year);
    std::string html =
        "<!DOCTYPE html>\n<html lang=\"ru\">\n<head>\n<meta charset=\"utf-8\"/>\n<title>Проверка шаблонов за " + year +
        " год</title>\n<style>" + kStyle + "</style>\n</head>\n<body>\n<h1>Проверка шаблонов за " + year +
        " год</h1>\n<p class=\"scope\">База данных: " + Html(scope.database) +
        "<br/>Папка шаблонов: " + Html(scope.templateFolder) + "</p>\n";

    html +=
        "<table class=\"forms\">\n<thead><tr><th>Форма</th><th>Шаблон</th><th>Ошибок</th><th>Предупреждений</th>"
        "</tr></thead>\n<tbody>\n";
    std::vector<const FormCheck*> notReported;
    for (std::size_t i = 0; i < forms.size(); ++i) {
        const FormCheck& check = forms[i];
        if (check.notReported) {
            notReported.push_back(&check);
            continue;
        }
        html += "<tr><td><a href=\"#form-" + std::to_string(i) + "\">" + Html(check.form->caption) + "</a></td><td>" +
                Html(check.form->templateFile) + "</td><td class=\"n\">" + std::to_string(check.Errors()) +
                "</td><td class=\"n\">" + std::to_string(check.Warnings()) + "</td></tr>\n";
    }
    html += "</tbody>\n</table>\n";

    for (std::size_t i = 0; i < forms.size(); ++i) {
        const FormCheck& check = forms[i];
        if (check.notReported) continue;
        html += "<section id=\"form-" + std::to_string(i) + "\">\n<h2>" + Html(FormTitle(check)) + "</h2>\n<p>" +
                Html(check.templatePath) + ": ";
        if (check.findings.empty()) {
            html += "<span class=\"clean\">" + Html(FormCounts(check, scope.year)) + "</span></p>\n</section>\n";
            continue;
        }
        html += std::string(check.Errors() ? "<span class=\"errors\">" : "<span class=\"warnings\">") +
                Html(FormCounts(check, scope.year)) + "</span></p>\n";
        html +=
            "<table>\n<thead><tr><th>Замечание</th><th>Закладка</th><th>Учреждений</th><th>Цифр</th>"
            "<th>Подробности</th></tr></thead>\n<tbody>\n";
        for (const Finding& finding : check.findings)
            html += std::string("<tr class=\"") + (IsError(finding.kind) ? "error" : "warning") +
                    "\"><td class=\"kind\">" + Html(KindText(finding.kind)) + "</td><td><code>" +
                    Html(finding.bookmark) + "</code></td><td class=\"n\">" + Count(finding.institutions.size()) +
                    "</td><td class=\"n\">" + Count(finding.figures) + "</td><td>" + Html(finding.detail) +
                    "</td></tr>\n";
        html += "</tbody>\n</table>\n</section>\n";
    }

    if (!notReported.empty()) {
        html += "<section id=\"not-reported\">\n<h2>Не проверялись: нет шаблона и нет данных за " + year +
                " год</h2>\n<ul>\n";
        for (const FormCheck* check : notReported) html += "<li>" + Html(FormTitle(*check)) + "</li>\n";
        html += "</ul>\n</section>\n";
    }
    return html + "</body>\n</html>\n";
}

std::string CheckReportCsv(const std::vector<FormCheck>& forms) {
    std::string csv =
        "\xEF\xBB\xBF"
        "Шаблон;Форма;Уровень;Замечание;Закладка;Учреждений;Цифр;Подробности\r\n";
    for (const FormCheck& check : forms)
        for (const Finding& finding : check.findings)
            csv += CsvField(check.form->templateFile) + ";" + CsvField(check.form->caption) + ";" +
                   Level(finding.kind) + ";" + CsvField(KindText(finding.kind)) + ";" + CsvField(finding.bookmark) +
                   ";" + Count(finding.institutions.size()) + ";" + Count(finding.figures) + ";" +
                   CsvField(finding.detail) + "\r\n";
    return csv;
}

bool CsvReportName(const std::string& fileName) { return EndsWith(LowerAscii(fileName), ".csv"); }

}  // namespace tarnfold::batch
