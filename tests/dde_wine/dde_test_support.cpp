#include "dde_test_support.h"

#include <dde.h>

#include <cstdio>
#include <cstring>

#include "../machine/process_window.h"
#include "dde_client.h"
#include "script_engine.h"
#include "setup.h"
#include "start_process.h"
#include "textutil.h"

// The installer's state as the Program Manager step reads it.
SetupState g_setup;

void InitDdeTest() {
    std::memset(&g_setup, 0, sizeof g_setup);
    g_setup.hInstance = GetModuleHandleA(nullptr);
    CopyText(g_setup.destShortDir, "C:\\VIREO");
    RegisterDdeClientClass(g_setup.hInstance);
}

std::string ProgramDir() {
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, sizeof path);
    char* slash = std::strrchr(path, '\\');
    if (slash) slash[1] = '\0';
    return path;
}

std::string TempFile(const char* name) {
    char dir[MAX_PATH] = "";
    GetTempPathA(sizeof dir, dir);
    char path[MAX_PATH] = "";
    std::snprintf(path, sizeof path, "%stls%lu_%s", dir, GetCurrentProcessId(), name);
    DeleteFileA(path);
    return path;
}

unsigned LoadScriptText(const std::string& text) {
    const std::string path = TempFile("TLSETUP.INF");
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return 100;
    DWORD written = 0;
    WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(h);
    char buf[kScriptBufferSize];
    if (!CopyText(buf, path.c_str())) return 101;
    const unsigned result = ScriptQuery(kOpLoad, 0, buf);
    DeleteFileA(path.c_str());
    return result;
}

std::vector<std::string> ReadLines(const std::string& path) {
    std::vector<std::string> lines;
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return lines;
    std::string text;
    char buf[4096];
    DWORD got = 0;
    while (ReadFile(h, buf, sizeof buf, &got, nullptr) && got) text.append(buf, got);
    CloseHandle(h);
    std::string cur;
    for (char c : text) {
        if (c == '\r') continue;
        if (c == '\n') {
            lines.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    if (!cur.empty()) lines.push_back(cur);
    return lines;
}

// --- a probe that counts the servers answering a broadcast initiate ---

namespace {

volatile int g_probeAnswers = 0;

LRESULT CALLBACK ProbeProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_DDE_ACK) {
        ++g_probeAnswers;
        if (LOWORD(lParam)) GlobalDeleteAtom(LOWORD(lParam));
        if (HIWORD(lParam)) GlobalDeleteAtom(HIWORD(lParam));
        PostMessageA(reinterpret_cast<HWND>(wParam), WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(hwnd), 0);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

struct CloseContext {
    int closed;
};

BOOL CALLBACK CloseShellServer(HWND hwnd, LPARAM lParam) {
    char cls[64] = "";
    GetClassNameA(hwnd, cls, sizeof cls);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != GetCurrentProcessId() && std::strncmp(cls, "WineDdeServerName", 17) == 0) {
        DWORD_PTR ignored = 0;
        SendMessageTimeoutA(hwnd, WM_CLOSE, 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored);
        reinterpret_cast<CloseContext*>(lParam)->closed++;
    }
    return TRUE;
}

}  // namespace

int CountProgmanServers() {
    WNDCLASSA wc;
    std::memset(&wc, 0, sizeof wc);
    wc.lpfnWndProc = ProbeProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "TlsDdeProbe";
    RegisterClassA(&wc);
    HWND probe = CreateWindowA("TlsDdeProbe", "", 0, 0, 0, 0, 0, nullptr, nullptr, wc.hInstance, nullptr);
    if (!probe) return -1;
    g_probeAnswers = 0;
    const ATOM application = GlobalAddAtomA("PROGMAN");
    const ATOM topic = GlobalAddAtomA("PROGMAN");
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(HWND_BROADCAST, WM_DDE_INITIATE, reinterpret_cast<WPARAM>(probe), MAKELPARAM(application, topic),
                        SMTO_ABORTIFHUNG, 5000, &ignored);
    GlobalDeleteAtom(application);
    GlobalDeleteAtom(topic);
    const int answers = g_probeAnswers;
    DestroyWindow(probe);
    return answers;
}

bool SilenceShellDde(std::string* why) {
    // The shell starts its service with the desktop; wait for it, bounded.
    const DWORD start = GetTickCount();
    CloseContext ctx{0};
    while (GetTickCount() - start < 10000) {
        EnumWindows(CloseShellServer, reinterpret_cast<LPARAM>(&ctx));
        if (ctx.closed) break;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
    }
    const int answers = CountProgmanServers();
    if (answers != 0) {
        if (why) *why = "closed " + std::to_string(ctx.closed) + " shell DDE windows, yet " + std::to_string(answers) +
                        " servers still answer";
        return false;
    }
    return true;
}

// --- the stand-in Program Manager ---

HWND FindProcessWindow(DWORD pid, const char* windowClass) {
    return TopWindowOf(pid, [&](HWND hwnd) { return lstrcmpiA(ClassOf(hwnd).c_str(), windowClass) == 0; });
}

FixtureServer::~FixtureServer() { Stop(); }

bool FixtureServer::Start(const std::string& options, std::string* why) {
    static int serial = 0;
    char name[64];
    std::snprintf(name, sizeof name, "progman%d.log", ++serial);
    log_ = TempFile(name);
    char eventName[64];
    std::snprintf(eventName, sizeof eventName, "TlsProgmanReady_%lu_%d", GetCurrentProcessId(), serial);
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, eventName);
    const std::string exe = ProgramDir() + "PROGMAN.EXE";
    std::string command = "\"" + exe + "\" --log \"" + log_ + "\" --ready " + eventName + " " + options;
    std::vector<char> line(command.begin(), command.end());
    line.push_back('\0');
    STARTUPINFOA si;
    std::memset(&si, 0, sizeof si);
    si.cb = sizeof si;
    PROCESS_INFORMATION pi;
    if (!StartProcess(exe.c_str(), line.data(), 0, nullptr, &si, &pi)) {
        if (why) *why = "cannot start " + exe + ", error " + std::to_string(GetLastError());
        CloseHandle(ready);
        return false;
    }
    CloseHandle(pi.hThread);
    process_ = pi.hProcess;
    pid_ = pi.dwProcessId;
    HANDLE waits[2] = {ready, process_};
    const DWORD w = WaitForMultipleObjects(2, waits, FALSE, 15000);
    CloseHandle(ready);
    if (w != WAIT_OBJECT_0) {
        if (why) *why = w == WAIT_OBJECT_0 + 1 ? "the stand-in ended at once" : "the stand-in did not get ready in 15 s";
        return false;
    }
    const char* cls = "PROGMAN";
    const std::size_t at = options.find("--class ");
    std::string other;
    if (at != std::string::npos) {
        other = options.substr(at + 8);
        other = other.substr(0, other.find(' '));
        cls = other.c_str();
    }
    window_ = FindProcessWindow(pid_, cls);
    if (!window_) {
        if (why) *why = "the stand-in's window was not found";
        return false;
    }
    return true;
}

