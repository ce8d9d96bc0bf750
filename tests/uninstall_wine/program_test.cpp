// tldesetup.exe run as a child process on the seeded machine. Every message
// box it shows is read back (caption and text, as Unicode, so that the
// accented letters of the French texts are checked) and answered. The tests
// run its quick variant (no hold at a full progress bar, short bounds of a
// close request); those of companion programs that close late, and of the
// progress dialog, which needs its hold, the program itself.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "../machine/process_window.h"
#include "start_process.h"
#include "wine_files.h"

namespace {

struct Box {
    std::wstring caption;
    std::wstring text;
    bool yesNo;
};

// Answer for one box: a button id (IDOK, IDYES, IDNO).
using Policy = std::function<int(const Box&)>;

struct RunResult {
    bool finished = false;
    DWORD exitCode = 0;
    std::vector<Box> boxes;
};

std::string ProgramDir() {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string dir(path, n);
    return dir.substr(0, dir.find_last_of('\\'));
}

std::string BuiltUninstaller(bool realBounds) {
    return ProgramDir() + (realBounds ? "\\tldesetup.exe" : "\\tldesetup_quick.exe");
}
std::string BuiltProgressBar() { return ProgramDir() + "\\ZEROZ32.DLL"; }

std::wstring WindowTextW(HWND hwnd) {
    wchar_t text[2048];
    int n = GetWindowTextW(hwnd, text, 2048);
    return std::wstring(text, n > 0 ? n : 0);
}

struct FindBoxes {
    DWORD pid;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectBox(HWND hwnd, LPARAM param) {
    auto* find = reinterpret_cast<FindBoxes*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != find->pid || !IsWindowVisible(hwnd)) return TRUE;
    char cls[32];
    GetClassNameA(hwnd, cls, sizeof cls);
    // Message boxes are dialogs with an OK or a Yes button; the progress
    // dialog has neither.
    if (std::string(cls) == "#32770" && (GetDlgItem(hwnd, IDOK) || GetDlgItem(hwnd, IDYES))) {
        find->found.push_back(hwnd);
    }
    return TRUE;
}

BOOL CALLBACK LongestStatic(HWND hwnd, LPARAM param) {
    auto* text = reinterpret_cast<std::wstring*>(param);
    char cls[32];
    GetClassNameA(hwnd, cls, sizeof cls);
    if (lstrcmpiA(cls, "Static") == 0) {
        std::wstring t = WindowTextW(hwnd);
        if (t.size() > text->size()) *text = t;
    }
    return TRUE;
}

std::string Narrow(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) out += c < 128 ? static_cast<char>(c) : '?';
    return out;
}

// Runs the program with the command-line tail, answering boxes by policy,
// for at most timeoutMs.
RunResult RunUninstaller(const std::string& exe, const std::string& tail, const Policy& policy,
                         const std::function<void(DWORD pid)>& onTick = nullptr, DWORD timeoutMs = 120000) {
    RunResult result;
    std::string commandLine = "\"" + exe + "\"" + (tail.empty() ? "" : " " + tail);
    std::vector<char> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back('\0');
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::string dir = exe.substr(0, exe.find_last_of('\\'));
    if (!StartProcess(exe.c_str(), buffer.data(), 0, dir.c_str(), &si, &pi)) {
        ADD_FAILURE() << "cannot start " << exe << ", error " << GetLastError();
        return result;
    }
    std::set<HWND> answered;
    DWORD start = GetTickCount();
    for (;;) {
        if (WaitForSingleObject(pi.hProcess, 100) == WAIT_OBJECT_0) {
            result.finished = true;
            break;
        }
        if (GetTickCount() - start > timeoutMs) break;
        if (onTick) onTick(pi.dwProcessId);
        FindBoxes find{pi.dwProcessId, {}};
        EnumWindows(CollectBox, reinterpret_cast<LPARAM>(&find));
        for (HWND box : find.found) {
            if (answered.count(box)) continue;
            Box seen{WindowTextW(box), L"", GetDlgItem(box, IDYES) != nullptr};
            EnumChildWindows(box, LongestStatic, reinterpret_cast<LPARAM>(&seen.text));
            result.boxes.push_back(seen);
            answered.insert(box);
            PostMessageA(box, WM_COMMAND, MAKEWPARAM(policy(seen), BN_CLICKED), 0);
        }
    }
    if (!result.finished) {
        ADD_FAILURE() << "the uninstaller did not end within " << timeoutMs << " ms";
        TerminateProcess(pi.hProcess, 99);
        WaitForSingleObject(pi.hProcess, 10000);
    }
    GetExitCodeProcess(pi.hProcess, &result.exitCode);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return result;
}

