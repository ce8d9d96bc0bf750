// One run at a time, the message loop and the end of a run, shared by both
// programs.
#include "program_run.h"

#include "run_log.h"
#include "textutil.h"

const char* g_logExitCodeWords = "Exit code";

namespace {

// Windows 2000 and later give each session its own names: "Global\" puts
// the lock where a run as SYSTEM in session 0 and a user's run both see it.
// Windows 95 and NT 4.0 know one namespace and take a backslash in a name
// for an error.
void ObjectName(char* name, std::size_t size, const char* base) {
    const DWORD version = GetVersion();
    const bool global = (version & 0x80000000u) == 0 && LOBYTE(LOWORD(version)) >= 5;
    FormatText(name, size, "%s%s", global ? "Global\\" : "", base);
}

// True when this thread now owns the mutex, or when it cannot be opened for
// want of rights.
bool TakeMutex(const char* base, bool create) {
    char name[64];
    ObjectName(name, sizeof name, base);
    HANDLE mutex = create ? CreateMutexA(nullptr, FALSE, name) : OpenMutexA(SYNCHRONIZE, FALSE, name);
    if (!mutex) return create && GetLastError() == ERROR_ACCESS_DENIED;
    const DWORD waited = WaitForSingleObject(mutex, 0);
    if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) return true;  // held until the process ends
    CloseHandle(mutex);
    return false;
}

constexpr char kRunLockName[] = "ORVAN Pelora 200-250 Setup";
constexpr char kHandOverName[] = "ORVAN Pelora 200-250 Removal";

}  // namespace

bool TakeRunLock(bool uninstaller) {
    if (TakeMutex(kRunLockName, true)) return true;
    return uninstaller && TakeMutex(kHandOverName, false);
}

HANDLE OpenRemovalHandOver() {
    char name[64];
    ObjectName(name, sizeof name, kHandOverName);
    return CreateMutexA(nullptr, FALSE, name);
}

int RunMessageLoop() {
    MSG msg{};
    BOOL got;
    while ((got = GetMessageA(&msg, nullptr, 0, 0)) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return got == 0 ? static_cast<int>(msg.wParam) : 0;
}

int EndRun(int code) {
    LogLine("%s %d", g_logExitCodeWords, code);
    LogClose();
    return code;
}
