// Window and message loop shared by the package's companion programs.
#include "companion.h"

#include <cstring>

#include "win_export.h"

namespace {

constexpr UINT_PTR kLateTimer = 1;
constexpr UINT_PTR kExitTimer = 2;

struct CompanionState {
    const CompanionInfo* info;
    bool ignore;
    UINT lateMs;
    UINT exitMs;
    bool hidden;
    bool closing;       // DestroyWindow called by the program itself
    bool lateArmed;
    char logPath[MAX_PATH];
};

CompanionState g_companion;

// Reads a decimal number after "/option:".
UINT ReadNumber(const char* text) {
    UINT value = 0;
    while (*text >= '0' && *text <= '9') value = value * 10 + static_cast<UINT>(*text++ - '0');
    return value;
}

void ParseOptions(const char* line) {
    const char* p = line ? line : "";
    while (*p) {
        while (*p == ' ' || *p == '\t') ++p;
        const char* start = p;
        while (*p && *p != ' ' && *p != '\t') ++p;
        const int len = static_cast<int>(p - start);
        if (len == 0) break;
        if (len == 7 && CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, start, 7, "/ignore", 7) == CSTR_EQUAL) {
            g_companion.ignore = true;
        } else if (len == 7 && CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, start, 7, "/hidden", 7) == CSTR_EQUAL) {
            g_companion.hidden = true;
        } else if (len > 6 && CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, start, 6, "/late:", 6) == CSTR_EQUAL) {
            g_companion.lateMs = ReadNumber(start + 6);
        } else if (len > 6 && CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, start, 6, "/exit:", 6) == CSTR_EQUAL) {
            g_companion.exitMs = ReadNumber(start + 6);
        } else if (len > 5 && CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, start, 5, "/log:", 5) == CSTR_EQUAL) {
            int n = len - 5;
            if (n >= static_cast<int>(sizeof g_companion.logPath)) n = sizeof g_companion.logPath - 1;
            std::memcpy(g_companion.logPath, start + 5, static_cast<size_t>(n));
            g_companion.logPath[n] = '\0';
        }
    }
}

void LogRequest(const char* what, WPARAM wParam, LPARAM lParam) {
    if (!g_companion.logPath[0]) return;
    HANDLE file = CreateFileA(g_companion.logPath, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    char line[160];
    int n = wsprintfA(line, "%s %s wParam=%lu lParam=%ld\r\n", g_companion.info->className, what,
                      static_cast<unsigned long>(wParam), static_cast<long>(lParam));
    DWORD written = 0;
    WriteFile(file, line, static_cast<DWORD>(n), &written, nullptr);
    CloseHandle(file);
}

void CloseNow(HWND hwnd) {
    if (g_companion.closing) return;
    g_companion.closing = true;
    DestroyWindow(hwnd);
}

// A close request: closes now, later, or not at all, as the options say.
void OnCloseRequest(HWND hwnd, const char* what, WPARAM wParam, LPARAM lParam) {
    LogRequest(what, wParam, lParam);
    if (g_companion.ignore) return;
    if (g_companion.lateMs) {
        if (!g_companion.lateArmed) {
            g_companion.lateArmed = true;
            SetTimer(hwnd, kLateTimer, g_companion.lateMs, nullptr);
        }
        return;
    }
    CloseNow(hwnd);
}

}  // namespace

TLS_EXPORT LRESULT CALLBACK CompanionWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == kPackageCloseMessage) {
        if (wParam == kPackageCloseWParam) OnCloseRequest(hwnd, "close-request", wParam, lParam);
        return 0;
    }
    switch (msg) {
    case kCompanionEndMessage:
        CloseNow(hwnd);
        return 0;
    case WM_CLOSE:
        OnCloseRequest(hwnd, "WM_CLOSE", wParam, lParam);
        return 0;
    case WM_TIMER:
        if (wParam == kLateTimer || wParam == kExitTimer) {
            KillTimer(hwnd, wParam);
            CloseNow(hwnd);
        }
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        RECT rc;
        GetClientRect(hwnd, &rc);
        DrawTextA(dc, g_companion.info->title, -1, &rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_DESTROY:
        if (!g_companion.closing) {
            // Another program posted WM_DESTROY: a request to close.
            OnCloseRequest(hwnd, "WM_DESTROY", wParam, lParam);
            return 0;
        }
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

int RunCompanion(HINSTANCE instance, const char* commandLine, int show, const CompanionInfo& info) {
    g_companion.info = &info;
    ParseOptions(commandLine);

    WNDCLASSA wc{};
    wc.lpfnWndProc = CompanionWndProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = info.className;
    if (!RegisterClassA(&wc)) return 1;
    HWND hwnd = CreateWindowA(info.className, info.title, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 360,
                              120, nullptr, nullptr, instance, nullptr);
    if (!hwnd) return 1;
    if (g_companion.exitMs) SetTimer(hwnd, kExitTimer, g_companion.exitMs, nullptr);
    if (!g_companion.hidden) {
        ShowWindow(hwnd, show);
        UpdateWindow(hwnd);
    }
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}