// Boxes that Program Manager's absence may add; tests look past them.
bool IsGroupWarning(const Box& box) { return box.text.find(L"Gestionnaire de programmes") != std::wstring::npos; }

std::vector<Box> WithoutGroupWarning(const std::vector<Box>& boxes) {
    std::vector<Box> out;
    for (const Box& b : boxes) {
        if (!IsGroupWarning(b)) out.push_back(b);
    }
    return out;
}

std::string Describe(const std::vector<Box>& boxes) {
    std::string out;
    for (const Box& b : boxes) out += "[" + Narrow(b.caption) + "] " + Narrow(b.text) + "\n";
    return out.empty() ? "(no box)" : out;
}

// A program that stands in for one of the package's companion programs.
struct Companion {
    PROCESS_INFORMATION pi{};
    bool started = false;

    Companion(const char* windowClass, const char* options) {
        std::string exe = ProgramDir() + "\\companion_fixture.exe";
        std::string commandLine = "\"" + exe + "\" " + windowClass + " " + options;
        std::vector<char> buffer(commandLine.begin(), commandLine.end());
        buffer.push_back('\0');
        STARTUPINFOA si{};
        si.cb = sizeof si;
        started = StartProcess(exe.c_str(), buffer.data(), 0, nullptr, &si, &pi);
        if (!started) return;
        WaitForInputIdle(pi.hProcess, 10000);
        for (DWORD start = GetTickCount(); !FindWindowA(windowClass, nullptr) && GetTickCount() - start < 20000;) {
            WaitForSingleObject(pi.hProcess, 50);
        }
    }
    // Exit code once ended, or 0 when it does not end within the bound.
    DWORD ExitCode(DWORD timeoutMs) {
        if (!started || WaitForSingleObject(pi.hProcess, timeoutMs) != WAIT_OBJECT_0) return 0;
        DWORD code = 0;
        GetExitCodeProcess(pi.hProcess, &code);
        return code;
    }
    ~Companion() {
        if (!started) return;
        if (WaitForSingleObject(pi.hProcess, 0) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    }
};

bool IsMainWindow(HWND hwnd) { return IsWindowVisible(hwnd) && ClassOf(hwnd) == "DeSetupWinClass"; }

bool IsProgressDialog(HWND hwnd) { return IsWindowVisible(hwnd) && GetDlgItem(hwnd, 103) && GetDlgItem(hwnd, 100); }

const wchar_t kWarningCaption[] = L"ORVAN Vireo Avertissement";
const wchar_t kErrorCaption[] = L"ORVAN Vireo Erreur";
const wchar_t kTitle[] = L"ORVAN Vireo D\u00e9sinstallation";
const wchar_t kConfirmText[] =
    L"D\u00e9sirez-vous supprimer Vireo de votre syst\u00e8me ? Si oui, tous les fichiers li\u00e9s \u00e0 Vireo et "
    L"tous ses param\u00e8tres dans votre syst\u00e8me Windows seront supprim\u00e9s. Fermez toutes les applications "
    L"actives avant de proc.";

const char kInstallDir[] = "C:\\VIREOT";
const char kCopyDir[] = "C:\\DESETUPT";

const char kScript[] =
    "[Application]\r\nAppName=Vireo\r\nDefDir=C:\\VIREO\r\nDefPMGroup=PELORA.GRP,ORVAN Pelora 200/250 Tools\r\n"
    "[Disks]\r\n1=Disk 1\r\n"
    "[Dirs]\r\n1=.\r\n2=USER\r\n3=DRIVER\r\n4=SYSTEM\r\n5=LAST1\r\n6=LAST2\r\n"
    "[Files]\r\n"
    "VIREO.EXE,1,VIREO.EX_,1,1,Y\r\n"
    "PELORASD.EXE,1,PELORASD.EX_,1,1,Y\r\n"
    "ZEROZ32.DLL,1,ZEROZ32.DL_,1,1,Y\r\n"
    "TLSETUP.INF,1,TLSETUP.INF,1,1,N\r\n"
    "TLDELET.EXE,1,TLDESETU.EX_,1,1,Y\r\n"
    "ORVPCL.DRV,3,ORVPCL.DR_,1,1,Y\r\n"
    "PANEL.EXE,3,PANEL.EX_,1,1,Y\r\n"
    "[End]\r\n";

const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ORVAN Pelora 200/250";

bool UninstallKeyExists() {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

std::string PortLine() {
    char value[32];
    GetPrivateProfileStringA("386Enh", "PeloraLPT", "<missing>", value, sizeof value, "system.ini");
    return value;
}

std::string RunValue() {
    char value[512];
    GetProfileStringA("windows", "run", "<missing>", value, sizeof value);
    return value;
}

class Program : public ::testing::Test {
protected:
    void SetUp() override {
        RemoveTree(kInstallDir);
        RemoveTree(kCopyDir);
    }
    void TearDown() override {
        RemoveTree(kInstallDir);
        RemoveTree(kCopyDir);
        DeleteFileA((WindowsDir() + "\\PELORASD.INI").c_str());
        DeleteFileA((WindowsDir() + "\\SYSTEM.000").c_str());
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, kUninstallKey);
    }

    static std::string Install(const char* name) { return std::string(kInstallDir) + "\\" + name; }

    // What an installation left: files, directories, settings, INI lines,
    // backups and the uninstall key.
    void LayOutInstallation(bool scriptInInstallDir, bool realBounds = false) {
        MakeDir(kInstallDir);
        for (const char* sub : {"USER", "DRIVER", "LAST1", "LAST2"}) MakeDir(Install(sub));
        for (const char* name : {"VIREO.EXE", "PELORASD.EXE", "spooler.que", "DRIVER\\ORVPCL.DRV", "DRIVER\\PANEL.EXE",
                                 "USER\\MINE.DOC"}) {
            WriteBytes(Install(name), "x");
        }
        ASSERT_TRUE(CopyFileA(BuiltProgressBar().c_str(), Install("ZEROZ32.DLL").c_str(), FALSE))
            << "no " << BuiltProgressBar();
        ASSERT_TRUE(CopyFileA(BuiltUninstaller(realBounds).c_str(), Install("TLDELET.EXE").c_str(), FALSE));
        if (scriptInInstallDir) WriteBytes(Install("TLSETUP.INF"), kScript);
        ASSERT_TRUE(WritePrivateProfileStringA("Applications", "VelmDir", kInstallDir, "PELORASD.INI"));
        ASSERT_TRUE(WritePrivateProfileStringA("Applications", "DeleteFile", "TLDELET.EXE", "PELORASD.INI"));
        ASSERT_TRUE(WritePrivateProfileStringA("386Enh", "PeloraLPT", "1", "system.ini"));
        ASSERT_TRUE(WriteProfileStringA("windows", "run", "C:\\VIREOT\\PELORASD.EXE C:\\WINDOWS\\CLOCK.EXE"));
        WriteBytes(WindowsDir() + "\\SYSTEM.001", "[boot]\r\n");
        WriteBytes(WindowsDir() + "\\WIN.001", "[windows]\r\n");
        HKEY key;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                  nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(key, "DisplayName", 0, REG_SZ, reinterpret_cast<const BYTE*>("Vireo"), 6);
        RegCloseKey(key);
    }

    // A copy of the uninstaller in a directory of its own.
    std::string CopyUninstaller(bool withScript) {
        MakeDir(kCopyDir);
        std::string exe = std::string(kCopyDir) + "\\TLDESETU.EXE";
        EXPECT_TRUE(CopyFileA(BuiltUninstaller(false).c_str(), exe.c_str(), FALSE));
        if (withScript) WriteBytes(std::string(kCopyDir) + "\\TLSETUP.INF", kScript);
        return exe;
    }

    void ExpectRemoved() {
        for (const char* name : {"VIREO.EXE", "PELORASD.EXE", "ZEROZ32.DLL", "ZEROZ321.DLL", "spooler.que",
                                 "DRIVER\\PANEL.EXE", "USER\\MINE.DOC"}) {
            EXPECT_FALSE(FileExists(Install(name))) << name << " left in place";
        }
        EXPECT_TRUE(FileExists(Install("DRIVER\\ORVPCL.DRV"))) << "the shared driver file stays";
        EXPECT_FALSE(DirExists(Install("USER")));
        EXPECT_TRUE(DirExists(Install("DRIVER"))) << "still holds the driver file";
        EXPECT_TRUE(DirExists(Install("LAST1")));
        EXPECT_FALSE(FileExists(WindowsDir() + "\\SYSTEM.001"));
        EXPECT_FALSE(FileExists(WindowsDir() + "\\WIN.001"));
        EXPECT_TRUE(FileExists(WindowsDir() + "\\SYSTEM.000"));
        EXPECT_EQ(PortLine(), "<missing>");
        EXPECT_EQ(RunValue(), "C:\\WINDOWS\\CLOCK.EXE");
        EXPECT_FALSE(UninstallKeyExists());
    }
};

}  // namespace

