// The Windows window program, the released tarnfold.exe, as a user drives
// it under Wine on a virtual display: started in a host folder of its own
// over the demo database in a folder with Cyrillic letters (the locator
// names it as a Windows path), keys posted to the control that has the
// keyboard, the controls read from this process, pictures of the window
// taken. F10's document is written by the stand-in word processor in a third
// process.
#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <thread>

#include "app/win32/control_ids.h"
#include "core/paths.h"
#include "core/app_title.h"
#include "core/text.h"
#include "demo_database.h"
#include "core/wide_text.h"
#include "stand_in_registration.h"
#include "window/window_geometry.h"
#include "window/window_layout.h"
#include "support/whole_file.h"

using tarnfold::testing::ReadWholeFile;

namespace tarnfold {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using app::win32::ControlIdByName;
using win32::Narrow;
using win32::Wide;

const std::wstring MainCaption = Wide(window::MainWindowCaption);

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit = 20s) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

fs::path OwnFolder() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return fs::path(path).parent_path();
}

// The screenshots' folder as the build gives it, a Unix path seen through
// Wine's drive Z:.
fs::path ScreenshotFolder() {
    wchar_t value[MAX_PATH] = {};
    if (GetEnvironmentVariableW(L"TARNFOLD_SCREENSHOT_FOLDER", value, MAX_PATH) == 0) return {};
    std::wstring folder = value;
    if (!folder.empty() && folder.front() == L'/') folder = L"Z:" + folder;
    return fs::path(folder).make_preferred();
}

// The window's picture from the screen, as a 24-bit BMP file.
bool SaveWindowPicture(HWND window, const fs::path& file) {
    RECT outer;
    GetWindowRect(window, &outer);
    const int width = outer.right - outer.left, height = outer.bottom - outer.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP picture = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ old = SelectObject(memory, picture);
    const bool copied = BitBlt(memory, 0, 0, width, height, screen, outer.left, outer.top, SRCCOPY) != FALSE;
    GdiFlush();
    const DWORD rowBytes = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    const DWORD imageBytes = rowBytes * static_cast<DWORD>(height);
    BITMAPFILEHEADER header{0x4D42,
                            static_cast<DWORD>(sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)) + imageBytes, 0, 0,
                            sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)};
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&header), sizeof header);
    out.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof info.bmiHeader);
    out.write(static_cast<const char*>(bits), imageBytes);
    SelectObject(memory, old);
    DeleteObject(picture);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return copied && out.good();
}

// One start of the program: its process, its main window.
class RunningProgram {
public:
    explicit RunningProgram(const fs::path& program) {
        std::wstring command = L"\"" + program.wstring() + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        started_ = CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                  program.parent_path().c_str(), &startup, &process_) != FALSE;
    }
    ~RunningProgram() {
        if (!started_) return;
        if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(process_.hProcess, 9);
        CloseHandle(process_.hThread);
        CloseHandle(process_.hProcess);
    }
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    bool Started() const { return started_; }
    bool Ended(std::chrono::milliseconds limit) const {
        return WaitForSingleObject(process_.hProcess, static_cast<DWORD>(limit.count())) == WAIT_OBJECT_0;
    }
    DWORD ExitCode() const {
        DWORD code = 99;
        GetExitCodeProcess(process_.hProcess, &code);
        return code;
    }
    // The main window once it shows.
    HWND MainWindow() {
        WaitUntil([this] {
            window_ = FindWindowW(L"TFMain", MainCaption.c_str());
            return window_ != nullptr && IsWindowVisible(window_);
        });
        return window_;
    }
    DWORD Thread() const { return process_.dwThreadId; }

private:
    PROCESS_INFORMATION process_{};
    bool started_ = false;
    HWND window_ = nullptr;
};

