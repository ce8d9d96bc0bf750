// Win32 tests of the installer's shell glue under Wine: message boxes from
// the string table, the waits, port counting, the port, restart and progress
// dialogs, and the close request to the companion programs.
#include <windows.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "../machine/process_window.h"
#include "machine_state.h"
#include "messages.h"
#include "resource.h"
#include "setup.h"
#include "shell.h"
#include "step_stand_ins.h"
#include "wake_mask.h"

namespace {

HINSTANCE Self() { return GetModuleHandleA(nullptr); }

void ResetSetupState() {
    g_setup = SetupState{};
    g_setup.hInstance = Self();
    lstrcpyA(g_setup.mainTitle, "ORVAN Vireo Setup");
    lstrcpyA(g_setup.errorCaption, "ORVAN Vireo Setup Error");
    lstrcpyA(g_setup.warningCaption, "ORVAN Vireo Setup Warning");
    lstrcpyA(g_statusDialogTitle, "ORVAN Vireo Setup");
    g_statusDialogInstance = Self();
}

std::string WindowText(HWND hwnd) {
    char text[1024] = "";
    GetWindowTextA(hwnd, text, sizeof text);
    return text;
}

std::string ItemText(HWND dlg, int id) {
    char text[1024] = "";
    GetDlgItemTextA(dlg, id, text, sizeof text);
    return text;
}

struct SeenBox {
    std::string caption;
    std::string text;
};

// A message box of this process, shown and not one of `skip`; null when none.
HWND FindBox(const std::vector<HWND>& skip) {
    return TopWindowOf(GetCurrentProcessId(), [&](HWND hwnd) {
        // A message box has its text in static 0xFFFF.
        return ClassOf(hwnd) == "#32770" && IsWindowVisible(hwnd) && GetDlgItem(hwnd, 0xFFFF) &&
               std::find(skip.begin(), skip.end(), hwnd) == skip.end();
    });
}

// Answers the message boxes that the code under test shows, from a second
// thread: each box is read and answered with the next button of `answers`.
// Stops when all answers are used or when Stop() is called.
class BoxAnswerer {
public:
    explicit BoxAnswerer(std::vector<int> answers) : answers_(std::move(answers)) {
        thread_ = std::thread([this] { Run(); });
    }
    ~BoxAnswerer() { Stop(); }
    void Stop() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }
    const std::vector<SeenBox>& Seen() {
        Stop();
        return seen_;
    }

private:
    void Run() {
        std::vector<HWND> answered;
        for (int answer : answers_) {
            HWND box = nullptr;
            // Bounded: 20 s for a box to come up.
            for (int i = 0; i < 1000 && !stop_ && !box; ++i) {
                box = FindBox(answered);
                if (!box) Sleep(20);
            }
            if (!box) return;
            Sleep(50);  // let the box finish its initialisation
            seen_.push_back({WindowText(box), ItemText(box, 0xFFFF)});
            PostMessageA(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), 0);
            for (int i = 0; i < 500 && IsWindow(box); ++i) Sleep(10);
            answered.push_back(box);
        }
    }
    std::vector<int> answers_;
    std::vector<SeenBox> seen_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

std::string SeenList(const std::vector<SeenBox>& seen) {
    std::string s;
    for (const SeenBox& b : seen) s += "[" + b.caption + ": " + b.text + "] ";
    return s.empty() ? "no box" : s;
}

// --- inspecting a modal dialog from inside its own loop ---

std::function<void(HWND)> g_inspect;
HWND g_inspected;

BOOL CALLBACK FindThreadDialog(HWND hwnd, LPARAM lParam) {
    char cls[64] = "";
    GetClassNameA(hwnd, cls, sizeof cls);
    if (lstrcmpA(cls, "#32770") == 0 && IsWindowVisible(hwnd)) {
        *reinterpret_cast<HWND*>(lParam) = hwnd;
        return FALSE;
    }
    return TRUE;
}

void CALLBACK InspectTimer(HWND, UINT, UINT_PTR id, DWORD) {
    HWND dlg = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindThreadDialog, reinterpret_cast<LPARAM>(&dlg));
    if (!dlg) return;
    KillTimer(nullptr, id);
    g_inspected = dlg;
    auto inspect = g_inspect;
    g_inspect = nullptr;
    if (inspect) inspect(dlg);
}

// Runs dialog `id` modally with `proc`; `inspect` is called once the dialog
// is up, inside its modal loop, and must end it.
INT_PTR RunModal(int id, DLGPROC proc, std::function<void(HWND)> inspect) {
    g_inspect = std::move(inspect);
    g_inspected = nullptr;
    UINT_PTR timer = SetTimer(nullptr, 0, 30, InspectTimer);
    INT_PTR result = DialogBoxParamA(Self(), MAKEINTRESOURCEA(id), nullptr, proc, 0);
    KillTimer(nullptr, timer);
    return result;
}

