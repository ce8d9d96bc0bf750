// End-to-end tests of the installer's shell: the real tlsetup.exe, copied
// with ZEROZ32.DLL and a small TLSETUP.INF into a folder of its own on C:,
// driven by the GUI robot as a user would drive it.
#include <windows.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <iostream>
#include <string>
#include <vector>

#include "../e2e_support/installer_texts.h"
#include "machine_state.h"
#include "robot.h"
#include "under_test.h"

namespace {

using robot::Robot;
using robot::SeenDialog;
using robot::WindowQuery;

const char kErrorCaption[] = "ORVAN Vireo Setup Error";
const char kWarningCaption[] = "ORVAN Vireo Setup Warning";

// Port dialog 911 and restart prompt 904, known by their control ids.
const std::vector<int> kPortDialogIds = {123, 124, 125, 126, 127};
const std::vector<int> kRestartDialogIds = {110, 111, 114};
const std::vector<int> kDestinationDialogIds = {105};

// A package with no files: enough for the sequence to run to its end.
const char kSmallScript[] =
    "[Application]\r\n"
    "AppName=Vireo\r\n"
    "DefDir=C:\\VIREO\r\n"
    "SpaceNeeded=100\r\n"
    "DefPMGroup=VIREO.GRP,ORVAN Pelora 200/250 Tools\r\n"
    "[Disks]\r\n"
    "1=Vireo Disk 1\r\n"
    "[Dirs]\r\n"
    "1=.\r\n"
    "[Files]\r\n"
    "[PM Info]\r\n"
    "[End]\r\n";

bool WriteTextFile(const std::string& path, const char* text) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = WriteFile(h, text, static_cast<DWORD>(strlen(text)), &written, nullptr);
    CloseHandle(h);
    return ok && written == strlen(text);
}

class Installer : public ::testing::Test {
protected:
    // The installer started in its folder and past its first screen: the
    // port dialog, null when it does not come.
    HWND StartAtPortDialog() {
        Prepare();
        StartInstaller();
        PressFirstKey();
        return WaitPortDialog();
    }
    // The machine seeded anew with LPT1: to LPTn: only.
    static int SeedPorts(int lptPorts) {
        MachineOptions options;
        options.lptPorts = lptPorts;
        return SeedMachine(options);
    }
    void SetUp() override {
        dir_ = robot::MakeTempDir("TLS", "C:\\");
        ASSERT_FALSE(dir_.empty()) << "cannot make a folder on C:";
        ASSERT_LT(dir_.size() + 11, 66u) << "the installer's path must fit its 66 bytes: " << dir_;
    }
    void TearDown() override {
        robot_.Kill();
        for (Robot* companion : companions_) {
            companion->Kill();
            delete companion;
        }
        robot::RemoveTree(dir_);
    }

    // Puts the installer's files beside it.
    void Prepare(bool withLibrary = true, bool withScript = true) {
        ASSERT_TRUE(robot::CopyInto(robot::ProgramsDir() + "tlsetup.exe", dir_)) << "copying tlsetup.exe to " << dir_;
        if (withLibrary) {
            ASSERT_TRUE(robot::CopyInto(robot::ProgramsDir() + "ZEROZ32.DLL", dir_)) << "copying ZEROZ32.DLL to " << dir_;
        }
        if (withScript) {
            ASSERT_TRUE(WriteTextFile(dir_ + "TLSETUP.INF", kSmallScript));
        }
    }

    // Starts the installer from its folder and waits for its welcome screen.
    void StartInstaller(const char* program = "tlsetup.exe", const std::string& options = "") {
        ASSERT_TRUE(robot_.Start(dir_ + program, options, dir_));
        ASSERT_TRUE(robot_.WaitWindow(WindowQuery::Class("SetupWinClass"), kBound, &main_));
        EXPECT_EQ(robot_.Caption(main_), kMainTitle);
    }

    // The first key press on the welcome screen.
    void PressFirstKey() { ASSERT_TRUE(robot_.Key(main_, VK_SPACE)); }

    HWND WaitPortDialog() {
        HWND dlg = nullptr;
        EXPECT_TRUE(robot_.WaitWindow(WindowQuery::Dialog(kMainTitle, kPortDialogIds), kBound, &dlg));
        return dlg;
    }

