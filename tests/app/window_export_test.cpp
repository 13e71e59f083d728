// The real program on a virtual desktop in the users' locale: F10 fills a
// .doc through the office and a .docx natively, every figure read back from
// the saved documents; the programs it starts keep nothing of the database;
// the journal button shows the journal's Cyrillic text.

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>

#include "core/text.h"
#include "desktop_screen.h"
#include "desktop_session.h"
#include "export_scenario.h"
#include "office_probe.h"
#include "support/documents.h"
#include "word/libreoffice/libreoffice.h"
#include "word/libreoffice/office_process.h"
#include "support/whole_file.h"

using namespace tarnfold;
using namespace tarnfold::testing;
using namespace std::chrono_literals;

namespace {

const std::vector<std::string> kHeaders = {"z0001_000_00", "z0002_000_00", "z0003_000_00"};
const std::vector<std::string> kCells = {"z1000_001_03", "z1000_001_04", "z1000_001_08",
                                         "z1000_002_03", "z1000_002_04", "z1000_002_08"};
// What the rules make of 1234567.89, -3.25, 12.50, 21.00, 0.0051 and 100.00
// under a decimal comma.
const std::vector<std::string> kExpectedCells = {"z1000_001_03:1234567,89;", "z1000_001_04:-3,25;",
                                                 "z1000_001_08:12,5;",       "z1000_002_03:21;",
                                                 "z1000_002_04:0,0051;",     "z1000_002_08:100;"};
const std::string kOutputName = "№ 7 (разрез 01) Больница за 2011 год";
constexpr int kLargeRows = 1500;

std::string FiguresSql() {
    std::string sql = HostSchemaSql() +
                      "INSERT INTO KODIF VALUES ('0101', NULL, 'Больница', '0101', '01');\n"
                      "INSERT INTO period VALUES ('01', 'Январь');\n"
                      "INSERT INTO tblname VALUES (1000, '999');\n";
    for (const auto& [column, number] :
         std::vector<std::pair<const char*, const char*>>{{"n1", "3"}, {"n2", "4"}, {"n6", "8"}})
        sql += std::string("INSERT INTO columns VALUES (1000, '") + column + "', 2011, '" + number + "');\n";
    sql += InsertSql({"tbl",
                      1000,
                      2011,
                      "0101",
                      "год",
                      "0070100",
                      "tb1000",
                      "1",
                      {{"n1", "1234567.89"}, {"n2", "-3.25"}, {"n6", "12.50"}}});
    sql += InsertSql({"tbl",
                      1000,
                      2011,
                      "0101",
                      "год",
                      "0070100",
                      "tb1000",
                      "2",
                      {{"n1", "21.00"}, {"n2", "0.0051"}, {"n6", "100.00"}}});
    // Section 2: a form large enough that an export takes a while.
    for (int row = 1; row <= kLargeRows; ++row)
        sql += InsertSql({"tbl",
                          1000,
                          2011,
                          "0101",
                          "год",
                          "0070200",
                          "tb1000",
                          std::to_string(row),
                          {{"n1", std::to_string(row)}}});
    return sql;
}

std::vector<std::string> LargeCells() {
    std::vector<std::string> cells;
    for (int row = 1; row <= kLargeRows; ++row) {
        char name[32];
        std::snprintf(name, sizeof name, "z1000_%03d_03", row);
        cells.push_back(name);
    }
    return cells;
}

std::string ReportSection(const std::filesystem::path& templates) {
    return "[REPORT]\r\nForma=Форма 7.  Сведения о заболевших злокачественными новообразованиями\r\n"
           "LPU=0101 - Больница\r\nRazrez=01\r\nYear=2011\r\nLogFile=1\r\nPathReport=" +
           templates.string() + "\r\n";
}

std::string RunCommand(const std::vector<std::string>& command, const DesktopSession& desktop) {
    ChildProcess process(command, desktop.Environment(), desktop.Folder().Path() / "command.log");
    process.WaitForExit(20s);
    return ReadWholeFile(desktop.Folder().Path() / "command.log");
}

// Every descriptor a running process holds, as the paths they lead to.
std::multiset<std::string> OpenFiles(pid_t pid) {
    std::multiset<std::string> files;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/fd", ec))
        files.insert(std::filesystem::read_symlink(entry.path(), ec).string());
    return files;
}

class WindowExport : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(templates_ / "doc");
        std::filesystem::create_directories(templates_ / "docx");
        std::filesystem::create_directories(templates_ / "large");
        MakeTemplates({{TemplateLayout(kHeaders, kCells), (templates_ / "doc" / "7.doc").string()},
                       {TemplateLayout(kHeaders, kCells), (templates_ / "docx" / "7.docx").string()},
                       {TemplateLayout(kHeaders, LargeCells()), (templates_ / "large" / "7.doc").string()}});
        // The desktop's opener: it stays, as a document program would, and
        // tells who it is.
        std::filesystem::create_directories(bin_);
        std::ofstream(bin_ / "xdg-open") << "#!/bin/sh\necho $$ > '" << (bin_ / "opener.pid").string()
                                         << "'\nexec sleep 300\n";
        std::filesystem::permissions(bin_ / "xdg-open", std::filesystem::perms::owner_all);
        const std::string session = word::DisplaySessionName(desktop_.DisplayName());
        officeOptions_.profileFolder =
            (desktop_.Folder().Path() / "cache" / "tarnfold" / ("office-" + session)).string();
        officeOptions_.pipeName = "tarnfold_office_" + std::to_string(::getuid()) + "_" + session;
    }

    void TearDown() override {
        word::KillOfficeProcesses(officeOptions_.pipeName);
        if (const auto pid = OpenerPid()) ::kill(*pid, SIGKILL);
    }

    // Starts the window and waits until it shows with the focus.
    Window Start(std::unique_ptr<ChildProcess>& window, const std::string& log) {
        window = program_.Start(log, {"PATH=" + bin_.string() + ":" + std::getenv("PATH")});
        Window main = 0;
        EXPECT_TRUE(
            WaitUntil([&] { return (main = screen_.MainWindowOf(window->Pid())) && screen_.Focused(main); }, 20s))
            << ReadWholeFile(desktop_.Folder().Path() / log);
        return main;
    }

    void Close(ChildProcess& window, Window main) {
        AskToClose(desktop_.X(), main);
        EXPECT_EQ(window.WaitForExit(20s), std::optional<int>(0));
    }

    void PointTheTemplatesAt(const std::string& folder) { SetChoice("PathReport", (templates_ / folder).string()); }

    void SetChoice(const std::string& key, const std::string& value) {
        const std::filesystem::path ini = program_.Folder() / "Tarnfold.ini";
        std::string text = Cp1251ToUtf8(ReadWholeFile(ini));
        const std::size_t at = text.find(key + "=");
        ASSERT_NE(at, std::string::npos) << text;
        text.replace(at, text.find("\r\n", at) - at, key + "=" + value);
        std::ofstream(ini, std::ios::binary) << Utf8ToCp1251(text);
    }

    std::optional<pid_t> OpenerPid() const {
        const std::string text = ReadWholeFile(bin_ / "opener.pid");
        if (text.empty()) return std::nullopt;
        return static_cast<pid_t>(std::atoi(text.c_str()));
    }

    std::string Report(const std::string& extension) const {
        return (program_.Folder() / "Reports" / (kOutputName + extension)).string();
    }

    void ExpectEveryFigure(const std::string& path) {
        const std::string text = ReadDocumentText(path);
        for (const std::string& cell : kExpectedCells)
            EXPECT_NE(text.find(cell), std::string::npos) << cell << "\n" << text;
    }

    DesktopSession desktop_{false};
    std::filesystem::path templates_ = desktop_.Folder().Path() / "templates";
    std::filesystem::path bin_ = desktop_.Folder().Path() / "bin";
    ProgramCopy program_{desktop_, FiguresSql(), ReportSection(templates_ / "doc")};
    DesktopScreen screen_{desktop_.X()};
    word::LibreOfficeOptions officeOptions_ = word::DefaultLibreOfficeOptions();
};

}  // namespace