TEST_F(Program, MissingSettingsShowNothingToRemoveEvenWhenExternal) {
    DeleteFileA((WindowsDir() + "\\PELORASD.INI").c_str());
    RunResult run = RunUninstaller(BuiltUninstaller(false), "External", [](const Box&) { return IDOK; });
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0u);
    ASSERT_EQ(run.boxes.size(), 1u) << Describe(run.boxes);
    EXPECT_EQ(run.boxes[0].caption, kWarningCaption) << Describe(run.boxes);
    EXPECT_EQ(run.boxes[0].text, L"Impossible de trouver les informations \u00e0 supprimer.")
        << Describe(run.boxes);
}

TEST_F(Program, MissingScriptNamesThePathBesideTheProgram) {
    std::string exe = CopyUninstaller(false);
    ASSERT_TRUE(WritePrivateProfileStringA("Applications", "VelmDir", "C:\\NOWHERE", "PELORASD.INI"));
    RunResult run = RunUninstaller(exe, "External", [](const Box&) { return IDOK; });
    ASSERT_TRUE(run.finished);
    ASSERT_EQ(run.boxes.size(), 1u) << Describe(run.boxes);
    EXPECT_EQ(run.boxes[0].caption, kErrorCaption);
    EXPECT_EQ(run.boxes[0].text,
              L"Impossible de charger le fichier C:\\DESETUPT\\TLSETUP.INF sur votre syst\u00e8me. \n"
              L"Vireo ne peut \u00eatre d\u00e9sinstall\u00e9 de votre syst\u00e8me.")
        << Describe(run.boxes);
}

