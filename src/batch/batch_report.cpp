#include "batch/batch_report.h"

#include <cmath>
#include <cstdio>

namespace tarnfold::batch {

namespace {

// How much of the work must be done before the remaining time is estimated.
constexpr double kMinShareForEstimate = 0.1;
constexpr std::size_t kMinRowsForEstimate = 20;

// Tenths of a second with the user's decimal separator ("0,3 с").
std::string Seconds(double seconds, const std::string& decimalSeparator) {
    const long long tenths = seconds <= 0 ? 0 : std::llrint(seconds * 10);
    return std::to_string(tenths / 10) + decimalSeparator + std::to_string(tenths % 10) + " с";
}

std::size_t Count(const std::vector<DocumentResult>& results, DocumentState state) {
    std::size_t n = 0;
    for (const DocumentResult& r : results) n += r.state == state;
    return n;
}

// Every institution of a finished batch was skipped for want of data.
bool NothingToExport(const std::vector<DocumentResult>& results, bool stopped) {
    return !stopped && !results.empty() && Count(results, DocumentState::Empty) == results.size();
}

}  // namespace

std::string FormatDuration(double seconds) {
    const long total = seconds <= 0 ? 0 : static_cast<long>(std::lround(seconds));
    char text[32];
    if (total >= 3600)
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", total / 3600, total / 60 % 60, total % 60);
    else
        std::snprintf(text, sizeof text, "%ld:%02ld", total / 60, total % 60);
    return text;
}

std::string DocumentLine(const DocumentResult& result, const std::string& decimalSeparator) {
    const std::string figures =
        "размещено " + std::to_string(result.placedFigures) + ", не размещено " +
        std::to_string(result.unplacedFigures) +
        (result.unmappedRows ? ", строк без описания " + std::to_string(result.unmappedRows) : std::string()) + ", " +
        Seconds(result.seconds, decimalSeparator);
    switch (result.state) {
        case DocumentState::Done:
            return result.institution + ": " + result.outputPath + " — " + figures;
        case DocumentState::Stopped:
            return result.institution + ": " + result.outputPath + " — остановлено по Ctrl+C, " + figures;
        case DocumentState::Empty:
            return result.institution + ": нет данных для выгрузки — пропущено";
        case DocumentState::Failed:
            break;
    }
    return result.institution + ": ОШИБКА — " + result.message +
           (result.outputPath.empty() ? std::string() : " (документ " + result.outputPath + ")");
}

std::string ProgressLine(std::size_t documentsDone, std::size_t documentTotal, std::size_t rowsDone,
                         std::size_t rowTotal, double elapsedSeconds) {
    std::string line = "Документ " +
                       std::to_string(documentsDone + 1 > documentTotal ? documentTotal : documentsDone + 1) + " из " +
                       std::to_string(documentTotal) + ", строка " + std::to_string(rowsDone) + " из " +
                       std::to_string(rowTotal) + ", прошло " + FormatDuration(elapsedSeconds);
    const double share = rowTotal ? static_cast<double>(rowsDone) / static_cast<double>(rowTotal) : 0.0;
    const double done = (static_cast<double>(documentsDone) + share) / static_cast<double>(documentTotal);
    const bool enoughSeen = documentsDone > 0 || rowsDone >= kMinRowsForEstimate;
    if (documentTotal && enoughSeen && done >= kMinShareForEstimate)
        line += ", осталось ~" + FormatDuration(elapsedSeconds / done - elapsedSeconds);
    return line;
}

std::vector<std::string> SummaryLines(const std::vector<DocumentResult>& results, std::size_t documentTotal,
                                      double seconds, bool stopped) {
    // Only figures that are in a saved document count: what a failed document
    // took in before its error is in no file the user gets.
    std::size_t placed = 0, unplaced = 0;
    for (const DocumentResult& r : results) {
        if (r.state != DocumentState::Done && r.state != DocumentState::Stopped) continue;
        placed += r.placedFigures;
        unplaced += r.unplacedFigures;
    }
    std::vector<std::string> lines;
    lines.push_back(std::string(stopped ? "Выгрузка остановлена по Ctrl+C" : "Выгрузка завершена") + ": документов " +
                    std::to_string(Count(results, DocumentState::Done) + Count(results, DocumentState::Stopped)) +
                    " из " + std::to_string(documentTotal) + ", без данных " +
                    std::to_string(Count(results, DocumentState::Empty)) + ", с ошибкой " +
                    std::to_string(Count(results, DocumentState::Failed)) + "; размещено " + std::to_string(placed) +
                    ", не размещено " + std::to_string(unplaced) + "; время " + FormatDuration(seconds) + ".");
    const auto list = [&](DocumentState state, const std::string& heading) {
        if (!Count(results, state)) return;
        lines.push_back(heading);
        for (const DocumentResult& r : results)
            if (r.state == state) lines.push_back("  " + r.institution);
    };
    list(DocumentState::Empty, "Пропущены (нет данных):");
    list(DocumentState::Failed, "С ошибкой:");
    if (stopped && results.size() < documentTotal)
        lines.push_back("Не выгружено документов: " + std::to_string(documentTotal - results.size()) + ".");
    if (NothingToExport(results, stopped))
        lines.push_back("Ни один документ не записан: ни у одного учреждения нет данных для выгрузки.");
    return lines;
}

int BatchExitCode(const std::vector<DocumentResult>& results, bool stopped) {
    if (stopped) return 130;
    return Count(results, DocumentState::Failed) || NothingToExport(results, stopped) ? 1 : 0;
}

}  // namespace tarnfold::batch