TEST_F(WindowExport, F10InTheUsersLocaleFillsDocAndDocxAndNothingOfTheDatabaseStaysOpen) {
    // The .doc through the office, which shows it once it is saved.
    std::unique_ptr<ChildProcess> window;
    Window main = Start(window, "doc.log");
    ASSERT_NE(main, 0u);
    RunCommand({"xdotool", "key", "F10"}, desktop_);
    ASSERT_TRUE(WaitUntil([&] { return std::filesystem::exists(Report(".doc")); }, 60s));
    OfficeProbe probe(officeOptions_);
    const auto shownAndSaved = [&](const std::string& path, const std::string& part) {
        for (const OpenDocumentState& document : probe.Documents())
            if (document.path == path && document.visible && !document.modified &&
                document.text.find(part) != std::string::npos)
                return true;
        return false;
    };
    ASSERT_TRUE(WaitUntil([&] { return shownAndSaved(Report(".doc"), "12,5"); }, 90s));
    ExpectEveryFigure(Report(".doc"));

    // The journal button: the office is told the journal's code page. The
    // office's window lies over the main window now.
    RunCommand({"xdotool", "windowraise", HexId(main)}, desktop_);
    RunCommand({"xdotool", "mousemove", "--window", HexId(main), "530", "184", "click", "1"}, desktop_);
    ASSERT_TRUE(WaitUntil([&] { return screen_.Height(main) == 420; }));
    RunCommand({"xdotool", "mousemove", "--window", HexId(main), "480", "319", "click", "1"}, desktop_);
    const std::string journal = (program_.Folder() / "Tarnfold.log").string();
    EXPECT_TRUE(WaitUntil([&] { return shownAndSaved(journal, "Дата выгрузки: "); }, 30s));
    Close(*window, main);

    // The .docx natively, handed to the desktop's opener.
    PointTheTemplatesAt("docx");
    main = Start(window, "docx.log");
    ASSERT_NE(main, 0u);
    RunCommand({"xdotool", "key", "F10"}, desktop_);
    ASSERT_TRUE(WaitUntil([&] { return OpenerPid().has_value(); }, 60s));
    ExpectEveryFigure(Report(".docx"));
    const pid_t opener = *OpenerPid();
    Close(*window, main);

    // The opener outlives the window, holding nothing but its standard streams:
    // neither the database nor the engine's lock files.
    const std::multiset<std::string> files = OpenFiles(opener);
    EXPECT_EQ(files.size(), 3u) << ::testing::PrintToString(files);
    for (const std::string& file : files) {
        EXPECT_EQ(file.find("kvel.gdb"), std::string::npos) << file;
        EXPECT_EQ(file.find("firebird"), std::string::npos) << file;
    }

    // So the window opens the same embedded database again and exports.
    std::filesystem::remove(bin_ / "opener.pid");
    std::filesystem::remove(Report(".docx"));
    main = Start(window, "again.log");
    ASSERT_NE(main, 0u);
    RunCommand({"xdotool", "key", "F10"}, desktop_);
    EXPECT_TRUE(WaitUntil([&] { return OpenerPid().has_value(); }, 60s))
        << ReadWholeFile(desktop_.Folder().Path() / "again.log");
    EXPECT_TRUE(std::filesystem::exists(Report(".docx")));
    Close(*window, main);
    ::kill(opener, SIGKILL);
}