TEST_F(Program, ScriptBesideTheProgramIsUsedWhenTheInstallationHasNone) {
    LayOutInstallation(false);
    std::string exe = CopyUninstaller(true);
    RunResult run = RunUninstaller(exe, "External", [](const Box&) { return IDOK; });
    ASSERT_TRUE(run.finished);
    EXPECT_TRUE(WithoutGroupWarning(run.boxes).empty()) << "silent mode shows no box:\n" << Describe(run.boxes);
    ExpectRemoved();
    EXPECT_TRUE(FileExists(Install("TLDELET.EXE")));
    EXPECT_TRUE(DirExists(kInstallDir)) << "TLDELET.EXE keeps the installation directory";
}

TEST_F(Program, InteractiveRunConfirmsAndAsksToDeleteTheUninstaller) {
    LayOutInstallation(true);
    RunResult run = RunUninstaller(Install("TLDELET.EXE"), "", [](const Box& box) {
        return box.yesNo ? IDYES : IDOK;
    });
    ASSERT_TRUE(run.finished);
    std::vector<Box> boxes = WithoutGroupWarning(run.boxes);
    ASSERT_EQ(boxes.size(), 2u) << Describe(run.boxes);
    EXPECT_EQ(boxes[0].caption, kWarningCaption);
    EXPECT_EQ(boxes[0].text, kConfirmText) << Describe(run.boxes);
    EXPECT_TRUE(boxes[0].yesNo);
    EXPECT_EQ(boxes[1].caption, kTitle);
    EXPECT_EQ(boxes[1].text,
              L"Vireo a \u00e9t\u00e9 supprim\u00e9 de votre syst\u00e8me.Veuillez supprimer le fichier "
              L"\"TLDELET.EXE\" du r\u00e9pertoire d'installation.")
        << Describe(run.boxes);
    ExpectRemoved();
    EXPECT_FALSE(FileExists(Install("TLSETUP.INF")));
}