void Click(HWND dlg, int id) { SendMessageA(GetDlgItem(dlg, id), BM_CLICK, 0, 0); }

bool LoadPercentLibrary() {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    while (n > 0 && path[n - 1] != '\\') --n;
    path[n] = '\0';
    lstrcatA(path, "ZEROZ32.DLL");
    return LoadLibraryA(path) != nullptr;
}

// --- fake port enumerations ---

struct EnumRecord {
    std::vector<DWORD> sizes;
};
EnumRecord g_enum;

BOOL WINAPI RecordingEnumPorts(LPSTR server, DWORD level, LPBYTE buf, DWORD size, LPDWORD needed,
                               LPDWORD returned) {
    g_enum.sizes.push_back(size);
    return EnumPortsA(server, level, buf, size, needed, returned);
}

std::vector<std::string> g_fakePorts;

// Lays out PORT_INFO_1 records and their names like the spooler does.
BOOL WINAPI FakeEnumPorts(LPSTR, DWORD, LPBYTE buf, DWORD size, LPDWORD needed, LPDWORD returned) {
    g_enum.sizes.push_back(size);
    DWORD total = static_cast<DWORD>(g_fakePorts.size() * sizeof(PORT_INFO_1A));
    for (const std::string& p : g_fakePorts) total += static_cast<DWORD>(p.size() + 1);
    *needed = total;
    *returned = 0;
    if (size < total) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    auto* info = reinterpret_cast<PORT_INFO_1A*>(buf);
    char* names = reinterpret_cast<char*>(buf + g_fakePorts.size() * sizeof(PORT_INFO_1A));
    for (const std::string& p : g_fakePorts) {
        lstrcpyA(names, p.c_str());
        info->pName = names;
        ++info;
        names += p.size() + 1;
    }
    *returned = static_cast<DWORD>(g_fakePorts.size());
    return TRUE;
}

BOOL WINAPI FailingEnumPorts(LPSTR, DWORD, LPBYTE, DWORD size, LPDWORD needed, LPDWORD returned) {
    g_enum.sizes.push_back(size);
    *needed = 200;
    *returned = 0;
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
}

class Shell : public ::testing::Test {
protected:
    void SetUp() override {
        ResetSetupState();
        g_enum = EnumRecord{};
        g_fakePorts.clear();
        g_standIns = StandInLog{};
    }
};

// ---------------------------------------------------------------- messages

TEST_F(Shell, ShowMessageReturnsZeroAndShowsNothingForAMissingText) {
    BoxAnswerer answerer({IDOK});
    int result = ShowMessage(Self(), nullptr, 4242, "caption", MB_OK);
    const std::vector<SeenBox>& seen = answerer.Seen();
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(seen.empty()) << "boxes seen: " << SeenList(seen);
}

TEST_F(Shell, ShowMessageFormatsTheTextUnderTheCaption) {
    BoxAnswerer answerer({IDOK});
    int result = ShowMessage(Self(), nullptr, IDS_DRIVE_TOO_FULL, g_setup.warningCaption, kStylePlainNotice, 'D',
                             700u, 1320u);
    const std::vector<SeenBox>& seen = answerer.Seen();
    EXPECT_EQ(result, IDOK);
    ASSERT_EQ(seen.size(), 1u) << SeenList(seen);
    EXPECT_EQ(seen[0].caption, "ORVAN Vireo Setup Warning");
    EXPECT_EQ(seen[0].text,
              "Drive D: contains 700K of free disk space.\nSetup requires a minimum of 1320K.\n"
              "Please select another drive.");
}

TEST_F(Shell, ShowMessageReturnsTheButtonPressed) {
    BoxAnswerer answerer({IDNO});
    int result = ShowMessage(Self(), nullptr, IDS_CANCEL_QUESTION, g_setup.warningCaption, kStyleQuestion);
    const std::vector<SeenBox>& seen = answerer.Seen();
    EXPECT_EQ(result, IDNO);
    ASSERT_EQ(seen.size(), 1u) << SeenList(seen);
    EXPECT_EQ(seen[0].text, "Setup has not finished installing the software.\nAre you sure you want to cancel?");
}

