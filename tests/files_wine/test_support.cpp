#include "test_support.h"

#include <cstdarg>
#include <set>

#include "messages.h"
#include "resource.h"
#include "setup.h"

SetupState g_setup;

std::vector<MessageCall> g_messages;
std::function<int(const MessageCall&)> g_messageAnswer;
std::vector<BarEvent> g_barEvents;
long g_disableCancelAtPosition = -1;
std::vector<WaitCall> g_waits;
bool g_waitInFull = false;
int g_pumpCount = 0;
int g_robotRuns = 0;

// --- the message helpers the installer's code calls ---

int ShowMessage(HINSTANCE instance, HWND owner, UINT id, const char* caption, UINT style, ...) {
    char format[512];
    if (LoadStringA(instance, id, format, sizeof format) <= 0) return 0;
    char text[1024];
    va_list args;
    va_start(args, style);
    wvsprintfA(text, format, args);
    va_end(args);
    MessageCall call{id, owner, caption ? caption : "", style, text};
    g_messages.push_back(call);
    // A runaway loop of questions ends the step instead of the test's time.
    if (g_messages.size() > 40) return id == IDS_CANCEL_QUESTION ? IDYES : IDCANCEL;
    if (g_messageAnswer) return g_messageAnswer(call);
    return id == IDS_CANCEL_QUESTION ? IDYES : IDCANCEL;
}

int PumpMessages() {
    ++g_pumpCount;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 1;
}

void WaitTicks(DWORD milliseconds) {
    WPARAM position = 0;
    for (auto it = g_barEvents.rbegin(); it != g_barEvents.rend(); ++it) {
        if (it->msg == kPercentSetPosition) {
            position = it->value;
            break;
        }
    }
    DWORD start = GetTickCount();
    for (;;) {
        PumpMessages();
        DWORD elapsed = GetTickCount() - start;
        if (elapsed >= milliseconds || !g_waitInFull) break;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds - elapsed, QS_ALLINPUT);
    }
    g_waits.push_back(WaitCall{milliseconds, GetTickCount() - start, position});
}

void CentreWindow(HWND hwnd) {
    RECT r;
    GetWindowRect(hwnd, &r);
    int width = r.right - r.left;
    int height = r.bottom - r.top;
    SetWindowPos(hwnd, nullptr, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                 (GetSystemMetrics(SM_CYSCREEN) - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// --- progress dialog with a recording bar ---

namespace {

LRESULT CALLBACK TestPercentProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == kPercentSetRange || msg == kPercentSetPosition) {
        g_barEvents.push_back(BarEvent{msg, wParam});
        if (msg == kPercentSetPosition && g_disableCancelAtPosition >= 0 &&
            wParam == static_cast<WPARAM>(g_disableCancelAtPosition)) {
            EnableWindow(GetDlgItem(GetParent(hwnd), IDCANCEL), FALSE);
        }
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

INT_PTR CALLBACK TestStatusDlgProc(HWND, UINT msg, WPARAM, LPARAM) { return msg == WM_INITDIALOG; }

}  // namespace

void RegisterTestPercentClass() {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = TestPercentProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "Percent";
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    RegisterClassA(&wc);
}

HWND CreateTestStatusDialog() {
    RegisterTestPercentClass();
    HWND dlg = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_STATUS), nullptr,
                                  TestStatusDlgProc, 0);
    if (dlg) ShowWindow(dlg, SW_SHOW);
    return dlg;
}

// --- robot ---

namespace {

UINT_PTR g_robotTimer = 0;
int g_robotControl = 0;
DialogAction g_robotAction;
std::set<HWND> g_robotSeen;

BOOL CALLBACK FindRobotDialog(HWND hwnd, LPARAM result) {
    if (IsWindowVisible(hwnd) && GetDlgItem(hwnd, g_robotControl) != nullptr && !g_robotSeen.count(hwnd)) {
        *reinterpret_cast<HWND*>(result) = hwnd;
        return FALSE;
    }
    return TRUE;
}

void CALLBACK RobotTick(HWND, UINT, UINT_PTR, DWORD) {
    HWND dlg = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindRobotDialog, reinterpret_cast<LPARAM>(&dlg));
    if (!dlg) return;
    g_robotSeen.insert(dlg);
    ++g_robotRuns;
    if (g_robotAction) g_robotAction(dlg);
}

}  // namespace

void StartDialogRobot(int controlId, DialogAction action) {
    g_robotControl = controlId;
    g_robotAction = std::move(action);
    g_robotSeen.clear();
    g_robotRuns = 0;
    if (!g_robotTimer) g_robotTimer = SetTimer(nullptr, 0, 10, RobotTick);
}

void StopDialogRobot() {
    if (g_robotTimer) KillTimer(nullptr, g_robotTimer);
    g_robotTimer = 0;
    g_robotAction = nullptr;
    g_robotSeen.clear();
}

void ClickButton(HWND dlg, int id) {
    SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dlg, id)));
}

std::string ControlText(HWND dlg, int id) {
    char text[512] = "";
    GetDlgItemTextA(dlg, id, text, sizeof text);
    return text;
}

// --- files ---

std::string StoredName(const std::string& dir, const std::string& name) {
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return "";
    std::string result;
    do {
        if (lstrcmpiA(found.cFileName, name.c_str()) == 0) result = found.cFileName;
    } while (result.empty() && FindNextFileA(h, &found));
    FindClose(h);
    return result;
}

void MakeDirectory(const std::string& path) { CreateDirectoryA(path.c_str(), nullptr); }

std::string SzddEncode(const std::string& data, char lastChar) {
    std::string out("SZDD\x88\xF0\x27\x33", 8);
    out += 'A';
    out += lastChar;
    unsigned long length = static_cast<unsigned long>(data.size());
    for (int k = 0; k < 4; ++k) out += static_cast<char>((length >> (8 * k)) & 0xFF);
    // Every group of eight bytes is sent as literals: flag byte 0xFF.
    for (size_t i = 0; i < data.size(); i += 8) {
        out += static_cast<char>(0xFF);
        out.append(data, i, 8);
    }
    return out;
}

std::string TestContent(const std::string& name, size_t length) {
    std::string data;
    unsigned seed = 2166136261u;
    for (char c : name) seed = (seed ^ static_cast<unsigned char>(c)) * 16777619u;
    while (data.size() < length) {
        seed = seed * 1103515245u + 12345u;
        data += static_cast<char>((seed >> 16) & 0xFF);
    }
    return name + ":" + data;
}
