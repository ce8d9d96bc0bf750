// Install the sample package with tlsetup, then remove it with the installed
// uninstaller, and check the machine item by item against what the removal
// promises.
#include <windows.h>

#include <shlobj.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "desetup_core.h"
#include "under_test.h"
#include "installer_driver.h"
#include "robot.h"
#include "../machine/pending_deletions.h"

namespace {

using namespace e2e;

const char kWarningCaption[] = "ORVAN Vireo Avertissement";
const char kErrorCaption[] = "ORVAN Vireo Erreur";
const char kTitle[] = "ORVAN Vireo D\xe9sinstallation";
const char kClosingText[] =
    "Vireo a \xe9t\xe9 supprim\xe9 de votre syst\xe8me.Veuillez supprimer le fichier \"TLDELET.EXE\" du "
    "r\xe9pertoire d'installation.";
// The closing text when files held open are left to the next start.
const char kClosingTextAtRestart[] =
    "Vireo a \xe9t\xe9 supprim\xe9 de votre syst\xe8me. Certains fichiers encore utilis\xe9s seront supprim\xe9s au "
    "prochain d\xe9marrage de Windows. Veuillez supprimer le fichier \"TLDELET.EXE\" du r\xe9pertoire d'installation.";
const char kGroupWarning[] = "Impossible de supprimer le groupe Vireo du Gestionnaire de programmes.";
// The progress dialog's first status line in each phase.
constexpr int kPhaseLine = 103;
const char kRemovingFiles[] = "Suppression des fichiers...";
const char kRemovingDirs[] = "Suppression des r\xe9pertoires de destination...";

std::string Install(const char* name) { return std::string(kInstallDir) + "\\" + name; }

bool KeyExists(const char* path) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_QUERY_VALUE | robot::ProgramRegView(), &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

// The places of the Start Menu folder of the group, in the user's and the
// common Programs folder. A slash cannot stand in a folder name; the shell
// writes it as an underscore (or, elsewhere, as two folders).
std::vector<std::string> GroupFolders() {
    std::vector<std::string> folders;
    for (int csidl : {CSIDL_PROGRAMS, CSIDL_COMMON_PROGRAMS}) {
        char programs[MAX_PATH] = "";
        if (FAILED(SHGetFolderPathA(nullptr, csidl, nullptr, 0, programs))) continue;
        for (const char* folder : {"\\ORVAN Pelora 200_250 Tools", "\\ORVAN Pelora 200\\250 Tools"}) {
            folders.push_back(std::string(programs) + folder);
        }
    }
    return folders;
}

bool GroupFolderExists() {
    for (const std::string& folder : GroupFolders()) {
        if (Exists(folder)) return true;
    }
    return false;
}

// Deletes the Start Menu folder of the group, as a user may have done. The
// shell that made it may still hold it open for a moment after the
// installation has ended (its folder then stays): tried again for up to 5 s.
void DeleteGroupFolders() {
    const DWORD start = GetTickCount();
    do {
        for (const std::string& folder : GroupFolders()) robot::RemoveTree(folder + "\\");
    } while (GroupFolderExists() && GetTickCount() - start < 5000 && (Sleep(50), true));
    ASSERT_FALSE(GroupFolderExists()) << "the group's Start Menu folder could not be deleted in 5 s";
}

// The machine's state that the round trip must give back.
struct IniState {
    std::string run;
    std::string portLine;
    std::string device;
    std::string printers;  // [PSCRIPT] External Printers
    bool backups;
    bool uninstallKey;
};

IniState ReadIniState() {
    IniState s;
    s.run = Profile("windows", "run");
    s.printers = Profile("PSCRIPT", "External Printers");
    s.portLine = Profile("386Enh", "PeloraLPT", "system.ini");
    s.device = Profile("windows", "device");
    s.backups = Exists(WindowsDir() + "\\SYSTEM.001") || Exists(WindowsDir() + "\\WIN.001");
    s.uninstallKey = KeyExists(kUninstallKey);
    return s;
}

// Runs tlsetup from the first diskette to its end, answering every prompt
// the way a user who accepts the defaults would, but for `answers`.
::testing::AssertionResult InstallPackage(const e2e::InstallAnswers& answers, e2e::InstallRun& run,
                                          const std::string& disk1 = robot::DistDisk1()) {
    ::testing::AssertionResult ok = e2e::RunInstaller(disk1, answers, &run);
    if (!ok) return ok;
    if (run.exitCode != 0) {
        return ::testing::AssertionFailure() << "installer ended with " << run.exitCode << ":\n" << run.transcriptText;
    }
    if (!Exists(Install("TLDELET.EXE"))) {
        return ::testing::AssertionFailure() << "no uninstaller installed; installer showed:\n" << run.transcriptText;
    }
    return ::testing::AssertionSuccess();
}

// The next message box of the uninstaller, whatever its caption.
::testing::AssertionResult NextBox(Robot& r, DWORD bound, SeenDialog* seen, HWND* box) {
    std::size_t which = 0;
    ::testing::AssertionResult ok =
        r.WaitAnyWindow({WindowQuery::MessageBox(kWarningCaption), WindowQuery::MessageBox(kErrorCaption),
                         WindowQuery::MessageBox(kTitle)},
                        bound, &which, box);
    if (ok) *seen = robot::ReadDialog(robot::Inspect(*box));
    return ok;
}

// Presses a button of a box and waits until the box has gone.
::testing::AssertionResult Answer(Robot& r, HWND box, int button) {
    ::testing::AssertionResult ok = r.Click(box, button);
    if (ok) ok = r.WaitGone(box, kBound);
    return ok;
}

// Waits (bounded) until the removal's progress dialog shows `phase` as its
// first status line after `gone` has been deleted, and ends the uninstaller
// there at once. The file is looked at before the line, so the line read
// tells where the removal stood with the file already gone. Each phase lasts
// at least the second it waits at its end, against polls a few milliseconds
// apart.
::testing::AssertionResult EndRemovalAt(Robot& r, const char* phase, const std::string& gone) {
    HWND dialog = nullptr;
    ::testing::AssertionResult ok = r.WaitWindow(WindowQuery::Dialog(kTitle, {kPhaseLine, 104, 100}), kBound, &dialog);
    if (!ok) return ok;
    const DWORD bound = robot::ScaledBound(kBound);
    const DWORD start = GetTickCount();
    std::string line;
    bool removed = false;
    do {
        removed = gone.empty() || !Exists(gone);
        line = r.ControlText(dialog, kPhaseLine);
        if (removed && line == phase) return r.Terminate();
    } while (WaitForSingleObject(r.Process(), 5) == WAIT_TIMEOUT && GetTickCount() - start < bound);
    return ::testing::AssertionFailure() << "the removal never showed \"" << phase << "\""
                                         << (gone.empty() ? "" : " with " + gone + " deleted") << "; last seen: \""
                                         << line << "\"" << (removed ? "" : ", file still there") << "\n"
                                         << robot::DescribeScreen() << r.TranscriptText();
}

class RoundTrip : public ::testing::Test {
protected:
    // Three external printers of the PostScript driver on the machine, so
    // that a count lowered twice shows.
    void SetUp() override {
        ASSERT_TRUE(WriteProfileStringA("PSCRIPT", "External Printers", "3"));
        before_ = ReadIniState();
    }

