#pragma once
// A window procedure's way to the C++ object behind its window: the pointer
// handed to CreateWindowExW is kept in the window's user data from
// WM_NCCREATE on, and the object learns its handle at the first message, so
// that messages sent during creation already reach it.

#include <windows.h>

namespace tarnfold::win32 {

// Sends the message to `Owner::OnMessage`, or to the default procedure
// before the object is known and after it has cleared the user data.
template <class Owner>
LRESULT CALLBACK OwnerProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* owner = reinterpret_cast<Owner*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (owner == nullptr) return DefWindowProcW(window, message, wParam, lParam);
    owner->Adopt(window);
    return owner->OnMessage(message, wParam, lParam);
}

}  // namespace tarnfold::win32
