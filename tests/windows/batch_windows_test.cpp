// The batch program on Windows, run as the user runs it: a process of its own
// beside its settings, writing through the stand-in word processor in yet
// another process by real COM, its rows from the stand-in session
// (batch_stand_in_program.exe is tarnfold-batch with those rows). Its
// documents are read back from disk and compared with what the window's
// export path writes for the same choices.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "batch/console_win32.h"
#include "batch_stand_in_rows.h"
#include "core/error.h"
#include "demo_database.h"
#include "export/export_run.h"
#include "core/wide_text.h"
#include "support/recording_observer.h"
#include "stand_in_registration.h"
#include "stand_in_word_test.h"
#include "word/com/word_com.h"
#include "support/whole_file.h"

using tarnfold::testing::ReadWholeFile;

namespace tarnfold {
namespace {

using namespace tarnfold::testing;
using word::com::Arg;
using word::com::Dispatch;

struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using Handle = std::unique_ptr<std::remove_pointer_t<HANDLE>, HandleCloser>;

std::string Utf8(const std::filesystem::path& path) { return win32::Narrow(path.wstring()); }

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::filesystem::path TestProgramFolder() {
    std::wstring path(MAX_PATH, L'\0');
    path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
    return std::filesystem::path(path).parent_path();
}

// One argument as the program's command-line parser reads it back.
std::wstring Quoted(const std::wstring& argument) {
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, L'\\');
    return quoted + L"\"";
}

// An environment variable of this process, and so of the programs it starts,
// for the lifetime of the object.
class EnvironmentSetting {
public:
    EnvironmentSetting(const wchar_t* name, const std::wstring& value) : name_(name) {
        SetEnvironmentVariableW(name, value.c_str());
    }
    ~EnvironmentSetting() { SetEnvironmentVariableW(name_, nullptr); }
    EnvironmentSetting(const EnvironmentSetting&) = delete;
    EnvironmentSetting& operator=(const EnvironmentSetting&) = delete;

private:
    const wchar_t* name_;
};

struct Finished {
    DWORD exitCode = 0;
    std::string out, err;
};

Handle InheritableFile(const std::filesystem::path& path) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    return Handle(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, CREATE_ALWAYS,
                              0, nullptr));
}

// Where a program is started: with the console this process has (none under
// the tests' Wine), or with a console of its own, through which a Ctrl+C
// reaches it.
enum class Console { Inherited, OwnConsole };

// The program's output redirected to files. A console's host process may
// hold the files a moment after the program ended: each run has its own.
Finished RunProgram(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                    const std::filesystem::path& outputFolder, Console console = Console::Inherited) {
    static int runs = 0;
    ++runs;
    std::wstring commandLine = Quoted(program.wstring());
    for (const std::string& argument : arguments) commandLine += L" " + Quoted(win32::Wide(argument));
    const std::filesystem::path outPath = outputFolder / (L"stdout-" + std::to_wstring(runs) + L".txt");
    const std::filesystem::path errPath = outputFolder / (L"stderr-" + std::to_wstring(runs) + L".txt");
    Finished finished;
    {
        const Handle out = InheritableFile(outPath);
        const Handle err = InheritableFile(errPath);
        if (out.get() == INVALID_HANDLE_VALUE || err.get() == INVALID_HANDLE_VALUE) {
            ADD_FAILURE() << "cannot write " << Utf8(outPath) << ": " << GetLastError();
            return finished;
        }
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = out.get();
        startup.hStdError = err.get();
        PROCESS_INFORMATION started{};
        const DWORD flags = console == Console::OwnConsole ? CREATE_NEW_CONSOLE : 0;
        if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, flags, nullptr, nullptr,
                            &startup, &started)) {
            ADD_FAILURE() << "cannot start " << Utf8(program) << ": " << GetLastError();
            return finished;
        }
        const Handle process(started.hProcess);
        const Handle thread(started.hThread);
        if (WaitForSingleObject(process.get(), 60000) != WAIT_OBJECT_0) {
            TerminateProcess(process.get(), 1000);
            ADD_FAILURE() << "the batch did not end within a minute";
        }
        GetExitCodeProcess(process.get(), &finished.exitCode);
    }
    finished.out = ReadWholeFile(outPath);
    finished.err = ReadWholeFile(errPath);
    return finished;
}

// A Word the tests hold while the batch runs; the stand-in gives every client
// the same one, as a running Word would.
Dispatch HeldWord() { return word::com::CreateAutomationObject("Word.Application"); }

// Whether the word processor behind `application` still answers.
bool Answers(const Dispatch& application) {
    try {
        application.Object("Documents").Integer("Count");
        return true;
    } catch (const Error&) {
        return false;
    }
}

