#include "app/win32/dialogs.h"

#include <shobjidl.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "core/app_title.h"
#include "core/error.h"
#include "core/text.h"
#include "core/wide_text.h"
#include "word/com/com_handles.h"

namespace tarnfold::app::win32 {

using tarnfold::win32::Narrow;
using tarnfold::win32::Wide;
using word::com::ComPtr;

namespace {

std::wstring BoxText(const std::string& text) { return Wide(WithLineBreaks(text, "\r\n")); }

// An in-memory dialog template: the header, then the items, each on a
// four-byte boundary, as DialogBoxIndirectParamW reads them.
class DialogTemplate {
public:
    DialogTemplate(DWORD style, const wchar_t* caption, short width, short height) {
        Append32(style | DS_SETFONT);
        Append32(0);
        countAt_ = words_.size();
        words_.push_back(0);
        AppendBox(0, 0, width, height);
        words_.push_back(0);  // no menu
        words_.push_back(0);  // the standard dialog class
        AppendText(caption);
        words_.push_back(8);
        AppendText(L"MS Shell Dlg");
    }

    // `kind`: 0x0080 button, 0x0082 static.
    void AddItem(WORD kind, DWORD style, int id, const wchar_t* text) {
        if (words_.size() % 2 != 0) words_.push_back(0);
        Append32(style | WS_CHILD | WS_VISIBLE);
        Append32(0);
        AppendBox(0, 0, 1, 1);
        words_.push_back(static_cast<WORD>(id));
        words_.push_back(0xFFFF);
        words_.push_back(kind);
        AppendText(text);
        words_.push_back(0);  // no creation data
        ++words_[countAt_];
    }

    const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

private:
    void Append32(DWORD value) {
        words_.push_back(LOWORD(value));
        words_.push_back(HIWORD(value));
    }
    void AppendBox(short x, short y, short width, short height) {
        for (short value : {x, y, width, height}) words_.push_back(static_cast<WORD>(value));
    }
    void AppendText(const wchar_t* text) {
        for (; *text; ++text) words_.push_back(static_cast<WORD>(*text));
        words_.push_back(0);
    }

    // WORD-sized cells keep the header and the items aligned as they must be.
    std::vector<WORD> words_;
    std::size_t countAt_ = 0;
};

constexpr int IconId = 20;
constexpr int TextId = 21;

// Lays the question out below its caption: the icon, the text wrapped at a
// width that keeps the box readable, the two buttons centred under them.
void LayOutQuestion(HWND box) {
    RECT units{7, 4, 50, 14};  // margin, gap, button width and height in dialog units
    MapDialogRect(box, &units);
    const int margin = units.left, gap = units.top, buttonWidth = units.right, buttonHeight = units.bottom;
    const int icon = GetSystemMetrics(SM_CXICON);

    HWND text = GetDlgItem(box, TextId);
    wchar_t buffer[2048] = {};
    GetWindowTextW(text, buffer, 2048);
    HDC dc = GetDC(text);
    const HGDIOBJ oldFont = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(text, WM_GETFONT, 0, 0)));
    RECT measured{0, 0, 360 * GetDeviceCaps(dc, LOGPIXELSX) / 96, 0};
    DrawTextW(dc, buffer, -1, &measured, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
    SelectObject(dc, oldFont);
    ReleaseDC(text, dc);

    const int textWidth = measured.right - measured.left;
    const int textHeight = std::max<int>(measured.bottom - measured.top, icon);
    const int contentWidth = std::max(icon + 2 * gap + textWidth, 2 * buttonWidth + gap);
    const int clientWidth = contentWidth + 2 * margin;
    const int buttonsTop = margin + textHeight + 2 * gap;
    const int clientHeight = buttonsTop + buttonHeight + margin;

    MoveWindow(GetDlgItem(box, IconId), margin, margin, icon, icon, FALSE);
    MoveWindow(text, margin + icon + 2 * gap, margin, textWidth, textHeight, FALSE);
    const int buttonsLeft = (clientWidth - 2 * buttonWidth - gap) / 2;
    MoveWindow(GetDlgItem(box, IDYES), buttonsLeft, buttonsTop, buttonWidth, buttonHeight, FALSE);
    MoveWindow(GetDlgItem(box, IDNO), buttonsLeft + buttonWidth + gap, buttonsTop, buttonWidth, buttonHeight, FALSE);

    RECT outer{0, 0, clientWidth, clientHeight};
    AdjustWindowRectEx(&outer, static_cast<DWORD>(GetWindowLongPtrW(box, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrW(box, GWL_EXSTYLE)));
    const int width = outer.right - outer.left, height = outer.bottom - outer.top;
    RECT area;
    HWND owner = GetWindow(box, GW_OWNER);
    if (owner == nullptr || !GetWindowRect(owner, &area)) SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    SetWindowPos(box, nullptr, area.left + (area.right - area.left - width) / 2,
                 area.top + (area.bottom - area.top - height) / 2, width, height, SWP_NOZORDER);
}

INT_PTR CALLBACK QuestionProcedure(HWND box, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            SetDlgItemTextW(box, TextId, reinterpret_cast<const wchar_t*>(lParam));
            SendDlgItemMessageW(box, IconId, STM_SETICON, reinterpret_cast<WPARAM>(LoadIconW(nullptr, IDI_QUESTION)),
                                0);
            LayOutQuestion(box);
            SetFocus(GetDlgItem(box, IDYES));
            return FALSE;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDYES:
                    EndDialog(box, IDYES);
                    return TRUE;
                case IDNO:
                case IDCANCEL:  // Esc
                    EndDialog(box, IDNO);
                    return TRUE;
                default:
                    return FALSE;
            }
        case WM_CLOSE:
            // The close box and the system menu leave the question unanswered:
            // the run goes on.
            EndDialog(box, IDYES);
            return TRUE;
        default:
            return FALSE;
    }
}

