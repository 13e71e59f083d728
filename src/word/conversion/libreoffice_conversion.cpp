#include "word/conversion/libreoffice_conversion.h"

#include "core/error.h"
#include "core/paths.h"
#include "word/docx/docx_package.h"
#include "word/libreoffice/office_copy.h"

namespace tarnfold::word::conversion {

void LibreOfficeConverter::Reach() { office_.Connection(); }

std::vector<std::string> LibreOfficeConverter::CopyListingBookmarks(const std::string& source,
                                                                    const std::string& copy) {
    std::vector<std::string> names = CopyDocumentListingBookmarks(office_, source, copy);
    if (!FileExists(copy)) throw Error("LibreOffice не записал файл " + copy);
    return names;
}

std::vector<std::string> LibreOfficeConverter::BookmarksOfCopy(const std::string& copy) {
    return docx::DocxPackage(copy).BookmarkNames();
}

TemplateConversion ConvertTemplate(LibreOfficeServer& office, const std::string& source, const std::string& outFolder) {
    LibreOfficeConverter converter(office);
    return ConvertTemplate(converter, source, outFolder);
}

int RunTemplateConversion(const std::string& folder, const std::string& outFolder, LibreOfficeServer& office,
                          std::ostream& out) {
    LibreOfficeConverter converter(office);
    return RunTemplateConversion(folder, outFolder, converter, out);
}

}  // namespace tarnfold::word::conversion