const std::string kNorth = "№ 7 (разрез 01) Больница _Север__Юг за 2011 год.doc";
const std::string kClinic = "№ 7 (разрез 01) Поликлиника за 2011 год.doc";
const std::string kLarge = "№ 7 (разрез 01) Большая за 2011 год.doc";
const std::string kLargeUnfinished = "№ 7 (разрез 01) Большая за 2011 год (не завершено).doc";

class BatchOnWindows : public StandInWordTest {
protected:
    // The host's folder as the window program has it: kvel\Tarnfold\ with the
    // program and its templates.
    void SetUp() override {
        StandInWordTest::SetUp();
        if (!Ready()) return;
        std::filesystem::create_directories(Folder() / L"DocF_2011");
        std::filesystem::create_directories(Folder() / L"Large");
        std::ofstream(Folder() / L"DocF_2011" / L"7.doc", std::ios::binary) << StandInTemplate(2);
        std::ofstream(Folder() / L"Large" / L"7.doc", std::ios::binary) << StandInTemplate(kLargeFormRows);
        std::filesystem::copy_file(TestProgramFolder() / L"batch_stand_in_program.exe", Program());
    }

    std::filesystem::path Folder() const { return root / L"kvel" / L"Tarnfold"; }
    std::filesystem::path Reports() const { return Folder() / L"Reports"; }
    std::filesystem::path Program() const { return Folder() / L"tarnfold-batch.exe"; }

    Finished Batch(const std::vector<std::string>& arguments, Console console = Console::Inherited) const {
        return RunProgram(Program(), arguments, root, console);
    }

    std::vector<std::string> LargeFormArguments() const {
        return {"--form", "7",    "--institution", "0505", "--institution", "0101",
                "--year", "2011", "--section",     "1",    "--templates",   Utf8(Folder() / L"Large")};
    }

    // What the window's export writes for the same choices and rows, read back.
    std::string WindowPathDocument(int institutionIndex, const std::string& outputName) const {
        const std::filesystem::path window = root / L"window";
        StandInFigures figures;
        ExportChoices choices;
        const RowSource rows = figures.Rows();
        choices.theme = &Themes[0];
        choices.form = TemplateRow(0, 2);  // 7.doc
        choices.institution = rows.institutions.at(static_cast<std::size_t>(institutionIndex));
        choices.period = rows.periods.at(0);
        choices.sectionText = "1";
        choices.yearText = "2011";
        choices.templateFolder = Utf8(Folder() / L"DocF_2011");
        ExportOptions options;
        options.formats = UserRegionalFormats();
        options.programFolder = Utf8(window) + "\\";
        std::filesystem::create_directories(window);
        std::vector<std::string> shown;
        RecordingObserver observer(shown);
        word::com::ComServer word;
        ExportRun(rows.beginSession, WordServers(word), observer, options, choices).Execute();
        // The window leaves its document shown in Word; the user closes Word
        // before the batch is run again.
        HeldWord().Call("Quit", {Arg::Boolean(false, "SaveChanges")});
        return ReadWholeFile(window / L"Reports" / win32::Wide(outputName));
    }
};

TEST_F(BatchOnWindows, EachInstitutionsDocumentIsTheOneTheWindowWouldWrite) {
    const Finished run = Batch({"--form", "7", "--institution", "0101", "--institution", "0202", "--institution",
                                "0303", "--year", "2011", "--section", "1"});
    ASSERT_EQ(run.exitCode, 0u) << run.out << run.err;
    // Redirected, the lines are UTF-8 as on Linux.
    const std::string reports = Utf8(Reports()) + "\\";
    EXPECT_TRUE(
        Contains(run.out, "0101 - Больница \"Север\"/Юг: " + reports + kNorth + " — размещено 3, не размещено 1, "))
        << run.out;
    EXPECT_TRUE(Contains(run.out, "0303 - Без данных: нет данных для выгрузки — пропущено")) << run.out;
    EXPECT_TRUE(Contains(run.out,
                         "Выгрузка завершена: документов 2 из 3, без данных 1, с ошибкой 0; размещено 5, "
                         "не размещено 1;"))
        << run.out;

    const std::string north = ReadWholeFile(Reports() / win32::Wide(kNorth));
    EXPECT_TRUE(Contains(north, "Строка 1: {z1000_001_01:12,5} {z1000_001_02:3,1415}\r\n")) << north;
    EXPECT_EQ(north, WindowPathDocument(0, kNorth));
    EXPECT_EQ(ReadWholeFile(Reports() / win32::Wide(kClinic)), WindowPathDocument(1, kClinic));
    // Only the finished documents: no working copy, nothing for the institution without data.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Reports()), {}), 2);
    EXPECT_FALSE(std::filesystem::exists(Folder() / L"Tarnfold.ini"));
}