void FixtureServer::Stop() {
    if (process_) {
        if (window_ && IsWindow(window_)) PostMessageA(window_, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(process_, 5000) != WAIT_OBJECT_0) {
            TerminateProcess(process_, 1);
            WaitForSingleObject(process_, 5000);
        }
        CloseHandle(process_);
        process_ = nullptr;
    }
    window_ = nullptr;
    if (!log_.empty()) DeleteFileA(log_.c_str());
}

// --- message boxes ---

namespace {

struct BoxSearch {
    HWND box;
};

BOOL CALLBACK FindBox(HWND hwnd, LPARAM lParam) {
    char cls[16] = "";
    GetClassNameA(hwnd, cls, sizeof cls);
    if (std::strcmp(cls, "#32770") == 0 && IsWindowVisible(hwnd)) {
        reinterpret_cast<BoxSearch*>(lParam)->box = hwnd;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

BoxWatcher::BoxWatcher(DWORD timeoutMs) : threadId_(GetCurrentThreadId()), timeoutMs_(timeoutMs) {
    stop_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    thread_ = CreateThread(nullptr, 0, Run, this, 0, nullptr);
}

BoxWatcher::~BoxWatcher() { Finish(); }

bool BoxWatcher::Finish() {
    if (thread_) {
        SetEvent(stop_);
        WaitForSingleObject(thread_, timeoutMs_ + 5000);
        CloseHandle(thread_);
        thread_ = nullptr;
        CloseHandle(stop_);
        stop_ = nullptr;
    }
    return count_ > 0;
}

DWORD WINAPI BoxWatcher::Run(void* self) {
    BoxWatcher* w = static_cast<BoxWatcher*>(self);
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < w->timeoutMs_) {
        BoxSearch search{nullptr};
        EnumThreadWindows(w->threadId_, FindBox, reinterpret_cast<LPARAM>(&search));
        if (search.box) {
            char caption[256] = "";
            char text[256] = "";
            GetWindowTextA(search.box, caption, sizeof caption);
            GetDlgItemTextA(search.box, 0xFFFF, text, sizeof text);
            w->caption_ = caption;
            w->text_ = text;
            InterlockedIncrement(&w->count_);
            PostMessageA(search.box, WM_COMMAND, IDOK, 0);
            // Wait, bounded, until that box is gone before looking again.
            const DWORD closing = GetTickCount();
            while (IsWindow(search.box) && GetTickCount() - closing < 5000) {
                if (WaitForSingleObject(w->stop_, 20) == WAIT_OBJECT_0) break;
            }
        }
        if (WaitForSingleObject(w->stop_, 20) == WAIT_OBJECT_0) break;
    }
    return 0;
}
