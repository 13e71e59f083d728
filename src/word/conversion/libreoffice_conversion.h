#pragma once
// Template conversion through the tool's own LibreOffice: the office writes
// the .docx and names the .doc's bookmarks, and the .docx back-end, which
// reads the copy as the export will, names the copy's.

#include <ostream>
#include <string>
#include <vector>

#include "word/conversion/conversion_command.h"
#include "word/conversion/template_conversion.h"
#include "word/libreoffice/libreoffice.h"

namespace tarnfold::word::conversion {

class LibreOfficeConverter final : public TemplateConverter {
public:
    explicit LibreOfficeConverter(LibreOfficeServer& office) : office_(office) {}
    void Reach() override;
    std::vector<std::string> CopyListingBookmarks(const std::string& source, const std::string& copy) override;
    std::vector<std::string> BookmarksOfCopy(const std::string& copy) override;

private:
    LibreOfficeServer& office_;
};

TemplateConversion ConvertTemplate(LibreOfficeServer& office, const std::string& source, const std::string& outFolder);
int RunTemplateConversion(const std::string& folder, const std::string& outFolder, LibreOfficeServer& office,
                          std::ostream& out);

}  // namespace tarnfold::word::conversion
