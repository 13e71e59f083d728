#include "batch/batch_office.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <unistd.h>
#include <utility>

#include "core/error.h"
#include "core/text.h"
#include "word/conversion/libreoffice_conversion.h"
#include "word/docx/docx_package.h"
#include "word/docx/docx_server.h"
#include "word/libreoffice/libreoffice.h"
#include "word/libreoffice/office_copy.h"
#include "word/libreoffice/office_files.h"
#include "word/libreoffice/office_process.h"
#include "word/office_lock.h"

namespace tarnfold::batch {

namespace {

// A profile of this batch's own, named after the batch's process; the
// profiles that killed batches left are removed first.
std::string MakeProfileFolder() {
    const char* tmp = std::getenv("TMPDIR");
    const std::string parent = tmp && *tmp ? tmp : "/tmp";
    word::RemoveEndedOneOffProfiles(parent);
    return word::MakeOneOffProfileFolder(parent);
}

// Ends the office, removes what it left beside the documents and its profile.
void EndOffice(const std::string& pipe, const std::string& profileFolder, const std::string& documentsFolder,
               std::filesystem::file_time_type since) {
    // An office process that was between its start and its exec a moment ago
    // is found only once it runs, and may have written to its profile by
    // then: the end is repeated until nothing of the office comes back.
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    do {
        word::KillOfficeProcesses(pipe);
        word::RemoveOfficeLeftovers(documentsFolder, FileUrl(profileFolder + "/profile"), since);
        std::error_code ignored;
        std::filesystem::remove_all(profileFolder, ignored);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    } while ((std::filesystem::exists(profileFolder) || !word::FindOfficeProcesses(pipe).empty()) &&
             std::chrono::steady_clock::now() < until);
}

}  // namespace

// A headless LibreOffice with a profile and a pipe of this process, so that
// it never shares the window program's office (nor another batch's).
class BatchOffice::Parts {
public:
    explicit Parts(std::string documentsFolder)
        : documentsFolder_(std::move(documentsFolder)),
          profileFolder_(MakeProfileFolder()),
          pipeName_("tarnfold_batch_" + std::to_string(::getpid())) {
        word::RemoveLocksOfEndedOneOffOffices(documentsFolder_);
        word::LibreOfficeOptions options = word::DefaultLibreOfficeOptions();
        options.profileFolder = profileFolder_ + "/profile";
        options.pipeName = pipeName_;
        options.visible = false;
        options.temporaryFolder = profileFolder_ + "/tmp";
        // An office installed elsewhere than the Debian package puts it.
        if (const char* soffice = std::getenv("TARNFOLD_SOFFICE"); soffice && *soffice) options.sofficePath = soffice;
        server_ = std::make_unique<word::LibreOfficeServer>(options);
    }
    ~Parts() {
        // The connection goes first, so that its end is not taken for a crash.
        server_.reset();
        EndOffice(pipeName_, profileFolder_, documentsFolder_, started_);
    }
    Parts(const Parts&) = delete;
    Parts& operator=(const Parts&) = delete;

    word::LibreOfficeServer& Server() { return *server_; }

    std::function<void()> EndingAction() const {
        return [pipe = pipeName_, profile = profileFolder_, documents = documentsFolder_, since = started_] {
            // The main thread goes on meanwhile and must not start an office anew.
            word::StopStartingOffices();
            EndOffice(pipe, profile, documents, since);
        };
    }

private:
    std::string documentsFolder_;
    std::filesystem::file_time_type started_ = std::filesystem::file_time_type::clock::now();
    std::string profileFolder_;
    std::string pipeName_;
    std::unique_ptr<word::LibreOfficeServer> server_;
};

BatchOffice::BatchOffice(std::string documentsFolder) : parts_(std::make_unique<Parts>(std::move(documentsFolder))) {}

BatchOffice::~BatchOffice() = default;

word::Server& BatchOffice::Server() { return parts_->Server(); }

void BatchOffice::Start() { parts_->Server().CreateApplication(); }

std::function<void()> BatchOffice::EndingAction() const { return parts_->EndingAction(); }

int BatchOffice::ConvertTemplates(const std::string& folder, const std::string& outFolder, std::ostream& out) {
    return word::conversion::RunTemplateConversion(folder, outFolder, parts_->Server(), out);
}

std::vector<std::string> BatchOffice::TemplateBookmarks(const std::string& path) {
    // A .docx is read as the native back-end fills it, without the office.
    if (EndsWith(LowerAscii(path), ".docx")) return word::docx::DocxPackage(path).BookmarkSpellings();
    return word::ListDocumentBookmarks(parts_->Server(), path);
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
