// The Win32 view in this process: its boxes answered as a user answers them,
// and the controls whose input travels through the window's own code (the
// year's arrows, a dropped file, the status bar's parts).
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <fstream>
#include <functional>
#include <thread>

#include "app/win32/control_ids.h"
#include "app/win32/dialogs.h"
#include "app/win32/main_window.h"
#include "core/app_title.h"
#include "core/wide_text.h"
#include "support/temp_dir.h"

namespace tarnfold::app::win32 {
namespace {

using namespace std::chrono_literals;
using tarnfold::win32::Narrow;
using tarnfold::win32::Wide;
using window::Control;

std::wstring ItemText(HWND box, int id) {
    wchar_t text[512] = {};
    GetDlgItemTextW(box, id, text, 512);
    return text;
}

// Waits on a thread of its own for a box of this caption, lets `look` read
// it and then `answer` it, while the box's own loop runs on the test's thread.
class BoxWatcher {
public:
    BoxWatcher(std::wstring caption, std::function<void(HWND)> look, std::function<void(HWND)> answer)
        : thread_([this, caption = std::move(caption), look = std::move(look), answer = std::move(answer)] {
              const auto deadline = std::chrono::steady_clock::now() + 10s;
              HWND box = nullptr;
              while (!box && std::chrono::steady_clock::now() < deadline) {
                  std::this_thread::sleep_for(20ms);
                  box = FindWindowW(L"#32770", caption.c_str());
                  // A box is found while it is still being made; it is
                  // answered once it shows.
                  if (box && !IsWindowVisible(box)) box = nullptr;
              }
              found = box != nullptr;
              if (!box) return;
              look(box);
              answer(box);
          }) {}
    ~BoxWatcher() { thread_.join(); }
    std::atomic<bool> found{false};

private:
    std::thread thread_;
};

void PressKey(HWND box, UINT key) {
    HWND target = GetDlgItem(box, IDYES);
    PostMessageW(target, WM_KEYDOWN, key, 1);
    PostMessageW(target, WM_KEYUP, key, 0xC0000001);
}

TEST(ConfirmationBox, OnlyNoAndEscAnswerNoAndTheButtonsReadAsDesigned) {
    struct Case {
        const char* how;
        std::function<void(HWND)> answer;
        bool goesOn;
    };
    const Case cases[] = {
        {"the Yes button", [](HWND box) { PostMessageW(GetDlgItem(box, IDYES), BM_CLICK, 0, 0); }, true},
        {"Enter, Yes being the default", [](HWND box) { PressKey(box, VK_RETURN); }, true},
        {"the close box", [](HWND box) { PostMessageW(box, WM_SYSCOMMAND, SC_CLOSE, 0); }, true},
        {"the No button", [](HWND box) { PostMessageW(GetDlgItem(box, IDNO), BM_CLICK, 0, 0); }, false},
        {"Esc", [](HWND box) { PressKey(box, VK_ESCAPE); }, false},
    };
    for (const Case& c : cases) {
        std::wstring yes, no, text;
        bool icon = false;
        bool answer = false;
        {
            BoxWatcher watcher(
                ConfirmationCaption,
                [&](HWND box) {
                    yes = ItemText(box, IDYES);
                    no = ItemText(box, IDNO);
                    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
                        if (SendMessageW(child, STM_GETICON, 0, 0) != 0) icon = true;
                        wchar_t shown[256] = {};
                        GetWindowTextW(child, shown, 256);
                        if (std::wcsstr(shown, L"Отчет")) text = shown;
                    }
                },
                c.answer);
            answer = AskConfirmation(nullptr, "Отчет за 2011 год уже есть.\rЗаменить?");
            EXPECT_TRUE(watcher.found) << c.how;
        }
        EXPECT_EQ(answer, c.goesOn) << c.how;
        EXPECT_EQ(yes, L"&Yes");
        EXPECT_EQ(no, L"&No");
        EXPECT_TRUE(icon) << "the question icon";
        EXPECT_EQ(text, L"Отчет за 2011 год уже есть.\r\nЗаменить?");
    }
}

TEST(MessageBoxes, TheErrorBoxEndsTheMessageAndThePlainBoxBreaksItsLines) {
    struct Case {
        std::function<void()> show;
        std::wstring text;
    };
    const Case cases[] = {
        {[] { ShowErrorBox(nullptr, "Нет связи с базой"); }, L"Нет связи с базой."},
        {[] { ShowErrorBox(nullptr, "Готово!"); }, L"Готово!"},
        {[] { ShowPlainBox(nullptr, "Строка 1\rСтрока 2"); }, L"Строка 1\r\nСтрока 2"},
    };
    for (const Case& c : cases) {
        std::wstring text;
        {
            // 0xFFFF: the identifier the system's message box gives its text.
            BoxWatcher watcher(
                Wide(AppTitle), [&](HWND box) { text = ItemText(box, 0xFFFF); },
                [](HWND box) { PostMessageW(box, WM_COMMAND, IDOK, 0); });
            c.show();
            EXPECT_TRUE(watcher.found);
        }
        EXPECT_EQ(text, c.text);
    }
}

class Win32MainWindow : public ::testing::Test {
protected:
    void SetUp() override { window = std::make_unique<MainWindow>(folder.Folder(), 2026); }