    // Waits for the message box, checks caption, text and that it has one OK
    // button and the information icon, presses OK.
    void ExpectNotice(const char* caption, const std::string& text, SeenDialog* seenOut = nullptr) {
        SeenDialog seen;
        HWND box = nullptr;
        ASSERT_TRUE(robot_.WaitMessageBox(caption, kBound, &seen, &box));
        EXPECT_EQ(seen.text, text) << seen.Describe();
        ASSERT_EQ(seen.buttons.size(), 1u) << seen.Describe();
        EXPECT_EQ(seen.buttons[0], "OK");
        EXPECT_EQ(seen.icon, robot::Icon::Information) << seen.Describe();
        EXPECT_TRUE(seen.topmost) << "a system-modal notice stays on top: " << seen.Describe();
        if (seenOut) *seenOut = seen;
        ASSERT_TRUE(robot_.Click(box, IDOK));
    }

    void ExpectEndsWithCodeZero() {
        DWORD code = 99;
        ASSERT_TRUE(robot_.WaitExit(kBound, &code));
        EXPECT_EQ(code, 0u) << "exit code of tlsetup; transcript:\n" << robot_.TranscriptText();
    }

    // Connects LPT1 in the port dialog.
    void ConnectFirstPort() {
        HWND ports = WaitPortDialog();
        ASSERT_NE(ports, nullptr);
        ASSERT_TRUE(robot_.Click(ports, 123));
        ASSERT_TRUE(robot_.WaitGone(ports, kBound));
    }

    // Starts the installer and leaves its welcome screen.
    void StartPastWelcome(const char* program = "tlsetup.exe", const std::string& options = "") {
        StartInstaller(program, options);
        PressFirstKey();
    }

    // ... and connects LPT1.
    void StartAndConnectFirstPort(const char* program = "tlsetup.exe") {
        StartPastWelcome(program);
        ConnectFirstPort();
    }

    // Answers every later step the plain way (default destination, OK to the
    // notices) until the restart prompt shows; fails on any error or warning
    // on the way.
    HWND DriveToRestartPrompt() {
        WindowQuery restart = WindowQuery::Dialog(kMainTitle, kRestartDialogIds);
        WindowQuery destination = WindowQuery::Dialog(kMainTitle, kDestinationDialogIds);
        WindowQuery notice = WindowQuery::MessageBox(kMainTitle);
        WindowQuery groupNotAdded = WindowQuery::MessageBox(kWarningCaption);
        groupNotAdded.containsText = "could not add";
        WindowQuery warning = WindowQuery::MessageBox(kWarningCaption);
        WindowQuery error = WindowQuery::MessageBox(kErrorCaption);
        std::vector<WindowQuery> all = {restart, destination, notice, groupNotAdded, warning, error};
        DWORD start = GetTickCount();
        while (GetTickCount() - start < 3 * kBound) {
            std::size_t which = 0;
            HWND hwnd = nullptr;
            ::testing::AssertionResult found = robot_.WaitAnyWindow(all, kBound, &which, &hwnd);
            EXPECT_TRUE(found);
            if (!found) return nullptr;
            switch (which) {
            case 0:
                std::cout << "on the way to the restart prompt:\n" << robot_.TranscriptText();
                return hwnd;
            case 1:
                EXPECT_TRUE(robot_.Click(hwnd, IDOK));
                EXPECT_TRUE(robot_.WaitGone(hwnd, kBound));
                break;
            case 2:
            case 3:
                EXPECT_TRUE(robot_.Click(hwnd, IDOK));
                EXPECT_TRUE(robot_.WaitGone(hwnd, kBound));
                break;
            default:
                ADD_FAILURE() << "unexpected message on the way to the restart prompt:\n"
                              << robot::ReadDialog(robot::Inspect(hwnd)).Describe() << "\ntranscript:\n"
                              << robot_.TranscriptText();
                return nullptr;
            }
        }
        ADD_FAILURE() << "the restart prompt did not come; transcript:\n" << robot_.TranscriptText();
        return nullptr;
    }

    // Starts a companion program that owns a window of `className`.
    Robot* StartCompanion(const std::string& className, const std::string& options) {
        Robot* companion = new Robot;
        companions_.push_back(companion);
        EXPECT_TRUE(companion->Start(robot::BinDir() + "companion_fixture.exe", className + " " + options));
        EXPECT_TRUE(companion->WaitWindow(WindowQuery::Class(className), kBound));
        return companion;
    }

