#include "batch/batch_office.h"

#include <utility>

#include "core/text.h"
#include "word/conversion/libreoffice_conversion.h"
#include "word/docx/docx_package.h"
#include "word/docx/docx_server.h"
#include "word/libreoffice/headless_office.h"
#include "word/libreoffice/office_copy.h"

namespace tarnfold::batch {

// .doc templates go through a headless LibreOffice of the batch's own.
class BatchOffice::Parts {
public:
    explicit Parts(std::string documentsFolder) : office(std::move(documentsFolder)) {}
    word::HeadlessOffice office;
};

BatchOffice::BatchOffice(std::string documentsFolder) : parts_(std::make_unique<Parts>(std::move(documentsFolder))) {}

BatchOffice::~BatchOffice() = default;

word::Server& BatchOffice::Server() { return parts_->office.Server(); }

void BatchOffice::Start() { parts_->office.Server().CreateApplication(); }

std::function<void()> BatchOffice::EndingAction() const { return parts_->office.EndingAction(); }

int BatchOffice::ConvertTemplates(const std::string& folder, const std::string& outFolder, std::ostream& out) {
    return word::conversion::RunTemplateConversion(folder, outFolder, parts_->office.Server(), out);
}

std::vector<std::string> BatchOffice::TemplateBookmarks(const std::string& path) {
    // A .docx is read as the native back-end fills it, without the office.
    if (EndsWith(LowerAscii(path), ".docx")) return word::docx::DocxPackage(path).BookmarkSpellings();
    return word::ListDocumentBookmarks(parts_->office.Server(), path);
}

std::string_view BatchOfficeName() { return "LibreOffice"; }

std::string_view BatchOfficeHelp() {
    return "LibreOffice ищется в /usr/lib/libreoffice/program/soffice; другой путь задает переменная\n"
           "окружения TARNFOLD_SOFFICE.\n";
}

std::unique_ptr<word::Server> NativeDocxServer() {
    // A batch fills the same template for one institution after another.
    return std::make_unique<word::docx::DocxServer>([](const std::string&) {},
                                                    word::docx::TemplateReuse::AcrossDocuments);
}

bool OfficeFillsDocx() { return false; }

}  // namespace tarnfold::batch