TEST_F(Shell, ShowMessageCutsAnOverlongMessageAt511Characters) {
    std::string path(600, 'P');
    BoxAnswerer answerer({IDOK});
    int result =
        ShowMessage(Self(), nullptr, IDS_SCRIPT_FAILED, g_setup.errorCaption, kStyleNotice, path.c_str(), "Vireo");
    const std::vector<SeenBox>& seen = answerer.Seen();
    EXPECT_EQ(result, IDOK);
    ASSERT_EQ(seen.size(), 1u) << SeenList(seen);
    EXPECT_EQ(seen[0].text.size(), 511u) << "text: " << seen[0].text.substr(0, 40) << "...";
    EXPECT_EQ(seen[0].text.substr(0, 8), "The PPPP");
}

UINT g_received;
LRESULT CALLBACK CountingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_USER + 7) {
        ++g_received;
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

HWND MakeCountingWindow() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = CountingProc;
    wc.hInstance = Self();
    wc.lpszClassName = "ShellTestCounting";
    RegisterClassA(&wc);
    g_received = 0;
    return CreateWindowExA(0, "ShellTestCounting", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, Self(), nullptr);
}

TEST_F(Shell, WaitTicksWithZeroReturnsAtOnceWithoutPumping) {
    HWND hwnd = MakeCountingWindow();
    ASSERT_TRUE(hwnd);
    PostMessageA(hwnd, WM_USER + 7, 0, 0);
    DWORD start = GetTickCount();
    WaitTicks(0);
    DWORD took = GetTickCount() - start;
    EXPECT_LT(took, 100u);
    EXPECT_EQ(g_received, 0u) << "a zero wait must not handle messages";
    MSG msg;
    EXPECT_TRUE(PeekMessageA(&msg, hwnd, WM_USER + 7, WM_USER + 7, PM_REMOVE)) << "the posted message is still queued";
    DestroyWindow(hwnd);
}

TEST_F(Shell, WaitTicksHandlesMessagesUntilTheTimeHasPassed) {
    HWND hwnd = MakeCountingWindow();
    ASSERT_TRUE(hwnd);
    PostMessageA(hwnd, WM_USER + 7, 0, 0);
    // A message posted by another thread in the middle of the wait.
    std::thread poster([hwnd] {
        Sleep(100);
        PostMessageA(hwnd, WM_USER + 7, 0, 0);
    });
    DWORD start = GetTickCount();
    WaitTicks(300);
    DWORD took = GetTickCount() - start;
    poster.join();
    EXPECT_GE(took, 290u);
    EXPECT_LT(took, 2000u);
    EXPECT_EQ(g_received, 2u) << "both posted messages are handled during the wait";
    DestroyWindow(hwnd);
}

// On a system that knows only the wake bits of Windows 95 and NT 4.0 the
// wait sleeps between messages: a refused wake mask would make it call the
// wait thousands of times in a spin.
TEST_F(Shell, WaitTicksSleepsOnASystemThatKnowsOnlyTheOldWakeBits) {
    HWND hwnd = MakeCountingWindow();
    ASSERT_TRUE(hwnd);
    PostMessageA(hwnd, WM_USER + 7, 0, 0);
    win95::StrictWakeMask strict;
    DWORD start = GetTickCount();
    WaitTicks(300);
    DWORD took = GetTickCount() - start;
    EXPECT_GE(took, 290u);
    EXPECT_EQ(strict.Counts().refused, 0u) << "wake mask refused: 0x" << std::hex << strict.Counts().refusedMask;
    EXPECT_GE(strict.Counts().calls, 1u);
    EXPECT_LE(strict.Counts().calls, 10u) << "calls of the wait in 300 ms";
    EXPECT_EQ(g_received, 1u);
    DestroyWindow(hwnd);
}

TEST_F(Shell, PumpMessagesDrainsTheQueueAndReturnsZero) {
    HWND hwnd = MakeCountingWindow();
    ASSERT_TRUE(hwnd);
    for (int i = 0; i < 5; ++i) PostMessageA(hwnd, WM_USER + 7, 0, 0);
    DWORD start = GetTickCount();
    EXPECT_EQ(PumpMessages(), 0);
    EXPECT_LT(GetTickCount() - start, 100u) << "PumpMessages never waits";
    EXPECT_EQ(g_received, 5u);
    DestroyWindow(hwnd);
}

TEST_F(Shell, CentreWindowCentresOnTheScreenAndKeepsTheSize) {
    HWND hwnd = CreateWindowExA(0, "Static", "", WS_POPUP, 3, 4, 200, 100, nullptr, nullptr, Self(), nullptr);
    ASSERT_TRUE(hwnd);
    CentreWindow(hwnd);
    RECT rc;
    GetWindowRect(hwnd, &rc);
    EXPECT_EQ(rc.right - rc.left, 200);
    EXPECT_EQ(rc.bottom - rc.top, 100);
    EXPECT_EQ(rc.left, (GetSystemMetrics(SM_CXSCREEN) - 200) / 2);
    EXPECT_EQ(rc.top, (GetSystemMetrics(SM_CYSCREEN) - 100) / 2);
    DestroyWindow(hwnd);
}