struct TaskMemory {
    void operator()(wchar_t* text) const { CoTaskMemFree(text); }
};

}  // namespace

void ShowErrorBox(HWND owner, const std::string& message) {
    MessageBoxW(owner, BoxText(ErrorBoxText(message)).c_str(), Wide(AppTitle).c_str(), MB_OK | MB_ICONSTOP);
}

void ShowPlainBox(HWND owner, const std::string& text) {
    MessageBoxW(owner, BoxText(text).c_str(), Wide(AppTitle).c_str(), MB_OK);
}

bool AskConfirmation(HWND owner, const std::string& text) {
    DialogTemplate question(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, ConfirmationCaption, 200, 60);
    question.AddItem(0x0082, SS_ICON, IconId, L"");
    question.AddItem(0x0082, SS_LEFT | SS_NOPREFIX, TextId, L"");
    question.AddItem(0x0080, BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, IDYES, L"&Yes");
    question.AddItem(0x0080, BS_PUSHBUTTON | WS_TABSTOP, IDNO, L"&No");
    const std::wstring wide = BoxText(text);
    const INT_PTR answer = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), question.Get(), owner, QuestionProcedure,
                                                   reinterpret_cast<LPARAM>(wide.c_str()));
    return answer != IDNO;
}

std::optional<std::string> ChooseFolderWithDialog(HWND owner, const std::string& start) {
    ComPtr<IFileOpenDialog> dialog;
    HRESULT result = CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER, IID_IFileOpenDialog,
                                      reinterpret_cast<void**>(dialog.Receive()));
    if (FAILED(result)) throw Error("Не удалось открыть окно выбора папки");
    FILEOPENDIALOGOPTIONS options = 0;
    dialog->GetOptions(&options);
    dialog->SetOptions(options | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM | FOS_PATHMUSTEXIST);
    dialog->SetTitle(L"Папка с шаблонами");
    ComPtr<IShellItem> folder;
    if (!start.empty() && SUCCEEDED(SHCreateItemFromParsingName(Wide(start).c_str(), nullptr, IID_IShellItem,
                                                                reinterpret_cast<void**>(folder.Receive())))) {
        dialog->SetFolder(folder.Get());
    }
    if (FAILED(dialog->Show(owner))) return std::nullopt;
    ComPtr<IShellItem> chosen;
    if (FAILED(dialog->GetResult(chosen.Receive()))) return std::nullopt;
    wchar_t* path = nullptr;
    if (FAILED(chosen->GetDisplayName(SIGDN_FILESYSPATH, &path))) return std::nullopt;
    const std::unique_ptr<wchar_t, TaskMemory> owned(path);
    return Narrow(owned.get());
}

}  // namespace tarnfold::app::win32
