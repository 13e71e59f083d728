#include "word/docx/desktop_opener.h"

#include <windows.h>
#include <shellapi.h>

#include "core/error.h"
#include "core/paths.h"

namespace tarnfold::word::docx {

void OpenWithDesktop(const std::string& pathUtf8) {
    const std::wstring wide = PathFromUtf8(pathUtf8).wstring();
    const auto result =
        reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, L"open", wide.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    if (result <= 32) {
        throw Error("Не удалось открыть документ \"" + pathUtf8 + "\": нет программы для открытия документов Word");
    }
}

}  // namespace tarnfold::word::docx