TEST_F(Shell, StatusLabelShowsTextsAndStringTableTexts) {
    HWND label = CreateWindowExA(0, "Static", "", WS_POPUP, 0, 0, 300, 30, nullptr, nullptr, Self(), nullptr);
    ASSERT_TRUE(label);
    g_setup.hStatusLabel = label;
    SetStatusTextId(IDS_CHECK_WINDOWS);
    EXPECT_EQ(WindowText(label), "Checking Windows version");
    SetStatusText(" ");
    EXPECT_EQ(WindowText(label), " ");
    SetStatusTextId(IDS_PROMPT);
    EXPECT_EQ(WindowText(label), "Click the mouse or press any key to continue...");
    DestroyWindow(label);
}

// ------------------------------------------------------------------- ports

TEST_F(Shell, CountsTheThreeSeededParallelPorts) {
    BoxAnswerer answerer({IDOK, IDOK});
    uint32_t count = CountParallelPorts();
    const std::vector<SeenBox>& seen = answerer.Seen();
    EXPECT_EQ(count, 3u);
    EXPECT_TRUE(seen.empty()) << SeenList(seen);
}

TEST_F(Shell, CountsTwoPortsOnAMachineWithTwo) {
    MachineOptions two;
    two.lptPorts = 2;
    ASSERT_EQ(SeedMachine(two), 0);
    EXPECT_EQ(CountParallelPorts(), 2u);
}

TEST_F(Shell, CountsNoPortOnAMachineWithoutParallelPorts) {
    MachineOptions none;
    none.lptPorts = 0;
    ASSERT_EQ(SeedMachine(none), 0);
    BoxAnswerer answerer({IDOK, IDOK});
    uint32_t count = CountParallelPorts();
    const std::vector<SeenBox>& seen = answerer.Seen();
    EXPECT_EQ(count, 0u);
    EXPECT_TRUE(seen.empty()) << "no port is not an enumeration failure: " << SeenList(seen);
}

TEST_F(Shell, ALongPortListIsReadOnTheSecondAttemptWithoutAMessage) {
    // Ports enough that their records cannot fit in 120 bytes.
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows NT\\CurrentVersion\\Ports", 0,
                              nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    for (int i = 0; i < 6; ++i) {
        char name[64];
        wsprintfA(name, "C:\\SPOOL\\LONG_PORT_FILE_NAME_%d.PRN", i);
        RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 1);
    }
    RegCloseKey(key);

    BoxAnswerer answerer({IDOK, IDOK});
    uint32_t count = CountParallelPortsWith(RecordingEnumPorts);
    const std::vector<SeenBox>& seen = answerer.Seen();
    EXPECT_EQ(count, 3u);
    ASSERT_EQ(g_enum.sizes.size(), 2u) << "the spooler was asked " << g_enum.sizes.size() << " times";
    EXPECT_EQ(g_enum.sizes[0], 120u);
    EXPECT_GT(g_enum.sizes[1], 120u) << "second attempt with the size the spooler asked for";
    EXPECT_TRUE(seen.empty()) << SeenList(seen);
}

TEST_F(Shell, AShortPortListIsReadOnTheFirstAttempt) {
    g_fakePorts = {"LPT1:", "lpt2:"};
    EXPECT_EQ(CountParallelPortsWith(FakeEnumPorts), 2u);
    ASSERT_EQ(g_enum.sizes.size(), 1u);
    EXPECT_EQ(g_enum.sizes[0], 120u);
}

TEST_F(Shell, CountingStopsAtThreeAndIgnoresOtherPorts) {
    g_fakePorts = {"COM1:", "LPT1:", "FILE:", "LPT3:", "LPT4:", "lpt2:", "LPT1:", "LPT2"};
    EXPECT_EQ(CountParallelPortsWith(FakeEnumPorts), 3u);
    g_enum.sizes.clear();
    g_fakePorts = {"LPT2:", "COM1:", "COM2:", "COM3:", "COM4:", "FILE:", "NUL:", "LPT9:"};
    EXPECT_EQ(CountParallelPortsWith(FakeEnumPorts), 1u) << "only the count of LPT1:-LPT3: names matters";
}

