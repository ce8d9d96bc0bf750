// ZEROZ32.DLL: the Percent progress-bar control.
//
// Loading the library registers the global window class "Percent", so that
// dialogs of the program that loaded it can hold the control; unloading it
// removes the class again. The control understands
//   WM_USER       set the range (wParam = maximum),
//   WM_USER + 2   set the position (wParam),
// and before it paints it sends WM_USER + 4 to its parent with its device
// context in wParam: the parent sets the text and background colours on that
// context and returns a brush. The bar is drawn filled in the text colour up
// to the position, in the background colour beyond it, with the percentage
// centred over it (inverted over the filled part).
#include <windows.h>

#include "../common/system_cursor.h"
#include "percent_math.h"

namespace {

const char kClassName[] = "Percent";
constexpr UINT kSetRange = WM_USER;
constexpr UINT kSetPosition = WM_USER + 2;
constexpr UINT kColorRequest = WM_USER + 4;

// Window extra bytes: the range and the position.
constexpr int kRangeOffset = 0;
constexpr int kPositionOffset = static_cast<int>(sizeof(LONG_PTR));

HINSTANCE g_module;
ATOM g_classAtom;

void DrawLabel(HDC hdc, const RECT& bar, const RECT& clip, const char* label, int length) {
    SIZE extent;
    if (!GetTextExtentPoint32A(hdc, label, length, &extent)) {
        extent.cx = 0;
        extent.cy = 0;
    }
    int x = bar.left + (bar.right - bar.left - extent.cx) / 2;
    int y = bar.top + (bar.bottom - bar.top - extent.cy) / 2;
    ExtTextOutA(hdc, x, y, ETO_CLIPPED, &clip, label, static_cast<UINT>(length), nullptr);
}

void PaintBar(HWND hwnd, HDC hdc) {
    RECT bar;
    GetClientRect(hwnd, &bar);

    // The parent chooses the colours; a parent that ignores the request
    // leaves the context's own colours, and a missing brush is replaced by
    // one of the background colour.
    HBRUSH parentBrush = nullptr;
    HWND parent = GetParent(hwnd);
    if (parent) {
        parentBrush = reinterpret_cast<HBRUSH>(
            SendMessageA(parent, kColorRequest, reinterpret_cast<WPARAM>(hdc), reinterpret_cast<LPARAM>(hwnd)));
    }
    COLORREF fore = GetTextColor(hdc);
    COLORREF back = GetBkColor(hdc);

    ULONG_PTR range = static_cast<ULONG_PTR>(GetWindowLongPtrA(hwnd, kRangeOffset));
    ULONG_PTR position = static_cast<ULONG_PTR>(GetWindowLongPtrA(hwnd, kPositionOffset));
    std::int32_t filled = FilledWidth(bar.right - bar.left, position, range);
    char label[8];
    PercentLabel(label, sizeof label, PercentOf(position, range));
    int length = lstrlenA(label);

    RECT done = bar;
    done.right = bar.left + filled;
    RECT rest = bar;
    rest.left = done.right;

    HFONT font = reinterpret_cast<HFONT>(SendMessageA(hwnd, WM_GETFONT, 0, 0));
    if (!font && parent) font = reinterpret_cast<HFONT>(SendMessageA(parent, WM_GETFONT, 0, 0));
    HGDIOBJ oldFont = font ? SelectObject(hdc, font) : nullptr;
    int oldMode = SetBkMode(hdc, TRANSPARENT);

    if (rest.right > rest.left) {
        HBRUSH own = parentBrush ? nullptr : CreateSolidBrush(back);
        FillRect(hdc, &rest, parentBrush ? parentBrush : own);
        if (own) DeleteObject(own);
        SetTextColor(hdc, fore);
        DrawLabel(hdc, bar, rest, label, length);
    }
    if (done.right > done.left) {
        HBRUSH fill = CreateSolidBrush(fore);
        if (fill) {
            FillRect(hdc, &done, fill);
            DeleteObject(fill);
        }
        SetTextColor(hdc, back);
        DrawLabel(hdc, bar, done, label, length);
    }

    SetTextColor(hdc, fore);
    SetBkMode(hdc, oldMode);
    if (oldFont) SelectObject(hdc, oldFont);
}

// What the bar shows for the stored range and position: the filled width
// and the percentage.
struct BarLook {
    std::int32_t filled;
    std::uint32_t percent;
};

BarLook LookOf(HWND hwnd) {
    RECT bar;
    GetClientRect(hwnd, &bar);
    ULONG_PTR range = static_cast<ULONG_PTR>(GetWindowLongPtrA(hwnd, kRangeOffset));
    ULONG_PTR position = static_cast<ULONG_PTR>(GetWindowLongPtrA(hwnd, kPositionOffset));
    return {FilledWidth(bar.right - bar.left, position, range), static_cast<std::uint32_t>(PercentOf(position, range))};
}

// Stores the range or the position and repaints only when the bar would look
// different: a long step sets the position once per unit of work, far more
// often than the filled width or the percentage changes.
void SetValue(HWND hwnd, int offset, WPARAM value) {
    BarLook before = LookOf(hwnd);
    SetWindowLongPtrA(hwnd, offset, static_cast<LONG_PTR>(value));
    BarLook after = LookOf(hwnd);
    if (after.filled != before.filled || after.percent != before.percent) InvalidateRect(hwnd, nullptr, FALSE);
}

LRESULT CALLBACK PercentWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        SetWindowLongPtrA(hwnd, kRangeOffset, 0);
        SetWindowLongPtrA(hwnd, kPositionOffset, 0);
        return 0;
    case kSetRange:
        SetValue(hwnd, kRangeOffset, wParam);
        return 0;
    case kSetPosition:
        SetValue(hwnd, kPositionOffset, wParam);
        return 0;
    case WM_ERASEBKGND:
        return 1;  // the paint covers the whole client area
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC hdc = BeginPaint(hwnd, &ps);
        if (hdc) {
            PaintBar(hwnd, hdc);
            EndPaint(hwnd, &ps);
        }
        return 0;
    }
    case WM_PRINTCLIENT:
        PaintBar(hwnd, reinterpret_cast<HDC>(wParam));
        return 0;
    default:
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}

bool RegisterPercentClass() {
    WNDCLASSA wc = {};
    wc.style = CS_GLOBALCLASS | CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = PercentWndProc;
    wc.cbWndExtra = 2 * static_cast<int>(sizeof(LONG_PTR));
    wc.hInstance = g_module;
    wc.hCursor = SystemCursor(IDC_ARROW);
    wc.lpszClassName = kClassName;
    g_classAtom = RegisterClassA(&wc);
    if (g_classAtom != 0) return true;
    // Another copy of the library already made the class available; it
    // stays that copy's to remove.
    return GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        g_module = instance;
        DisableThreadLibraryCalls(instance);
        // Without the class the library is of no use: refuse to load.
        return RegisterPercentClass() ? TRUE : FALSE;
    case DLL_PROCESS_DETACH:
        if (g_classAtom) {
            UnregisterClassA(kClassName, g_module);
            g_classAtom = 0;
        }
        return TRUE;
    default:
        return TRUE;
    }
}
