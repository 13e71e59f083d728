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

BatchOffice::BatchOffice() : profileFolder_(MakeProfileFolder()) {
    word::LibreOfficeOptions options = word::DefaultLibreOfficeOptions();
    options.profileFolder = profileFolder_ + "/profile";
    options.pipeName = "tarnfold_batch_" + std::to_string(::getpid());
    options.visible = false;
    // An office installed elsewhere than the Debian package puts it.
    if (const char* soffice = std::getenv("TARNFOLD_SOFFICE"); soffice && *soffice) options.sofficePath = soffice;
    server_ = std::make_unique<word::LibreOfficeServer>(options);
}

BatchOffice::~BatchOffice() {
    const std::string pipe = server_->Options().pipeName;
    server_.reset();
    word::KillOfficeProcesses(pipe);
    std::error_code ignored;
    std::filesystem::remove_all(profileFolder_, ignored);
}

}  // namespace tarnfold::batch