HWND FindById(HWND holder, int id) {
    for (HWND child = GetWindow(holder, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        if (GetDlgCtrlID(child) == id) return child;
        if (HWND inner = FindById(child, id)) return inner;
    }
    return nullptr;
}

// Asked of the control itself: for another process's window GetWindowTextW
// gives only the text the system keeps, which an edit field has not.
std::string TextOf(HWND control) {
    wchar_t text[1024] = {};
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(control, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000, &copied);
    return Narrow(text);
}

std::vector<std::string> Entries(HWND list) {
    std::vector<std::string> entries;
    const auto count = static_cast<int>(SendMessageW(list, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        wchar_t entry[512] = {};
        SendMessageW(list, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(entry));
        entries.push_back(Narrow(entry));
    }
    return entries;
}

// One top-level window by class and text, added to a listing; a plain
// function, since 32-bit Windows calls it as __stdcall.
BOOL CALLBACK NoteWindow(HWND window, LPARAM listing) {
    wchar_t className[64] = {};
    GetClassNameW(window, className, 64);
    auto& text = *reinterpret_cast<std::string*>(listing);
    text += Narrow(className) + " \"" + TextOf(window) + "\"" + (IsWindowVisible(window) ? "" : " hidden") + "; ";
    return TRUE;
}

// The program's top-level windows by class and text, for a failure message.
std::string WindowsOfThread(DWORD thread) {
    std::string listing;
    EnumThreadWindows(thread, NoteWindow, reinterpret_cast<LPARAM>(&listing));
    return listing;
}

int Chosen(HWND list) { return static_cast<int>(SendMessageW(list, CB_GETCURSEL, 0, 0)); }

window::WindowSize OuterSize(HWND window) {
    RECT outer;
    GetWindowRect(window, &outer);
    return {static_cast<int>(outer.right - outer.left), static_cast<int>(outer.bottom - outer.top)};
}

// Form 7's template in the stand-in word processor's text format, and the
// document the demo database's figures make of it for the saved choices
// (0101, 2011, section 00): the figures in the user's decimal comma.
constexpr char kFormTemplate[] =
    "Год: {z0001_000_00}\r\n"
    "Учреждение: {Z0002_000_00}\r\n"
    "Строка 1: {z1000_001_03} {z1000_001_04} {z1000_001_06}\r\n";
constexpr char kFormDocument[] =
    "Год: 2011{z0001_000_00}\r\n"
    "Учреждение: Городская больница №1{Z0002_000_00}\r\n"
    "Строка 1: {z1000_001_03:МКБ 007/1} {z1000_001_04:537} {z1000_001_06:35,45}\r\n";
const std::vector<std::string> kDemoInstitutions{"0101 - Городская больница №1", "0102 - Детская поликлиника",
                                                 "0201 - Кировский район (свод)", "0305 - Зареченская ЦРБ",
                                                 "1166 - Велинская область"};

class WindowProgram : public ::testing::Test {
protected:
    void SetUp() override {
        if (testing::DemoDatabase().empty())
            GTEST_SKIP() << "no real database: winegcc cannot build the forwarding client here";
        std::random_device random;
        const std::wstring run = std::to_wstring(random());
        root_ = fs::temp_directory_path() / (L"tarnfold-окно-" + run);
        programFolder_ = root_ / L"Ardmet" / L"Выгрузка";
        fs::create_directories(programFolder_ / L"DocF");
        fs::copy_file(OwnFolder() / L"tarnfold.exe", Program());
        fs::copy_file(testing::ForwardingClient(), programFolder_ / L"fbclient.dll");
        // The host system's database where a desktop keeps it, named in the
        // locator as a Windows path in code page 1251; where the Linux side
        // has no embedded engine of the program's width, on the loopback
        // server in a folder of the same name.
        run_ = Narrow(run);
        if (testing::EmbeddedEngine()) {
            databaseRoot_ = fs::path(L"C:\\Статистика-" + run);
            fs::create_directories(databaseRoot_ / L"база");
            fs::copy_file(testing::DemoDatabase(), databaseRoot_ / L"база" / L"kvel.gdb");
            testing::WriteLocator(root_ / L"Ardmet" / L"kvel.ini", Narrow((databaseRoot_ / L"база").wstring()) + "\\",
                                  "password=masterkey");
        } else {
            PlaceDatabaseOnServer();
        }
        std::ofstream(programFolder_ / L"DocF" / L"7.doc", std::ios::binary) << kFormTemplate;
        // The settings as the program of an earlier day left them: code page
        // 1251, a year with figures, the template folder above.
        std::ofstream(programFolder_ / L"Tarnfold.ini", std::ios::binary) << Utf8ToCp1251(
            "[REPORT]\r\nYear=2011\r\nLPU=0101 - Городская больница №1\r\n"
            "Forma=Форма 7.  Сведения о заболевших злокачественными новообразованиями\r\nPathReport=" +
            Narrow((programFolder_ / L"DocF").wstring()) + "\\\r\n");
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(root_, ignored);
        if (!databaseRoot_.empty()) fs::remove_all(databaseRoot_, ignored);
    }

    fs::path Program() const { return programFolder_ / L"tarnfold.exe"; }

    // The database on the loopback server instead, the locator naming it there.
    void PlaceDatabaseOnServer() {
        const std::optional<testing::LoopbackServer> server = testing::RunningLoopbackServer();
        ASSERT_TRUE(server) << "the loopback server does not run";
        std::error_code ignored;
        if (!databaseRoot_.empty()) fs::remove_all(databaseRoot_, ignored);
        const std::string folder = "Статистика-" + run_ + "/база";
        databaseRoot_ = server->LocalFolder("Статистика-" + run_);
        fs::create_directories(server->LocalFolder(folder));
        fs::copy_file(testing::DemoDatabase(), server->LocalFolder(folder) / L"kvel.gdb");
        testing::WriteLocator(root_ / L"Ardmet" / L"kvel.ini", server->Folder(folder), "password=" + server->password);
    }

    HWND Control(HWND window, const char* name) const { return FindById(window, ControlIdByName(name)); }

    // A key as the keyboard gives it to the control that has the focus; F10
    // and a key held with Alt arrive as system keys.
    void Press(const RunningProgram& program, UINT key, bool alt = false) const {
        GUITHREADINFO thread{};
        thread.cbSize = sizeof thread;
        ASSERT_TRUE(GetGUIThreadInfo(program.Thread(), &thread));
        HWND target = thread.hwndFocus ? thread.hwndFocus : thread.hwndActive;
        ASSERT_NE(target, nullptr);
        const bool system = key == VK_F10 || alt;
        const LPARAM altDown = alt ? 0x20000000 : 0;
        PostMessageW(target, system ? WM_SYSKEYDOWN : WM_KEYDOWN, key, 1 | altDown);
        PostMessageW(target, system ? WM_SYSKEYUP : WM_KEYUP, key, 0xC0000001 | altDown);
    }

    HWND Focused(const RunningProgram& program) const {
        GUITHREADINFO thread{};
        thread.cbSize = sizeof thread;
        return GetGUIThreadInfo(program.Thread(), &thread) ? thread.hwndFocus : nullptr;
    }

    void TakePicture(HWND window, const std::string& state) const {
        const fs::path folder = ScreenshotFolder();
        if (folder.empty()) return;
        fs::create_directories(folder);
        // Time for the window to paint itself.
        std::this_thread::sleep_for(500ms);
        EXPECT_TRUE(SaveWindowPicture(window, folder / Wide("windows-" + state + ".bmp")));
    }

    std::string run_;
    fs::path root_;
    fs::path programFolder_;
    fs::path databaseRoot_;
};

TEST_F(WindowProgram, CompactAndDetailStatesThemeChangeAndEscSavingTheChoices) {
    RunningProgram program(Program());
    ASSERT_TRUE(program.Started());
    HWND window = program.MainWindow();
    ASSERT_NE(window, nullptr) << "the window did not show";

    // The compact state at the design's outer size, every text whole.
    EXPECT_EQ(OuterSize(window), window::DesignCompactSize);
    HDC dc = GetDC(window);
    // The window's font, made again here: a font belongs to its process.
    HFONT windowFont = CreateFontW(-MulDiv(8, GetDeviceCaps(dc, LOGPIXELSY), 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE,
                                   FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                   DEFAULT_PITCH | FF_DONTCARE, L"MS Shell Dlg");
    const HGDIOBJ font = SelectObject(dc, windowFont);
    for (const window::ControlPlace& place : window::ControlPlaces()) {
        if (place.sizing != window::Sizing::OwnSize || !*place.text) continue;
        HWND label = Control(window, place.name);
        ASSERT_NE(label, nullptr) << place.name;
        EXPECT_EQ(TextOf(label), place.text);
        const std::wstring text = Wide(place.text);
        SIZE needed{};
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &needed);
        RECT shown;
        GetWindowRect(label, &shown);
        EXPECT_GE(shown.right - shown.left, needed.cx) << place.name << " is cut";
    }
    SelectObject(dc, font);
    DeleteObject(windowFont);
    ReleaseDC(window, dc);
    EXPECT_EQ(TextOf(Control(window, "BExport")), "Экспорт");
    EXPECT_EQ(TextOf(Control(window, "BView")), "Подробно >>");
    // The lists as the database fills them.
    EXPECT_EQ(Entries(Control(window, "CBKodif")), kDemoInstitutions);
    EXPECT_EQ(Chosen(Control(window, "CBKodif")), 0);
    HWND forms = Control(window, "CBForm");
    EXPECT_EQ(Entries(forms).at(static_cast<std::size_t>(Chosen(forms))),
              "Форма 7.  Сведения о заболевших злокачественными новообразованиями");
    EXPECT_FALSE(IsWindowVisible(Control(window, "Panel2")));
    EXPECT_EQ(Focused(program), forms);
    TakePicture(window, "compact");

    // The detail state: half as high again, the folder from the settings.
    PostMessageW(Control(window, "BView"), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(Control(window, "Panel2")) != FALSE; }, 5s));
    EXPECT_EQ(OuterSize(window), (window::WindowSize{627, 420}));
    EXPECT_EQ(TextOf(Control(window, "BView")), "Подробно <<");
    EXPECT_EQ(TextOf(Control(window, "DirectoryEdit1")), Narrow((programFolder_ / L"DocF").wstring()) + "\\");
    EXPECT_EQ(TextOf(Control(window, "BJournal")), "Открыть журнал экспорта");
    TakePicture(window, "detail");

    // Tab walks the window's order to the theme list, Down chooses the next
    // theme and the forms follow it.
    HWND themes = Control(window, "CBTheme");
    const std::vector<std::string> annualForms = Entries(forms);
    for (int i = 0; i < 8 && Focused(program) != themes; ++i) {
        Press(program, VK_TAB);
        WaitUntil([] { return false; }, 100ms);
    }
    ASSERT_EQ(Focused(program), themes);
    EXPECT_EQ(Chosen(themes), 0);
    Press(program, VK_DOWN);
    ASSERT_TRUE(WaitUntil([&] { return Chosen(themes) == 1; }, 5s));
    EXPECT_TRUE(WaitUntil([&] { return Entries(forms) != annualForms; }, 5s)) << "the forms did not follow the theme";

    // Esc closes the window and the choices are written back in code page 1251.
    Press(program, VK_ESCAPE);
    ASSERT_TRUE(program.Ended(20s)) << "Esc did not close the window";
    EXPECT_EQ(program.ExitCode(), 0u);
    const std::string saved = ReadWholeFile(programFolder_ / L"Tarnfold.ini");
    EXPECT_NE(saved.find(Utf8ToCp1251("LPU=0101 - Городская больница №1\r\n")), std::string::npos) << saved;
    EXPECT_NE(saved.find("Year=2011\r\n"), std::string::npos) << saved;
    EXPECT_EQ(saved.find("Городская"), std::string::npos) << "written in UTF-8";
}