TEST_F(Shell, AFailedEnumerationShowsTwoBoxesAndCountsNoPort) {
    BoxAnswerer answerer({IDOK, IDOK});
    uint32_t count = CountParallelPortsWith(FailingEnumPorts);
    const std::vector<SeenBox>& seen = answerer.Seen();
    EXPECT_EQ(count, 0u);
    ASSERT_EQ(g_enum.sizes.size(), 2u);
    EXPECT_EQ(g_enum.sizes[1], 200u);
    ASSERT_EQ(seen.size(), 2u) << SeenList(seen);
    EXPECT_EQ(seen[0].caption, "Pelora setup warring !");
    EXPECT_EQ(seen[0].text, "EnumPorts() function fail !!");
    EXPECT_EQ(seen[1].caption, "Pelora setup warring !");
    EXPECT_EQ(seen[1].text, " dwNeeded = 200   ,   dwReturned = 0 \n");
}

// ------------------------------------------------------------ port dialog

TEST_F(Shell, PortDialogEnablesThePortsByCountAndChecksLpt1) {
    for (uint32_t count = 1; count <= 3; ++count) {
        g_setup.lptPortCount = count;
        g_setup.selectedPort = 0;
        std::string caption, text;
        bool enabled[3] = {};
        UINT checked1 = 0;
        INT_PTR result = RunModal(IDD_PORT, PortDlgProc, [&](HWND dlg) {
            caption = WindowText(dlg);
            text = ItemText(dlg, IDC_PORT_TEXT);
            for (int i = 0; i < 3; ++i) enabled[i] = IsWindowEnabled(GetDlgItem(dlg, IDC_PORT_LPT1 + i)) != 0;
            checked1 = IsDlgButtonChecked(dlg, IDC_PORT_LPT1);
            Click(dlg, IDCANCEL);
        });
        EXPECT_EQ(result, IDCANCEL) << "count " << count;
        EXPECT_EQ(g_setup.selectedPort, 0u) << "Cancel leaves the selected port alone";
        EXPECT_EQ(caption, "ORVAN Vireo Setup");
        EXPECT_EQ(text,
                  "Please select one port to connect to Vireo.  Later, you can connect to a different port by using "
                  "the Vireo Print Status Display.");
        EXPECT_EQ(checked1, static_cast<UINT>(BST_CHECKED));
        EXPECT_TRUE(enabled[0]);
        EXPECT_EQ(enabled[1], count >= 2) << "LPT2 with count " << count;
        EXPECT_EQ(enabled[2], count >= 3) << "LPT3 with count " << count;
    }
}

TEST_F(Shell, PortDialogConnectOnLpt2SelectsPort125) {
    g_setup.lptPortCount = 3;
    INT_PTR result = RunModal(IDD_PORT, PortDlgProc, [](HWND dlg) {
        Click(dlg, IDC_PORT_LPT2);
        Click(dlg, IDC_PORT_CONNECT);
    });
    EXPECT_EQ(result, IDC_PORT_CONNECT);
    EXPECT_EQ(g_setup.selectedPort, 125u);
}

// ---------------------------------------------------------- restart prompt

TEST_F(Shell, RestartPromptShowsItsTextIgnoresEscapeAndRestartsOnEnter) {
    std::string caption, text;
    bool aliveAfterEscape = false;
    INT_PTR result = RunModal(IDD_RESTART, EndDlgProc, [&](HWND dlg) {
        caption = WindowText(dlg);
        text = ItemText(dlg, IDC_RESTART_TEXT);
        SendMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
        PumpMessages();
        aliveAfterEscape = IsWindowVisible(dlg) != 0;
        // Enter presses the default button.
        PostMessageA(GetDlgItem(dlg, IDC_RESTART_WINDOWS), WM_KEYDOWN, VK_RETURN, 0);
    });
    EXPECT_EQ(result, IDC_RESTART_WINDOWS);
    EXPECT_EQ(caption, "ORVAN Vireo Setup");
    EXPECT_EQ(text, "You must restart Windows in order to activate Vireo.");
    EXPECT_TRUE(aliveAfterEscape) << "Esc does not close the restart prompt";
}

TEST_F(Shell, RestartPromptExitSetupEndsWith111) {
    INT_PTR result = RunModal(IDD_RESTART, EndDlgProc, [](HWND dlg) { Click(dlg, IDC_EXIT_SETUP); });
    EXPECT_EQ(result, IDC_EXIT_SETUP);
}

// ---------------------------------------------------------- progress dialog

HWND MakeStatusDialog() {
    if (!LoadPercentLibrary()) return nullptr;
    return CreateDialogParamA(Self(), MAKEINTRESOURCEA(IDD_STATUS), nullptr, StatusDlgProc, 0);
}

