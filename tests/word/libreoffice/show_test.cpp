// Showing the filled document: under a virtual X display the office starts
// invisible and the run's document window appears on Show; the screenshot
// lands in the build folder for a look.

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <thread>

#include <gtest/gtest.h>

#include "office_fixture.h"
#include "office_probe.h"
#include "support/bookmark_steps.h"
#include "support/documents.h"
#include "support/temp_dir.h"
#include "template_layouts.h"
#include "word/libreoffice/libreoffice.h"
#include "word/libreoffice/office_process.h"

namespace tarnfold::testing {
namespace {

namespace fs = std::filesystem;

// A child process ended (with its whole group) when this object goes.
class Child {
public:
    explicit Child(std::vector<std::string> arguments, int keepOpen = -1) {
        std::vector<char*> argv;
        for (std::string& a : arguments) argv.push_back(a.data());
        argv.push_back(nullptr);
        pid_ = ::fork();
        if (pid_ == 0) {
            ::setpgid(0, 0);
            const int null = ::open("/dev/null", O_RDWR);
            ::dup2(null, 0);
            ::dup2(null, 1);
            ::dup2(null, 2);
            if (keepOpen >= 0) ::fcntl(keepOpen, F_SETFD, 0);
            ::execvp(argv[0], argv.data());
            ::_exit(127);
        }
    }
    ~Child() {
        if (pid_ <= 0) return;
        ::kill(-pid_, SIGTERM);
        ::kill(pid_, SIGTERM);
        int status = 0;
        ::waitpid(pid_, &status, 0);
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

private:
    pid_t pid_ = -1;
};

// Xvfb on a display number of its own choosing, told back through a pipe.
class VirtualDisplay {
public:
    VirtualDisplay() {
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
        server_ =
            std::make_unique<Child>(std::vector<std::string>{"Xvfb", "-displayfd", std::to_string(ends[1]), "-screen",
                                                             "0", "1280x1024x24", "-nolisten", "tcp", "-noreset"},
                                    ends[1]);
        ::close(ends[1]);
        std::string number;
        char c;
        while (::read(ends[0], &c, 1) == 1 && c != '\n') number += c;
        ::close(ends[0]);
        if (number.empty()) throw std::runtime_error("Xvfb did not start");
        name_ = ":" + number;
        ::setenv("DISPLAY", name_.c_str(), 1);
        windowManager_ = std::make_unique<Child>(std::vector<std::string>{"openbox", "--sm-disable"});
    }
    ~VirtualDisplay() {
        windowManager_.reset();
        server_.reset();
        ::unsetenv("DISPLAY");
    }
    const std::string& Name() const { return name_; }

private:
    std::unique_ptr<Child> server_;
    std::unique_ptr<Child> windowManager_;
    std::string name_;
};

std::string Capture(const std::string& command) {
    std::string out;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, pipe)) out += buffer;
        ::pclose(pipe);
    }
    return out;
}

// The visible top-level windows whose title mentions `part`.
std::string VisibleWindows(const std::string& part) {
    return Capture("xdotool search --onlyvisible --name '" + part + "' 2>/dev/null");
}

// A whole run up to showing; the run's application is handed back.
std::unique_ptr<word::Application> Fill(word::Server& server, const std::string& templatePath,
                                        const std::string& output) {
    auto application = server.CreateApplication();
    auto document = word::BookmarkSteps(application->OpenWorkingDocument(templatePath));
    document->SaveAs(output);
    const word::BookmarkFilling header = document->FillBookmarks({{"z0001_000_00", "2023"},
                                                                  {"z0002_000_00", "ГБУЗ «Областной онкодиспансер»"},
                                                                  {"z0003_000_00", "январь — март"}},
                                                                 word::Placement::TypeAt);
    const word::BookmarkFilling figures = document->FillBookmarks({{"z1000_001_03", "1234,5"},
                                                                   {"z1000_001_04", "17"},
                                                                   {"z1000_002_03", "0,25"},
                                                                   {"z2000_001_01", "Итог по всем строкам"}},
                                                                  word::Placement::InsertBefore);
    EXPECT_EQ(header.placed + figures.placed, 7u);
    if (header.failure) throw *header.failure;
    if (figures.failure) throw *figures.failure;
    document->LeaveCursorAt("z0001_000_00");
    document->Save();
    application->Show();
    return application;
}

class ShowTest : public ::testing::Test {
protected:
    void SetUp() override { MakeTemplate(kFormTemplate, folder_.File("ДД.doc")); }
    TempDir folder_;
};