    void InstallAndCheck(const e2e::InstallAnswers& answers = {}) {
        ASSERT_TRUE(InstallPackage(answers, install_));
        installedSystemIni_ = ReadFileBytes(WindowsDir() + "\\SYSTEM.INI");
        ASSERT_EQ(Profile("Applications", "VelmDir", "PELORASD.INI"), kInstallDir);
        ASSERT_TRUE(Exists(Install("VIREO.EXE")));
        ASSERT_TRUE(Exists(Install("ZEROZ32.DLL")));
        ASSERT_TRUE(KeyExists(kUninstallKey));
        ASSERT_NE(Profile("386Enh", "PeloraLPT", "system.ini"), "<missing>");
        ASSERT_NE(Profile("windows", "run").find("PELORASD.EXE"), std::string::npos);
        ASSERT_TRUE(GroupFolderExists()) << "the installer made no Start Menu group";
    }

    // What the removal promises, item by item. `systemFiles`: where the
    // script's SYSTEM records lie; by default where the machine puts them.
    // `held`: files of the installation directory that another program
    // holds open, which stay until Windows next starts.
    void ExpectRemoved(std::string systemFiles = "", const std::set<std::string>& held = {}) {
        for (const char* name : {"PELORASD.EXE", "VIREO.EXE", "PLSPOOL.EXE", "PLTEST.EXE", "PLPANEL.EXE",
                                 "ZEROZ32.DLL", "ZEROZ321.DLL", "TLSETUP.INF", "README.TXT", "VIREO.INI",
                                 "PLPANEL.INI", "FONTS.TXT", "BITMAPS\\LOGO.BMP", "BITMAPS\\PAPER.BMP",
                                 "DRIVER\\PELORA.INF", "DRIVER\\PS\\VELMPS.WPD", "DRIVER\\PS\\VELMPS.PPD",
                                 "spooler.que"}) {
            if (held.count(name)) continue;
            EXPECT_FALSE(Exists(Install(name))) << name << " is still installed";
        }
        EXPECT_TRUE(Exists(Install("TLDELET.EXE"))) << "the running uninstaller stays";
        EXPECT_TRUE(Exists(kInstallDir)) << "TLDELET.EXE keeps the installation directory";
        for (const char* sub : {"SPOOL", "BITMAPS", "DRIVER\\PS"}) {
            EXPECT_FALSE(Exists(Install(sub))) << sub << " is still there";
        }
        for (const char* name : {"PELORASD.INI", "PLSPOOL.HLP"}) {
            EXPECT_FALSE(Exists(WindowsDir() + "\\" + name)) << name << " left in the Windows directory";
        }
        // The script's SYSTEM records lie in the system directory, or in the
        // Windows directory where the system directory is not its SYSTEM
        // subdirectory; both programs follow the same rule.
        if (systemFiles.empty()) {
            systemFiles = lstrcmpiA(SystemDir().c_str(), (WindowsDir() + "\\SYSTEM").c_str()) == 0 ? SystemDir()
                                                                                                   : WindowsDir();
        }
        for (const char* name : {"ORVPCL.DRV", "ORVPCL.HLP", "ORVPCLF.DLL", "ORVPCLFL.DLL", "ORVPCLS.DLL"}) {
            EXPECT_TRUE(Exists(systemFiles + "\\" + name)) << name << ": the printer's driver stays in " << systemFiles;
        }
        EXPECT_TRUE(Exists(Install("DRIVER"))) << "listed before DRIVER\\PS, it was not yet empty when its turn came";
        EXPECT_FALSE(Exists(systemFiles + "\\VAZAZUD.TMP"))
            << "only VAZAZUD.DLL is kept; the package's VAZAZUD.TMP goes with it";
        EXPECT_FALSE(Exists(WindowsDir() + "\\SYSTEM.001")) << "backup left";
        EXPECT_FALSE(Exists(WindowsDir() + "\\WIN.001")) << "backup left";
        EXPECT_TRUE(ReadFileBytes(WindowsDir() + "\\SYSTEM.000") == installedSystemIni_)
            << "the uninstaller's copy is SYSTEM.INI as the installation left it:\n"
            << installedSystemIni_ << "\nSYSTEM.000:\n" << ReadFileBytes(WindowsDir() + "\\SYSTEM.000");
        IniState after = ReadIniState();
        EXPECT_EQ(after.portLine, "<missing>");
        EXPECT_EQ(after.run, before_.run) << "run value before the installation: " << before_.run;
        EXPECT_EQ(after.printers, "2") << "one less than the " << before_.printers << " before";
        EXPECT_FALSE(after.uninstallKey);
        EXPECT_FALSE(GroupFolderExists()) << "the Start Menu group is still there";
    }

    // What the first, ended run must have kept for the second.
    void ExpectResumable() {
        for (const std::string& path :
             {Install("TLSETUP.INF"), Install("ZEROZ32.DLL"), WindowsDir() + "\\PELORASD.INI"}) {
            EXPECT_TRUE(Exists(path)) << path << " is gone, and a second run needs it";
        }
        EXPECT_TRUE(KeyExists(kUninstallKey)) << "the uninstall entry is gone before the removal ended";
    }

    // Runs TLDELET.EXE a second time, interactively: Yes to its question, OK
    // to the warning that the group (deleted by the first run) cannot be
    // deleted, and the closing message.
    void RemoveAgainInteractively() {
        Robot r;
        ASSERT_TRUE(r.Start(Install("TLDELET.EXE"), "", kInstallDir));
        SeenDialog seen;
        HWND box = nullptr;
        ASSERT_TRUE(NextBox(r, kBound, &seen, &box));
        const std::string opening = "D\xe9sirez-vous supprimer Vireo de votre syst\xe8me ?";
        ASSERT_EQ(seen.text.substr(0, opening.size()), opening) << seen.Describe();
        ASSERT_TRUE(Answer(r, box, IDYES));
        ASSERT_TRUE(NextBox(r, 300000, &seen, &box));
        EXPECT_EQ(seen.caption, kWarningCaption) << seen.Describe();
        ASSERT_EQ(seen.text, kGroupWarning) << seen.Describe();
        ASSERT_TRUE(Answer(r, box, IDOK));
        ASSERT_TRUE(NextBox(r, 300000, &seen, &box));
        ASSERT_EQ(seen.text, kClosingText) << seen.Describe() << "\n" << r.TranscriptText();
        ExpectRemoved();
        ASSERT_TRUE(Answer(r, box, IDOK));
        ASSERT_TRUE(r.WaitExit(kBound));
    }

    // Starts a program that stands in for a companion program of the
    // package and owns a window of `className`.
    Robot* StartCompanion(const std::string& className, const std::string& options) {
        companions_.emplace_back(new Robot);
        Robot* companion = companions_.back().get();
        EXPECT_TRUE(companion->Start(robot::BinDir() + "companion_fixture.exe", className + " " + options));
        EXPECT_TRUE(companion->WaitWindow(WindowQuery::Class(className), kBound));
        return companion;
    }

