// Win32 tests of the installer's start-up and main window under Wine: the
// state it builds, the window and label it makes, the prompt, the colours of
// the label and which messages start the installation.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "messages.h"
#include "resource.h"
#include "setup.h"
#include "shell.h"
#include "step_stand_ins.h"

namespace {

std::string Text(HWND hwnd) {
    char text[512] = "";
    GetWindowTextA(hwnd, text, sizeof text);
    return text;
}

std::string ExeDir() {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    while (n > 0 && path[n - 1] != '\\') --n;
    return std::string(path, n);
}

class Start : public ::testing::Test {
protected:
    UINT errorModeBefore = 0;
    void SetUp() override {
        errorModeBefore = SetErrorMode(0);
        g_standIns = StandInLog{};
        g_standIns.previousVersionResult = FALSE;
        HINSTANCE instance = GetModuleHandleA(nullptr);
        ASSERT_TRUE(RegisterSetupClass(instance));
        ASSERT_TRUE(InitSetupInstance(instance, SW_SHOWNORMAL));
    }
    void TearDown() override {
        if (g_setup.hMainWnd && IsWindow(g_setup.hMainWnd)) DestroyWindow(g_setup.hMainWnd);
        PumpMessages();
    }
};

TEST_F(Start, BuildsTheStateFromTheProgramsPlace) {
    std::string dir = ExeDir();
    EXPECT_EQ(std::string(g_setup.setupDir), dir);
    ASSERT_FALSE(dir.empty());
    EXPECT_EQ(dir.back(), '\\');
    EXPECT_EQ(std::string(g_setup.scriptPath), dir + "TLSETUP.INF");
    EXPECT_STREQ(g_setup.mainTitle, "ORVAN Vireo Setup");
    EXPECT_STREQ(g_setup.errorCaption, "ORVAN Vireo Setup Error");
    EXPECT_STREQ(g_setup.warningCaption, "ORVAN Vireo Setup Warning");
    EXPECT_STREQ(g_setup.versionSuffix, " 1.00") << "no PELORASD.INI beside the program";
    EXPECT_STREQ(g_statusDialogTitle, "ORVAN Vireo Setup");
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, sizeof windows);
    EXPECT_STREQ(g_setup.windowsDir, windows);
    EXPECT_EQ(g_setup.hopperCapacity, 200u);
    EXPECT_GT(g_setup.screenWidth, 0);
}

// An empty drive or a missing file gives the installer's own prompts,
// never Windows' box first.
TEST_F(Start, TheSystemsDriveAndFileBoxesAreTurnedOff) {
    const UINT mode = SetErrorMode(errorModeBefore);
    EXPECT_EQ(mode & SEM_FAILCRITICALERRORS, static_cast<UINT>(SEM_FAILCRITICALERRORS)) << "mode " << mode;
    EXPECT_EQ(mode & SEM_NOOPENFILEERRORBOX, static_cast<UINT>(SEM_NOOPENFILEERRORBOX)) << "mode " << mode;
    EXPECT_EQ(mode & SEM_NOGPFAULTERRORBOX, 0u) << "a crash is still reported";
}

TEST_F(Start, TheMainWindowIsACentredPopupWithTheStatusLabel) {
    HWND hwnd = g_setup.hMainWnd;
    ASSERT_TRUE(hwnd);
    EXPECT_TRUE(IsWindowVisible(hwnd));
    EXPECT_EQ(Text(hwnd), "ORVAN Vireo Setup");
    LONG style = GetWindowLongA(hwnd, GWL_STYLE);
    EXPECT_TRUE(style & WS_POPUP);
    EXPECT_FALSE(style & WS_CAPTION) << "no caption";
    char cls[64];
    GetClassNameA(hwnd, cls, sizeof cls);
    EXPECT_STREQ(cls, "SetupWinClass");
    RECT desk, rc;
    GetWindowRect(GetDesktopWindow(), &desk);
    GetWindowRect(hwnd, &rc);
    int w = desk.right - desk.left;
    int h = desk.bottom - desk.top;
    ASSERT_GT(w, 640) << "the test display is larger than VGA";
    EXPECT_EQ(rc.right - rc.left, 500);
    EXPECT_EQ(rc.bottom - rc.top, 400);
    EXPECT_EQ(rc.left, (w - 500) / 2);
    EXPECT_EQ(rc.top, (h - 400) / 2);
    HWND label = GetDlgItem(hwnd, IDC_STATUS_LABEL);
    ASSERT_EQ(label, g_setup.hStatusLabel);
    RECT lr;
    GetWindowRect(label, &lr);
    EXPECT_EQ(lr.left - rc.left, 20);
    EXPECT_EQ(lr.top - rc.top, 350);
    EXPECT_EQ(lr.right - lr.left, 460);
    EXPECT_EQ(lr.bottom - lr.top, 30);
    EXPECT_TRUE(GetWindowLongA(label, GWL_STYLE) & SS_CENTER);
}