    Robot robot_;
    std::vector<Robot*> companions_;
    std::string dir_;
    HWND main_ = nullptr;
};

// Bytes that the spooler needs for its port list at information level 1.
DWORD PortListSize() {
    DWORD needed = 0, count = 0;
    EnumPortsA(nullptr, 1, nullptr, 0, &needed, &count);
    return needed;
}

TEST_F(Installer, FirstKeyStartsTheSequenceAndASecondClickDoesNothing) {
    Prepare();
    StartInstaller();
    EXPECT_EQ(robot_.ControlText(main_, 999), "Click the mouse or press any key to continue...");
    // A second installer beside the first, which waits at its welcome
    // screen: with an option it ends at once with 1618; an uninstaller
    // without one says why it does not start.
    Robot second;
    DWORD code = 0;
    ASSERT_TRUE(second.Start(dir_ + "tlsetup.exe", "/S", dir_));
    ASSERT_TRUE(second.WaitExit(kBound, &code));
    EXPECT_EQ(code, 1618u);
    EXPECT_TRUE(second.Transcript().empty()) << second.TranscriptText();
    Robot third;
    SeenDialog refusal;
    HWND box = nullptr;
    ASSERT_TRUE(third.Start(robot::ProgramsDir() + "tldesetup.exe", "", dir_));
    ASSERT_TRUE(third.WaitMessageBox("ORVAN Vireo Erreur", kBound, &refusal, &box));
    EXPECT_EQ(refusal.text, "Une autre installation ou d\xe9sinstallation de Vireo est en cours.\nAttendez qu'elle "
                            "soit termin\xe9" "e, puis recommencez.");
    ASSERT_TRUE(third.Click(box, IDOK));
    ASSERT_TRUE(third.WaitExit(kBound, &code));
    EXPECT_EQ(code, 0u);
    PressFirstKey();
    HWND ports = WaitPortDialog();
    ASSERT_NE(ports, nullptr);
    // A click on the welcome screen while the sequence runs, then Cancel in
    // the port dialog: posted in this order, handled in this order, so by the
    // time the cancel question shows the click has been handled.
    ASSERT_TRUE(robot_.ClickClient(main_, 100, 100));
    ASSERT_TRUE(robot_.Click(ports, IDCANCEL));
    HWND question = nullptr;
    ASSERT_TRUE(robot_.WaitWindow(WindowQuery::MessageBox(kWarningCaption), kBound, &question));
    // A second sequence would have shown a second port dialog before the
    // question.
    std::vector<SeenDialog> seen = robot_.Transcript();
    ASSERT_EQ(seen.size(), 2u) << "only the port dialog and the cancel question:\n" << robot_.TranscriptText();
    EXPECT_FALSE(seen[0].messageBox);
    EXPECT_EQ(seen[0].caption, kMainTitle);
    EXPECT_EQ(seen[1].text, kCancelQuestion);
    EXPECT_NE(robot_.ControlText(main_, 999), "Click the mouse or press any key to continue...");
}

TEST_F(Installer, AltKeyDoesNotStartTheSequence) {
    Prepare();
    StartInstaller();
    ASSERT_TRUE(robot_.AltKey(main_, 'S'));
    // Bounded watch: nothing of the sequence may appear while the posted
    // Alt key is handled.
    ::testing::AssertionResult started =
        robot_.WaitWindow(WindowQuery::Dialog(kMainTitle, kPortDialogIds), 3000);
    EXPECT_FALSE(started) << "Alt+S started the installation";
    EXPECT_EQ(robot_.ControlText(main_, 999), "Click the mouse or press any key to continue...");
    EXPECT_TRUE(robot_.Transcript().empty()) << robot_.TranscriptText();
    // The window still listens: a plain key starts it.
    PressFirstKey();
    EXPECT_NE(WaitPortDialog(), nullptr);
}

TEST_F(Installer, MachineWithoutParallelPortGetsMessage1015AndEnds) {
    ASSERT_EQ(SeedPorts(0), 0);
    Prepare();
    StartPastWelcome();
    ExpectNotice(kWarningCaption, "Your system does not have a parallel port. \nVireo cannot be installed on your system.");
    ExpectEndsWithCodeZero();
    std::vector<SeenDialog> seen = robot_.Transcript();
    ASSERT_EQ(seen.size(), 1u) << "no port dialog after message 1015:\n" << robot_.TranscriptText();
}

