#pragma once
// What the batch tells the user: a line per document, a live progress line,
// and the summary. Pure texts, so that they are tested as they are.

#include <cstddef>
#include <string>
#include <vector>

namespace tarnfold::batch {

enum class DocumentState {
    Done,     // filled and saved
    Stopped,  // stopped by Ctrl+C after a row, saved with what was filled
    Empty,    // no data: nothing written
    Failed,   // an error; the batch went on with the next document
};

struct DocumentResult {
    std::string institution;  // "C - B"
    DocumentState state = DocumentState::Failed;
    std::string outputPath;  // empty when no document was saved
    std::size_t placedFigures = 0;
    std::size_t unplacedFigures = 0;
    std::size_t unmappedRows = 0;
    double seconds = 0;
    std::string message;  // why it failed
};

// "0:07", "12:03", "1:02:03".
std::string FormatDuration(double seconds);

// The seconds are written with the user's decimal separator.
std::string DocumentLine(const DocumentResult& result, const std::string& decimalSeparator);

// Documents done of all, rows of the current document, elapsed and remaining
// time. The remaining time is the elapsed time stretched over the share of the
// work done; the elapsed time holds the office's start and the template's
// preparation as well, so the estimate is given only once a tenth of the work
// is done, and a whole document or 20 rows of one have been filled.
std::string ProgressLine(std::size_t documentsDone, std::size_t documentTotal, std::size_t rowsDone,
                         std::size_t rowTotal, double elapsedSeconds);

std::vector<std::string> SummaryLines(const std::vector<DocumentResult>& results, std::size_t documentTotal,
                                      double seconds, bool stopped);

// 0 when every document was done or skipped for want of data, 1 when one
// failed or when every one was skipped (no document written), 130 when the
// user stopped the batch.
int BatchExitCode(const std::vector<DocumentResult>& results, bool stopped);

}  // namespace tarnfold::batch
