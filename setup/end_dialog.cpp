// The closing prompt: restart Windows or leave the installer.
#include <windows.h>

#include "messages.h"
#include "messages_core.h"
#include "resource.h"
#include "setup.h"
#include "shell.h"
#include "win_export.h"

namespace {

// On systems with security the reboot request needs the shutdown privilege.
// The advapi32 functions are looked up at run time, so that the program
// still loads where they do not exist; there the request needs nothing.
void EnableShutdownPrivilege() {
    HMODULE advapi = LoadLibraryA("advapi32.dll");
    if (!advapi) return;
    typedef BOOL(WINAPI * OpenProcessTokenFn)(HANDLE, DWORD, PHANDLE);
    typedef BOOL(WINAPI * LookupPrivilegeValueFn)(LPCSTR, LPCSTR, PLUID);
    typedef BOOL(WINAPI * AdjustTokenPrivilegesFn)(HANDLE, BOOL, PTOKEN_PRIVILEGES, DWORD, PTOKEN_PRIVILEGES,
                                                   PDWORD);
    auto openToken = reinterpret_cast<OpenProcessTokenFn>(
        reinterpret_cast<void*>(GetProcAddress(advapi, "OpenProcessToken")));
    auto lookup = reinterpret_cast<LookupPrivilegeValueFn>(
        reinterpret_cast<void*>(GetProcAddress(advapi, "LookupPrivilegeValueA")));
    auto adjust = reinterpret_cast<AdjustTokenPrivilegesFn>(
        reinterpret_cast<void*>(GetProcAddress(advapi, "AdjustTokenPrivileges")));
    HANDLE token = nullptr;
    if (openToken && lookup && adjust &&
        openToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
        TOKEN_PRIVILEGES privileges{};
        privileges.PrivilegeCount = 1;
        privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
        if (lookup(nullptr, "SeShutdownPrivilege", &privileges.Privileges[0].Luid)) {
            adjust(token, FALSE, &privileges, 0, nullptr, nullptr);
        }
        CloseHandle(token);
    }
    FreeLibrary(advapi);
}

// Where the restart request stands. It counts as made from just before
// ExitWindowsEx, since the system may send its end-of-session messages before
// the call returns, until the session ends or, when another program refuses
// to end it, the prompt is shown again.
enum class RestartRequest { None, Made, CalledOff };
RestartRequest g_restartRequest = RestartRequest::None;

}  // namespace

BOOL RequestWindowsRestart() {
    EnableShutdownPrivilege();
    g_restartRequest = RestartRequest::Made;
    BOOL accepted = ExitWindowsEx(EWX_REBOOT, 0);
    // A refused request shows the prompt again at once, in the loop.
    if (!accepted) g_restartRequest = RestartRequest::None;
    return accepted;
}

void NoteSessionGoesOn(HWND hwnd) {
    if (g_restartRequest != RestartRequest::Made) return;
    g_restartRequest = RestartRequest::CalledOff;
    PostMessageA(hwnd, kShowRestartPromptAgain, 0, 0);
}

bool TakeCalledOffRestart() {
    if (g_restartRequest != RestartRequest::CalledOff) return false;
    g_restartRequest = RestartRequest::None;
    return true;
}

TLS_EXPORT INT_PTR CALLBACK EndDlgProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM) {
    switch (msg) {
    case WM_INITDIALOG: {
        SetWindowTextA(hwnd, g_setup.mainTitle);
        char text[kMessageTextChars + 1];
        char message[kMessageTextChars + 1];
        if (LoadStringA(g_setup.hInstance, IDS_RESTART, text, sizeof text) > 0) {
            FormatMessageText(message, sizeof message, text, kVireo);
            SetDlgItemTextA(hwnd, IDC_RESTART_TEXT, message);
        }
        CentreWindow(hwnd);
        return TRUE;
    }
    case WM_COMMAND: {
        WORD id = LOWORD(wParam);
        if (id == IDC_RESTART_WINDOWS || id == IDC_EXIT_SETUP) EndDialog(hwnd, id);
        return TRUE;
    }
    default:
        return FALSE;
    }
}
