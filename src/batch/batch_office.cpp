#include "batch/batch_office.h"

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

#include "core/error.h"
#include "word/office_process.h"

namespace tarnfold::batch {

namespace {

std::string MakeProfileFolder() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/tarnfold-batch-office-XXXXXX";
    if (!::mkdtemp(pattern.data())) throw Error("Не удалось создать временную папку для LibreOffice: " + pattern);
    return pattern;
}

}  // namespace

BatchOffice::BatchOffice()
    : profileFolder_(MakeProfileFolder()), pipeName_("tarnfold_batch_" + std::to_string(::getpid())) {
    word::LibreOfficeOptions options = word::DefaultLibreOfficeOptions();
    options.profileFolder = profileFolder_ + "/profile";
    options.pipeName = pipeName_;
    options.visible = false;
    options.temporaryFolder = profileFolder_ + "/tmp";
    // An office installed elsewhere than the Debian package puts it.
    if (const char* soffice = std::getenv("TARNFOLD_SOFFICE"); soffice && *soffice) options.sofficePath = soffice;
    server_ = std::make_unique<word::LibreOfficeServer>(options);
}

BatchOffice::~BatchOffice() {
    // The connection goes first, so that its end is not taken for a crash.
    server_.reset();
    EndingAction()();
}

std::function<void()> BatchOffice::EndingAction() const {
    return [pipe = pipeName_, folder = profileFolder_] {
        word::KillOfficeProcesses(pipe);
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    };
}

}  // namespace tarnfold::batch