TEST_F(Program, RunFromElsewhereWithoutTheUninstallerSaysOnlyTheFirstSentence) {
    LayOutInstallation(true);
    DeleteFileA(Install("TLDELET.EXE").c_str());
    std::string exe = CopyUninstaller(false);
    RunResult run = RunUninstaller(exe, "", [](const Box& box) { return box.yesNo ? IDYES : IDOK; });
    ASSERT_TRUE(run.finished);
    std::vector<Box> boxes = WithoutGroupWarning(run.boxes);
    ASSERT_EQ(boxes.size(), 2u) << Describe(run.boxes);
    EXPECT_EQ(boxes[1].text, L"Vireo a \u00e9t\u00e9 supprim\u00e9 de votre syst\u00e8me.") << Describe(run.boxes);
    ExpectRemoved();
}

TEST_F(Program, NoToTheQuestionChangesNothing) {
    LayOutInstallation(true);
    RunResult run = RunUninstaller(Install("TLDELET.EXE"), "", [](const Box& box) {
        return box.yesNo ? IDNO : IDOK;
    });
    ASSERT_TRUE(run.finished);
    ASSERT_EQ(run.boxes.size(), 2u) << Describe(run.boxes);
    EXPECT_EQ(run.boxes[1].caption, kWarningCaption);
    EXPECT_EQ(run.boxes[1].text, L"Suppression de Vireo impossible.");
    // /? shows the usage text; a log that cannot be created stops an
    // interactive removal with its message. Neither removes anything.
    RunResult usage = RunUninstaller(Install("TLDELET.EXE"), "/?", [](const Box&) { return IDOK; });
    ASSERT_TRUE(usage.finished);
    EXPECT_EQ(usage.exitCode, 1u);
    ASSERT_EQ(usage.boxes.size(), 1u) << Describe(usage.boxes);
    EXPECT_EQ(usage.boxes[0].text.rfind(L"TLDELET [/S] [/LOG=chemin] [/?]\n", 0), 0u) << Describe(usage.boxes);
    RunResult noLog = RunUninstaller(Install("TLDELET.EXE"), "/LOG=C:\\NOWHERE\\R.LOG", [](const Box&) { return IDOK; });
    ASSERT_TRUE(noLog.finished);
    EXPECT_EQ(noLog.exitCode, 16u);
    ASSERT_EQ(noLog.boxes.size(), 1u) << Describe(noLog.boxes);
    EXPECT_EQ(noLog.boxes[0].text,
              L"Impossible de cr\u00e9er le journal C:\\NOWHERE\\R.LOG.\nVireo n'a pas \u00e9t\u00e9 d\u00e9sinstall\u00e9.");
    for (const char* name : {"VIREO.EXE", "PELORASD.EXE", "ZEROZ32.DLL", "USER\\MINE.DOC", "TLSETUP.INF"}) {
        EXPECT_TRUE(FileExists(Install(name))) << name << " was removed";
    }
    EXPECT_TRUE(FileExists(WindowsDir() + "\\SYSTEM.001"));
    EXPECT_FALSE(FileExists(WindowsDir() + "\\SYSTEM.000"));
    EXPECT_EQ(PortLine(), "1");
    EXPECT_EQ(RunValue(), "C:\\VIREOT\\PELORASD.EXE C:\\WINDOWS\\CLOCK.EXE");
    EXPECT_TRUE(UninstallKeyExists());
}