TEST_F(BatchOnWindows, WordFillsADocxTemplateWhereThereIsNoDoc) {
    const std::string expected = WindowPathDocument(1, kClinic);
    std::filesystem::rename(Folder() / L"DocF_2011" / L"7.doc", Folder() / L"DocF_2011" / L"7.docx");
    const Finished run = Batch({"--form", "7", "--institution", "0202", "--year", "2011", "--section", "1"});
    ASSERT_EQ(run.exitCode, 0u) << run.out << run.err;
    const std::string docx = kClinic.substr(0, kClinic.size() - 4) + ".docx";
    EXPECT_EQ(ReadWholeFile(Reports() / win32::Wide(docx)), expected) << run.out;
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Reports()), {}), 1);
}

TEST_F(BatchOnWindows, TemplatesAreConvertedThroughWordOnce) {
    const std::string templates = Utf8(Folder() / L"DocF_2011");
    const Finished first = Batch({"--convert-templates", templates});
    ASSERT_EQ(first.exitCode, 0u) << first.out << first.err;
    EXPECT_TRUE(Contains(first.out, "7.doc → 7.docx: закладок 6, все закладки сохранены\n")) << first.out;
    EXPECT_EQ(ReadWholeFile(Folder() / L"DocF_2011" / L"7.docx"), ReadWholeFile(Folder() / L"DocF_2011" / L"7.doc"));
    // Nothing of the conversion's own is left beside the templates.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Folder() / L"DocF_2011"), {}), 2);

    const Finished second = Batch({"--convert-templates", templates});
    EXPECT_EQ(second.exitCode, 0u) << second.out << second.err;
    EXPECT_TRUE(Contains(second.out, "7.doc: пропущен, 7.docx уже есть\n")) << second.out;
}

TEST_F(BatchOnWindows, ExitCodesTellWhatWentWrong) {
    struct Case {
        const char* what;
        std::vector<std::string> arguments;
        DWORD exitCode;
        std::string expected;  // in the output or the error text
    };
    const std::vector<std::string> twoInstitutions = {"--form", "7",      "--institution", "0101",      "--institution",
                                                      "0202",   "--year", "2011",          "--section", "1"};
    for (const Case& test : std::vector<Case>{
             {"help", {"--help"}, 0, "4 — не удалось запустить\nWord; 130 — выгрузка остановлена по Ctrl+C.\n"},
             {"bad option", {"--frm", "7"}, 2, "Неизвестный параметр: --frm\nСправка: tarnfold-batch --help\n"},
             {"unknown institution", {"--form", "7", "--institution", "9999", "--year", "2011"}, 2, "9999"},
             {"no such template folder",
              {"--convert-templates", "Нет такой"},
              2,
              "Папка шаблонов не найдена: Нет такой"},
             {"one document fails", twoInstitutions, 1, "С ошибкой:\n  0101 - Больница \"Север\"/Юг\n"},
         }) {
        SCOPED_TRACE(test.what);
        std::filesystem::remove_all(Reports());
        // A folder where the first document is to be saved.
        if (test.exitCode == 1) std::filesystem::create_directories(Reports() / win32::Wide(kNorth));
        const Finished run = Batch(test.arguments);
        EXPECT_EQ(run.exitCode, test.exitCode) << run.out << run.err;
        EXPECT_TRUE(Contains(run.out + run.err, test.expected)) << run.out << run.err;
    }
    // The failure of one document leaves the others written.
    EXPECT_TRUE(Contains(ReadWholeFile(Reports() / win32::Wide(kClinic)), "{z1000_001_02:8,25}"));
}

TEST_F(BatchOnWindows, WithoutWordNothingIsWrittenAndTheExitCodeIs4) {
    Finished run;
    {
        const StandInUnregistered unregistered;
        ASSERT_TRUE(unregistered.removed());
        run = Batch({"--form", "7", "--institution", "0101", "--year", "2011", "--section", "1"});
    }
    EXPECT_EQ(run.exitCode, 4u) << run.out << run.err;
    EXPECT_TRUE(run.err.rfind("Не удалось запустить Word: ", 0) == 0) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_FALSE(std::filesystem::exists(Reports() / win32::Wide(kNorth)));
    EXPECT_EQ(RegisteredWordApplication(), WordApplication::StandIn) << "the registration was put back";
}