    // Waits for the question about a companion program that has not closed
    // and checks that it names the program and offers Retry and Cancel. The
    // hung program is ended as soon as the question has come: Wine lets a
    // message sent to a thread that hangs inside another one wait for good,
    // and the robot reads the texts of the windows it looks at.
    HWND WaitCompanionQuestion(Robot& r, const char* title, Robot* hung) {
        SeenDialog seen;
        HWND box = nullptr;
        ::testing::AssertionResult asked = r.WaitMessageBox(kWarningCaption, kBound, &seen, &box);
        hung->Kill();
        EXPECT_TRUE(asked) << r.TranscriptText();
        EXPECT_EQ(seen.text, std::string("Le programme \"") + title +
                                 "\" ne s'est pas ferm\xe9.\nFermez-le, puis choisissez R\xe9" "essayer, ou choisissez "
                                 "Annuler pour arr\xeater la d\xe9sinstallation.")
            << seen.Describe();
        EXPECT_EQ(seen.buttons.size(), 2u) << seen.Describe();
        EXPECT_EQ(seen.icon, robot::Icon::Warning) << seen.Describe();
        return box;
    }

    // The installed uninstaller replaced by its test variant with short
    // bounds for programs that do not close (the shipped bounds, the same in
    // both programs, keep their test in InteractiveRemovalConfirmsAndReports
    // on the x86_64 build).
    bool UseQuickUninstaller(const std::string& installed) {
        return CopyFileA(robot::TestVariant("tldesetup_quick.exe").c_str(), installed.c_str(), FALSE) != 0;
    }

    void TearDown() override {
        companions_.clear();
        pending::TakeDeletions();
    }

