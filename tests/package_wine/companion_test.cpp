// The package's companion programs: each opens a window of its class and
// answers the close requests of the installer and uninstaller; the options
// that make them test fixtures (ignore, close late, log) work.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "companion.h"
#include "start_process.h"

namespace {

constexpr DWORD kBoundMs = 15000;

std::string BinDir() {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string s(path, n);
    return s.substr(0, s.find_last_of('\\') + 1);
}

// A companion program started for one test, ended at the latest when the
// test ends.
class Companion {
public:
    Companion(const char* exe, const char* className, const std::string& options) : className_(className) {
        std::string cmd = "\"" + BinDir() + exe + "\" " + options;
        STARTUPINFOA si{};
        si.cb = sizeof si;
        started_ = StartProcess(nullptr, &cmd[0], 0, nullptr, &si, &pi_) != 0;
        if (!started_) return;
        WaitForInputIdle(pi_.hProcess, kBoundMs);
        DWORD start = GetTickCount();
        while (!(hwnd_ = FindWindowA(className, nullptr)) && GetTickCount() - start < kBoundMs &&
               WaitForSingleObject(pi_.hProcess, 20) == WAIT_TIMEOUT) {
        }
    }
    ~Companion() {
        if (!started_) return;
        if (WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT) {
            if (hwnd_ && IsWindow(hwnd_)) PostMessageA(hwnd_, kCompanionEndMessage, 0, 0);
            if (WaitForSingleObject(pi_.hProcess, kBoundMs) == WAIT_TIMEOUT) TerminateProcess(pi_.hProcess, 1);
        }
        CloseHandle(pi_.hThread);
        CloseHandle(pi_.hProcess);
    }
    HWND Window() const { return hwnd_; }
    bool Started() const { return started_; }
    // True when the program ends within the bound.
    bool Ends(DWORD ms = kBoundMs) const { return WaitForSingleObject(pi_.hProcess, ms) == WAIT_OBJECT_0; }
    bool Running() const { return WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT; }

private:
    const char* className_;
    PROCESS_INFORMATION pi_{};
    bool started_ = false;
    HWND hwnd_ = nullptr;
};

struct Program {
    const char* exe;
    const char* className;
};

const Program kPrograms[] = {
    {"pelorasd.exe", "AVLOPRINTERSTATUSBOX"}, {"vireo.exe", "ZerODAClass"},  {"plspool.exe", "SpoolerClass"},
    {"pltest.exe", "TLTPClass"},              {"plpanel.exe", "PanelClass"},
};

TEST(CompanionPrograms, EachClosesOnThePackageCloseRequest) {
    for (const Program& p : kPrograms) {
        Companion c(p.exe, p.className, "/hidden");
        ASSERT_TRUE(c.Started()) << p.exe;
        ASSERT_NE(c.Window(), nullptr) << "no window of class " << p.className;
        SendMessageA(c.Window(), kPackageCloseMessage, kPackageCloseWParam, 0);
        EXPECT_TRUE(c.Ends()) << p.exe << " did not end after the close request";
        EXPECT_EQ(FindWindowA(p.className, nullptr), nullptr) << p.className;
    }
}

TEST(CompanionPrograms, AnotherWParamIsNoRequest) {
    Companion c("vireo.exe", "ZerODAClass", "/hidden");
    ASSERT_NE(c.Window(), nullptr);
    SendMessageA(c.Window(), kPackageCloseMessage, 0, 0);
    EXPECT_TRUE(IsWindow(c.Window())) << "wParam 0 closed the window";
    EXPECT_TRUE(c.Running());
}

TEST(CompanionPrograms, IgnoreOptionKeepsTheWindowUntilEnded) {
    Companion c("plspool.exe", "SpoolerClass", "/hidden /ignore");
    ASSERT_NE(c.Window(), nullptr);
    SendMessageA(c.Window(), kPackageCloseMessage, kPackageCloseWParam, 0);
    SendMessageA(c.Window(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(c.Window())) << "the request was not ignored";
    EXPECT_TRUE(c.Running());
    PostMessageA(c.Window(), kCompanionEndMessage, 0, 0);
    EXPECT_TRUE(c.Ends()) << "the end message did not close the program";
}

TEST(CompanionPrograms, LateOptionClosesAfterTheDelay) {
    Companion c("plpanel.exe", "PanelClass", "/hidden /late:400");
    ASSERT_NE(c.Window(), nullptr);
    DWORD start = GetTickCount();
    SendMessageA(c.Window(), kPackageCloseMessage, kPackageCloseWParam, 0);
    EXPECT_TRUE(IsWindow(c.Window())) << "closed at once despite /late";
    EXPECT_TRUE(c.Ends()) << "did not close after the delay";
    EXPECT_GE(GetTickCount() - start, 300u) << "closed before the delay";
}

TEST(CompanionPrograms, StatusBoxClosesOnAPostedDestroy) {
    Companion c("pelorasd.exe", "AVLOPRINTERSTATUSBOX", "/hidden");
    ASSERT_NE(c.Window(), nullptr);
    PostMessageA(c.Window(), WM_DESTROY, 0, 0);
    EXPECT_TRUE(c.Ends()) << "a posted WM_DESTROY did not end the status program";
}

TEST(CompanionPrograms, TestProgramClosesOnWmClose) {
    Companion c("pltest.exe", "TLTPClass", "/hidden");
    ASSERT_NE(c.Window(), nullptr);
    SendMessageA(c.Window(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(c.Ends());
}

TEST(CompanionPrograms, LogOptionRecordsEachRequest) {
    char tmp[MAX_PATH];
    GetTempPathA(sizeof tmp, tmp);
    std::string log = std::string(tmp) + "companion.log";
    DeleteFileA(log.c_str());
    {
        Companion c("vireo.exe", "ZerODAClass", "/hidden /ignore /log:" + log);
        ASSERT_NE(c.Window(), nullptr);
        SendMessageA(c.Window(), kPackageCloseMessage, kPackageCloseWParam, 1);
        SendMessageA(c.Window(), kPackageCloseMessage, kPackageCloseWParam, 0);
    }
    HANDLE h = CreateFileA(log.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << "no log written";
    char buf[512] = {};
    DWORD got = 0;
    ReadFile(h, buf, sizeof buf - 1, &got, nullptr);
    CloseHandle(h);
    DeleteFileA(log.c_str());
    EXPECT_STREQ(buf,
                 "ZerODAClass close-request wParam=7711 lParam=1\r\n"
                 "ZerODAClass close-request wParam=7711 lParam=0\r\n");
}

}  // namespace
