#include "batch/batch_office.h"

#include "word/com/unattended_word.h"
#include "word/conversion/conversion_command.h"

namespace tarnfold::batch {

// Every template, .doc and .docx alike, goes through one Word for the batch.
class BatchOffice::Parts {
public:
    word::com::UnattendedWord office;
};

// Word removes its own files beside the documents when it closes them, even
// when told to quit at once, so the folder is not needed here.
BatchOffice::BatchOffice(std::string) : parts_(std::make_unique<Parts>()) {}

BatchOffice::~BatchOffice() = default;

word::Server& BatchOffice::Server() { return parts_->office; }

void BatchOffice::Start() { parts_->office.Running(); }

std::function<void()> BatchOffice::EndingAction() const { return parts_->office.EndingAction(); }

int BatchOffice::ConvertTemplates(const std::string& folder, const std::string& outFolder, std::ostream& out) {
    return word::conversion::RunTemplateConversion(folder, outFolder, *parts_->office.Converter(), out);
}

// Word reads .doc and .docx alike: every template is opened read-only in the
// batch's Word and its bookmarks listed as for a conversion.
std::vector<std::string> BatchOffice::TemplateBookmarks(const std::string& path) {
    return parts_->office.Converter()->BookmarksOfCopy(path);
}

std::string_view BatchOfficeName() { return "Word"; }

std::string_view BatchOfficeHelp() {
    return "Шаблоны .doc заполняет Word, запущенный для выгрузки невидимым; по окончании он закрывается.\n"
           "Word, в котором уже работает пользователь, остается открытым, как был.\n";
}

std::unique_ptr<word::Server> NativeDocxServer() { return nullptr; }

bool OfficeFillsDocx() { return true; }

}  // namespace tarnfold::batch