TEST_F(Program, MissingProgressBarLibraryStopsWithMessage1000) {
    LayOutInstallation(true);
    DeleteFileA(Install("ZEROZ32.DLL").c_str());
    RunResult run = RunUninstaller(Install("TLDELET.EXE"), "External", [](const Box&) { return IDOK; });
    ASSERT_TRUE(run.finished);
    std::vector<Box> boxes = WithoutGroupWarning(run.boxes);
    ASSERT_EQ(boxes.size(), 1u) << Describe(run.boxes);
    EXPECT_EQ(boxes[0].caption, kErrorCaption);
    EXPECT_EQ(boxes[0].text,
              L"Impossible de charger le fichier PERCENT.DLL sur votre syst\u00e8me. \n"
              L"Vireo ne peut \u00eatre d\u00e9sinstall\u00e9 de votre syst\u00e8me.");
    EXPECT_TRUE(FileExists(Install("VIREO.EXE"))) << "no file is removed without the progress dialog";
    EXPECT_FALSE(FileExists(Install("ZEROZ321.DLL")));
    EXPECT_EQ(PortLine(), "<missing>") << "the INI files were restored before";
}

TEST_F(Program, SecondRunAfterOneCutShortReplacesTheLibraryCopyAndCompletes) {
    // What a run ended during its file removal leaves: some files and the
    // backups gone, the INI lines restored, and its copy of the library.
    LayOutInstallation(true);
    for (const char* name : {"VIREO.EXE", "PELORASD.EXE"}) DeleteFileA(Install(name).c_str());
    DeleteFileA((WindowsDir() + "\\SYSTEM.001").c_str());
    DeleteFileA((WindowsDir() + "\\WIN.001").c_str());
    ASSERT_TRUE(WritePrivateProfileStringA("386Enh", "PeloraLPT", nullptr, "system.ini"));
    ASSERT_TRUE(WriteProfileStringA("windows", "run", "C:\\WINDOWS\\CLOCK.EXE"));
    WriteBytes(Install("ZEROZ321.DLL"), "cut short while being written");
    RunResult run = RunUninstaller(Install("TLDELET.EXE"), "External", [](const Box&) { return IDOK; });
    ASSERT_TRUE(run.finished);
    EXPECT_TRUE(WithoutGroupWarning(run.boxes).empty()) << Describe(run.boxes);
    ExpectRemoved();
    EXPECT_FALSE(FileExists(Install("TLSETUP.INF")));
}