// COM may hand the batch a Word the user works in: that one is left as it
// was, without the batch's documents; the batch's own is quit at the end.
TEST_F(BatchOnWindows, ItsOwnWordIsQuitAndTheUsersIsLeftAsItWas) {
    struct Case {
        const char* what;
        bool shown;
        bool holdsDocument;
        bool users;
    };
    const std::filesystem::path usersDocument = root / L"письмо.doc";
    std::ofstream(usersDocument, std::ios::binary) << "Письмо {подпись}\r\n";
    for (const Case& test : std::vector<Case>{{"invisible and empty: the batch's own", false, false, false},
                                              {"shown", true, false, true},
                                              {"holding a document", false, true, true}}) {
        SCOPED_TRACE(test.what);
        std::filesystem::remove_all(Reports());
        const Dispatch word = HeldWord();
        if (test.shown) word.Put("Visible", Arg::Boolean(true));
        std::string path = Utf8(usersDocument);
        if (test.holdsDocument) word.Object("Documents").Call("Open", {Arg::TextByRef(path)});
        // A Word that an earlier test left shown or holding documents would make every case the user's.
        ASSERT_EQ(word.Boolean("Visible"), test.shown);
        ASSERT_EQ(word.Object("Documents").Integer("Count"), test.holdsDocument ? 1 : 0);

        const Finished run = Batch({"--form", "7", "--institution", "0202", "--year", "2011", "--section", "1"});
        EXPECT_EQ(run.exitCode, 0u) << run.out << run.err;
        EXPECT_TRUE(std::filesystem::exists(Reports() / win32::Wide(kClinic)));

        ASSERT_EQ(Answers(word), test.users) << run.err;
        if (!test.users) continue;
        EXPECT_EQ(word.Boolean("Visible"), test.shown);
        EXPECT_EQ(word.Object("Documents").Integer("Count"), test.holdsDocument ? 1 : 0);
        if (test.holdsDocument) {
            // The one left open is the user's own.
            std::string bookmark = "подпись";
            EXPECT_TRUE(word.Object("Documents")
                            .Object("Item", {Arg::Integer(1)})
                            .Object("Bookmarks")
                            .Boolean("Exists", {Arg::TextByRef(bookmark)}));
        }
        word.Call("Quit", {Arg::Boolean(false, "SaveChanges")});
    }
}

TEST_F(BatchOnWindows, CtrlCStopsAfterTheCurrentRowAndSavesThePartlyFilledDocument) {
    std::filesystem::create_directories(Reports());
    std::ofstream(Reports() / win32::Wide(kLarge), std::ios::binary) << "the earlier report";
    Finished run;
    {
        const EnvironmentSetting afterRow(L"TARNFOLD_TEST_CTRL_C_AFTER_ROW", L"5");
        run = Batch(LargeFormArguments(), Console::OwnConsole);
    }
    EXPECT_EQ(run.exitCode, 130u) << run.out << run.err;
    EXPECT_TRUE(Contains(run.out, "остановлено по Ctrl+C, размещено 5, ")) << run.out;
    EXPECT_TRUE(Contains(run.out, "Выгрузка остановлена по Ctrl+C: документов 1 из 2")) << run.out;
    const std::string text = ReadWholeFile(Reports() / win32::Wide(kLargeUnfinished));
    EXPECT_TRUE(Contains(text, "Строка 5: {z1000_005_01:5}")) << text;
    EXPECT_TRUE(Contains(text, "Строка 6: {z1000_006_01}")) << text;
    EXPECT_EQ(ReadWholeFile(Reports() / win32::Wide(kLarge)), "the earlier report");
    EXPECT_FALSE(std::filesystem::exists(Reports() / win32::Wide(kNorth))) << "no document after the stop";
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Reports()), {}), 2);
}

TEST_F(BatchOnWindows, SecondCtrlCEndsAtOnceAndQuitsTheBatchsWord) {
    const Dispatch word = HeldWord();
    Finished run;
    {
        const EnvironmentSetting afterRow(L"TARNFOLD_TEST_CTRL_C_AFTER_ROW", L"5");
        const EnvironmentSetting presses(L"TARNFOLD_TEST_CTRL_C_PRESSES", L"2");
        run = Batch(LargeFormArguments(), Console::OwnConsole);
    }
    EXPECT_EQ(run.exitCode, 130u) << run.out << run.err;
    EXPECT_FALSE(Contains(run.out, "Выгрузка")) << run.out;  // no summary: it ended at once
    EXPECT_TRUE(Contains(run.err, "Выгрузка прервана; начатый документ не дописан.")) << run.err;
    EXPECT_FALSE(Answers(word)) << "the batch's Word outlived it";
    EXPECT_FALSE(std::filesystem::exists(Reports() / win32::Wide(kLarge)));
}

// The released tarnfold-batch.exe over the demo database, as the host
// system's locator names it: a local file read by the embedded engine from a
// folder with Cyrillic letters, or from one whose name code page 1251 cannot
// hold, and a database of the loopback server.
class BatchOnTheDemoDatabase : public StandInWordTest {
protected:
    void SetUp() override {
        StandInWordTest::SetUp();
        if (!Ready()) return;
        if (DemoDatabase().empty()) GTEST_SKIP() << "no real database: winegcc cannot build the forwarding client here";
        std::filesystem::create_directories(Folder() / L"DocF_2011");
        std::filesystem::copy_file(TestProgramFolder() / L"tarnfold-batch.exe", Folder() / L"tarnfold-batch.exe");
        std::filesystem::copy_file(ForwardingClient(), Folder() / L"fbclient.dll");
        std::ofstream(Folder() / L"DocF_2011" / L"7.doc", std::ios::binary)
            << "Учреждение: {z0002_000_00}\r\nСтрока 1: {z1000_001_04} {z1000_001_06}\r\n";
    }
    void TearDown() override {
        std::error_code ignored;
        for (const std::filesystem::path& folder : databases_) std::filesystem::remove_all(folder, ignored);
        StandInWordTest::TearDown();
    }