TEST_F(Shell, ProgressDialogTakesTheTitleAndIsCentred) {
    HWND dlg = MakeStatusDialog();
    ASSERT_TRUE(dlg) << "dialog 909 with ZEROZ32.DLL beside the test";
    EXPECT_EQ(WindowText(dlg), "ORVAN Vireo Setup");
    EXPECT_FALSE(IsWindowVisible(dlg)) << "created hidden";
    RECT rc;
    GetWindowRect(dlg, &rc);
    EXPECT_EQ(rc.left, (GetSystemMetrics(SM_CXSCREEN) - (rc.right - rc.left)) / 2);
    EXPECT_EQ(rc.top, (GetSystemMetrics(SM_CYSCREEN) - (rc.bottom - rc.top)) / 2);
    DestroyWindow(dlg);
}

TEST_F(Shell, ShowingTheProgressDialogEmptiesTheLinesAndEnablesCancel) {
    HWND dlg = MakeStatusDialog();
    ASSERT_TRUE(dlg);
    ShowWindow(dlg, SW_SHOW);
    SetDlgItemTextA(dlg, IDC_STATUS_LINE1, "Copy files...");
    SetDlgItemTextA(dlg, IDC_STATUS_LINE2, "VIREO.EXE");
    SendDlgItemMessageA(dlg, IDC_STATUS_BAR, kPercentSetRange, 10, 0);
    SendDlgItemMessageA(dlg, IDC_STATUS_BAR, kPercentSetPosition, 7, 0);
    EnableWindow(GetDlgItem(dlg, IDCANCEL), FALSE);
    ShowWindow(dlg, SW_HIDE);
    EXPECT_EQ(ItemText(dlg, IDC_STATUS_LINE1), "Copy files...") << "hiding changes nothing";
    ShowWindow(dlg, SW_SHOW);
    EXPECT_EQ(ItemText(dlg, IDC_STATUS_LINE1), "");
    EXPECT_EQ(ItemText(dlg, IDC_STATUS_LINE2), "");
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dlg, IDCANCEL)));
    DestroyWindow(dlg);
}

TEST_F(Shell, CancelAsksTheQuestionAndOnlyYesDisablesCancel) {
    HWND dlg = MakeStatusDialog();
    ASSERT_TRUE(dlg);
    ShowWindow(dlg, SW_SHOW);
    {
        BoxAnswerer answerer({IDNO});
        PostMessageA(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0x00010001);  // Escape, read by a step's drain
        PumpMessages();
        const std::vector<SeenBox>& seen = answerer.Seen();
        ASSERT_EQ(seen.size(), 1u) << SeenList(seen);
        EXPECT_EQ(seen[0].caption, "ORVAN Vireo Setup");
        EXPECT_EQ(seen[0].text,
                  "Setup has not finished installing the software.\nAre you sure you want to cancel?");
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dlg, IDCANCEL))) << "No leaves Cancel usable";
    }
    {
        BoxAnswerer answerer({IDYES});
        // Enter presses the default button, Cancel.
        PostMessageA(GetFocus(), WM_KEYDOWN, VK_RETURN, 0x00010001);
        PumpMessages();
        const std::vector<SeenBox>& seen = answerer.Seen();
        ASSERT_EQ(seen.size(), 1u) << SeenList(seen);
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dlg, IDCANCEL))) << "Yes disables Cancel";
    }
    ShowWindow(dlg, SW_HIDE);
    ShowWindow(dlg, SW_SHOW);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dlg, IDCANCEL))) << "the next show enables Cancel again";
    DestroyWindow(dlg);
}

TEST_F(Shell, TheBarGetsBlueOnWhiteFromTheDialog) {
    HWND dlg = MakeStatusDialog();
    ASSERT_TRUE(dlg);
    HDC dc = CreateCompatibleDC(nullptr);
    LRESULT brush = SendMessageA(dlg, kPercentColorRequest, reinterpret_cast<WPARAM>(dc), 0);
    EXPECT_NE(brush, 0) << "a brush for the bar's background";
    EXPECT_EQ(GetTextColor(dc), RGB(0, 0, 255));
    EXPECT_EQ(GetBkColor(dc), RGB(255, 255, 255));
    LOGBRUSH lb{};
    ASSERT_NE(GetObjectA(reinterpret_cast<HBRUSH>(brush), sizeof lb, &lb), 0);
    EXPECT_EQ(lb.lbColor, RGB(255, 255, 255));
    DeleteDC(dc);
    DestroyWindow(dlg);
}