TEST_F(Installer, CancelNoThenConnectOnLpt2GoesOn) {
    HWND ports = StartAtPortDialog();
    ASSERT_NE(ports, nullptr);
    ASSERT_TRUE(robot_.Click(ports, IDCANCEL));
    SeenDialog question;
    HWND box = nullptr;
    ASSERT_TRUE(robot_.WaitMessageBox(kWarningCaption, kBound, &question, &box));
    EXPECT_EQ(question.text, kCancelQuestion);
    ASSERT_EQ(question.buttons.size(), 2u) << question.Describe();
    EXPECT_EQ(question.icon, robot::Icon::Question) << question.Describe();
    ASSERT_TRUE(robot_.Click(box, IDNO));
    ASSERT_TRUE(robot_.WaitGone(box, kBound));

    ports = WaitPortDialog();
    ASSERT_NE(ports, nullptr);
    EXPECT_TRUE(robot_.Checked(ports, 124)) << "LPT1 is checked when the dialog comes back";
    ASSERT_TRUE(robot_.Click(ports, 125));
    ASSERT_TRUE(robot_.Click(ports, 123));
    ASSERT_TRUE(robot_.WaitGone(ports, kBound));

    // The next step: the destination dialog (or, while that step is a
    // stand-in, whatever follows it up to the restart prompt) without a
    // message about the ports.
    std::size_t which = 0;
    HWND next = nullptr;
    ASSERT_TRUE(robot_.WaitAnyWindow({WindowQuery::Dialog(kMainTitle, kDestinationDialogIds),
                                      WindowQuery::Dialog(kMainTitle, kRestartDialogIds),
                                      WindowQuery::MessageBox(kMainTitle), WindowQuery::MessageBox(kErrorCaption),
                                      WindowQuery::MessageBox(kWarningCaption)},
                                     kBound, &which, &next));
    SeenDialog after = robot::ReadDialog(robot::Inspect(next));
    EXPECT_TRUE(which <= 2 || after.text.find("could not add") != std::string::npos)
        << "after Connect: " << after.Describe() << "\n" << robot_.TranscriptText();
    for (const SeenDialog& d : robot_.Transcript()) {
        EXPECT_NE(d.text, kNotInstalled) << robot_.TranscriptText();
    }
}

TEST_F(Installer, CancelThenYesGivesMessage1006AsFinalNotice) {
    HWND ports = StartAtPortDialog();
    ASSERT_NE(ports, nullptr);
    ASSERT_TRUE(robot_.Click(ports, IDCANCEL));
    HWND box = nullptr;
    ASSERT_TRUE(robot_.WaitWindow(WindowQuery::MessageBox(kWarningCaption), kBound, &box));
    ASSERT_TRUE(robot_.Click(box, IDYES));
    ASSERT_TRUE(robot_.WaitGone(box, kBound));
    SeenDialog notice;
    ExpectNotice(kWarningCaption, kNotInstalled, &notice);
    ExpectEndsWithCodeZero();
    std::vector<SeenDialog> seen = robot_.Transcript();
    ASSERT_EQ(seen.size(), 3u) << robot_.TranscriptText();
    EXPECT_EQ(seen[1].text, kCancelQuestion);
    EXPECT_EQ(seen[2].text, kNotInstalled);
}

TEST_F(Installer, TwoPortsDisableLpt3) {
    ASSERT_EQ(SeedPorts(2), 0);
    HWND ports = StartAtPortDialog();
    ASSERT_NE(ports, nullptr);
    EXPECT_TRUE(robot_.Enabled(ports, 124));
    EXPECT_TRUE(robot_.Enabled(ports, 125));
    EXPECT_FALSE(robot_.Enabled(ports, 126)) << robot::DescribeScreen();
    EXPECT_TRUE(robot_.Checked(ports, 124));
    EXPECT_EQ(robot_.ControlText(ports, 127),
              "Please select one port to connect to Vireo.  Later, you can connect to a different port by using the "
              "Vireo Print Status Display.");
}

// Adds ports to the spooler's list (the local monitor reads it from the
// registry at each enumeration).
bool AddSpoolerPorts(const std::vector<std::string>& names) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows NT\\CurrentVersion\\Ports", 0, KEY_ALL_ACCESS,
                      &key) != ERROR_SUCCESS) {
        return false;
    }
    bool ok = true;
    for (const std::string& name : names) {
        ok = RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 1) == ERROR_SUCCESS && ok;
    }
    RegCloseKey(key);
    return ok;
}