// An open list takes its keys: Alt+Down opens it, Down and Enter pick; F10
// starts no export and Esc closes the list, not the window.
TEST_F(WindowProgram, AnOpenListTakesEnterAndHoldsBackF10AndEsc) {
    RunningProgram program(Program());
    HWND window = program.MainWindow();
    ASSERT_NE(window, nullptr);
    HWND institutions = Control(window, "CBKodif");
    const auto dropped = [&] { return SendMessageW(institutions, CB_GETDROPPEDSTATE, 0, 0) != 0; };
    Press(program, VK_TAB);
    ASSERT_TRUE(WaitUntil([&] { return Focused(program) == institutions; }, 5s));
    ASSERT_EQ(Chosen(institutions), 0);

    Press(program, VK_DOWN, true);
    ASSERT_TRUE(WaitUntil(dropped, 5s)) << "Alt+Down did not open the list";
    Press(program, VK_F10);
    Press(program, VK_DOWN);
    Press(program, VK_RETURN);
    ASSERT_TRUE(WaitUntil([&] { return !dropped(); }, 5s)) << "Enter did not close the list";
    EXPECT_EQ(Chosen(institutions), 1);
    EXPECT_EQ(TextOf(Control(window, "LRezult")), "") << "F10 started an export";
    EXPECT_EQ(TextOf(Control(window, "BExport")), "Экспорт");

    Press(program, VK_DOWN, true);
    ASSERT_TRUE(WaitUntil(dropped, 5s));
    Press(program, VK_ESCAPE);
    ASSERT_TRUE(WaitUntil([&] { return !dropped(); }, 5s)) << "Esc did not close the list";
    EXPECT_FALSE(program.Ended(500ms)) << "Esc in the list closed the window";
    EXPECT_EQ(Chosen(institutions), 1);

    Press(program, VK_ESCAPE);
    ASSERT_TRUE(program.Ended(20s)) << "Esc did not close the window";
    const std::string saved = ReadWholeFile(programFolder_ / L"Tarnfold.ini");
    EXPECT_NE(saved.find(Utf8ToCp1251("LPU=" + kDemoInstitutions[1] + "\r\n")), std::string::npos) << saved;
}