    HWND Handle(Control control) const {
        const std::function<HWND(HWND)> find = [&](HWND holder) -> HWND {
            for (HWND child = GetWindow(holder, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
                if (GetDlgCtrlID(child) == ControlId(control)) return child;
                if (HWND inner = find(child)) return inner;
            }
            return nullptr;
        };
        return find(window->Handle());
    }

    testing::TempDir folder;
    std::unique_ptr<MainWindow> window;
};

TEST_F(Win32MainWindow, TheYearArrowsStepTheFieldsValueWithoutBounds) {
    HWND year = Handle(Control::YearField);
    SendMessageW(year, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"2026"));
    SendMessageW(year, WM_KEYDOWN, VK_UP, 1);
    EXPECT_EQ(window->Logic().YearText(), "2027");
    SendMessageW(year, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"0"));
    SendMessageW(year, WM_KEYDOWN, VK_DOWN, 1);
    EXPECT_EQ(window->Logic().YearText(), "-1");
}

TEST_F(Win32MainWindow, ADroppedFileGivesItsFolderToTheTemplateField) {
    const std::filesystem::path templates = folder.Path() / L"Шаблоны 2011";
    std::filesystem::create_directories(templates);
    const std::wstring file = (templates / L"7.doc").wstring();
    std::ofstream(templates / L"7.doc") << "x";
    // What the shell hands a window for a drop: the header, then the names,
    // each ending in a zero, the list ending in another.
    const std::size_t bytes = sizeof(DROPFILES) + (file.size() + 2) * sizeof(wchar_t);
    HGLOBAL drop = GlobalAlloc(GHND, bytes);
    auto* header = static_cast<DROPFILES*>(GlobalLock(drop));
    header->pFiles = sizeof(DROPFILES);
    header->fWide = TRUE;
    std::memcpy(reinterpret_cast<char*>(header) + sizeof(DROPFILES), file.c_str(), file.size() * sizeof(wchar_t));
    GlobalUnlock(drop);
    SendMessageW(Handle(Control::TemplateFolder), WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
    const std::string expected = Narrow(templates.wstring()) + "\\";
    EXPECT_EQ(window->Logic().TemplateFolderText(), expected);
    wchar_t shown[MAX_PATH] = {};
    GetWindowTextW(Handle(Control::TemplateFolder), shown, MAX_PATH);
    EXPECT_EQ(Narrow(shown), expected);
}

TEST_F(Win32MainWindow, TheLastStatusPartTakesTheRestOfTheBar) {
    window->SetOuterSize({900, 280});
    window->Logic().Status("Идет заполнение бланка... строка 125 из 4000, таблица 1000");
    HWND bar = Handle(Control::StatusBar);
    ASSERT_EQ(SendMessageW(bar, SB_GETPARTS, 0, 0), 2);
    RECT whole, last;
    GetClientRect(bar, &whole);
    SendMessageW(bar, SB_GETRECT, 1, reinterpret_cast<LPARAM>(&last));
    EXPECT_GE(last.right, whole.right - 2 * GetSystemMetrics(SM_CXVSCROLL)) << "the last part stops short";
    wchar_t shown[256] = {};
    SendMessageW(bar, SB_GETTEXTW, 1, reinterpret_cast<LPARAM>(shown));
    EXPECT_EQ(Narrow(shown), "Идет заполнение бланка... строка 125 из 4000, таблица 1000");
}

TEST_F(Win32MainWindow, OnAMonitorOfAnotherDpiTheWindowIsLaidOutAgain) {
    RECT suggested{40, 30, 1000, 600};
    SendMessageW(window->Handle(), 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(120, 120),
                 reinterpret_cast<LPARAM>(&suggested));
    EXPECT_EQ(window->Logic().Factor(), 31.0 / 25);
    RECT outer, button;
    GetWindowRect(window->Handle(), &outer);
    EXPECT_EQ(outer.right - outer.left, 777);
    EXPECT_EQ(outer.bottom - outer.top, 347);
    EXPECT_EQ(outer.left, 40);
    GetWindowRect(Handle(Control::ExportButton), &button);
    EXPECT_EQ(button.bottom - button.top, 31);
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(Handle(Control::FormLabel), WM_GETFONT, 0, 0)), sizeof font, &font);
    EXPECT_EQ(font.lfHeight, -MulDiv(8, 120, 72));
}

}  // namespace
}  // namespace tarnfold::app::win32
