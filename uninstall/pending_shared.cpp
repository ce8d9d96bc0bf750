// Stand-ins for shared Win32 helpers whose real versions are not written
// yet, so that the uninstaller links meanwhile. Each block is compiled only
// while its real file is missing; this file goes once all of them exist.
#include <windows.h>

#include <cstdarg>

#include "dde_client.h"
#include "desetup.h"
#include "win_export.h"

#if !defined(TLS_HAVE_MESSAGES_WIN)
char g_statusDialogTitle[64];
HINSTANCE g_statusDialogInstance;

int ShowMessage(HINSTANCE instance, HWND owner, UINT id, const char* caption, UINT style, ...) {
    char format[512];
    char text[1024];
    if (LoadStringA(instance, id, format, sizeof format) <= 0) return 0;
    va_list args;
    va_start(args, style);
    wvsprintfA(text, format, args);
    va_end(args);
    return MessageBoxA(owner, text, caption, style);
}

int PumpMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}

void WaitTicks(DWORD milliseconds) {
    DWORD start = GetTickCount();
    while (GetTickCount() - start < milliseconds) PumpMessages();
}

void CentreWindow(HWND hwnd) {
    RECT r;
    GetWindowRect(hwnd, &r);
    int x = (GetSystemMetrics(SM_CXSCREEN) - (r.right - r.left)) / 2;
    int y = (GetSystemMetrics(SM_CYSCREEN) - (r.bottom - r.top)) / 2;
    SetWindowPos(hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}
#endif

#if !defined(TLS_HAVE_STATUS_DIALOG_WIN)
TLS_EXPORT INT_PTR CALLBACK StatusDlgProc(HWND hwnd, UINT message, WPARAM, LPARAM) {
    if (message == WM_INITDIALOG) {
        SetWindowTextA(hwnd, g_statusDialogTitle);
        CentreWindow(hwnd);
        return TRUE;
    }
    return FALSE;
}
#endif

#if !defined(TLS_HAVE_DDE_CLIENT_WIN)
BOOL RegisterDdeClientClass(HINSTANCE) { return TRUE; }
#endif

#if !defined(TLS_HAVE_PROGMAN_GROUP)
int DeleteProgmanGroup(HINSTANCE) { return 0; }
#endif