TEST_F(WindowProgram, ASecondCopyRaisesTheFirstAndEnds) {
    RunningProgram first(Program());
    HWND window = first.MainWindow();
    ASSERT_NE(window, nullptr);
    ShowWindow(window, SW_MINIMIZE);
    ASSERT_TRUE(WaitUntil([&] { return IsIconic(window) != FALSE; }, 5s));

    RunningProgram second(Program());
    ASSERT_TRUE(second.Started());
    ASSERT_TRUE(second.Ended(20s)) << "the second copy did not end";
    EXPECT_EQ(second.ExitCode(), 0u);
    EXPECT_TRUE(WaitUntil([&] { return !IsIconic(window) && GetForegroundWindow() == window; }, 5s))
        << "the first copy's window was not brought forward";
    EXPECT_EQ(FindWindowW(L"TFMain", MainCaption.c_str()), window) << "the second copy left a window";
}

// The program itself, as the release has it: with no database client beside
// it or on the system, it says so in the standard error box and ends before
// its window shows.
TEST_F(WindowProgram, WithoutTheClientLibraryTheProgramTellsWhyAndEnds) {
    const fs::path program = root_ / L"Без клиента" / L"tarnfold.exe";
    fs::create_directories(program.parent_path());
    fs::copy_file(OwnFolder() / L"tarnfold.exe", program);
    RunningProgram started(program);
    ASSERT_TRUE(started.Started());
    HWND box = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
        box = FindWindowW(L"#32770", Wide(AppTitle).c_str());
        return box != nullptr && IsWindowVisible(box);
    })) << "no error box";
    // 0xFFFF: the identifier the system's message box gives its text.
    const std::string text = TextOf(GetDlgItem(box, 0xFFFF));
    EXPECT_EQ(text.rfind("Не найдена клиентская библиотека базы данных (gds32.dll, fbclient.dll): ", 0), 0u) << text;
    // The system's own reason in the user's language, its number after it.
    EXPECT_TRUE(text.ends_with(" (126)")) << text;
    EXPECT_EQ(text.find("код ошибки"), std::string::npos) << text;
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(started.Ended(20s));
    EXPECT_EQ(started.ExitCode(), 0u);
    EXPECT_EQ(FindWindowW(L"TFMain", MainCaption.c_str()), nullptr);
}