TEST_F(Start, TheFirstPaintPutsThePromptOnce) {
    EXPECT_EQ(Text(g_setup.hStatusLabel), "Click the mouse or press any key to continue...");
    SetStatusText("step");
    InvalidateRect(g_setup.hMainWnd, nullptr, TRUE);
    UpdateWindow(g_setup.hMainWnd);
    EXPECT_EQ(Text(g_setup.hStatusLabel), "step") << "a later paint leaves the label alone";
}

TEST_F(Start, TheLabelIsBlackOnLightGrey) {
    HDC dc = CreateCompatibleDC(nullptr);
    LRESULT brush = SendMessageA(g_setup.hMainWnd, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                 reinterpret_cast<LPARAM>(g_setup.hStatusLabel));
    ASSERT_NE(brush, 0);
    EXPECT_EQ(GetTextColor(dc), RGB(0, 0, 0));
    EXPECT_EQ(GetBkColor(dc), RGB(192, 192, 192));
    EXPECT_EQ(GetBkMode(dc), TRANSPARENT);
    LOGBRUSH lb{};
    ASSERT_NE(GetObjectA(reinterpret_cast<HBRUSH>(brush), sizeof lb, &lb), 0);
    EXPECT_EQ(lb.lbColor, RGB(192, 192, 192));
    DeleteDC(dc);
}

TEST_F(Start, SystemKeysAndCharactersDoNotStartTheInstallation) {
    HWND hwnd = g_setup.hMainWnd;
    SendMessageA(hwnd, WM_SYSKEYDOWN, VK_MENU, 0x20000000);
    SendMessageA(hwnd, WM_SYSKEYDOWN, 'X', 0x20000000);
    SendMessageA(hwnd, WM_CHAR, 'x', 0);
    SendMessageA(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
    EXPECT_EQ(g_standIns.previousVersion, 0);
    EXPECT_TRUE(IsWindow(hwnd));
}

// Each start message runs the sequence; a start message arriving while it
// runs (sent here by the first step) is ignored.
void ExpectStartsOnce(UINT message) {
    g_standIns.reenterMessage = WM_LBUTTONDOWN;
    HWND hwnd = g_setup.hMainWnd;
    SendMessageA(hwnd, message, 0, 0);
    EXPECT_EQ(g_standIns.previousVersion, 1) << "message 0x" << std::hex << message;
    // The first step asked to end: the main window is gone and the quit
    // message is posted.
    EXPECT_FALSE(IsWindow(hwnd));
    MSG msg;
    EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 0u);
}

TEST_F(Start, KeyDownStartsTheInstallationOnce) { ExpectStartsOnce(WM_KEYDOWN); }
TEST_F(Start, LeftButtonStartsTheInstallationOnce) { ExpectStartsOnce(WM_LBUTTONDOWN); }
TEST_F(Start, RightButtonStartsTheInstallationOnce) { ExpectStartsOnce(WM_RBUTTONDOWN); }
TEST_F(Start, MiddleButtonOutsideTheClientAreaStartsTheInstallationOnce) { ExpectStartsOnce(WM_NCMBUTTONDOWN); }

