#pragma once
// LibreOffice as the independent party: it makes the templates from a short
// description (scripts/make_template.py) and reads filled documents back.

#include <string>
#include <utility>
#include <vector>

namespace tarnfold::testing {

class Office {
public:
    // `profile` is the office profile folder, kept for every start of one test
    // program so that starts are quick.
    explicit Office(std::string profile) : profile_(std::move(profile)) {}

    // Writes each JSON description (text) to a template at the paired path.
    void MakeTemplates(const std::vector<std::pair<std::string, std::string>>& layoutsAndOutputs) const;

    // The document's text as LibreOffice's plain-text export gives it: the
    // non-empty lines, table cells one per line.
    std::vector<std::string> BodyLines(const std::string& document) const;
    // The texts of the page headers and footers, from LibreOffice's HTML export.
    std::vector<std::string> HeaderAndFooterTexts(const std::string& document) const;

private:
    std::string Convert(const std::string& document, const std::string& filter, const std::string& extension) const;
    std::string profile_;
};

}  // namespace tarnfold::testing
