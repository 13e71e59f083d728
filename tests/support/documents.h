#pragma once
// Template documents for tests, and an independent read-back of filled ones.
// Both run their own headless LibreOffice on private profiles under the temp
// folder (never the office the code under test uses), its output in a log.

#include <string>
#include <utility>
#include <vector>

#include "support/whole_file.h"

namespace tarnfold::testing {

// Writes a .doc, .docx or .odt template from its layout (the JSON format of
// scripts/make_template.py: header, footer, body paragraphs and tables with
// point or range bookmarks). Throws std::runtime_error on failure.
void MakeTemplate(const std::string& layoutJson, const std::string& outPath);
// Several templates at once, for one office start: pairs of (JSON, output path).
void MakeTemplates(const std::vector<std::pair<std::string, std::string>>& layoutsAndOutputs);

// A document's text as the office reads it back: one line per paragraph and
// one per table cell, in document order.
struct DocumentContent {
    std::vector<std::string> header;
    std::vector<std::string> body;
    std::vector<std::string> footer;
    std::vector<std::string> bookmarks;  // names, in the order they occur
};
DocumentContent ReadDocument(const std::string& path);

// The document as UTF-8 text: header lines, then body lines, then footer
// lines, each ending in a line break.
std::string ReadDocumentText(const std::string& path);

}  // namespace tarnfold::testing