    std::filesystem::path Folder() const { return root / L"kvel" / L"Tarnfold"; }
    std::filesystem::path Reports() const { return Folder() / L"Reports"; }

    // The demo database copied into `folder`, which goes with the test.
    void PlaceDatabase(const std::filesystem::path& folder) {
        std::filesystem::create_directories(folder);
        std::filesystem::copy_file(DemoDatabase(), folder / L"kvel.gdb");
        databases_.push_back(folder);
    }
    void Locate(const std::string& databaseFolder, const std::string& passwordLine = "password=masterkey") const {
        WriteLocator(root / L"kvel" / L"kvel.ini", databaseFolder, passwordLine);
    }

    Finished Batch(const std::vector<std::string>& arguments) const {
        return RunProgram(Folder() / L"tarnfold-batch.exe", arguments, root);
    }

    // The demo database in a folder of the loopback server, which either width reaches.
    void LocateOnTheServer(const std::string& prefix) {
        const std::optional<LoopbackServer> server = RunningLoopbackServer();
        ASSERT_TRUE(server) << "the loopback server does not run";
        const std::string name = prefix + Utf8(root.filename().wstring().substr(root.filename().wstring().rfind(L'-')));
        PlaceDatabase(server->LocalFolder(name));
        Locate(server->Folder(name), "password=" + server->password);
    }

    // The demo's templates copied into a folder of their own beside the program.
    std::filesystem::path DemoTemplatesIn(const std::wstring& name) const {
        const std::filesystem::path folder = Folder() / name;
        std::filesystem::copy(DemoTemplates(), folder);
        return folder;
    }

private:
    std::vector<std::filesystem::path> databases_;
};

TEST_F(BatchOnTheDemoDatabase, ListsAndExportsSeveralInstitutionsEmbeddedAndThroughTheServer) {
    const std::wstring run = root.filename().wstring().substr(root.filename().wstring().rfind(L'-'));
    struct Case {
        std::string what;
        std::filesystem::path place;  // where the database file lies, as this process reaches it
        std::string locatorFolder;    // the locator's dbPath
        std::string passwordLine;
    };
    std::vector<Case> cases;
    if (EmbeddedEngine()) {
        cases.push_back({"a folder named in Cyrillic", L"C:\\Статистика" + run + L"\\база", {}, "password=masterkey"});
        cases.push_back({"a folder that code page 1251 cannot hold", L"C:\\Ελλάδα" + run, {}, "password=masterkey"});
    }
    for (Case& test : cases) test.locatorFolder = Utf8(test.place) + "\\";
    if (const std::optional<LoopbackServer> server = RunningLoopbackServer()) {
        const std::string name = "batch" + Utf8(run);
        cases.push_back(
            {"the loopback server", server->LocalFolder(name), server->Folder(name), "password=" + server->password});
    } else {
        ADD_FAILURE() << "the loopback server does not run";
    }
    const std::string entries =
        "0101 - Городская больница №1\n0102 - Детская поликлиника\n0201 - Кировский район (свод)\n"
        "0305 - Зареченская ЦРБ\n1166 - Велинская область\n";
    for (const Case& test : cases) {
        SCOPED_TRACE(test.what);
        std::filesystem::remove_all(Reports());
        PlaceDatabase(test.place);
        Locate(test.locatorFolder, test.passwordLine);

        const Finished list = Batch({"--list", "institutions"});
        EXPECT_EQ(list.exitCode, 0u) << list.out << list.err;
        EXPECT_EQ(list.out, entries) << list.err;

        const Finished exported =
            Batch({"--form", "7", "--institution", "0101", "--institution", "1166", "--year", "2011"});
        EXPECT_EQ(exported.exitCode, 0u) << exported.out << exported.err;
        EXPECT_TRUE(Contains(exported.out, "Выгрузка завершена: документов 2 из 2")) << exported.out;
        // The figures in the user's decimal comma.
        EXPECT_EQ(
            ReadWholeFile(Reports() / L"№ 7 (разрез 00) Городская больница №1 за 2011 год.doc"),
            "Учреждение: Городская больница №1{z0002_000_00}\r\nСтрока 1: {z1000_001_04:537} {z1000_001_06:35,45}\r\n");
        EXPECT_EQ(
            ReadWholeFile(Reports() / L"№ 7 (разрез 00) Велинская область за 2011 год.doc"),
            "Учреждение: Велинская область{z0002_000_00}\r\nСтрока 1: {z1000_001_04:495} {z1000_001_06:21,27}\r\n");
    }
}