    IniState before_;
    std::string installedSystemIni_;
    e2e::InstallRun install_;
    std::vector<std::unique_ptr<Robot>> companions_;
};

// Files and a directory outside the package's places, and records of the
// installed script edited to reach them (keys 9 and 10 of [Dirs] come before
// its last three entries, which are never removed).
const char kOutside[] = "C:\\OUTSIDE";
const char kEditedDirs[] = "9=..\\OUTSIDE\r\n10=..\\OUTSIDE\\EMPTY\r\n";
const char kEditedFiles[] =
    "KEEP.DOC,9,X,1,1,N\r\n..\\VICTIM.TXT,1,X,1,1,N\r\nX/../../SLASH.TXT,1,X,1,1,N\r\n"
    "..\\..\\WINPARENT.TXT,6,X,1,1,N\r\n..\\SYSPARENT.TXT,7,X,1,1,N\r\n";
std::vector<std::string> OutsideFiles() {
    // SYSTEM records lie in the system directory, or in the Windows directory
    // where the system directory is not its SYSTEM subdirectory.
    const bool systemBelowWindows = lstrcmpiA(SystemDir().c_str(), (WindowsDir() + "\\SYSTEM").c_str()) == 0;
    return {"C:\\OUTSIDE\\KEEP.DOC", "C:\\VICTIM.TXT", "C:\\SLASH.TXT", "C:\\WINPARENT.TXT",
            (systemBelowWindows ? SystemDir() : WindowsDir()) + "\\..\\SYSPARENT.TXT"};
}

::testing::AssertionResult EditInstalledScript() {
    std::string script = ReadFileBytes(Install("TLSETUP.INF"));
    const std::size_t dirs = script.find("6=WINDOWS"), files = script.find("[PM Info]");
    if (dirs == std::string::npos || files == std::string::npos) {
        return ::testing::AssertionFailure() << "unexpected installed script:\n" << script;
    }
    script.insert(files, kEditedFiles);
    script.insert(dirs, kEditedDirs);
    HANDLE h = CreateFileA(Install("TLSETUP.INF").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    const bool ok = h != INVALID_HANDLE_VALUE && WriteFile(h, script.data(), static_cast<DWORD>(script.size()),
                                                           &written, nullptr) && written == script.size();
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    if (!ok) return ::testing::AssertionFailure() << "cannot write the edited script, error " << GetLastError();
    if (!CreateDirectoryA(kOutside, nullptr) || !CreateDirectoryA("C:\\OUTSIDE\\EMPTY", nullptr)) {
        return ::testing::AssertionFailure() << "cannot create " << kOutside;
    }
    for (const std::string& path : OutsideFiles()) {
        HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (f == INVALID_HANDLE_VALUE) return ::testing::AssertionFailure() << "cannot create " << path;
        CloseHandle(f);
    }
    return ::testing::AssertionSuccess();
}

}  // namespace

// A package program that hangs brings a question within its bound; the
// user ends it and chooses Retry. A file held open by a viewer stays, is
// left to the next start of Windows, and the closing message says so.
TEST_F(RoundTrip, InteractiveRemovalConfirmsAndReports) {
    ASSERT_FALSE(before_.uninstallKey);
    // The destination dialog refuses the Windows directory and a directory
    // below the system directory, then takes the usual one.
    e2e::InstallAnswers answers;
    answers.destinations = {WindowsDir(), SystemDir() + "\\VIREO", kInstallDir};
    InstallAndCheck(answers);
    if (HasFatalFailure()) return;
    const std::vector<SeenDialog> refused = install_.BoxesWith("directory cannot be created");
    ASSERT_EQ(refused.size(), 2u) << install_.transcriptText;
    for (std::size_t i = 0; i < refused.size(); ++i) {
        const std::string expected =
            "The " + answers.destinations[i] + " directory cannot be created.\nEnter another directory or try another drive.";
        EXPECT_EQ(lstrcmpiA(refused[i].text.c_str(), expected.c_str()), 0) << refused[i].Describe();
        EXPECT_EQ(refused[i].caption, "ORVAN Vireo Setup Error");
    }
    EXPECT_FALSE(Exists(SystemDir() + "\\VIREO")) << "created in the system directory";
    // An edited script: its records outside the package are passed over and
    // the removal still completes.
    ASSERT_TRUE(EditInstalledScript());
    pending::TakeDeletions();
    // The shipped 30 s are waited out once, on the x86_64 build.
    if (robot::Testing32Bit()) {
        ASSERT_TRUE(UseQuickUninstaller(Install("TLDELET.EXE")));
    }
    Robot* hung = StartCompanion("TLTPClass", "--hang");
    HANDLE viewer = CreateFileA(Install("README.TXT").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                0, nullptr);
    ASSERT_NE(viewer, INVALID_HANDLE_VALUE);

    Robot r;
    ASSERT_TRUE(r.Start(Install("TLDELET.EXE"), "", kInstallDir));
    SeenDialog question;
    HWND box = nullptr;
    ASSERT_TRUE(r.WaitMessageBox(kWarningCaption, kBound, &question, &box));
    const std::string opening = "D\xe9sirez-vous supprimer Vireo de votre syst\xe8me ?";
    EXPECT_EQ(question.text.substr(0, opening.size()), opening) << question.Describe();
    EXPECT_EQ(question.icon, robot::Icon::Question);
    ASSERT_TRUE(Answer(r, box, IDYES));
    // The user ends the hung program once asked.
    box = WaitCompanionQuestion(r, "TLTPClass", hung);
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(Exists(Install("VIREO.EXE"))) << "files were removed before the program closed";
    ASSERT_TRUE(Answer(r, box, IDRETRY));
    SeenDialog closing;
    ASSERT_TRUE(r.WaitMessageBox(kTitle, 300000, &closing, &box)) << r.TranscriptText();
    EXPECT_EQ(closing.text, kClosingTextAtRestart) << closing.Describe();
    ExpectRemoved("", {"README.TXT"});  // the work is done before the closing message
    for (const std::string& path : OutsideFiles()) EXPECT_TRUE(Exists(path)) << path << " removed";
    EXPECT_TRUE(Exists("C:\\OUTSIDE\\EMPTY")) << "an empty directory outside the package was removed";
    EXPECT_TRUE(Exists(Install("README.TXT")));
    CloseHandle(viewer);
    EXPECT_EQ(pending::Joined(pending::TakeDeletions()),
              pending::Joined({Install("README.TXT"), kInstallDir}))
        << "the held file, then the directory it keeps, are deleted at the next start";
    ASSERT_TRUE(r.Click(box, IDOK));
    ASSERT_TRUE(r.WaitExit(kBound));
    int boxes = 0;
    for (const SeenDialog& seen : r.Transcript()) boxes += seen.messageBox ? 1 : 0;
    EXPECT_EQ(boxes, 3) << "the confirmation, the question and the closing message:\n" << r.TranscriptText();
}

TEST_F(RoundTrip, InstallationEndedAtTheDiskPromptRunsAgainAndIsRemovedSilently) {
    // Ended at once while it asks for the second diskette, the installation
    // has copied the first diskette's files and changed nothing else yet.
    e2e::InstallAnswers cut;
    cut.endAtDiskPrompt = true;
    e2e::InstallRun ended;
    ASSERT_TRUE(e2e::RunInstaller(robot::DistDisk1(), cut, &ended));
    ASSERT_TRUE(ended.endedAtDiskPrompt) << "no insert-disk prompt came:\n" << ended.transcriptText;
    EXPECT_TRUE(Exists(Install("VIREO.EXE"))) << "the first diskette's files were copied";
    EXPECT_FALSE(KeyExists(kUninstallKey)) << "nothing is registered before the second diskette";
    InstallAndCheck();
    if (HasFatalFailure()) return;

    // Unattended, a hung package program is passed over after its bound, and
    // both copies of a program that runs twice are asked to close.
    StartCompanion("PanelClass", "--hang");
    Robot* spooler = StartCompanion("SpoolerClass", "--delay 500");
    Robot* secondSpooler = StartCompanion("SpoolerClass", "--delay 500");
    ASSERT_TRUE(UseQuickUninstaller(Install("TLDELET.EXE")));
    Robot r;
    ASSERT_TRUE(r.Start(Install("TLDELET.EXE"), "External", kInstallDir));
    ASSERT_TRUE(r.WaitExit(300000)) << r.TranscriptText();
    for (const SeenDialog& seen : r.Transcript()) {
        EXPECT_FALSE(seen.messageBox) << "box shown in silent mode: " << seen.Describe();
    }
    ExpectRemoved();
    DWORD code = 0;
    ASSERT_TRUE(spooler->WaitExit(kBound, &code));
    EXPECT_EQ(code, 1100u) << "one request with lParam 0";
    ASSERT_TRUE(secondSpooler->WaitExit(kBound, &code));
    EXPECT_EQ(code, 1100u) << "the second copy got one request with lParam 0";
}

TEST_F(RoundTrip, NoToTheQuestionLeavesTheInstallation) {
    InstallAndCheck();
    if (HasFatalFailure()) return;
    IniState installed = ReadIniState();

    // Cancel to the question about a package program that does not close
    // stops the removal before it has changed anything.
    {
        Robot* hung = StartCompanion("ZerODAClass", "--hang");
        ASSERT_TRUE(UseQuickUninstaller(Install("TLDELET.EXE")));
        Robot cancelled;
        ASSERT_TRUE(cancelled.Start(Install("TLDELET.EXE"), "", kInstallDir));
        HWND box = nullptr;
        ASSERT_TRUE(cancelled.WaitMessageBox(kWarningCaption, kBound, nullptr, &box));
        ASSERT_TRUE(Answer(cancelled, box, IDYES));
        box = WaitCompanionQuestion(cancelled, "ZerODAClass", hung);
        ASSERT_NE(box, nullptr);
        ASSERT_TRUE(Answer(cancelled, box, IDCANCEL));
        SeenDialog refusal;
        ASSERT_TRUE(cancelled.WaitMessageBox(kWarningCaption, kBound, &refusal, &box));
        EXPECT_EQ(refusal.text, "Suppression de Vireo impossible.");
        ASSERT_TRUE(cancelled.Click(box, IDOK));
        ASSERT_TRUE(cancelled.WaitExit(kBound));
    }

    Robot r;
    ASSERT_TRUE(r.Start(Install("TLDELET.EXE"), "", kInstallDir));
    HWND box = nullptr;
    ASSERT_TRUE(r.WaitMessageBox(kWarningCaption, kBound, nullptr, &box));
    ASSERT_TRUE(r.Click(box, IDNO));
    ASSERT_TRUE(r.WaitGone(box, kBound));
    SeenDialog refusal;
    ASSERT_TRUE(r.WaitMessageBox(kWarningCaption, kBound, &refusal, &box));
    EXPECT_EQ(refusal.text, "Suppression de Vireo impossible.");
    ASSERT_TRUE(r.Click(box, IDOK));
    ASSERT_TRUE(r.WaitExit(kBound));

    IniState after = ReadIniState();
    EXPECT_EQ(after.run, installed.run);
    EXPECT_EQ(after.portLine, installed.portLine);
    EXPECT_TRUE(after.backups);
    EXPECT_TRUE(after.uninstallKey);
    for (const char* name : {"PELORASD.EXE", "VIREO.EXE", "ZEROZ32.DLL", "TLSETUP.INF"}) {
        EXPECT_TRUE(Exists(Install(name))) << name << " was removed";
    }
    EXPECT_FALSE(Exists(WindowsDir() + "\\SYSTEM.000")) << "SYSTEM.INI was not touched";
    EXPECT_TRUE(GroupFolderExists()) << "the Start Menu group was deleted";
}

TEST_F(RoundTrip, MissingSettingsGiveNothingToRemoveEvenWhenExternal) {
    DeleteFileA((WindowsDir() + "\\PELORASD.INI").c_str());
    Robot r;
    ASSERT_TRUE(r.Start(robot::ProgramsDir() + "tldesetup.exe", "External"));
    SeenDialog seen;
    HWND box = nullptr;
    ASSERT_TRUE(r.WaitMessageBox(kWarningCaption, kBound, &seen, &box));
    EXPECT_EQ(seen.text, "Impossible de trouver les informations \xe0 supprimer.");
    EXPECT_EQ(seen.icon, robot::Icon::Information);
    ASSERT_TRUE(r.Click(box, IDOK));
    DWORD code = 1;
    ASSERT_TRUE(r.WaitExit(kBound, &code));
    EXPECT_EQ(code, 0u);
}

TEST_F(RoundTrip, RemovalEndedDuringItsFileRemovalIsCompletedByASecondRun) {
    InstallAndCheck();
    if (HasFatalFailure()) return;

    ASSERT_TRUE(Exists(Install("README.TXT")));
    Robot first;
    ASSERT_TRUE(first.Start(Install("TLDELET.EXE"), "", kInstallDir));
    HWND box = nullptr;
    ASSERT_TRUE(first.WaitMessageBox(kWarningCaption, kBound, nullptr, &box));
    ASSERT_TRUE(first.Click(box, IDYES));
    // README.TXT follows the setup script's own record in the script: once it
    // is gone, the file removal has passed the script, ZEROZ32.DLL and the
    // uninstaller.
    ASSERT_TRUE(EndRemovalAt(first, kRemovingFiles, Install("README.TXT")));
    EXPECT_FALSE(Exists(Install("VIREO.EXE"))) << "the file removal had begun";
    ExpectResumable();

    RemoveAgainInteractively();
}

TEST_F(RoundTrip, RemovalEndedAfterItsFileRemovalIsCompletedByASecondRun) {
    InstallAndCheck();
    if (HasFatalFailure()) return;

    // Unattended, as the installer starts it to remove an older version.
    Robot first;
    ASSERT_TRUE(first.Start(Install("TLDELET.EXE"), "External", kInstallDir));
    ASSERT_TRUE(EndRemovalAt(first, kRemovingDirs, ""));
    EXPECT_FALSE(Exists(Install("BITMAPS\\LOGO.BMP"))) << "the file removal was over";
    ExpectResumable();

    // The second run, unattended too, shows only the group warning.
    Robot again;
    ASSERT_TRUE(again.Start(Install("TLDELET.EXE"), "External", kInstallDir));
    SeenDialog seen;
    HWND box = nullptr;
    ASSERT_TRUE(NextBox(again, 300000, &seen, &box));
    EXPECT_EQ(seen.caption, kWarningCaption) << seen.Describe();
    ASSERT_EQ(seen.text, kGroupWarning) << seen.Describe();
    ASSERT_TRUE(Answer(again, box, IDOK));
    ASSERT_TRUE(again.WaitExit(300000)) << again.TranscriptText();
    int boxes = 0;
    for (const SeenDialog& d : again.Transcript()) boxes += d.messageBox ? 1 : 0;
    EXPECT_EQ(boxes, 1) << again.TranscriptText();
    ExpectRemoved();
}

// A removal cut short, as by a power cut, between the two renames with which
// Windows 95 replaces SYSTEM.INI (the test variant tldesetup_cut.exe ends
// itself there) leaves no SYSTEM.INI under its name, but the whole old and
// new files under names the next run knows. The next run puts the new one
// in place and ends with the bytes of one uninterrupted removal.
TEST_F(RoundTrip, RemovalEndedBetweenTheStepsOfTheSystemIniReplacementIsCompletedByASecondRun) {
    InstallAndCheck();
    if (HasFatalFailure()) return;
    const std::string ini = WindowsDir() + "\\SYSTEM.INI";
    // What one uninterrupted removal makes of the installed SYSTEM.INI.
    std::string expected(SystemIniRewriteCapacity(installedSystemIni_.size()), '\0');
    const std::size_t length =
        RewriteSystemIniText(installedSystemIni_.data(), installedSystemIni_.size(), &expected[0], expected.size());
    ASSERT_NE(length, kRewriteTooSmall);
    expected.resize(length);
    ASSERT_EQ(expected.find("PeloraLPT"), std::string::npos) << expected;

    const std::string offer = robot::OfferVariant();
    const std::string variant = offer.substr(0, offer.find_last_of('\\') + 1) + "tldesetup_cut.exe";
    Robot cut;
    ASSERT_TRUE(cut.Start(variant, "External", kInstallDir));
    DWORD code = 0;
    ASSERT_TRUE(cut.WaitExit(300000, &code)) << cut.TranscriptText();
    EXPECT_EQ(code, 3u) << "the variant was not cut short where it should be";
    EXPECT_FALSE(Exists(ini)) << "the cut came between the two renames";
    EXPECT_TRUE(ReadFileBytes(WindowsDir() + "\\TLSYSINI.OLD") == installedSystemIni_);
    EXPECT_TRUE(ReadFileBytes(WindowsDir() + "\\TLSYSINI.NEW") == expected);
    ExpectResumable();

    Robot again;
    ASSERT_TRUE(again.Start(Install("TLDELET.EXE"), "External", kInstallDir));
    ASSERT_TRUE(again.WaitExit(300000)) << again.TranscriptText();
    for (const SeenDialog& seen : again.Transcript()) {
        EXPECT_FALSE(seen.messageBox) << "box shown in silent mode: " << seen.Describe();
    }
    EXPECT_TRUE(ReadFileBytes(ini) == expected) << "SYSTEM.INI:\n" << ReadFileBytes(ini) << "\nexpected:\n" << expected;
    EXPECT_FALSE(Exists(WindowsDir() + "\\TLSYSINI.OLD"));
    EXPECT_FALSE(Exists(WindowsDir() + "\\TLSYSINI.NEW"));
    ExpectRemoved();
}

namespace {

// The installation's mark on the machine, for comparing two installations:
// the installed files with their sizes, the settings file, the INI lines,
// the registry entries, the printer and the group.
void ListTree(const std::string& dir, const std::string& rel, std::string* out) {
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA((dir + "\\*").c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE) return;
    std::set<std::string> lines;
    std::vector<std::string> subdirs;
    do {
        std::string name = fd.cFileName;
        if (name == "." || name == "..") continue;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            subdirs.push_back(name);
            lines.insert(rel + name + "\\");
        } else {
            lines.insert(rel + name + " " + std::to_string(fd.nFileSizeLow));
        }
    } while (FindNextFileA(find, &fd));
    FindClose(find);
    for (const std::string& line : lines) *out += line + "\n";
    for (const std::string& sub : subdirs) ListTree(dir + "\\" + sub, rel + sub + "\\", out);
}

std::string RegistryText(const char* path, const char* name) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ | robot::ProgramRegView(), &key) != ERROR_SUCCESS) {
        return "<no key>";
    }
    char value[512] = "";
    DWORD size = sizeof value - 1;
    LONG got = RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(key);
    return got == ERROR_SUCCESS ? std::string(value, strnlen(value, size)) : "<missing>";
}