// The uninstaller's template 500: lines 103 and 104, bar 100, no Cancel.
std::vector<WORD> UninstallerTemplate() {
    std::vector<WORD> t;
    auto dword = [&t](DWORD v) {
        t.push_back(LOWORD(v));
        t.push_back(HIWORD(v));
    };
    auto text = [&t](const wchar_t* s) {
        do t.push_back(static_cast<WORD>(*s)); while (*s++);
    };
    auto align = [&t] {
        if (t.size() % 2) t.push_back(0);
    };
    dword(WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_SETFONT);
    dword(0);
    t.push_back(3);  // items
    t.push_back(0);
    t.push_back(0);
    t.push_back(188);
    t.push_back(93);
    t.push_back(0);  // menu
    t.push_back(0);  // class
    text(L"");
    t.push_back(8);
    text(L"MS Sans Serif");
    struct Item {
        DWORD style;
        short x, y, cx, cy;
        WORD id;
        const wchar_t* cls;
    };
    const Item items[] = {{WS_CHILD | WS_VISIBLE | SS_LEFT, 4, 4, 144, 8, 103, nullptr},
                          {WS_CHILD | WS_VISIBLE | SS_LEFT, 6, 13, 144, 12, 104, nullptr},
                          {WS_CHILD | WS_VISIBLE | WS_BORDER, 16, 31, 156, 21, 100, L"Percent"}};
    for (const Item& it : items) {
        align();
        dword(it.style);
        dword(0);
        t.push_back(static_cast<WORD>(it.x));
        t.push_back(static_cast<WORD>(it.y));
        t.push_back(static_cast<WORD>(it.cx));
        t.push_back(static_cast<WORD>(it.cy));
        t.push_back(it.id);
        if (it.cls) {
            text(it.cls);
        } else {
            t.push_back(0xFFFF);
            t.push_back(0x0082);  // static
        }
        text(L"");
        t.push_back(0);  // no creation data
    }
    return t;
}

TEST_F(Shell, TheUninstallersTemplateWithoutCancelIsHandledToo) {
    ASSERT_TRUE(LoadPercentLibrary());
    std::vector<WORD> tpl = UninstallerTemplate();
    HWND dlg = CreateDialogIndirectParamA(Self(), reinterpret_cast<LPCDLGTEMPLATEA>(tpl.data()), nullptr,
                                          StatusDlgProc, 0);
    ASSERT_TRUE(dlg);
    ASSERT_TRUE(GetDlgItem(dlg, 100)) << "the bar of the uninstaller's template";
    SetDlgItemTextA(dlg, 103, "line one");
    SetDlgItemTextA(dlg, 104, "line two");
    ShowWindow(dlg, SW_SHOW);
    EXPECT_EQ(ItemText(dlg, 103), "");
    EXPECT_EQ(ItemText(dlg, 104), "") << "control 104 is a status line here, not the bar";
    BoxAnswerer answerer({IDYES});
    SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
    const std::vector<SeenBox>& seen = answerer.Seen();
    EXPECT_EQ(seen.size(), 1u) << "Escape asks the question without a Cancel button: " << SeenList(seen);
    EXPECT_TRUE(IsWindow(dlg)) << "the dialog never stops anything itself";
    DestroyWindow(dlg);
}

// ------------------------------------------------- companions and preload

std::vector<std::string> g_requests;

LRESULT CALLBACK CompanionProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == 0x221F) {
        char cls[64];
        GetClassNameA(hwnd, cls, sizeof cls);
        g_requests.push_back(std::string(cls) + ":" + std::to_string(wParam) + ":" + std::to_string(lParam));
        // Companions close a moment later, as a real program would.
        if (lParam == 0) PostMessageA(hwnd, WM_CLOSE, 0, 0);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

HWND MakeCompanion(const char* cls) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = CompanionProc;
    wc.hInstance = Self();
    wc.lpszClassName = cls;
    RegisterClassA(&wc);
    return CreateWindowExA(0, cls, cls, WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, Self(), nullptr);
}

TEST_F(Shell, CompanionProgramsAreAskedToCloseInOrderAndAwaited) {
    g_requests.clear();
    ASSERT_TRUE(MakeCompanion("ZerODAClass"));
    ASSERT_TRUE(MakeCompanion("SpoolerClass"));
    ASSERT_TRUE(MakeCompanion("PanelClass"));
    CloseCompanionPrograms();
    std::vector<std::string> expected = {"ZerODAClass:7711:1", "SpoolerClass:7711:0", "ZerODAClass:7711:0",
                                         "PanelClass:7711:0"};
    EXPECT_EQ(g_requests, expected);
    EXPECT_FALSE(FindWindowA("SpoolerClass", nullptr));
    EXPECT_FALSE(FindWindowA("ZerODAClass", nullptr));
    EXPECT_FALSE(FindWindowA("PanelClass", nullptr));
}

