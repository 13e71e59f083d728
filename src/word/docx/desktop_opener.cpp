#include "word/docx/desktop_opener.h"

#include "core/error.h"

#ifdef _WIN32
#include "core/paths.h"
#include <windows.h>
#include <shellapi.h>
#else
#include "core/process.h"
#endif

namespace tarnfold::word::docx {

namespace {

std::string Failure(const std::string& path, const std::string& reason) {
    return "Не удалось открыть документ \"" + path + "\": " + reason;
}

}  // namespace

#ifdef _WIN32

void OpenWithDesktop(const std::string& pathUtf8) {
    const std::wstring wide = PathFromUtf8(pathUtf8).wstring();
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteW(nullptr, L"open", wide.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    if (result <= 32) {
        throw Error(Failure(pathUtf8, "нет программы для открытия документов Word"));
    }
}

#else

void OpenWithDesktop(const std::string& pathUtf8) {
    // Detached: the program neither becomes a zombie of ours nor dies with our session.
    StartProcess({{"xdg-open", pathUtf8}, {}, {}, true, Failure(pathUtf8, "не удалось запустить xdg-open")});
}

#endif

}  // namespace tarnfold::word::docx
