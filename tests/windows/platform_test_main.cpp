// The Win32 tests, on a thread in a single-threaded apartment as the
// program's user-interface thread is. The same program also plays the part
// of other processes the tests start:
//   --bring-forward               a second start: brings the running copy forward
//   TARNFOLD_SHELL_MARKER=<file>  a program the shell opened: notes its name and arguments
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "core/wide_text.h"
#include "platform/win32/windows_ui.h"
#include "word/com/apartment.h"

namespace {

int NoteShellStart(const wchar_t* marker, int argc) {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    FILE* file = _wfopen(marker, L"wb");
    if (file == nullptr) return 2;
    const std::string text = tarnfold::win32::Narrow(self) + "\n" + std::to_string(argc - 1) + "\n";
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    wchar_t marker[MAX_PATH] = {};
    if (GetEnvironmentVariableW(L"TARNFOLD_SHELL_MARKER", marker, MAX_PATH) > 0) return NoteShellStart(marker, argc);
    if (argc == 2 && std::strcmp(argv[1], "--bring-forward") == 0) {
        tarnfold::win32::Win32WindowSystem windows;
        return tarnfold::window::StartAsOnlyCopy(windows) ? 3 : 0;
    }
    testing::InitGoogleTest(&argc, argv);
    tarnfold::word::com::ComApartment apartment;
    return RUN_ALL_TESTS();
}