std::string MachineSnapshot(const std::string& installDir) {
    std::string s = "files:\n";
    ListTree(installDir, "", &s);
    s += "PELORASD.INI:\n" + ReadFileBytes(WindowsDir() + "\\PELORASD.INI") + "\n";
    const char* const winIni[][2] = {{"windows", "run"},         {"windows", "device"},
                                     {"devices", "ORVAN Pelora 200/250 PCL"},
                                     {"PrinterPorts", "ORVAN Pelora 200/250 PCL"},
                                     {"FontSubstitutes", "Courier"}};
    for (const auto& k : winIni) s += std::string("WIN.INI [") + k[0] + "] " + k[1] + "=" + Profile(k[0], k[1]) + "\n";
    s += "SYSTEM.INI PeloraLPT=" + Profile("386Enh", "PeloraLPT", "system.ini") + "\n";
    s += std::string("backups: ") + (Exists(WindowsDir() + "\\SYSTEM.001") ? "SYSTEM.001 " : "") +
         (Exists(WindowsDir() + "\\WIN.001") ? "WIN.001" : "") + "\n";
    for (const char* name : {"DisplayName", "UninstallString"}) {
        s += std::string("uninstall ") + name + "=" + RegistryText(kUninstallKey, name) + "\n";
    }
    HANDLE printer = nullptr;
    char printerName[] = "ORVAN Pelora 200/250 PCL";
    const bool hasPrinter = OpenPrinterA(printerName, &printer, nullptr) != 0;
    if (hasPrinter) ClosePrinter(printer);
    s += std::string("printer: ") + (hasPrinter ? "yes" : "no") + "\n";
    s += std::string("group: ") + (GroupFolderExists() ? "yes" : "no") + "\n";
    return s;
}