// The database's figures, read with the embedded engine and from the
// loopback server, reach the document in the user's format.
TEST_F(WindowProgram, F10ExportsThroughTheWordProcessorInAnotherProcess) {
    const testing::WordApplication server = testing::RegisteredWordApplication();
    ASSERT_NE(server, testing::WordApplication::None) << "the stand-in is not registered: run word_stand_in /RegServer";
    if (server == testing::WordApplication::Other) GTEST_SKIP() << "\"Word.Application\" is Word itself here";
    for (const bool onServer : {false, true}) {
        if (!onServer && !testing::EmbeddedEngine()) continue;
        SCOPED_TRACE(onServer ? "the loopback server" : "the embedded engine");
        if (onServer && testing::EmbeddedEngine()) PlaceDatabaseOnServer();
        std::error_code ignored;
        fs::remove_all(programFolder_ / L"Reports", ignored);
        RunningProgram program(Program());
        HWND window = program.MainWindow();
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(Entries(Control(window, "CBKodif")), kDemoInstitutions);
        HWND result = Control(window, "LRezult");
        Press(program, VK_F10);
        if (!WaitUntil([&] { return !TextOf(result).empty(); }, 60s)) {
            TakePicture(GetDesktopWindow(), "f10-failure");
            FAIL() << "the export did not end; the program's windows: " << WindowsOfThread(program.Thread());
        }
        // The template has cells for a part of the form only.
        EXPECT_EQ(TextOf(result), "Выгрузка завершена (есть невыгруженные данные)!");
        EXPECT_EQ(TextOf(Control(window, "BExport")), "Экспорт");

        const fs::path reports = programFolder_ / L"Reports";
        std::vector<fs::path> documents;
        // The run lets go of its lock on the report a moment after the result shows.
        WaitUntil(
            [&] {
                documents.clear();
                for (const auto& entry : fs::directory_iterator(reports)) documents.push_back(entry.path());
                return documents.size() == 1;
            },
            5s);
        std::string names;
        for (const fs::path& document : documents) names += " \"" + PathToUtf8(document.filename()) + "\"";
        ASSERT_EQ(documents.size(), 1u) << "one document, and no working copy left:" << names;
        EXPECT_EQ(documents[0].filename().wstring(), L"№ 7 (разрез 00) Городская больница №1 за 2011 год.doc");
        EXPECT_EQ(ReadWholeFile(documents[0]), kFormDocument);

        Press(program, VK_ESCAPE);
        EXPECT_TRUE(program.Ended(20s));
    }
}

}  // namespace
}  // namespace tarnfold
