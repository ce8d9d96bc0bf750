// ExitWindowsEx of the test variant tlsetup_vetoed.exe: the system accepts
// the restart request, and then another program refuses to end the session.
// Windows then asks every top-level window whether the session may end
// (WM_QUERYENDSESSION), and tells them that it does not (WM_ENDSESSION with
// FALSE). The first request gets these messages before the call returns,
// every later one from another thread after the call has returned: the
// installer must come through both orders. Each delivery appends a line to
// ENDSESS.LOG beside the program: the call's arguments and the answer of the
// installer's main window.
//
// The installer's objects call ExitWindowsEx through its import slot; this
// file defines that slot, so the linker takes it in place of user32's.
// Linked like the installer: no C runtime.
#include <windows.h>

#include "../machine/import_slot.h"
#include "textutil.h"

namespace {

constexpr int kMaxWindows = 32;

struct Delivery {
    DWORD thread;
    UINT flags;
    DWORD reserved;
    int request;
};

Delivery g_later;  // the delivery that the other thread makes
int g_requests;

struct WindowList {
    HWND windows[kMaxWindows];
    int count;
};

BOOL CALLBACK CollectWindow(HWND hwnd, LPARAM lParam) {
    WindowList* list = reinterpret_cast<WindowList*>(lParam);
    if (list->count < kMaxWindows) list->windows[list->count++] = hwnd;
    return TRUE;
}

void AppendLog(const char* line) {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    if (n == 0 || n >= sizeof path) return;
    while (n > 0 && path[n - 1] != '\\') --n;
    path[n] = '\0';
    if (!AppendText(path, sizeof path, "ENDSESS.LOG")) return;
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    SetFilePointer(file, 0, nullptr, FILE_END);
    DWORD written = 0;
    WriteFile(file, line, static_cast<DWORD>(lstrlenA(line)), &written, nullptr);
    CloseHandle(file);
}

// What Windows sends to the top-level windows of the installer's thread when
// another program refuses to end the session.
void Deliver(const Delivery& delivery) {
    WindowList list{};
    EnumThreadWindows(delivery.thread, CollectWindow, reinterpret_cast<LPARAM>(&list));
    long mainAnswer = -1;
    for (int i = 0; i < list.count; ++i) {
        LRESULT answer = SendMessageA(list.windows[i], WM_QUERYENDSESSION, 0, 0);
        char cls[32] = "";
        GetClassNameA(list.windows[i], cls, sizeof cls);
        if (lstrcmpA(cls, "SetupWinClass") == 0) mainAnswer = static_cast<long>(answer);
    }
    for (int i = 0; i < list.count; ++i) SendMessageA(list.windows[i], WM_ENDSESSION, FALSE, 0);
    char line[128];
    FormatText(line, sizeof line, "request %d: flags %u, reserved %lu, %s, main window answered %ld\r\n",
               delivery.request, delivery.flags, delivery.reserved,
               delivery.thread == GetCurrentThreadId() ? "before the return" : "after the return", mainAnswer);
    AppendLog(line);
}

DWORD WINAPI DeliverLater(void*) {
    Deliver(g_later);
    return 0;
}

BOOL WINAPI AcceptedThenVetoed(UINT flags, DWORD reserved) {
    Delivery delivery{GetCurrentThreadId(), flags, reserved, ++g_requests};
    if (delivery.request == 1) {
        Deliver(delivery);
        return TRUE;
    }
    g_later = delivery;
    DWORD id = 0;
    HANDLE thread = CreateThread(nullptr, 0, DeliverLater, nullptr, 0, &id);
    if (thread) CloseHandle(thread);
    return TRUE;
}

}  // namespace

// The import slot the installer's ExitWindowsEx calls go through.
TLS_IMPORT_SLOT_DECL(ExitWindowsEx, 8, g_exitWindowsExSlot);
decltype(&ExitWindowsEx) g_exitWindowsExSlot = AcceptedThenVetoed;
