// The progress dialog of both programs: two status lines, the Percent bar
// and, in the installer, a Cancel button. The installer's template 909 uses
// the controls 107/108 (lines), 104 (bar) and 2 (Cancel); the uninstaller's
// template 500 uses 103/104 (lines) and 100 (bar) and has no Cancel button.
// The dialog never stops a step itself: disabling Cancel is the whole signal.
#include <windows.h>

#include "messages.h"
#include "win_export.h"

namespace {

constexpr int kSetupLine1 = 107;
constexpr int kSetupLine2 = 108;
constexpr int kSetupBar = 104;
constexpr int kRemoveLine1 = 103;
constexpr int kRemoveLine2 = 104;
constexpr int kRemoveBar = 100;
constexpr UINT kCancelQuestion = 1005;

// One progress dialog exists at a time; its brush lives until it is destroyed.
HBRUSH g_whiteBrush;

struct StatusControls {
    int line1;
    int line2;
    int bar;
};

// The installer's template is the one with control 107.
StatusControls ControlsOf(HWND dlg) {
    if (GetDlgItem(dlg, kSetupLine1)) return {kSetupLine1, kSetupLine2, kSetupBar};
    return {kRemoveLine1, kRemoveLine2, kRemoveBar};
}

void ResetForShow(HWND dlg) {
    StatusControls ids = ControlsOf(dlg);
    HWND cancel = GetDlgItem(dlg, IDCANCEL);
    if (cancel) EnableWindow(cancel, TRUE);
    SetDlgItemTextA(dlg, ids.line1, "");
    SetDlgItemTextA(dlg, ids.line2, "");
    SendDlgItemMessageA(dlg, ids.bar, kPercentSetPosition, 0, 0);
    SendDlgItemMessageA(dlg, ids.bar, kPercentSetRange, 0, 0);
}

}  // namespace

TLS_EXPORT INT_PTR CALLBACK StatusDlgProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_INITDIALOG:
        SetWindowTextA(hwnd, g_statusDialogTitle);
        CentreWindow(hwnd);
        if (g_whiteBrush) DeleteObject(g_whiteBrush);
        g_whiteBrush = CreateSolidBrush(RGB(255, 255, 255));
        // Escape and Enter reach the dialog while a step drains the queue.
        g_modelessDialog = hwnd;
        return TRUE;

    case WM_SHOWWINDOW:
        if (wParam) ResetForShow(hwnd);
        return FALSE;

    case WM_COMMAND: {
        WORD id = LOWORD(wParam);
        if (id == IDOK || id == IDCANCEL) {
            int answer = ShowMessage(g_statusDialogInstance, hwnd, kCancelQuestion, g_statusDialogTitle,
                                     MB_YESNO | MB_ICONQUESTION);
            if (answer == IDYES) {
                HWND cancel = GetDlgItem(hwnd, IDCANCEL);
                if (cancel) EnableWindow(cancel, FALSE);
            } else {
                RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
            }
            return TRUE;
        }
        return FALSE;
    }

    case kPercentColorRequest: {
        HDC dc = reinterpret_cast<HDC>(wParam);
        SetTextColor(dc, RGB(0, 0, 255));
        SetBkColor(dc, RGB(255, 255, 255));
        // A dialog procedure's result reaches the sender of a private message
        // through DWLP_MSGRESULT; returning the brush too serves callers that
        // call the procedure directly.
        SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, reinterpret_cast<LONG_PTR>(g_whiteBrush));
        return reinterpret_cast<INT_PTR>(g_whiteBrush);
    }

    case WM_DESTROY:
        if (g_modelessDialog == hwnd) g_modelessDialog = nullptr;
        if (g_whiteBrush) {
            DeleteObject(g_whiteBrush);
            g_whiteBrush = nullptr;
        }
        return FALSE;

    default:
        // The control-colour messages included: the standard colours apply.
        (void)lParam;
        return FALSE;
    }
}