// The window killed in the middle of an export leaves its office running
// with the hidden working document: the next window's F10 on the same report
// closes that orphan and writes the report, with no hand on the office.
TEST_F(WindowExport, AWindowKilledInTheMiddleOfAnExportNeverBlocksTheNextOne) {
    SetChoice("Razrez", "02");
    PointTheTemplatesAt("large");
    const std::string report = (program_.Folder() / "Reports" / "№ 7 (разрез 02) Больница за 2011 год.doc").string();
    const std::string working =
        (program_.Folder() / "Reports" / "~tf-№ 7 (разрез 02) Больница за 2011 год.doc").string();
    std::unique_ptr<ChildProcess> window;
    Window main = Start(window, "killed.log");
    ASSERT_NE(main, 0u);
    RunCommand({"xdotool", "key", "F10"}, desktop_);
    ASSERT_TRUE(WaitUntil([&] { return std::filesystem::exists(working); }, 60s));
    std::this_thread::sleep_for(300ms);
    window->Kill();
    window->WaitForExit(10s);
    EXPECT_FALSE(std::filesystem::exists(report)) << "killed before the report was written";

    main = Start(window, "next.log");
    ASSERT_NE(main, 0u);
    RunCommand({"xdotool", "key", "F10"}, desktop_);
    OfficeProbe probe(officeOptions_);
    const auto shown = [&] {
        for (const OpenDocumentState& document : probe.Documents())
            if (document.path == report && document.visible && document.text.find("1500") != std::string::npos)
                return true;
        return false;
    };
    EXPECT_TRUE(WaitUntil(shown, 120s)) << ReadWholeFile(desktop_.Folder().Path() / "next.log");
    EXPECT_FALSE(std::filesystem::exists(working));
    for (const OpenDocumentState& document : probe.Documents()) EXPECT_NE(document.path, working);
    Close(*window, main);
}

