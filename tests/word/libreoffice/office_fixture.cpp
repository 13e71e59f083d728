#include "office_fixture.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "word/libreoffice/office_process.h"

namespace tarnfold::testing {

namespace {

std::vector<std::string>& PipesToEnd() {
    static std::vector<std::string> pipes;
    return pipes;
}

// Held here rather than as a static of its own: a connection must be let go
// of before the process exits, while the UNO runtime is still there.
std::unique_ptr<word::LibreOfficeServer>& Shared() {
    static std::unique_ptr<word::LibreOfficeServer> server;
    return server;
}

// Ends every office the program started: like Word, the back-end never tells it to quit.
class OfficeCleanup : public ::testing::Environment {
public:
    void TearDown() override {
        Shared().reset();
        for (const std::string& pipe : PipesToEnd()) word::KillOfficeProcesses(pipe);
    }
};

[[maybe_unused]] const auto* const cleanup = ::testing::AddGlobalTestEnvironment(new OfficeCleanup);

}  // namespace

word::LibreOfficeOptions OwnOfficeOptions(const std::string& name) {
    word::LibreOfficeOptions options;
    options.profileFolder = std::string(TARNFOLD_TEST_BINARY_DIR) + "/office-profile-" + name;
    options.pipeName = "tarnfold_test_" + name + "_" + std::to_string(::getpid());
    options.visible = false;
    PipesToEnd().push_back(options.pipeName);
    return options;
}

const word::LibreOfficeOptions& SharedOfficeOptions() {
    static const word::LibreOfficeOptions options = OwnOfficeOptions("shared");
    return options;
}

word::LibreOfficeServer& SharedOffice() {
    if (!Shared()) Shared() = std::make_unique<word::LibreOfficeServer>(SharedOfficeOptions());
    return *Shared();
}

int OfficeProcessId(const std::string& pipeName) {
    for (const pid_t pid : word::FindOfficeProcesses(pipeName)) {
        std::error_code ec;
        const auto exe = std::filesystem::read_symlink("/proc/" + std::to_string(pid) + "/exe", ec);
        if (!ec && exe.filename() == "soffice.bin") return pid;
    }
    return 0;
}

}  // namespace tarnfold::testing