TEST_F(Installer, PortListLongerThan120BytesIsReadWithoutAMessage) {
    ASSERT_TRUE(AddSpoolerPorts({"COM5:", "COM6:", "COM7:", "COM8:", "C:\\PELORA\\SPOOL\\OUTPUT.PRN"}));
    DWORD needed = PortListSize();
    ASSERT_GT(needed, 120u) << "the machine's port list must not fit the first attempt's 120 bytes";
    HWND ports = StartAtPortDialog();
    ASSERT_NE(ports, nullptr);
    EXPECT_TRUE(robot_.Enabled(ports, 126)) << "all three ports counted";
    std::vector<SeenDialog> seen = robot_.Transcript();
    ASSERT_EQ(seen.size(), 1u) << "nothing before the port dialog:\n" << robot_.TranscriptText();
}

TEST_F(Installer, MissingProgressBarLibraryGivesMessage1000) {
    Prepare(false, true);
    StartAndConnectFirstPort();
    ExpectNotice(kErrorCaption,
                 "The file PERCENT.DLL cannot be loaded onto your system.\nVireo cannot be installed on your system.");
    ExpectEndsWithCodeZero();
}

TEST_F(Installer, MissingScriptGivesMessage1002NamingItsPath) {
    Prepare(true, false);
    StartAndConnectFirstPort();
    ExpectNotice(kErrorCaption, "The " + dir_ + "TLSETUP.INF file cannot be loaded onto your system.\n"
                                "Vireo cannot be installed on your system.");
    ExpectEndsWithCodeZero();
}

TEST_F(Installer, ExitSetupEndsWithExitCodeZero) {
    Prepare();
    StartAndConnectFirstPort();
    HWND prompt = DriveToRestartPrompt();
    ASSERT_NE(prompt, nullptr);
    EXPECT_EQ(robot_.ControlText(prompt, 114), "You must restart Windows in order to activate Vireo.");
    EXPECT_EQ(robot_.ControlText(prompt, 110), "&Restart Windows");
    EXPECT_EQ(robot_.ControlText(prompt, 111), "&Exit Setup");
    ASSERT_TRUE(robot_.ClickText(prompt, "Exit Setup"));
    ExpectEndsWithCodeZero();
}

TEST_F(Installer, InstallerWaitsForALateClosingCompanion) {
    // ZerODAClass is asked first without a wait (lParam 1), then again after
    // SpoolerClass has gone (lParam 0); this one closes, late, only on the
    // second request, so the installer must wait for it too. Two copies of
    // the spooler run: each is asked.
    Robot* spooler = StartCompanion("SpoolerClass", "--delay 1000");
    Robot* secondSpooler = StartCompanion("SpoolerClass", "--delay 1000");
    Robot* zeroda = StartCompanion("ZerODAClass", "--only-lparam 0 --delay 1000");
    HWND ports = StartAtPortDialog();
    ASSERT_NE(ports, nullptr);
    EXPECT_EQ(FindWindowA("SpoolerClass", nullptr), nullptr) << "the port dialog came before the companion closed";
    EXPECT_EQ(FindWindowA("ZerODAClass", nullptr), nullptr) << "the port dialog came before the companion closed";
    DWORD code = 0;
    ASSERT_TRUE(spooler->WaitExit(kBound, &code));
    EXPECT_EQ(code, 1100u) << "one request with lParam 0";
    ASSERT_TRUE(secondSpooler->WaitExit(kBound, &code));
    EXPECT_EQ(code, 1100u) << "the second copy got one request with lParam 0";
    ASSERT_TRUE(zeroda->WaitExit(kBound, &code));
    EXPECT_EQ(code, 1210u) << "two requests: lParam 1, then lParam 0";
}

// The question about a companion program that has not closed: it names the
// program's window title and offers Retry and Cancel.
void ExpectCompanionQuestion(const SeenDialog& seen, const char* title) {
    EXPECT_EQ(seen.text, std::string("The program \"") + title +
                             "\" has not closed.\nClose it, then choose Retry, or choose Cancel to leave Setup.")
        << seen.Describe();
    ASSERT_EQ(seen.buttons.size(), 2u) << seen.Describe();
    EXPECT_EQ(seen.buttons[0], "&Retry");
    EXPECT_EQ(seen.buttons[1], "Cancel");
    EXPECT_EQ(seen.icon, robot::Icon::Warning) << seen.Describe();
    EXPECT_TRUE(seen.topmost) << seen.Describe();
}