TEST_F(Start, TheWelcomeScreenHoldsTheMouseAndStartingFreesIt) {
    // The window confines the cursor when it is created; Wine, like current
    // Windows, drops that confinement when the window becomes the foreground
    // window, so only the capture can be seen here.
    RECT clip;
    EXPECT_EQ(GetCapture(), g_setup.hMainWnd);

    SendMessageA(g_setup.hMainWnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(-5, -5));
    EXPECT_EQ(g_standIns.previousVersion, 1) << "a click outside the window reaches it through the capture";
    RECT desk;
    GetWindowRect(GetDesktopWindow(), &desk);
    GetClipCursor(&clip);
    EXPECT_EQ(clip.left, desk.left);
    EXPECT_EQ(clip.top, desk.top);
    EXPECT_EQ(clip.right, desk.right);
    EXPECT_EQ(clip.bottom, desk.bottom);
    EXPECT_EQ(GetCapture(), nullptr) << "the ended installer holds no capture";
}

TEST(StartHidden, AltF4BeforeTheFirstClickEndsTheConfinementOfTheMouse) {
    // Shown, the window would become the foreground window, which ends the
    // confinement under Wine; hidden, it keeps it until the window goes.
    HINSTANCE instance = GetModuleHandleA(nullptr);
    ASSERT_TRUE(RegisterSetupClass(instance) && InitSetupInstance(instance, SW_HIDE));
    RECT window, clip, desk;
    GetWindowRect(g_setup.hMainWnd, &window);
    GetWindowRect(GetDesktopWindow(), &desk);
    ASSERT_TRUE(GetClipCursor(&clip) && EqualRect(&clip, &window)) << "not confined: " << clip.left << "," << clip.top;
    // Alt+F4 as the keyboard gives it, then the program's own message loop.
    PostMessageA(g_setup.hMainWnd, WM_SYSKEYDOWN, VK_MENU, 0x20380001);
    PostMessageA(g_setup.hMainWnd, WM_SYSKEYDOWN, VK_F4, 0x203E0001);
    MSG msg{};
    for (DWORD start = GetTickCount(); msg.message != WM_QUIT && GetTickCount() - start < 10000;) {
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        else MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
    }
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT)) << "Alt+F4 did not end the program";
    EXPECT_EQ(g_standIns.previousVersion, 0) << "the installation started";
    GetClipCursor(&clip);
    EXPECT_TRUE(EqualRect(&clip, &desk)) << "still confined to " << clip.left << "," << clip.top << "," << clip.right;
}

TEST(StartConfig, VersionSuffixComesFromPeloraSdIniBesideTheProgram) {
    char temp[MAX_PATH];
    ASSERT_GT(GetTempPathA(sizeof temp, temp), 0u);
    std::string dir = std::string(temp) + "tls-shell-config\\";
    CreateDirectoryA(dir.c_str(), nullptr);
    std::string ini = dir + "PELORASD.INI";
    g_setup = SetupState{};
    g_setup.hInstance = GetModuleHandleA(nullptr);
    lstrcpynA(g_setup.setupDir, dir.c_str(), sizeof g_setup.setupDir);

    ReadSetupConfig();
    EXPECT_STREQ(g_setup.versionSuffix, " 1.00");
    EXPECT_STREQ(g_setup.mainTitle, "ORVAN Vireo Setup");

    ASSERT_TRUE(WritePrivateProfileStringA("RevisionControl", "OEM_ProductVersion", "Version 2.10", ini.c_str()));
    ReadSetupConfig();
    EXPECT_STREQ(g_setup.versionSuffix, " 2.10");

    WritePrivateProfileStringA("RevisionControl", "OEM_ProductVersion", "2.10", ini.c_str());
    ReadSetupConfig();
    EXPECT_STREQ(g_setup.versionSuffix, "") << "a value without a space gives no suffix";

    WritePrivateProfileStringA("RevisionControl", "OEM_ProductVersion", "@2.10", ini.c_str());
    ReadSetupConfig();
    EXPECT_STREQ(g_setup.versionSuffix, " 1.00");

    WritePrivateProfileStringA(nullptr, nullptr, nullptr, ini.c_str());  // flush the profile cache
    DeleteFileA(ini.c_str());
    RemoveDirectoryA(dir.c_str());
}

}  // namespace
