#pragma once
// The boxes the Win32 window speaks through: the standard error box, the
// plain message box, the one yes/no question and the folder dialog.

#include <windows.h>

#include <optional>
#include <string>

namespace tarnfold::app::win32 {

// Caption AppTitle, stop icon, OK; a full stop is added where the message
// lacks its own ending.
void ShowErrorBox(HWND owner, const std::string& message);
// Caption AppTitle, no icon, OK. A carriage return breaks the line.
void ShowPlainBox(HWND owner, const std::string& text);

// Caption "Confirm", question icon, "&Yes" (the default) and "&No". False
// only for No or Esc: a box closed by its close box or the system menu goes
// on as Yes. A dialog of its own, since the system's message box words its
// buttons in the system's language.
bool AskConfirmation(HWND owner, const std::string& text);
inline constexpr wchar_t ConfirmationCaption[] = L"Confirm";

// The system's folder dialog, starting at `start`; nothing when cancelled.
std::optional<std::string> ChooseFolderWithDialog(HWND owner, const std::string& start);

}  // namespace tarnfold::app::win32
