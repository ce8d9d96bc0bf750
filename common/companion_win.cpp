// Close requests to the package's companion programs: every window of the
// class is asked, hung ones are given up after a bound, and the wait for the
// windows and the processes behind them is bounded.
#include <windows.h>

#include "companion.h"
#include "messages.h"
#include "textutil.h"

namespace {

// More windows of one class than any user runs copies of one program.
constexpr int kMaxCompanionWindows = 16;

struct ClassWindows {
    const char* windowClass;
    HWND windows[kMaxCompanionWindows];
    int count;
};

// Collects the top-level windows of a class, compared as FindWindow compares
// class names (without regard to letter case).
BOOL CALLBACK CollectClassWindow(HWND hwnd, LPARAM lParam) {
    ClassWindows* found = reinterpret_cast<ClassWindows*>(lParam);
    char name[128];
    if (GetClassNameA(hwnd, name, sizeof name) > 0 && lstrcmpiA(name, found->windowClass) == 0 &&
        found->count < kMaxCompanionWindows) {
        found->windows[found->count++] = hwnd;
    }
    return TRUE;
}

void FindClassWindows(const char* windowClass, ClassWindows* found) {
    found->windowClass = windowClass;
    found->count = 0;
    EnumWindows(CollectClassWindow, reinterpret_cast<LPARAM>(found));
}

// Windows that did not answer a sent request within its bound. A later
// request to them is posted: a window that is still hung would hold a sent
// one to its bound again (and some systems let such a second message wait
// for good), while a posted one reaches the program once it recovers.
HWND g_unanswered[kMaxCompanionWindows];
int g_unansweredCount;

bool Unanswered(HWND hwnd) {
    for (int i = 0; i < g_unansweredCount; ++i) {
        if (g_unanswered[i] == hwnd) return true;
    }
    return false;
}

bool TicksPassed(DWORD start, DWORD bound) { return static_cast<DWORD>(GetTickCount() - start) >= bound; }

struct Processes {
    HANDLE handles[kMaxCompanionWindows];
    int count;
};

// The process behind a window, to be waited for; this program's own windows
// are not waited for through their process.
void AddProcessOf(HWND hwnd, Processes* processes) {
    DWORD id = 0;
    GetWindowThreadProcessId(hwnd, &id);
    if (id == 0 || id == GetCurrentProcessId() || processes->count >= kMaxCompanionWindows) return;
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, id);
    if (process) processes->handles[processes->count++] = process;
}

bool AnyProcessRunning(const Processes& processes) {
    for (int i = 0; i < processes.count; ++i) {
        if (WaitForSingleObject(processes.handles[i], 0) == WAIT_TIMEOUT) return true;
    }
    return false;
}

void CloseProcesses(Processes* processes) {
    for (int i = 0; i < processes->count; ++i) CloseHandle(processes->handles[i]);
    processes->count = 0;
}

// The title of a window of another program is read without a message to it,
// so that a hung window does not hang this call.
void TitleOf(HWND hwnd, const char* windowClass, char* title, int titleSize) {
    if (titleSize <= 0) return;
    title[0] = '\0';
    if (GetWindowTextA(hwnd, title, titleSize) <= 0) CopyText(title, static_cast<std::size_t>(titleSize), windowClass);
}

}  // namespace

bool RequestCompanionClose(const CompanionRequest& request, DWORD bound, char* title, int titleSize) {
    if (titleSize > 0) title[0] = '\0';
    ClassWindows found;
    FindClassWindows(request.windowClass, &found);
    Processes processes{};
    for (int i = 0; i < found.count; ++i) {
        HWND hwnd = found.windows[i];
        if (request.wait) AddProcessOf(hwnd, &processes);
        if (request.post || Unanswered(hwnd)) {
            PostMessageA(hwnd, request.message, request.wParam, request.lParam);
            continue;
        }
        DWORD_PTR answer = 0;
        if (!SendMessageTimeoutA(hwnd, request.message, request.wParam, request.lParam, SMTO_ABORTIFHUNG,
                                 kCompanionSendBound, &answer) &&
            IsWindow(hwnd) && g_unansweredCount < kMaxCompanionWindows) {
            g_unanswered[g_unansweredCount++] = hwnd;
        }
    }
    if (!request.wait) {
        CloseProcesses(&processes);
        return true;
    }
    const DWORD start = GetTickCount();
    bool gone = false;
    for (;;) {
        FindClassWindows(request.windowClass, &found);
        gone = found.count == 0 && !AnyProcessRunning(processes);
        if (gone || TicksPassed(start, bound)) break;
        WaitTicks(kCompanionLookInterval);
    }
    if (!gone && found.count > 0) TitleOf(found.windows[0], request.windowClass, title, titleSize);
    CloseProcesses(&processes);
    return gone;
}

bool CloseCompanion(const CompanionRequest& request, CompanionStillRunningFn stillRunning) {
    for (;;) {
        char title[128];
        if (RequestCompanionClose(request, kCompanionCloseBound, title, sizeof title)) return true;
        if (!title[0]) CopyText(title, request.windowClass);
        CompanionChoice choice = stillRunning(title);
        if (choice == kCompanionCancel) return false;
        if (choice == kCompanionPassOver) return true;
    }
}

bool WaitWhileWindowOfClass(const char* windowClass, DWORD bound) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (!FindWindowA(windowClass, nullptr)) {
            PumpMessages();
            return true;
        }
        if (TicksPassed(start, bound)) return false;
        WaitTicks(kCompanionLookInterval);
    }
}
