// A stand-in Program Manager for the DDE tests: a top-level window of class
// "PROGMAN" that answers the DDE messages of the "PROGMAN" service itself,
// with raw messages, and writes every message it receives to a log file.
//
// Options:
//   --log FILE     append one line per message: "INITIATE", "EXECUTE <text>",
//                  "TERMINATE" (required)
//   --nack-all     acknowledge every command negatively
//   --nack TEXT    acknowledge negatively the commands that contain TEXT
//   --no-ack       never acknowledge a command
//   --ready NAME   set the named event once the window exists
//   --class NAME   window class other than "PROGMAN" (a shell that answers
//                  for Program Manager without a window of its class)
//   --ack-name N   name of the atoms handed back with the answer to the
//                  initiate (default "PROGMAN"), so that a test can see the
//                  client delete them
// A command that arrives while the window is disabled is preceded by the
// line "WINDOW DISABLED".
// Built as PROGMAN.EXE beside the test programs, so that WinExec("PROGMAN")
// finds it first. Started without options it takes them from the
// environment variable TLS_PROGMAN_FIXTURE, and ends at once when that is
// not set: only a test that asks for it gets a server that way.
#include <windows.h>
#include <dde.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "../fixtures/fixture_window.h"

namespace {

struct Options {
    std::string log;
    bool nackAll = false;
    std::string nackText;
    bool noAck = false;
    std::string ready;
    std::string windowClass = "PROGMAN";
    std::string ackName = "PROGMAN";
};

Options g_options;

std::vector<std::string> SplitArgs(const std::string& text) {
    std::vector<std::string> out;
    std::string cur;
    bool quoted = false;
    bool any = false;
    for (char c : text) {
        if (c == '"') {
            quoted = !quoted;
            any = true;
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (any) out.push_back(cur);
            cur.clear();
            any = false;
        } else {
            cur += c;
            any = true;
        }
    }
    if (any) out.push_back(cur);
    return out;
}

bool ParseOptions(const std::vector<std::string>& args) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--log" && hasValue) {
            g_options.log = args[++i];
        } else if (a == "--nack" && hasValue) {
            g_options.nackText = args[++i];
        } else if (a == "--ready" && hasValue) {
            g_options.ready = args[++i];
        } else if (a == "--class" && hasValue) {
            g_options.windowClass = args[++i];
        } else if (a == "--ack-name" && hasValue) {
            g_options.ackName = args[++i];
        } else if (a == "--nack-all") {
            g_options.nackAll = true;
        } else if (a == "--no-ack") {
            g_options.noAck = true;
        } else {
            return false;
        }
    }
    return !g_options.log.empty();
}

void Log(const std::string& line) {
    HANDLE h = CreateFileA(g_options.log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    const std::string text = line + "\r\n";
    DWORD written = 0;
    WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(h);
}

bool IsProgmanAtom(ATOM atom) {
    if (!atom) return true;  // no name asks for any service or topic
    char name[100] = "";
    GlobalGetAtomNameA(atom, name, sizeof name);
    return lstrcmpiA(name, "PROGMAN") == 0;
}

LRESULT CALLBACK FixtureProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_DDE_INITIATE: {
            if (!IsProgmanAtom(LOWORD(lParam)) || !IsProgmanAtom(HIWORD(lParam))) return 0;
            Log("INITIATE");
            HWND client = reinterpret_cast<HWND>(wParam);
            const ATOM application = GlobalAddAtomA(g_options.ackName.c_str());
            const ATOM topic = GlobalAddAtomA(g_options.ackName.c_str());
            SendMessageA(client, WM_DDE_ACK, reinterpret_cast<WPARAM>(hwnd), MAKELPARAM(application, topic));
            return 0;
        }
        case WM_DDE_EXECUTE: {
            HWND client = reinterpret_cast<HWND>(wParam);
            HGLOBAL block = reinterpret_cast<HGLOBAL>(lParam);
            std::string text;
            if (const char* p = static_cast<const char*>(GlobalLock(block))) {
                text.assign(p, strnlen(p, GlobalSize(block)));
                GlobalUnlock(block);
            }
            if (!IsWindowEnabled(hwnd)) Log("WINDOW DISABLED");
            Log("EXECUTE " + text);
            if (g_options.noAck) return 0;
            bool positive = !g_options.nackAll;
            if (!g_options.nackText.empty() && text.find(g_options.nackText) != std::string::npos) positive = false;
            const UINT_PTR status = positive ? 0x8000 : 0;
            const LPARAM ack = PackDDElParam(WM_DDE_ACK, status, reinterpret_cast<UINT_PTR>(block));
            if (!PostMessageA(client, WM_DDE_ACK, reinterpret_cast<WPARAM>(hwnd), ack)) FreeDDElParam(WM_DDE_ACK, ack);
            return 0;
        }
        case WM_DDE_TERMINATE:
            Log("TERMINATE");
            PostMessageA(reinterpret_cast<HWND>(wParam), WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(hwnd), 0);
            return 0;
        default:
            return FixtureDefault(hwnd, msg, wParam, lParam);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    std::vector<std::string> args = SplitArgs(commandLine ? commandLine : "");
    if (args.empty()) {
        char env[1024];
        const DWORD n = GetEnvironmentVariableA("TLS_PROGMAN_FIXTURE", env, sizeof env);
        if (n == 0 || n >= sizeof env) return 0;
        args = SplitArgs(env);
    }
    if (!ParseOptions(args)) return 2;

    WNDCLASSA wc;
    std::memset(&wc, 0, sizeof wc);
    wc.lpfnWndProc = FixtureProc;
    wc.hInstance = instance;
    wc.lpszClassName = g_options.windowClass.c_str();
    if (!RegisterClassA(&wc)) return 3;
    HWND hwnd = CreateWindowExA(WS_EX_TOPMOST, wc.lpszClassName, "Program Manager", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                                nullptr, nullptr, instance, nullptr);
    if (!hwnd) return 4;
    ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    if (!g_options.ready.empty()) {
        HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, g_options.ready.c_str());
        if (ready) {
            SetEvent(ready);
            CloseHandle(ready);
        }
    }
    RunMessageLoop();
    return 0;
}
