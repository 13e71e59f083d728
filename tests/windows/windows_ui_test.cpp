// The single-instance rule with real windows, another process and the shell.
// Creating windows needs a display: under Wine these run on a virtual one.
#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#include "core/app_title.h"
#include "core/paths.h"
#include "platform/win32/shell.h"
#include "core/wide_text.h"
#include "platform/win32/windows_ui.h"
#include "support/temp_dir.h"

namespace tarnfold::win32 {
namespace {

const std::string kTitle = AppTitle;

// Processes this thread's messages until `done` holds or the time is up.
bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(std::min<long long>(left.count(), 50)),
                                  QS_ALLINPUT);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return true;
}

std::wstring OwnProgram() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

// A plain top-level window, to own another.
class OwnerWindow {
public:
    OwnerWindow()
        : window_(CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr)) {}
    ~OwnerWindow() { DestroyWindow(window_); }
    HWND Get() const { return window_; }

private:
    HWND window_;
};

TEST(ApplicationWindowLookup, AHiddenApplicationWindowWithTheTitleIsFound) {
    Win32WindowSystem lookingOnly;
    int requests = 0;
    ApplicationWindow own([&] { ++requests; });
    Win32WindowSystem owning(&own);
    ASSERT_NE(own.Handle(), 0u);
    EXPECT_FALSE(IsWindowVisible(reinterpret_cast<HWND>(own.Handle())));
    // Before the title is set the window cannot be found.
    EXPECT_EQ(window::FindOtherCopy(lookingOnly), 0u);
    ASSERT_TRUE(window::StartAsOnlyCopy(owning));
    EXPECT_EQ(lookingOnly.Text(own.Handle(), window::WindowTextLimit), kTitle);
    EXPECT_EQ(window::FindOtherCopy(lookingOnly), own.Handle());
    // The program's own window never counts as another copy.
    EXPECT_EQ(window::FindOtherCopy(owning), 0u);
    EXPECT_EQ(requests, 0);
}

TEST(ApplicationWindowLookup, ATitleDifferingOnlyInLetterCaseIsRejected) {
    Win32WindowSystem windows;
    ApplicationWindow foreign(nullptr);
    const std::string upper = "TARNFOLD-ВЫГРУЗКА ДАННЫХ В БЛАНКИ ФОРМ";
    foreign.SetTitle(upper);
    EXPECT_EQ(window::FindOtherCopy(windows), 0u);
    // Whether or not the system's lookup ignored the case, the window it may
    // return is that one, and the exact comparison turns it down.
    const WindowHandle found = windows.Find(window::ApplicationWindowClass, kTitle);
    EXPECT_TRUE(found == 0 || found == foreign.Handle());
    EXPECT_EQ(windows.Text(foreign.Handle(), window::WindowTextLimit), upper);
}

TEST(ApplicationWindowLookup, AnOwnedWindowIsRejected) {
    Win32WindowSystem windows;
    ApplicationWindow registersTheClass(nullptr);
    OwnerWindow owner;
    ASSERT_NE(owner.Get(), nullptr);
    const HWND owned = CreateWindowExW(0, L"TApplication", Wide(kTitle).c_str(), WS_POPUP, 0, 0, 0, 0, owner.Get(),
                                       nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(owned, nullptr);
    const auto handle = static_cast<WindowHandle>(reinterpret_cast<std::uintptr_t>(owned));
    EXPECT_EQ(windows.Find(window::ApplicationWindowClass, kTitle), handle);
    EXPECT_EQ(windows.Owner(handle), static_cast<WindowHandle>(reinterpret_cast<std::uintptr_t>(owner.Get())));
    EXPECT_EQ(window::FindOtherCopy(windows), 0u);
    DestroyWindow(owned);
}

TEST(ApplicationWindowLookup, ASecondStartMakesTheRunningCopyRaiseItsMainWindow) {
    int requests = 0;
    ApplicationWindow own([&] { ++requests; });
    Win32WindowSystem owning(&own);
    ASSERT_TRUE(window::StartAsOnlyCopy(owning));

    std::wstring command = L"\"" + OwnProgram() + L"\" --bring-forward";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(
        CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
    const bool ended =
        PumpUntil([&] { return WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0; }, std::chrono::seconds(20));
    DWORD exitCode = 99;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    ASSERT_TRUE(ended);
    EXPECT_EQ(exitCode, 0u) << "the second start did not find the running copy";
    EXPECT_TRUE(PumpUntil([&] { return requests > 0; }, std::chrono::seconds(5)));
    // The application window itself stays out of sight.
    EXPECT_FALSE(IsWindowVisible(reinterpret_cast<HWND>(own.Handle())));
}

TEST(ApplicationWindowLookup, ASecondStartFindsNothingWhenNoCopyRuns) {
    std::wstring command = L"\"" + OwnProgram() + L"\" --bring-forward";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(
        CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
    ASSERT_EQ(WaitForSingleObject(process.hProcess, 20000), WAIT_OBJECT_0);
    DWORD exitCode = 99;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    EXPECT_EQ(exitCode, 3u);
}

TEST(Shell, AFileIsOpenedWithItsAssociatedProgramWithoutParameters) {
    tarnfold::testing::TempDir folder;
    const std::filesystem::path program = folder.Path() / PathFromUtf8("журнал экспорта.exe");
    const std::filesystem::path marker = folder.Path() / "marker.txt";
    std::filesystem::copy_file(std::filesystem::path(OwnProgram()), program);

    SetEnvironmentVariableW(L"TARNFOLD_SHELL_MARKER", marker.wstring().c_str());
    OpenWithAssociatedProgram(PathToUtf8(program));
    SetEnvironmentVariableW(L"TARNFOLD_SHELL_MARKER", nullptr);

    std::string started;
    const bool noted = PumpUntil(
        [&] {
            std::ifstream in(marker, std::ios::binary);
            std::stringstream text;
            text << in.rdbuf();
            started = text.str();
            return started.find('\n') != started.rfind('\n');
        },
        std::chrono::seconds(20));
    ASSERT_TRUE(noted) << "the program was not started";
    EXPECT_EQ(started, PathToUtf8(program) + "\n0\n");
    // Let the started program end before its folder goes.
    PumpUntil(
        [&] {
            std::error_code ec;
            std::filesystem::remove(program, ec);
            return !std::filesystem::exists(program);
        },
        std::chrono::seconds(5));
}

TEST(Shell, AMissingFileIsNotReported) {
    tarnfold::testing::TempDir folder;
    EXPECT_NO_THROW(OpenWithAssociatedProgram(PathToUtf8(folder.Path() / "нет такого.log")));
}

TEST(ProgramFiles, TheProgramFolderIsTheFolderOfTheRunningProgram) {
    const std::string folder = ProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '\\');
    const std::filesystem::path own(OwnProgram());
    EXPECT_EQ(folder + PathToUtf8(own.filename()), PathToUtf8(own));
    EXPECT_TRUE(FileExists(folder + PathToUtf8(own.filename())));
}

}  // namespace
}  // namespace tarnfold::win32