// The released batch waits for a Word that turns its calls away for a while
// (its message filter), and its document is right.
TEST_F(BatchOnTheDemoDatabase, ABusyWordIsWaitedFor) {
    ASSERT_NO_FATAL_FAILURE(LocateOnTheServer("busy"));
    const Dispatch word = HeldWord();
    word.Put("StandInBusyFor", Arg::Integer(2000));
    const auto started = std::chrono::steady_clock::now();
    const Finished run = Batch({"--form", "7", "--institution", "1166", "--year", "2011"});
    EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(2000));
    EXPECT_EQ(run.exitCode, 0u) << run.out << run.err;
    EXPECT_EQ(ReadWholeFile(Reports() / L"№ 7 (разрез 00) Велинская область за 2011 год.doc"),
              "Учреждение: Велинская область{z0002_000_00}\r\nСтрока 1: {z1000_001_04:495} {z1000_001_06:21,27}\r\n");
    // An invisible Word without documents was the batch's own: it quit it.
    EXPECT_FALSE(Answers(word));
}

TEST_F(BatchOnTheDemoDatabase, AMissingDatabaseEndsWithCode3AndTheReasonFromFirebird) {
    struct Place {
        std::string folder;
        std::string passwordLine;
        std::string reason;  // the system's, in the language of whoever opens the file
    };
    std::vector<Place> places;
    if (EmbeddedEngine()) {
        places.push_back({"C:\\Нет такой папки\\", "password=masterkey", "Нет такого файла или каталога"});
        // A name sent as UTF-8 says so, since a client older than 2.5 would
        // have read it as garbled letters.
        places.push_back({"C:\\Ελλάδα-нет\\", "password=masterkey",
                          "Имя базы данных передано клиенту " + Utf8(Folder() / L"fbclient.dll") +
                              " в UTF-8: в кодовой странице 1251 нет некоторых его букв."});
    }
    if (const std::optional<LoopbackServer> server = RunningLoopbackServer())
        places.push_back(
            {server->Folder("нет-такой-папки"), "password=" + server->password, "No such file or directory"});
    for (const Place& place : places) {
        SCOPED_TRACE(place.folder);
        Locate(place.folder, place.passwordLine);
        const Finished run = Batch({"--list", "institutions"});
        EXPECT_EQ(run.exitCode, 3u) << run.out << run.err;
        EXPECT_TRUE(Contains(run.err, "Не удалось открыть базу данных " + place.folder + "kvel.gdb: I/O error"))
            << run.err;
        EXPECT_TRUE(Contains(run.err, place.reason)) << run.err;
        EXPECT_EQ(run.out, "");
    }
}

// The findings of the check's CSV report, each as "template | level | finding | bookmark", sorted.
std::vector<std::string> CsvFindings(const std::string& csv) {
    EXPECT_EQ(csv.rfind("\xEF\xBB\xBF", 0), 0u) << "a spreadsheet needs the mark to read UTF-8";
    std::vector<std::string> findings;
    std::size_t start = csv.find("\r\n") + 2;  // past the heading
    for (std::size_t end; (end = csv.find("\r\n", start)) != std::string::npos; start = end + 2) {
        std::vector<std::string> fields(1);
        bool quoted = false;
        for (const char c : csv.substr(start, end - start)) {
            if (c == '"')
                quoted = !quoted;  // a quote doubled inside a field is dropped: no field compared here has one
            else if (c == ';' && !quoted)
                fields.emplace_back();
            else
                fields.back() += c;
        }
        EXPECT_EQ(fields.size(), 8u) << csv.substr(start, end - start);
        if (fields.size() == 8)
            findings.push_back(fields[0] + " | " + fields[2] + " | " + fields[3] + " | " + fields[4]);
    }
    EXPECT_EQ(start, csv.size()) << "every line ends in CR LF";
    std::sort(findings.begin(), findings.end());
    return findings;
}

void Replace(const std::filesystem::path& file, const std::string& from, const std::string& to) {
    std::string text = ReadWholeFile(file);
    const std::size_t at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    std::ofstream(file, std::ios::binary) << text.replace(at, from.size(), to);
}