TEST_F(Program, CompanionThatClosesLateDelaysTheRemoval) {
    LayOutInstallation(true, true);
    Companion spooler("SpoolerClass", "--delay 4000");
    ASSERT_TRUE(spooler.started) << "companion_fixture did not start";
    ASSERT_NE(FindWindowA("SpoolerClass", nullptr), nullptr);
    int looksWhileWaiting = 0;
    int filesGoneTooEarly = 0;
    int unresponsive = 0;
    COLORREF banner = CLR_INVALID, backdrop = CLR_INVALID;
    RunResult run = RunUninstaller(
        Install("TLDELET.EXE"), "External", [](const Box&) { return IDOK; },
        [&](DWORD pid) {
            if (!FindWindowA("SpoolerClass", nullptr)) return;
            HWND window = TopWindowOf(pid, IsMainWindow);
            if (!window) return;
            ++looksWhileWaiting;
            if (!FileExists(Install("VIREO.EXE"))) ++filesGoneTooEarly;
            DWORD_PTR answer = 0;
            if (!SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &answer)) ++unresponsive;
            RECT r;
            GetWindowRect(window, &r);
            HDC screen = GetDC(nullptr);
            banner = GetPixel(screen, r.left + 45, r.top + 32);   // inside bitmap 13
            backdrop = GetPixel(screen, r.left + 15, r.top + 200);  // grey backdrop
            ReleaseDC(nullptr, screen);
        });
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(spooler.ExitCode(10000), 1100u) << "one close request with lParam 0";
    EXPECT_GE(looksWhileWaiting, 10) << "the uninstaller did not wait for the companion";
    EXPECT_EQ(filesGoneTooEarly, 0) << "files were removed while the companion still ran";
    EXPECT_EQ(unresponsive, 0) << "the main window did not answer while waiting";
    EXPECT_EQ(banner, RGB(0, 128, 128)) << "banner pixel while waiting";
    EXPECT_EQ(backdrop, RGB(192, 192, 192)) << "backdrop pixel while waiting";
    ExpectRemoved();
}

TEST_F(Program, ProgressBarProgramIsAskedTwice) {
    LayOutInstallation(true, true);
    Companion oda("ZerODAClass", "--delay 2000");
    ASSERT_TRUE(oda.started) << "companion_fixture did not start";
    RunResult run = RunUninstaller(Install("TLDELET.EXE"), "External", [](const Box&) { return IDOK; });
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(oda.ExitCode(10000), 1210u) << "two close requests: lParam 1 first, then 0";
    ExpectRemoved();
}

TEST_F(Program, CancelQuestionOfTheProgressDialogNeverStopsTheRemoval) {
    LayOutInstallation(true, true);
    bool asked = false;
    std::wstring dialogTitle;
    RunResult run = RunUninstaller(
        Install("TLDELET.EXE"), "External", [](const Box& box) { return box.yesNo ? IDYES : IDOK; },
        [&](DWORD pid) {
            if (asked) return;
            HWND progress = TopWindowOf(pid, IsProgressDialog);
            if (!progress) return;
            dialogTitle = WindowTextW(progress);
            // Escape, pressed in the dialog: without a control to take it, the dialog holds the focus.
            asked = PostMessageA(progress, WM_KEYDOWN, VK_ESCAPE, 0x00010001) != 0;
        });
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0u) << "the uninstaller ends cleanly after the dialog and its library are gone";
    ASSERT_TRUE(asked) << "the progress dialog was never seen";
    EXPECT_EQ(dialogTitle, kTitle);
    std::vector<Box> boxes = WithoutGroupWarning(run.boxes);
    ASSERT_EQ(boxes.size(), 1u) << Describe(run.boxes);
    EXPECT_EQ(boxes[0].caption, kTitle);
    EXPECT_EQ(boxes[0].text,
              L"La d\u00e9sinstallation du logiciel n'est pas termin\u00e9e.\n"
              L"Etes-vous s\u00fbr de vouloir annuler l'op\u00e9ration ?");
    EXPECT_TRUE(boxes[0].yesNo);
    ExpectRemoved();
}