// Two desktop sessions of one account (one home, two displays): each window's
// documents open in an office of that session, shown on its own display.
TEST_F(WindowExport, EachDesktopSessionOfOneAccountHasAnOfficeOfItsOwn) {
    DesktopSession other(false);
    ProgramCopy otherProgram(other, FiguresSql(), ReportSection(templates_ / "doc"));
    DesktopScreen otherScreen(other.X());
    // One account: the same home and cache on both displays.
    const std::vector<std::string> account = {"HOME=" + (desktop_.Folder().Path() / "home").string(),
                                              "XDG_CACHE_HOME=" + (desktop_.Folder().Path() / "cache").string(),
                                              "PATH=" + bin_.string() + ":" + std::getenv("PATH")};
    std::unique_ptr<ChildProcess> here = program_.Start("here.log", account);
    std::unique_ptr<ChildProcess> there = otherProgram.Start("there.log", account);
    Window hereMain = 0, thereMain = 0;
    ASSERT_TRUE(
        WaitUntil([&] { return (hereMain = screen_.MainWindowOf(here->Pid())) && screen_.Focused(hereMain); }, 20s));
    ASSERT_TRUE(WaitUntil(
        [&] { return (thereMain = otherScreen.MainWindowOf(there->Pid())) && otherScreen.Focused(thereMain); }, 20s));
    RunCommand({"xdotool", "key", "F10"}, desktop_);
    ChildProcess({"xdotool", "key", "F10"}, other.Environment(), other.Folder().Path() / "command.log")
        .WaitForExit(20s);

    const std::string otherSession = word::DisplaySessionName(other.DisplayName());
    word::LibreOfficeOptions otherOptions = officeOptions_;
    otherOptions.profileFolder =
        (desktop_.Folder().Path() / "cache" / "tarnfold" / ("office-" + otherSession)).string();
    otherOptions.pipeName = "tarnfold_office_" + std::to_string(::getuid()) + "_" + otherSession;
    const std::string hereReport = Report(".doc");
    const std::string thereReport = (otherProgram.Folder() / "Reports" / (kOutputName + ".doc")).string();
    const auto shownOnlyThere = [](OfficeProbe& probe, const std::string& mine, const std::string& others) {
        bool found = false;
        for (const OpenDocumentState& document : probe.Documents()) {
            if (document.path == others) return false;
            found = found || (document.path == mine && document.visible);
        }
        return found;
    };
    // A probe would start an office of its own where none runs yet.
    ASSERT_TRUE(
        WaitUntil([&] { return std::filesystem::exists(hereReport) && std::filesystem::exists(thereReport); }, 60s));
    OfficeProbe hereProbe(officeOptions_);
    OfficeProbe thereProbe(otherOptions);
    EXPECT_TRUE(WaitUntil([&] { return shownOnlyThere(hereProbe, hereReport, thereReport); }, 90s));
    EXPECT_TRUE(WaitUntil([&] { return shownOnlyThere(thereProbe, thereReport, hereReport); }, 90s));
    // Each office draws on the display of its session.
    for (const auto& [pipe, display] : {std::pair{officeOptions_.pipeName, desktop_.DisplayName()},
                                        std::pair{otherOptions.pipeName, other.DisplayName()}}) {
        const std::vector<pid_t> offices = word::FindOfficeProcesses(pipe);
        ASSERT_FALSE(offices.empty()) << pipe;
        for (const pid_t pid : offices) {
            std::string environment = "\n" + ReadWholeFile("/proc/" + std::to_string(pid) + "/environ");
            std::replace(environment.begin(), environment.end(), '\0', '\n');
            EXPECT_NE(environment.find("\nDISPLAY=" + display + "\n"), std::string::npos) << pipe;
        }
    }
    Close(*here, hereMain);
    AskToClose(other.X(), thereMain);
    EXPECT_EQ(there->WaitForExit(20s), std::optional<int>(0));
    word::KillOfficeProcesses(otherOptions.pipeName);
}