TEST_F(Installer, NeverClosingCompanionBringsTheQuestionAndRetryGoesOnOnceItIsClosed) {
    Robot* panel = StartCompanion("PanelClass", "--never");
    Prepare();
    ASSERT_TRUE(robot::CopyInto(robot::TestVariant("tlsetup_quick.exe"), dir_));
    StartPastWelcome("tlsetup_quick.exe");
    // Bounded watch: for a few seconds the sequence stays in its wait.
    ::testing::AssertionResult ports = robot_.WaitWindow(WindowQuery::Dialog(kMainTitle, kPortDialogIds), 4000);
    EXPECT_FALSE(ports) << "the sequence went on while the companion was still open";
    EXPECT_TRUE(robot_.StaysRunning(0));
    DWORD_PTR answer = 0;
    EXPECT_NE(SendMessageTimeoutA(main_, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer), 0)
        << "the installer's window does not answer while it waits";
    // After the bound the user is asked.
    SeenDialog seen;
    HWND box = nullptr;
    ASSERT_TRUE(robot_.WaitMessageBox(kWarningCaption, kBound, &seen, &box)) << robot_.TranscriptText();
    ExpectCompanionQuestion(seen, "PanelClass");
    EXPECT_NE(FindWindowA("PanelClass", nullptr), nullptr);
    // The user closes the program, then chooses Retry: the installation goes on.
    panel->Kill();
    ASSERT_TRUE(robot_.Click(box, IDRETRY));
    EXPECT_NE(WaitPortDialog(), nullptr) << robot_.TranscriptText();
}

// A companion program whose thread no longer reads its messages does not
// freeze the installer: the user is asked, and Cancel leaves Setup.
// The hung program is ended as soon as the question has been read: Wine lets
// a message sent to a thread that hangs inside another one wait for good,
// and the robot reads the texts of every window it looks at.
TEST_F(Installer, HungCompanionBringsTheQuestionAndCancelLeavesSetup) {
    Robot* hung = StartCompanion("SpoolerClass", "--hang");
    Prepare();
    ASSERT_TRUE(robot::CopyInto(robot::TestVariant("tlsetup_quick.exe"), dir_));
    StartPastWelcome("tlsetup_quick.exe");
    SeenDialog seen;
    HWND box = nullptr;
    ::testing::AssertionResult asked = robot_.WaitMessageBox(kWarningCaption, kBound, &seen, &box);
    hung->Kill();
    ASSERT_TRUE(asked) << robot_.TranscriptText();
    ExpectCompanionQuestion(seen, "SpoolerClass");
    ASSERT_TRUE(robot_.Click(box, IDCANCEL));
    ExpectNotice(kWarningCaption, kNotInstalled);
    ExpectEndsWithCodeZero();
    for (const SeenDialog& shown : robot_.Transcript()) {
        EXPECT_NE(shown.caption, kMainTitle) << "the sequence went on: " << shown.Describe();
    }
}

