#include "app/win32/gauge.h"

#include <string>

namespace tarnfold::app::win32 {

namespace {

constexpr wchar_t ClassName[] = L"TGauge";
constexpr COLORREF Navy = RGB(0, 0, 128);
constexpr COLORREF White = RGB(255, 255, 255);

void DrawText(HDC dc, const RECT& clip, const RECT& inside, COLORREF colour, const std::wstring& text) {
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, clip.left, clip.top, clip.right, clip.bottom);
    SetTextColor(dc, colour);
    RECT where = inside;
    ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &where, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    RestoreDC(dc, saved);
}

void Paint(HWND gauge) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(gauge, &paint);
    RECT frame;
    GetClientRect(gauge, &frame);
    FrameRect(dc, &frame, GetSysColorBrush(COLOR_BTNSHADOW));
    RECT inside{frame.left + 1, frame.top + 1, frame.right - 1, frame.bottom - 1};
    const auto percent = static_cast<int>(GetWindowLongPtrW(gauge, GWLP_USERDATA));
    RECT bar = inside;
    bar.right = inside.left + (inside.right - inside.left) * percent / 100;
    RECT rest = inside;
    rest.left = bar.right;
    SetDCBrushColor(dc, White);
    FillRect(dc, &rest, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    SetDCBrushColor(dc, Navy);
    FillRect(dc, &bar, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));

    const HGDIOBJ oldFont = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(gauge, WM_GETFONT, 0, 0)));
    SetBkMode(dc, TRANSPARENT);
    const std::wstring text = std::to_wstring(percent) + L"%";
    DrawText(dc, rest, inside, Navy, text);
    DrawText(dc, bar, inside, White, text);
    SelectObject(dc, oldFont);
    EndPaint(gauge, &paint);
}

LRESULT CALLBACK GaugeProcedure(HWND gauge, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT:
            Paint(gauge);
            return 0;
        case WM_SETFONT:
            SetPropW(gauge, L"Font", reinterpret_cast<HANDLE>(wParam));
            if (LOWORD(lParam)) InvalidateRect(gauge, nullptr, TRUE);
            return 0;
        case WM_GETFONT:
            return reinterpret_cast<LRESULT>(GetPropW(gauge, L"Font"));
        case WM_NCDESTROY:
            RemovePropW(gauge, L"Font");
            break;
        default:
            break;
    }
    return DefWindowProcW(gauge, message, wParam, lParam);
}

ATOM RegisterGaugeClass() {
    WNDCLASSEXW gaugeClass{};
    gaugeClass.cbSize = sizeof gaugeClass;
    gaugeClass.lpfnWndProc = GaugeProcedure;
    gaugeClass.hInstance = GetModuleHandleW(nullptr);
    gaugeClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    gaugeClass.lpszClassName = ClassName;
    return RegisterClassExW(&gaugeClass);
}

}  // namespace

HWND CreateGauge(HWND parent, int id) {
    static const ATOM gaugeClass = RegisterGaugeClass();
    return CreateWindowExW(0, MAKEINTATOM(gaugeClass), L"0%", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
}

void SetGaugePercent(HWND gauge, int percent) {
    if (GetWindowLongPtrW(gauge, GWLP_USERDATA) == percent) return;
    SetWindowLongPtrW(gauge, GWLP_USERDATA, percent);
    // The gauge's text, so that another program can read the gauge as it reads a label.
    SetWindowTextW(gauge, (std::to_wstring(percent) + L"%").c_str());
    InvalidateRect(gauge, nullptr, FALSE);
}

}  // namespace tarnfold::app::win32
