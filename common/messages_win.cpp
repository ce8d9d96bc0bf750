// Message helpers of both programs: string-table message boxes, draining the
// message queue, timed waits that keep the windows alive, centring.
#include <windows.h>

#include <cstdarg>

#include "messages.h"
#include "messages_core.h"
#include "run_log.h"

char g_statusDialogTitle[64];
HINSTANCE g_statusDialogInstance;
HWND g_modelessDialog;

int ShowMessage(HINSTANCE instance, HWND owner, UINT id, const char* caption, UINT style, ...) {
    // The error code of the step that failed, before this call changes it.
    const DWORD error = GetLastError();
    char text[kMessageTextChars + 1];
    char message[kMessageTextChars + 1];
    // Text ids and styles are 16-bit values.
    if (LoadStringA(instance, id & 0xFFFFu, text, sizeof text) <= 0) return 0;
    va_list args;
    va_start(args, style);
    FormatMessageTextV(message, sizeof message, text, args);
    va_end(args);
    LogLine("%s %u (%s %lu): %s", g_logMessageWord, id & 0xFFFFu, g_logSystemErrorWords, error, message);
    if (g_messagesQuiet) return 0;
    return MessageBoxA(owner, message, caption, style & 0xFFFFu);
}

int PumpMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (g_modelessDialog && msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST &&
            IsDialogMessageA(g_modelessDialog, &msg)) {
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}

void WaitTicks(DWORD milliseconds) {
    // The start is kept per call, so that a wait started by a message
    // dispatched during this one does not move this one's start.
    const DWORD start = GetTickCount();
    for (;;) {
        DWORD now = GetTickCount();
        if (TicksElapsed(start, now, milliseconds)) return;
        PumpMessages();
        // Sleep until a message arrives or the rest of the time has passed,
        // instead of spinning; every message is handled by the next pump.
        now = GetTickCount();
        if (TicksElapsed(start, now, milliseconds)) return;
        DWORD rest = milliseconds - static_cast<DWORD>(now - start);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, rest, kWakeOnAnyMessage);
    }
}

void UseOwnDrivePrompts() { SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX); }

void CentreWindow(HWND hwnd) {
    RECT rc;
    if (!GetWindowRect(hwnd, &rc)) return;
    int width = rc.right - rc.left;
    int height = rc.bottom - rc.top;
    int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    SetWindowPos(hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