// With an option on the command line the run ends with its exit code:
// Cancel at the question about a program that does not close gives 14, and
// the log tells the question and the code.
TEST_F(Installer, CancelAtTheCompanionQuestionGivesItsExitCodeWhenAnOptionIsGiven) {
    StartCompanion("PanelClass", "--never");
    Prepare();
    ASSERT_TRUE(robot::CopyInto(robot::TestVariant("tlsetup_quick.exe"), dir_));
    const std::string log = dir_ + "SETUP.LOG";
    StartPastWelcome("tlsetup_quick.exe", "/LOG=" + log);
    SeenDialog seen;
    HWND box = nullptr;
    ASSERT_TRUE(robot_.WaitMessageBox(kWarningCaption, kBound, &seen, &box)) << robot_.TranscriptText();
    ExpectCompanionQuestion(seen, "PanelClass");
    ASSERT_TRUE(robot_.Click(box, IDCANCEL));
    ExpectNotice(kWarningCaption, kNotInstalled);
    DWORD code = 0;
    ASSERT_TRUE(robot_.WaitExit(kBound, &code));
    EXPECT_EQ(code, 14u) << robot_.TranscriptText();
    std::string text(4096, '\0');
    DWORD read = 0;
    HANDLE file = CreateFileA(log.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << "no log " << log;
    ReadFile(file, &text[0], static_cast<DWORD>(text.size()), &read, nullptr);
    CloseHandle(file);
    text.resize(read);
    EXPECT_NE(text.find("Message 1080 "), std::string::npos) << text;
    EXPECT_NE(text.find("Exit code 14\r\n"), std::string::npos) << text;
}

// Wine's ExitWindowsEx ends the session through wineboot: every process with
// a window is told that the session ends and then stopped. The test driver
// owns no window, so it lives on and watches from outside: the installer
// ends, and a witness window of the same session is told of the session's
// end, which only the restart request can have caused.
TEST_F(Installer, RestartWindowsAsksTheSystemToEndTheSession) {
    std::string witnessLog = dir_ + "WITNESS.LOG";
    Robot* witness = StartCompanion("WitnessClass", "--never --log " + witnessLog);
    Prepare();
    StartAndConnectFirstPort();
    HWND prompt = DriveToRestartPrompt();
    ASSERT_NE(prompt, nullptr);
    EXPECT_EQ(GetFileAttributesA(witnessLog.c_str()), INVALID_FILE_ATTRIBUTES) << "the session ended too early";
    ASSERT_TRUE(robot_.ClickText(prompt, "&Restart Windows"));
    ASSERT_TRUE(robot_.WaitExit(kBound)) << "the installer outlived the end of the session";
    ASSERT_TRUE(witness->WaitExit(kBound)) << "the witness outlived the end of the session";
    HANDLE file = CreateFileA(witnessLog.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << "the witness was not told of the session's end: " << witnessLog;
    char text[16] = "";
    DWORD read = 0;
    ReadFile(file, text, sizeof text - 1, &read, nullptr);
    CloseHandle(file);
    EXPECT_STREQ(text, "endsession");
}

// The test variant whose restart request the system accepts and another
// program then refuses (its stand-in ExitWindowsEx sends what Windows sends:
// WM_QUERYENDSESSION, then WM_ENDSESSION with FALSE, the first time before it
// returns, the second time from another thread after it has returned). The
// session goes on, so the installer shows its restart prompt again each
// time, and Exit Setup then ends it as usual.
TEST_F(Installer, ARestartThatAnotherProgramRefusesBringsThePromptBack) {
    const std::string offer = robot::OfferVariant();
    const std::string variant = offer.substr(0, offer.find_last_of('\\') + 1) + "tlsetup_vetoed.exe";
    Prepare();
    ASSERT_TRUE(robot::CopyInto(variant, dir_)) << "copying " << variant << " to " << dir_;
    StartAndConnectFirstPort("tlsetup_vetoed.exe");
    HWND prompt = DriveToRestartPrompt();
    ASSERT_NE(prompt, nullptr);
    const std::size_t before = robot_.Transcript().size();
    for (int request = 1; request <= 2; ++request) {
        ASSERT_TRUE(robot_.ClickText(prompt, "&Restart Windows"));
        ASSERT_TRUE(robot_.WaitGone(prompt, kBound));
        ASSERT_TRUE(robot_.WaitWindow(WindowQuery::Dialog(kMainTitle, kRestartDialogIds), kBound, &prompt))
            << "no restart prompt after refused request " << request << "; transcript:\n" << robot_.TranscriptText();
        EXPECT_EQ(robot_.ControlText(prompt, 114), "You must restart Windows in order to activate Vireo.");
    }
    ASSERT_TRUE(robot_.ClickText(prompt, "&Exit Setup"));
    ExpectEndsWithCodeZero();

    std::vector<SeenDialog> seen = robot_.Transcript();
    EXPECT_EQ(seen.size(), before + 2) << "the prompt twice more and nothing else:\n" << robot_.TranscriptText();
    HANDLE file = CreateFileA((dir_ + "ENDSESS.LOG").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << "the stand-in left no ENDSESS.LOG";
    char text[512] = "";
    DWORD read = 0;
    ReadFile(file, text, sizeof text - 1, &read, nullptr);
    CloseHandle(file);
    EXPECT_STREQ(text,
                 "request 1: flags 2, reserved 0, before the return, main window answered 1\r\n"
                 "request 2: flags 2, reserved 0, after the return, main window answered 1\r\n")
        << "EWX_REBOOT alone, and the installer agreed to end the session";
}

}  // namespace