// The check reads the templates through Word, read-only, and the database
// for the year; a template spoilt as they go wrong from year to year is
// found, and nothing is written but the report asked for.
TEST_F(BatchOnTheDemoDatabase, TemplateCheckFindsWhatASpoiltTemplateBreaks) {
    ASSERT_NO_FATAL_FAILURE(LocateOnTheServer("check"));
    const std::filesystem::path clean = DemoTemplatesIn(L"Шаблоны");
    // Word reads a .docx template as well: no other reader is built here.
    std::filesystem::rename(clean / L"14.doc", clean / L"14.docx");
    const std::filesystem::path spoilt = DemoTemplatesIn(L"Испорченные");
    Replace(spoilt / L"7.doc", "{z1000_002_04}", "{z1000_002_40}");
    Replace(spoilt / L"12.doc", "{z0002_000_00}", "");
    std::filesystem::remove(spoilt / L"14.doc");
    std::ofstream(spoilt / L"8.doc", std::ios::binary) << "Форма 8 {z0001_000_00: не закрыта\r\n";
    const std::string spoiltSeven = ReadWholeFile(spoilt / L"7.doc");

    const Finished cleanRun = Batch(
        {"--check-templates", "--year", "2011", "--templates", Utf8(clean), "--report", Utf8(root / L"чистые.csv")});
    EXPECT_EQ(cleanRun.exitCode, 0u) << cleanRun.out << cleanRun.err;
    EXPECT_TRUE(Contains(cleanRun.out,
                         "7.doc — Форма 7.  Сведения о заболевших злокачественными новообразованиями: "
                         "замечаний нет\n"))
        << cleanRun.out;
    // The catalogue's forms without a demo template have no demo data either.
    EXPECT_TRUE(Contains(cleanRun.out,
                         "Проверка шаблонов за 2011 год: проверено 4, без замечаний 4, с предупреждениями "
                         "0, с ошибками 0.\nНе проверялись (нет шаблона и нет данных за 2011 год): 42.\n"))
        << cleanRun.out;
    EXPECT_EQ(CsvFindings(ReadWholeFile(root / L"чистые.csv")), std::vector<std::string>{});

    const Dispatch word = HeldWord();
    const Finished spoiltRun = Batch({"--check-templates", "--year", "2011", "--templates", Utf8(spoilt), "--report",
                                      Utf8(root / L"испорченные.csv")});
    EXPECT_EQ(spoiltRun.exitCode, 1u) << spoiltRun.out << spoiltRun.err;
    EXPECT_TRUE(Contains(spoiltRun.out, "  нет закладок заголовка: 1 — z0002_000_00\n")) << spoiltRun.out;
    EXPECT_TRUE(Contains(spoiltRun.out, "Отчет проверки: " + Utf8(root / L"испорченные.csv") + "\n")) << spoiltRun.out;
    EXPECT_TRUE(Contains(spoiltRun.out, "проверено 5, без замечаний 1, с предупреждениями 0, с ошибками 4.\n"))
        << spoiltRun.out;
    // The renamed cell is filled for three institutions, two figures each.
    EXPECT_TRUE(Contains(spoiltRun.out, "  ячейки с данными без закладки: 1 (учреждений 3, цифр 6) — z1000_002_04\n"))
        << spoiltRun.out;
    EXPECT_EQ(CsvFindings(ReadWholeFile(root / L"испорченные.csv")),
              (std::vector<std::string>{
                  "12.doc | ошибка | нет закладки заголовка | z0002_000_00",
                  "14.doc | ошибка | нет файла шаблона | ",
                  "7.doc | ошибка | ячейка с данными без закладки | z1000_002_04",
                  "7.doc | предупреждение | закладка, до которой не дойдут данные года | z1000_002_40",
                  "8.doc | ошибка | шаблон не читается как документ Word | ",
              }));

    EXPECT_EQ(ReadWholeFile(spoilt / L"7.doc"), spoiltSeven);
    EXPECT_FALSE(Answers(word)) << "the Word the check started outlived it";
    for (const wchar_t* name : {L"Reports", L"Tarnfold.log", L"Tarnfold.ini"})
        EXPECT_FALSE(std::filesystem::exists(Folder() / name)) << Utf8(name);
}