TEST_F(ShowTest, FilledDocumentAppearsInAVisibleWriterWindow) {
    VirtualDisplay display;
    word::LibreOfficeOptions options = OwnOfficeOptions("show");
    options.visible = true;
    {
        word::LibreOfficeServer server(options);
        // The run ends here; like Word, the office keeps the shown document open.
        Fill(server, folder_.File("ДД.doc"), folder_.File("показ формы.doc")).reset();

        std::string windows;
        for (int i = 0; i < 100 && windows.empty(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            windows = VisibleWindows("показ формы");
        }
        ASSERT_FALSE(windows.empty()) << "the document's window shows";
        const std::string window = windows.substr(0, windows.find('\n'));
        const std::string geometry = Capture("xdotool getwindowgeometry " + window);
        int width = 0, height = 0;
        const std::size_t at = geometry.find("Geometry: ");
        ASSERT_NE(at, std::string::npos) << geometry;
        std::sscanf(geometry.c_str() + at, "Geometry: %dx%d", &width, &height);
        EXPECT_GE(width, 1000) << geometry;
        EXPECT_GE(height, 750) << geometry;
        EXPECT_LE(width, 1280) << geometry;

        const auto documents = OfficeProbe(options).Documents();
        ASSERT_EQ(documents.size(), 1u);
        EXPECT_TRUE(documents[0].visible);
        EXPECT_FALSE(documents[0].modified);

        // Time for Writer to paint before the picture is taken.
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        const fs::path shots = fs::path(TARNFOLD_TEST_BINARY_DIR).parent_path().parent_path() / "screenshots";
        fs::create_directories(shots);
        const fs::path shot = shots / "word_show.png";
        fs::remove(shot);
        ASSERT_EQ(std::system(("import -display " + display.Name() + " -window root '" + shot.string() + "'").c_str()),
                  0);
        EXPECT_GT(fs::file_size(shot), 10000u);
    }
    // The office would lose its display with the virtual server; end it first.
    word::KillOfficeProcesses(options.pipeName);
}

TEST_F(ShowTest, InvisibleOptionRunsHeadlessEvenWithADisplay) {
    VirtualDisplay display;
    word::LibreOfficeOptions options = OwnOfficeOptions("hidden");
    options.visible = false;
    {
        word::LibreOfficeServer server(options);
        auto application = Fill(server, folder_.File("ДД.doc"), folder_.File("без окна.doc"));
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        EXPECT_EQ(VisibleWindows("без окна"), "");
        OfficeProbe probe(options);
        const auto documents = probe.Documents();
        ASSERT_EQ(documents.size(), 1u);
        EXPECT_FALSE(documents[0].visible);
        application.reset();
        EXPECT_TRUE(probe.Documents().empty()) << "a document nobody can see is closed when the run ends";
        EXPECT_NE(ReadDocumentText(folder_.File("без окна.doc")).find("1234,5"), std::string::npos);
    }
    word::KillOfficeProcesses(options.pipeName);
}

// In a shown office an error that Basic does not trap opens a box that
// blocks the call until someone closes it: the routine traps every error and
// the call comes back at once, telling it as the call for the bookmark would.
TEST_F(ShowTest, AnErrorInsideTheRoutineOpensNoBoxInAShownOffice) {
    VirtualDisplay display;
    word::LibreOfficeOptions options = OwnOfficeOptions("routine-error");
    options.visible = true;
    options.callTimeout = std::chrono::seconds(20);
    {
        word::LibreOfficeServer server(options);
        auto application = server.CreateApplication();
        auto document = word::BookmarkSteps(application->OpenWorkingDocument(folder_.File("ДД.doc")));
        const std::string output = folder_.File("закрыта пользователем.doc");
        document->SaveAs(output);
        ASSERT_FALSE(document->FillBookmarks({{"z0001_000_00", "2023"}}, word::Placement::TypeAt).failure);
        OfficeProbe(options).CloseDocument(output);

        const auto started = std::chrono::steady_clock::now();
        const word::BookmarkFilling filling =
            document->FillBookmarks({{"z1000_001_03", "1"}, {"z1000_001_04", "2"}}, word::Placement::InsertBefore);
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
        ASSERT_TRUE(filling.failure);
        EXPECT_STREQ(filling.failure->what(),
                     "Не удалось вставить текст перед закладкой z1000_001_03: документ закрыт в LibreOffice");
        EXPECT_EQ(VisibleWindows("Basic"), "") << "no box of Basic's";

        // The office still serves.
        Fill(server, folder_.File("ДД.doc"), folder_.File("после ошибки.doc")).reset();
        EXPECT_NE(ReadDocumentText(folder_.File("после ошибки.doc")).find("1234,5"), std::string::npos);
    }
    word::KillOfficeProcesses(options.pipeName);
}

}  // namespace
}  // namespace tarnfold::testing
