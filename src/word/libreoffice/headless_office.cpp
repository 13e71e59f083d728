#include "word/libreoffice/headless_office.h"

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>
#include <utility>

#include "core/paths.h"
#include "word/libreoffice/office_process.h"
#include "word/office_lock.h"

namespace tarnfold::word {

namespace {

// A profile of this process's own, named after it; the profiles that killed
// processes left are removed first.
std::string MakeProfileFolder() {
    const char* tmp = std::getenv("TMPDIR");
    const std::string parent = tmp && *tmp ? tmp : "/tmp";
    RemoveEndedOneOffProfiles(parent);
    return MakeOneOffProfileFolder(parent);
}

// Ends the office, removes what it left beside the documents and its profile.
void EndOffice(const std::string& pipe, const std::string& profileFolder, const std::string& documentsFolder,
               std::filesystem::file_time_type since) {
    // An office process that was between its start and its exec a moment ago
    // is found only once it runs, and may have written to its profile by
    // then: the end is repeated until nothing of the office comes back.
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    do {
        KillOfficeProcesses(pipe);
        RemoveOfficeLeftovers(documentsFolder, FileUrl(profileFolder + "/profile"), since);
        std::error_code ignored;
        std::filesystem::remove_all(profileFolder, ignored);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    } while ((std::filesystem::exists(profileFolder) || !FindOfficeProcesses(pipe).empty()) &&
             std::chrono::steady_clock::now() < until);
}

}  // namespace

HeadlessOffice::HeadlessOffice(std::string documentsFolder)
    : documentsFolder_(std::move(documentsFolder)),
      profileFolder_(MakeProfileFolder()),
      pipeName_("tarnfold_batch_" + std::to_string(::getpid())) {
    RemoveLocksOfEndedOneOffOffices(documentsFolder_);
    LibreOfficeOptions options = DefaultLibreOfficeOptions();
    options.profileFolder = profileFolder_ + "/profile";
    options.pipeName = pipeName_;
    options.visible = false;
    options.temporaryFolder = profileFolder_ + "/tmp";
    // An office installed elsewhere than the Debian package puts it.
    if (const char* soffice = std::getenv("TARNFOLD_SOFFICE"); soffice && *soffice) options.sofficePath = soffice;
    server_ = std::make_unique<LibreOfficeServer>(options);
}

HeadlessOffice::~HeadlessOffice() {
    // The connection goes first, so that its end is not taken for a crash.
    server_.reset();
    EndOffice(pipeName_, profileFolder_, documentsFolder_, started_);
}

std::function<void()> HeadlessOffice::EndingAction() const {
    return [pipe = pipeName_, profile = profileFolder_, documents = documentsFolder_, since = started_] {
        // The main thread goes on meanwhile and must not start an office anew.
        StopStartingOffices();
        EndOffice(pipe, profile, documents, since);
    };
}

}  // namespace tarnfold::word