// A whole theme for every institution in one run: each form with a template
// gives the documents one run of that form gives, the others are named.
TEST_F(BatchOnTheDemoDatabase, EveryFormOfTheThemeForEveryInstitutionInOneRun) {
    ASSERT_NO_FATAL_FAILURE(LocateOnTheServer("season"));
    const std::string templates = Utf8(DemoTemplatesIn(L"Шаблоны"));
    const Finished whole = Batch({"--all-forms", "--all-institutions", "--year", "2011", "--templates", templates});
    EXPECT_EQ(whole.exitCode, 1u) << whole.out << whole.err;
    // The annual theme has 45 forms; of the demo's templates one (ДД2012.doc) is the monthly form's.
    EXPECT_TRUE(Contains(whole.out, "Выгрузка завершена: документов 9 из 15, без данных 6, с ошибкой 0;")) << whole.out;
    EXPECT_TRUE(Contains(whole.out, "Пропущены формы без шаблона (42):\n  ДД.doc — Диспансеризация детей (годовая) ("))
        << whole.out;
    const std::string reports = Utf8(Reports()) + "\\";
    const std::string seven = "№ 7 (разрез 00) Городская больница №1 за 2011 год.doc";
    EXPECT_TRUE(Contains(whole.out, "0101 - Городская больница №1: " + reports + seven + " — размещено ")) << whole.out;
    const std::string document = ReadWholeFile(Reports() / win32::Wide(seven));
    EXPECT_TRUE(Contains(document, "Учреждение: Городская больница №1{z0002_000_00}\r\n")) << document;
    EXPECT_TRUE(Contains(document, "{z1000_001_04:537} {z1000_001_05")) << document;
    EXPECT_TRUE(Contains(document, "{z1000_001_06:35,45}\r\n")) << document;

    // Form by form, the same documents.
    const std::filesystem::path single = root / L"По одной";
    std::vector<std::wstring> singleFiles;
    for (const char* form : {"7", "12", "14"}) {
        SCOPED_TRACE(form);
        const Finished one = Batch(
            {"--form", form, "--all-institutions", "--year", "2011", "--templates", templates, "--out", Utf8(single)});
        EXPECT_EQ(one.exitCode, 0u) << one.out << one.err;
        const std::size_t before = singleFiles.size();
        for (const auto& entry : std::filesystem::directory_iterator(single))
            if (std::find(singleFiles.begin(), singleFiles.end(), entry.path().filename().wstring()) ==
                singleFiles.end())
                singleFiles.push_back(entry.path().filename().wstring());
        EXPECT_GT(singleFiles.size(), before) << one.out;
    }
    std::vector<std::wstring> wholeFiles;
    for (const auto& entry : std::filesystem::directory_iterator(Reports()))
        wholeFiles.push_back(entry.path().filename().wstring());
    std::sort(singleFiles.begin(), singleFiles.end());
    std::sort(wholeFiles.begin(), wholeFiles.end());
    EXPECT_EQ(wholeFiles, singleFiles);
    for (const std::wstring& name : singleFiles) {
        EXPECT_EQ(ReadWholeFile(Reports() / name), ReadWholeFile(single / name)) << Utf8(name);
        EXPECT_TRUE(Contains(whole.out, ": " + reports + Utf8(name) + " — размещено ")) << Utf8(name);
    }
}

// Text for a console goes through the wide calls, so that Cyrillic shows
// whatever the console's code page; redirected, it stays UTF-8 bytes. A
// character split across two writes arrives whole either way.
TEST(BatchConsole, CyrillicReachesAConsoleWholeAndAFileAsUtf8) {
    const std::string first = "Выгрузка \xE2\x84";  // "№" cut after its second byte
    const std::string second = "\x96 7\n";
    const std::string whole = "Выгрузка № 7\n";

    const std::filesystem::path file = std::filesystem::temp_directory_path() / L"tarnfold-консоль.txt";
    {
        const Handle handle(CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        batch::ConsoleHandleBuffer buffer(handle.get());
        EXPECT_FALSE(buffer.IsConsole());
        std::ostream out(&buffer);
        out << first << std::flush << second << std::flush;
    }
    EXPECT_EQ(ReadWholeFile(file), whole);
    std::filesystem::remove(file);

    const Handle screen(CreateConsoleScreenBuffer(GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                  nullptr, CONSOLE_TEXTMODE_BUFFER, nullptr));
    if (screen.get() == INVALID_HANDLE_VALUE) {
        // No console here (the tests' Wine gives none): the console half runs
        // in a copy of this program started with a console of its own.
        ASSERT_EQ(GetEnvironmentVariableW(L"TARNFOLD_TEST_IN_CONSOLE", nullptr, 0), 0u)
            << "no console: " << GetLastError();
        const EnvironmentSetting inConsole(L"TARNFOLD_TEST_IN_CONSOLE", L"1");
        std::wstring self(MAX_PATH, L'\0');
        self.resize(GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size())));
        const Finished run = RunProgram(self, {"--gtest_filter=BatchConsole.*"}, std::filesystem::temp_directory_path(),
                                        Console::OwnConsole);
        EXPECT_EQ(run.exitCode, 0u) << run.out << run.err;
        EXPECT_TRUE(Contains(run.out, "[  PASSED  ] 1 test.")) << run.out;
        return;
    }
    {
        batch::ConsoleHandleBuffer buffer(screen.get());
        EXPECT_TRUE(buffer.IsConsole());
        std::ostream out(&buffer);
        out << first << std::flush << second << std::flush;
    }
    const std::wstring expected = L"Выгрузка № 7";
    std::wstring shown(expected.size(), L'\0');
    DWORD read = 0;
    ASSERT_TRUE(
        ReadConsoleOutputCharacterW(screen.get(), shown.data(), static_cast<DWORD>(shown.size()), {0, 0}, &read));
    shown.resize(read);
    EXPECT_EQ(win32::Narrow(shown), win32::Narrow(expected));
}

}  // namespace
}  // namespace tarnfold