const char kSetupLog[] = "C:\\SETUP.LOG";
const char kRemovalLog[] = "C:\\REMOVAL.LOG";

// The lines of a log, without their line ends.
std::vector<std::string> LogLines(const std::string& path) {
    std::vector<std::string> lines;
    std::string text = ReadFileBytes(path);
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find("\r\n", at);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(at, end - at));
        at = end + 2;
    }
    return lines;
}

bool AnyLineHas(const std::vector<std::string>& lines, const std::string& part) {
    for (const std::string& line : lines) {
        if (line.find(part) != std::string::npos) return true;
    }
    return false;
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string all;
    for (const std::string& line : lines) all += line + "\n";
    return all;
}

// The machine reports Windows 95 to the programs of this name.
void ReportWindows95To(const char* program) {
    const std::string key = std::string("Software\\Wine\\AppDefaults\\") + program;
    HKEY app = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &app, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(app, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>("win95"), 6);
    RegCloseKey(app);
}

// The driver the spooler holds under the printer's name, in any environment:
// its driver file and dependent files as the spooler names them.
std::string RegisteredDriverFiles() {
    DWORD needed = 0, count = 0;
    char all[] = "all";
    EnumPrinterDriversA(nullptr, all, 3, nullptr, 0, &needed, &count);
    if (needed == 0) return "<no driver>";
    std::vector<BYTE> buffer(needed);
    if (!EnumPrinterDriversA(nullptr, all, 3, buffer.data(), needed, &needed, &count)) return "<no driver>";
    auto* info = reinterpret_cast<DRIVER_INFO_3A*>(buffer.data());
    for (DWORD i = 0; i < count; ++i) {
        if (!info[i].pName || lstrcmpA(info[i].pName, "ORVAN Pelora 200/250 PCL") != 0) continue;
        std::string files = info[i].pDriverPath ? info[i].pDriverPath : "<none>";
        for (const char* p = info[i].pDependentFiles; p && *p; p += lstrlenA(p) + 1) files += std::string(";") + p;
        return files;
    }
    return "<no driver>";
}

}  // namespace

TEST_F(RoundTrip, UnattendedInstallationFromOneFolderMatchesTheDefaultsAndIsRemovedUnattended) {
    // The reference: an interactive installation with the defaults, then
    // its removal by the deployment tools' command.
    InstallAndCheck();
    if (HasFatalFailure()) return;
    const std::string interactive = MachineSnapshot(kInstallDir);
    const std::string quiet = RegistryText(kUninstallKey, "QuietUninstallString");
    EXPECT_EQ(quiet, std::string("\"") + kInstallDir + "\\tldelet.exe\" /S");
    Robot first;
    ASSERT_TRUE(first.Start(Install("TLDELET.EXE"), "External", kInstallDir));
    ASSERT_TRUE(first.WaitExit(300000)) << first.TranscriptText();
    const std::string removed = MachineSnapshot(kInstallDir);

    // Both diskettes' files in one folder, nobody at the keyboard.
    const std::string set = e2e::OneFolderSet();
    e2e::QuietRun install;
    ASSERT_TRUE(e2e::RunUnattended(set + "\\TLSETUP.EXE", std::string("/S /LOG=") + kSetupLog, set, &install));
    EXPECT_EQ(install.exitCode, 3010u) << "installed, Windows to be restarted";
    EXPECT_TRUE(install.progressSeen) << "the progress dialog tells the user that something is installed";
    EXPECT_EQ(MachineSnapshot(kInstallDir), interactive);
    EXPECT_EQ(RegistryText(kUninstallKey, "QuietUninstallString"), quiet);

    std::vector<std::string> log = LogLines(kSetupLog);
    ASSERT_GE(log.size(), 20u) << Joined(log);
    EXPECT_EQ(log[0].rfind("ORVAN Vireo Setup 2.10, 20", 0), 0u) << "title, version of the set, date: " << log[0];
    EXPECT_EQ(log[1], std::string("Command line: /S /LOG=") + kSetupLog);
    for (const std::string& part :
         {std::string("Directory C:\\VIREO: exists, closed to standard users"), std::string("Directory C:\\VIREO\\SPOOL: created"),
          std::string("VIREO.EX_ to C:\\VIREO\\.\\VIREO.EXE: "), std::string("VELMPS.200 to C:\\VIREO\\DRIVER\\PS\\VELMPS.WPD: 1500 bytes"), std::string("Port: LPT1:"),
          std::string("SYSTEM.INI [386Enh] PeloraLPT=1: written"), std::string("AddPrinter \"ORVAN Pelora 200/250 PCL\""),
          std::string("[Applications] VelmDir=C:\\VIREO: written"),
          std::string("Program Manager group \"ORVAN Pelora 200/250 Tools\": created"),
          std::string("QuietUninstallString \"") + quiet + "\"", std::string("Message 1009 ")}) {
        EXPECT_TRUE(AnyLineHas(log, part)) << part << " not in the log:\n" << Joined(log);
    }
    EXPECT_EQ(log.back(), "Exit code 3010");

    // The unattended removal with a log leaves the machine as the first did.
    installedSystemIni_ = ReadFileBytes(WindowsDir() + "\\SYSTEM.INI");
    ASSERT_TRUE(WriteProfileStringA("PSCRIPT", "External Printers", "3"));
    e2e::QuietRun removal;
    ASSERT_TRUE(e2e::RunUnattended(Install("TLDELET.EXE"), std::string("External /LOG=") + kRemovalLog, kInstallDir,
                                   &removal));
    EXPECT_EQ(removal.exitCode, 0u);
    EXPECT_EQ(MachineSnapshot(kInstallDir), removed);
    ExpectRemoved();
    std::vector<std::string> removalLog = LogLines(kRemovalLog);
    ASSERT_FALSE(removalLog.empty());
    EXPECT_EQ(removalLog[1], std::string("Ligne de commande : External /LOG=") + kRemovalLog);
    for (const std::string& part : {std::string("Fichier C:\\VIREO\\.\\VIREO.EXE : supprim\xe9"),
                                    std::string("WIN.INI et SYSTEM.INI restaur\xe9s"),
                                    std::string("D\xe9sinstallation termin\xe9")}) {
        EXPECT_TRUE(AnyLineHas(removalLog, part)) << part << " not in the log:\n" << Joined(removalLog);
    }
    EXPECT_EQ(removalLog.back(), "Code de sortie 0");
}