// A companion that takes a while to close: the installer looks for it again
// at least every 50 ms and sleeps in between, also where the system knows
// only the wake bits of Windows 95 and NT 4.0.
LRESULT CALLBACK SlowCompanionProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == 0x221F && lParam == 0) {
        SetTimer(hwnd, 1, 300, nullptr);
        return 0;
    }
    if (msg == WM_TIMER) {
        DestroyWindow(hwnd);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

TEST_F(Shell, TheWaitForACompanionSleepsOnASystemThatKnowsOnlyTheOldWakeBits) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = SlowCompanionProc;
    wc.hInstance = Self();
    wc.lpszClassName = "SpoolerClass";
    RegisterClassA(&wc);
    ASSERT_TRUE(CreateWindowExA(0, "SpoolerClass", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, Self(), nullptr));
    win95::StrictWakeMask strict;
    DWORD start = GetTickCount();
    CloseCompanionPrograms();
    DWORD took = GetTickCount() - start;
    UnregisterClassA("SpoolerClass", Self());
    EXPECT_FALSE(FindWindowA("SpoolerClass", nullptr));
    EXPECT_GE(took, 250u) << "the installer waited for the window to go";
    EXPECT_EQ(strict.Counts().refused, 0u) << "wake mask refused: 0x" << std::hex << strict.Counts().refusedMask;
    EXPECT_LE(strict.Counts().calls, took / 50 + 10) << "calls of the wait in " << took << " ms";
}

TEST_F(Shell, WithoutCompanionProgramsNothingIsSentOrAwaited) {
    g_requests.clear();
    DWORD start = GetTickCount();
    CloseCompanionPrograms();
    EXPECT_TRUE(g_requests.empty());
    EXPECT_LT(GetTickCount() - start, 1000u);
}

// Every window of the class is asked; one that stays is given up after the
// bound, with its title for the question, and the waits end at their bounds.
TEST_F(Shell, EveryWindowOfAClassIsAskedAndTheWaitsEndAtTheirBounds) {
    g_requests.clear();
    ASSERT_TRUE(MakeCompanion("SpoolerClass"));
    ASSERT_TRUE(MakeCompanion("SpoolerClass"));
    const CompanionRequest close = {"SpoolerClass", 0x221F, 0x1E1F, 0, false, true};
    char title[64] = "?";
    EXPECT_TRUE(RequestCompanionClose(close, 5000, title, sizeof title));
    EXPECT_EQ(g_requests, (std::vector<std::string>{"SpoolerClass:7711:0", "SpoolerClass:7711:0"}));
    EXPECT_STREQ(title, "");
    EXPECT_FALSE(FindWindowA("SpoolerClass", nullptr));

    // lParam 1 leaves the window open.
    HWND stays = MakeCompanion("PanelClass");
    ASSERT_TRUE(stays);
    const CompanionRequest keep = {"PanelClass", 0x221F, 0x1E1F, 1, false, true};
    DWORD start = GetTickCount();
    EXPECT_FALSE(RequestCompanionClose(keep, 300, title, sizeof title));
    EXPECT_STREQ(title, "PanelClass");
    EXPECT_FALSE(WaitWhileWindowOfClass("PanelClass", 300));
    EXPECT_LT(GetTickCount() - start, 5000u);
    DestroyWindow(stays);
    EXPECT_TRUE(WaitWhileWindowOfClass("PanelClass", 300));
}

TEST_F(Shell, PreloadResourcesFindsTheTemplatesAndTheIcon) {
    PreloadResources();
    for (int id : {900, 901, 904, 909, 911, 913}) {
        EXPECT_TRUE(FindResourceA(Self(), MAKEINTRESOURCEA(id), RT_DIALOG)) << "template " << id;
    }
    EXPECT_TRUE(LoadIconA(Self(), MAKEINTRESOURCEA(951)));
    EXPECT_TRUE(LoadIconA(Self(), "SetupIcon"));
    HRSRC logo = FindResourceA(Self(), MAKEINTRESOURCEA(IDB_LOGO), RT_BITMAP);
    ASSERT_TRUE(logo);
    auto* bmp = static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(Self(), logo)));
    EXPECT_EQ(bmp->biWidth, 129);
    EXPECT_EQ(bmp->biHeight, 38);
    EXPECT_EQ(bmp->biBitCount, 4);
    HRSRC picture = FindResourceA(Self(), MAKEINTRESOURCEA(IDB_PICTURE), RT_BITMAP);
    ASSERT_TRUE(picture);
    bmp = static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(Self(), picture)));
    EXPECT_EQ(bmp->biWidth, 101);
    EXPECT_EQ(bmp->biHeight, 192);
}

}  // namespace