TEST_F(RoundTrip, UnattendedInstallationWithDestinationAndPortIsRemovedByTheQuietCommand) {
    const std::string dir = "C:\\Vireo Tools";
    // Wine session 2: the machine after the restart that the end of session 1 asks for.
    if (getenv("TLS_WINE_SESSION") && std::string(getenv("TLS_WINE_SESSION")) == "2") {
        for (const char* name : {"README.TXT", "VIREO.EXE", "TLDELET.EXE", "SPOOL"}) EXPECT_TRUE(Exists(dir + "\\" + name)) << name;
        EXPECT_FALSE(Exists("C:\\OTHER.TMP")) << "the restart carried out no list";
        return;
    }
    const std::string set = e2e::OneFolderSet();
    // A port the machine lacks is refused before anything is installed.
    e2e::QuietRun refused;
    ASSERT_TRUE(e2e::RunUnattended(set + "\\TLSETUP.EXE", "/S /PORT=LPT4: /LOG=C:\\PORT.LOG", set, &refused));
    EXPECT_EQ(refused.exitCode, 4u);
    std::vector<std::string> refusal = LogLines("C:\\PORT.LOG");
    EXPECT_TRUE(AnyLineHas(refusal, "Message 1072 (system error ")) << Joined(refusal);
    EXPECT_TRUE(AnyLineHas(refusal, "The port LPT4: cannot be used.")) << Joined(refusal);
    EXPECT_FALSE(Exists(kInstallDir));
    // The Windows directory is refused as a given destination, as in the
    // destination dialog.
    e2e::QuietRun windows;
    ASSERT_TRUE(e2e::RunUnattended(set + "\\TLSETUP.EXE", "/S /DIR=" + WindowsDir(), set, &windows));
    EXPECT_EQ(windows.exitCode, 7u);
    EXPECT_FALSE(Exists(WindowsDir() + "\\VIREO.EXE"));

    // A program of the package that never closes ends the installation
    // with 14 before anything is changed (Windows would refuse to replace
    // its running file half-way); the removal passes over it.
    Robot* panel = StartCompanion("PanelClass", "--never");
    ASSERT_TRUE(CopyFileA(robot::TestVariant("tlsetup_quick.exe").c_str(), (set + "\\TLSETUP.EXE").c_str(), FALSE));
    const std::string options = "-s \"-dir=" + dir + "\" /port=lpt2 /log=C:\\SETUP.LOG";
    e2e::QuietRun stopped;
    ASSERT_TRUE(e2e::RunUnattended(set + "\\TLSETUP.EXE", options, set, &stopped));
    EXPECT_EQ(stopped.exitCode, 14u);
    std::vector<std::string> log = LogLines(kSetupLog);
    EXPECT_TRUE(AnyLineHas(log, "Program \"PanelClass\" has not closed")) << Joined(log);
    EXPECT_FALSE(Exists(dir)) << "nothing is changed";
    EXPECT_EQ(Profile("386Enh", "PeloraLPT", "system.ini"), "<missing>");
    panel->Kill();
    e2e::QuietRun install;
    ASSERT_TRUE(e2e::RunUnattended(set + "\\TLSETUP.EXE", options, set, &install));
    EXPECT_EQ(install.exitCode, 3010u);
    EXPECT_TRUE(Exists(dir + "\\VIREO.EXE"));
    panel = StartCompanion("PanelClass", "--never");
    EXPECT_FALSE(Exists(kInstallDir)) << "nothing in the default destination";
    EXPECT_EQ(Profile("386Enh", "PeloraLPT", "system.ini"), "2");
    char shortDir[MAX_PATH] = "";
    GetShortPathNameA(dir.c_str(), shortDir, sizeof shortDir);
    EXPECT_EQ(Profile("Applications", "VelmDir", "PELORASD.INI"), shortDir);
    const std::string quiet = RegistryText(kUninstallKey, "QuietUninstallString");
    EXPECT_EQ(quiet, "\"" + std::string(shortDir) + "\\tldelet.exe\" /S");

    // The deployment tool's command, as it stands in the registry, with a
    // log, where the Start Menu group is already gone (its message goes to
    // the log; any window fails the run). A file held open by a viewer is
    // left to the next start of Windows, which the exit code asks for.
    DeleteGroupFolders();
    pending::TakeDeletions();
    CloseHandle(CreateFileA("C:\\OTHER.TMP", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(MoveFileExA("C:\\OTHER.TMP", nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) << "another program's deletion";
    HANDLE viewer = CreateFileA((dir + "\\README.TXT").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(viewer, INVALID_HANDLE_VALUE);
    const std::size_t quote = quiet.find('"', 1);
    ASSERT_NE(quote, std::string::npos);
    ASSERT_TRUE(UseQuickUninstaller(quiet.substr(1, quote - 1)));
    e2e::QuietRun removal;
    ::testing::AssertionResult removed = e2e::RunUnattended(
        quiet.substr(1, quote - 1), quiet.substr(quote + 2) + " /LOG=" + kRemovalLog, dir, &removal);
    CloseHandle(viewer);
    ASSERT_TRUE(removed);
    EXPECT_EQ(removal.exitCode, 3010u) << "removed, with a file left to the next start";
    std::vector<std::string> removalLog = LogLines(kRemovalLog);
    EXPECT_TRUE(AnyLineHas(removalLog, "Le programme \"PanelClass\" ne s'est pas ferm\xe9")) << Joined(removalLog);
    EXPECT_TRUE(AnyLineHas(removalLog, "README.TXT : supprim\xe9 au prochain d\xe9marrage de Windows")) << Joined(removalLog);
    EXPECT_TRUE(AnyLineHas(removalLog, "Impossible de supprimer le groupe Vireo")) << Joined(removalLog);
    EXPECT_EQ(removalLog.empty() ? "" : removalLog.back(), "Code de sortie 3010") << Joined(removalLog);
    EXPECT_EQ(pending::TakeDeletions(true).size(), 3u) << "the other program's file, README.TXT and its directory";
    EXPECT_FALSE(Exists(dir + "\\VIREO.EXE"));
    EXPECT_FALSE(KeyExists(kUninstallKey));
    EXPECT_EQ(Profile("386Enh", "PeloraLPT", "system.ini"), "<missing>");
    // Installed again before the restart, which must keep the new files.
    panel->Kill();
    e2e::QuietRun again;
    ASSERT_TRUE(e2e::RunUnattended(set + "\\TLSETUP.EXE", "/S \"/DIR=" + dir + "\"", set, &again));
    EXPECT_EQ(pending::Joined(pending::TakeDeletions(true)), "C:\\OTHER.TMP\n");
    if (!HasFailure()) ExitProcess(75);  // cmake/wine-run.sh restarts the Wine session and runs this test again
}

TEST_F(RoundTrip, UnattendedInstallationWithoutTheSecondDisketteFailsWithItsCodeAndLog) {
    // Only the first diskette's files: the second's are a failure, not a prompt.
    const std::string one = robot::MakeTempDir("disk1only") + "DISK1";
    ASSERT_TRUE(e2e::CopyTree(robot::DistDisk1(), one));
    e2e::QuietRun run;
    ASSERT_TRUE(e2e::RunUnattended(one + "\\TLSETUP.EXE", std::string("/LOG=") + kSetupLog + " /S", one, &run));
    EXPECT_EQ(run.exitCode, 9u);
    std::vector<std::string> log = LogLines(kSetupLog);
    ASSERT_GE(log.size(), 3u) << Joined(log);
    const std::string missing = log[log.size() - 3];
    EXPECT_EQ(missing.rfind("Source file " + one + "\\", 0), 0u) << Joined(log);
    EXPECT_NE(missing.find(" not found (system error 2)"), std::string::npos) << missing;
    EXPECT_EQ(log[log.size() - 2].rfind("Message 1006 (system error ", 0), 0u) << Joined(log);
    EXPECT_EQ(log.back(), "Exit code 9");
    // Nothing of Windows' configuration was touched.
    IniState after = ReadIniState();
    EXPECT_EQ(after.run, before_.run);
    EXPECT_EQ(after.portLine, "<missing>");
    EXPECT_FALSE(after.backups);
    EXPECT_FALSE(after.uninstallKey);
    EXPECT_EQ(Profile("Applications", "VelmDir", "PELORASD.INI"), "<missing>") << "the package's own file only";
    EXPECT_FALSE(GroupFolderExists());

    // A command line that is not understood installs nothing, silently
    // under /S; /? shows the usage text.
    e2e::QuietRun unknown;
    ASSERT_TRUE(e2e::RunUnattended(one + "\\TLSETUP.EXE", "/S /SILENT", one, &unknown));
    EXPECT_EQ(unknown.exitCode, 1u);
    Robot usage;
    ASSERT_TRUE(usage.Start(one + "\\TLSETUP.EXE", "/?", one));
    SeenDialog box;
    HWND found = nullptr;
    ASSERT_TRUE(usage.WaitMessageBox("ORVAN Vireo Setup", kBound, &box, &found));
    EXPECT_EQ(box.text.rfind("TLSETUP [/S] [/DIR=path] [/PORT=LPTn:] [/LOG=path] [/?]", 0), 0u) << box.text;
    EXPECT_NE(box.text.find("3010 done (restart Windows)"), std::string::npos) << box.text;
    EXPECT_NE(box.text.find("14 program not closed (Cancel), 16 log file."), std::string::npos) << "cut short? " << box.text;
    ASSERT_TRUE(usage.Click(found, IDOK));
    DWORD code = 0;
    ASSERT_TRUE(usage.WaitExit(kBound, &code));
    EXPECT_EQ(code, 1u);
    EXPECT_FALSE(Exists(WindowsDir() + "\\SYSTEM.001")) << "nothing installed";
}

// Windows 95's own layout: the system directory is the SYSTEM subdirectory
// of the Windows directory, so the script's SYSTEM records go there (a local
// installation) instead of into the Windows directory, where Wine's system32
// or syswow64 sends every other run. Installed twice and removed by the
// test variants of both programs, whose system directory is Windows 95's, on
// a machine that reports Windows 95 to them.
TEST_F(RoundTrip, OnWindows95sLayoutTheSystemFilesLieInTheSystemDirectoryAndAreRemovedThere) {
    const std::string system95 = "C:\\WINDOWS\\SYSTEM";
    ASSERT_TRUE(CreateDirectoryA(system95.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
    ReportWindows95To("TLSETUP.EXE");
    ReportWindows95To("TLDELET.EXE");
    // The first diskette with the variant as its installer.
    const std::string offer = robot::OfferVariant();
    const std::string variants = offer.substr(0, offer.find_last_of('\\') + 1);
    const std::string disk1 = "C:\\DISK1";
    ASSERT_TRUE(e2e::CopyTree(robot::DistDisk1(), disk1));
    ASSERT_TRUE(CopyFileA((variants + "tlsetup_win95.exe").c_str(), (disk1 + "\\TLSETUP.EXE").c_str(), FALSE))
        << "error " << GetLastError();

    const char* const systemRecords[] = {"ORVPCL.DRV", "ORVPCL.HLP", "ORVPCLF.DLL", "ORVPCLFL.DLL", "ORVPCLS.DLL",
                                         "VAZAZUD.TMP"};
    for (int run = 1; run <= 2; ++run) {
        e2e::InstallRun installation;
        ASSERT_TRUE(InstallPackage({}, installation, disk1)) << "installation " << run;
        for (const char* name : systemRecords) {
            EXPECT_TRUE(Exists(system95 + "\\" + name)) << name << " is not in the system directory, run " << run;
            EXPECT_FALSE(Exists(WindowsDir() + "\\" + name)) << name << " went to the Windows directory, run " << run;
        }
        EXPECT_TRUE(Exists(WindowsDir() + "\\PLSPOOL.HLP")) << "a WINDOWS record stays in the Windows directory";
    }
    // The driver is registered by its files' names, which Windows 95 looks
    // for in its system directory.
    const std::string driver = RegisteredDriverFiles();
    EXPECT_NE(driver.find("ORVPCL.DRV"), std::string::npos) << driver;
    for (const char* name : {"VAZAZUD.DLL", "ORVPCLF.DLL", "ORVPCLFL.DLL", "ORVPCLS.DLL"}) {
        EXPECT_NE(driver.find(name), std::string::npos) << name << " is not among the driver's files: " << driver;
    }
    // The installer saw Windows 95: it entered the fonts in that system's
    // registry font list.
    char font[MAX_PATH] = "";
    DWORD size = sizeof font;
    HKEY fonts = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Fonts", 0,
                      KEY_QUERY_VALUE | robot::ProgramRegView(), &fonts) == ERROR_SUCCESS) {
        RegQueryValueExA(fonts, "Marigold (TrueType)", nullptr, nullptr, reinterpret_cast<BYTE*>(font), &size);
        RegCloseKey(fonts);
    }
    EXPECT_STREQ(font, "MARIGOLD.TTF") << "the installer did not run as on Windows 95";
    installedSystemIni_ = ReadFileBytes(WindowsDir() + "\\SYSTEM.INI");

    ASSERT_TRUE(CopyFileA((variants + "tldesetup_win95.exe").c_str(), Install("TLDELET.EXE").c_str(), FALSE))
        << "error " << GetLastError();
    Robot r;
    ASSERT_TRUE(r.Start(Install("TLDELET.EXE"), "External", kInstallDir));
    DWORD code = 0;
    ASSERT_TRUE(r.WaitExit(300000, &code)) << r.TranscriptText();
    EXPECT_EQ(code, 3010u) << "Windows 95 reads the changed [386Enh] only when it starts";
    for (const SeenDialog& seen : r.Transcript()) {
        EXPECT_FALSE(seen.messageBox) << "box shown in silent mode: " << seen.Describe();
    }
    ExpectRemoved(system95);
}
