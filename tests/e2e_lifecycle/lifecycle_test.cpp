// The package's life cycle: install, install again over an installed version,
// and remove. With the test variant of the installer, whose string table
// holds the offer to remove the previous version, the second run shows
// dialog 913 and has the old version's own uninstaller remove it; with the
// shipped installer, a second run installs over the first without doubling
// anything.
#include <windows.h>

#include <shlobj.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "package_dist.h"
#include "robot.h"

namespace {

using robot::Robot;
using robot::SeenDialog;
using robot::WindowQuery;

constexpr DWORD kBound = 60000;
constexpr DWORD kInstallBound = 600000;
const char kInstallDir[] = "C:\\VIREO";
const char kPrinterName[] = "ORVAN Pelora 200/250 PCL";
const char kDeviceKey[] = "Enum\\LPTENUM\\ROVOZIZUDAR_200_OREV766";
const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ORVAN Pelora 200/250";

// Controls that tell the installer's dialogs apart.
constexpr int kExitSetup = 111;
constexpr int kPortConnect = 123;
constexpr int kDiskEdit = 109;
constexpr int kDestEdit = 105;
constexpr int kPreviousText = 127;
constexpr int kPreviousDelete = 147;
constexpr int kPreviousExit = 148;

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
std::string Installed(const char* name) { return std::string(kInstallDir) + "\\" + name; }

std::string WindowsDir() {
    char dir[MAX_PATH];
    UINT n = GetWindowsDirectoryA(dir, sizeof dir);
    return std::string(dir, n);
}

// Copies a folder tree (the first diskette) so that its installer can be
// replaced by the variant.
bool CopyTree(const std::string& from, const std::string& to) {
    CreateDirectoryA(to.c_str(), nullptr);
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA((from + "\\*").c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE) return false;
    bool ok = true;
    do {
        std::string name = fd.cFileName;
        if (name == "." || name == "..") continue;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            ok = CopyTree(from + "\\" + name, to + "\\" + name) && ok;
        } else {
            ok = CopyFileA((from + "\\" + name).c_str(), (to + "\\" + name).c_str(), FALSE) && ok;
        }
    } while (FindNextFileA(find, &fd));
    FindClose(find);
    return ok;
}

// The first diskette with the test variant of the installer in place of the
// shipped one.
std::string OfferDisk() {
    static std::string disk;
    if (disk.empty()) {
        std::string dir = robot::MakeTempDir("offer");
        disk = dir + "DISK1";
        EXPECT_TRUE(CopyTree(TLS_DIST_DISK1, disk)) << "copying " << TLS_DIST_DISK1;
        EXPECT_TRUE(CopyFileA((robot::BinDir() + "tlsetup_offer.exe").c_str(), (disk + "\\TLSETUP.EXE").c_str(),
                              FALSE))
            << "placing the variant on " << disk;
    }
    return disk;
}

// Message boxes of other programs (the old uninstaller run by the installer
// must show none).
struct ForeignBoxes {
    std::set<HWND> seen;
    std::vector<std::string> texts;
    void Look(DWORD ownPid) {
        for (const robot::WindowInfo& w : robot::TopLevelWindows(0)) {
            if (w.pid == ownPid || w.pid == GetCurrentProcessId() || w.className != "#32770") continue;
            if (!seen.insert(w.hwnd).second) continue;
            SeenDialog d = robot::ReadDialog(w);
            if (d.messageBox) texts.push_back(d.Describe());
        }
    }
};

// What to do when dialog 913 comes up: the button to press, given how many
// times it has been shown before.
using OfferAnswer = std::function<int(int shownBefore, const SeenDialog& offer)>;

struct InstallRun {
    DWORD exitCode = 1;
    std::vector<SeenDialog> transcript;
    std::vector<std::string> offerTexts;
    ForeignBoxes foreign;
    std::string transcriptText;
};

// Runs the installer from `disk1` to its end, answering like a user who takes
// the defaults: port LPT1, the default directory, the second diskette's path
// when asked for it, OK to every notice and "&Exit Setup" at the end.
::testing::AssertionResult RunInstaller(const std::string& disk1, const OfferAnswer& offer, InstallRun* run) {
    Robot r;
    ::testing::AssertionResult ok = r.Start(disk1 + "\\TLSETUP.EXE", "", disk1);
    if (!ok) return ok;
    HWND main = nullptr;
    ok = r.WaitWindow(WindowQuery::Class("SetupWinClass"), kBound, &main);
    if (!ok) return ok;
    ok = r.ClickClient(main, 100, 100);
    if (!ok) return ok;
    std::set<HWND> answered;
    const DWORD start = GetTickCount();
    while (WaitForSingleObject(r.Process(), 100) != WAIT_OBJECT_0) {
        run->foreign.Look(r.Pid());
        if (GetTickCount() - start > kInstallBound) {
            return ::testing::AssertionFailure() << "installer still running after " << kInstallBound / 1000
                                                 << " s:\n" << robot::DescribeScreen() << "\n" << r.TranscriptText();
        }
        for (const robot::WindowInfo& w : robot::TopLevelWindows(r.Pid())) {
            if (w.className != "#32770" || answered.count(w.hwnd)) continue;
            SeenDialog seen = robot::ReadDialog(w);
            if (w.Control(kExitSetup)) {
                ok = r.Click(w.hwnd, kExitSetup);
            } else if (w.Control(kPreviousDelete) && w.Control(kPreviousExit)) {
                run->offerTexts.push_back(r.ControlText(w.hwnd, kPreviousText));
                ok = r.Click(w.hwnd, offer ? offer(static_cast<int>(run->offerTexts.size()) - 1, seen)
                                           : kPreviousExit);
            } else if (w.Control(kPortConnect)) {
                ok = r.Click(w.hwnd, kPortConnect);
            } else if (w.Control(kDiskEdit)) {
                // The prompt's edit turns what is typed into upper case.
                std::string disk2 = TLS_DIST_DISK2;
                CharUpperBuffA(&disk2[0], static_cast<DWORD>(disk2.size()));
                SendMessageA(w.Control(kDiskEdit)->hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
                ok = r.Type(w.Control(kDiskEdit)->hwnd, disk2);
                if (ok) ok = r.Click(w.hwnd, IDOK);
            } else if (w.Control(kDestEdit)) {
                ok = r.Click(w.hwnd, IDOK);
            } else if (seen.messageBox) {
                ok = r.Enter(w.hwnd);
            } else {
                continue;  // the progress dialog
            }
            if (!ok) return ok << "\n" << r.TranscriptText();
            answered.insert(w.hwnd);
        }
    }
    r.Observe();
    GetExitCodeProcess(r.Process(), &run->exitCode);
    run->transcript = r.Transcript();
    run->transcriptText = r.TranscriptText();
    return ::testing::AssertionSuccess();
}

int CountMessageBoxes(const InstallRun& run) {
    int n = 0;
    for (const SeenDialog& d : run.transcript) n += d.messageBox ? 1 : 0;
    return n;
}

std::string Profile(const char* section, const char* key, const char* file = nullptr) {
    char value[1024];
    if (file) {
        GetPrivateProfileStringA(section, key, "<missing>", value, sizeof value, file);
    } else {
        GetProfileStringA(section, key, "<missing>", value, sizeof value);
    }
    return value;
}

int CountOccurrences(const std::string& text, const std::string& word) {
    int n = 0;
    for (std::size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) ++n;
    return n;
}

int CountPrinters(const char* name) {
    DWORD needed = 0, count = 0;
    EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &needed, &count);
    std::vector<BYTE> buf(needed + 1);
    if (!EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, buf.data(), needed, &needed, &count)) return 0;
    int n = 0;
    auto* info = reinterpret_cast<PRINTER_INFO_2A*>(buf.data());
    for (DWORD i = 0; i < count; ++i) n += lstrcmpiA(info[i].pPrinterName, name) == 0 ? 1 : 0;
    return n;
}

int CountSubkeys(const char* path) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return -1;
    DWORD subkeys = 0;
    RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                     nullptr);
    RegCloseKey(key);
    return static_cast<int>(subkeys);
}

// Shortcuts in the package's Start Menu group, wherever Wine's shell put it
// ("/" in a group name becomes "_" in the folder name).
int CountShortcuts() {
    int n = 0;
    for (int csidl : {CSIDL_PROGRAMS, CSIDL_COMMON_PROGRAMS}) {
        char programs[MAX_PATH] = "";
        if (FAILED(SHGetFolderPathA(nullptr, csidl, nullptr, 0, programs))) continue;
        for (const char* group : {"ORVAN Pelora 200_250 Tools", "ORVAN Pelora 200/250 Tools"}) {
            WIN32_FIND_DATAA fd;
            HANDLE find = FindFirstFileA((std::string(programs) + "\\" + group + "\\*.lnk").c_str(), &fd);
            if (find == INVALID_HANDLE_VALUE) continue;
            do ++n;
            while (FindNextFileA(find, &fd));
            FindClose(find);
        }
    }
    return n;
}

class Lifecycle : public ::testing::Test {
protected:
    // A first installation with the shipped installer from the diskettes.
    void InstallFirst() {
        InstallRun first;
        ASSERT_TRUE(RunInstaller(TLS_DIST_DISK1, nullptr, &first));
        ASSERT_EQ(first.exitCode, 0u) << first.transcriptText;
        ASSERT_TRUE(first.offerTexts.empty()) << "nothing to remove on a fresh machine";
        ASSERT_TRUE(Exists(Installed("TLDELET.EXE"))) << first.transcriptText;
        ASSERT_TRUE(Exists(Installed("TLSETUP.INF")));
        ASSERT_EQ(Profile("Applications", "VelmDir", "PELORASD.INI"), kInstallDir);
        ASSERT_EQ(Profile("Applications", "DeleteFile", "PELORASD.INI"), "TLDELET.EXE");
    }
};

TEST_F(Lifecycle, OfferRemovesTheOldVersionThenInstallsAnewAndTheUninstallerRemovesAll) {
    InstallFirst();
    if (HasFatalFailure()) return;
    const int shortcuts = CountShortcuts();

    InstallRun second;
    ASSERT_TRUE(RunInstaller(OfferDisk(), [](int, const SeenDialog&) { return kPreviousDelete; }, &second));
    EXPECT_EQ(second.exitCode, 0u);
    ASSERT_EQ(second.offerTexts.size(), 1u) << second.transcriptText;
    EXPECT_NE(second.offerTexts[0].find("ORVAN Pelora 200/250"), std::string::npos) << second.offerTexts[0];
    EXPECT_NE(second.offerTexts[0].find(kInstallDir), std::string::npos) << second.offerTexts[0];
    EXPECT_TRUE(second.foreign.texts.empty()) << "the old uninstaller showed a box: " << second.foreign.texts[0];
    // Installed anew: the new uninstaller and the package are back in place.
    EXPECT_TRUE(Exists(Installed("TLDELET.EXE")));
    EXPECT_TRUE(Exists(Installed("VIREO.EXE")));
    EXPECT_TRUE(Exists(Installed("TLSETUP.INF")));
    EXPECT_EQ(CountMessageBoxes(second), 2) << "1016 and 1009, and nothing else:\n" << second.transcriptText;
    EXPECT_EQ(CountShortcuts(), shortcuts);
    EXPECT_EQ(CountOccurrences(Profile("windows", "run"), "PELORASD.EXE"), 1) << Profile("windows", "run");

    // Finally the uninstaller removes everything, silently.
    Robot r;
    ASSERT_TRUE(r.Start(Installed("TLDELET.EXE"), "External", kInstallDir));
    ASSERT_TRUE(r.WaitExit(300000)) << r.TranscriptText();
    EXPECT_FALSE(Exists(Installed("VIREO.EXE")));
    EXPECT_FALSE(Exists(Installed("TLSETUP.INF")));
    EXPECT_FALSE(Exists(WindowsDir() + "\\PELORASD.INI"));
    EXPECT_EQ(CountSubkeys(kUninstallKey), -1) << "uninstall entry left";
    EXPECT_EQ(CountOccurrences(Profile("windows", "run"), "PELORASD.EXE"), 0) << Profile("windows", "run");
    EXPECT_EQ(CountShortcuts(), 0);
}

TEST_F(Lifecycle, ExitInTheOfferEndsTheInstallerWithoutAMessage) {
    InstallFirst();
    if (HasFatalFailure()) return;
    InstallRun second;
    ASSERT_TRUE(RunInstaller(OfferDisk(), [](int, const SeenDialog&) { return kPreviousExit; }, &second));
    EXPECT_EQ(second.exitCode, 0u);
    EXPECT_EQ(second.offerTexts.size(), 1u) << second.transcriptText;
    EXPECT_EQ(CountMessageBoxes(second), 0) << second.transcriptText;
    EXPECT_TRUE(Exists(Installed("TLDELET.EXE"))) << "the old version must stay";
    EXPECT_TRUE(Exists(Installed("VIREO.EXE")));
}

TEST_F(Lifecycle, AnUninstallerThatLeavesTheScriptBringsTheOfferBack) {
    InstallFirst();
    if (HasFatalFailure()) return;
    // Held open by another program that lets others read it but not delete it,
    // the old script survives the old uninstaller, which still reads it.
    HANDLE held = CreateFileA(Installed("TLSETUP.INF").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    InstallRun second;
    ::testing::AssertionResult ran = RunInstaller(
        OfferDisk(), [](int shownBefore, const SeenDialog&) { return shownBefore == 0 ? kPreviousDelete : kPreviousExit; },
        &second);
    CloseHandle(held);
    ASSERT_TRUE(ran);
    EXPECT_EQ(second.exitCode, 0u);
    EXPECT_EQ(second.offerTexts.size(), 2u) << "913 again after a failed removal:\n" << second.transcriptText;
    EXPECT_EQ(CountMessageBoxes(second), 0) << second.transcriptText;
    EXPECT_TRUE(Exists(Installed("TLSETUP.INF")));
}

TEST_F(Lifecycle, ShippedInstallerInstallsOverTheFirstWithoutDoubling) {
    InstallFirst();
    if (HasFatalFailure()) return;
    const int shortcuts = CountShortcuts();
    InstallRun second;
    ASSERT_TRUE(RunInstaller(TLS_DIST_DISK1, nullptr, &second));
    EXPECT_EQ(second.exitCode, 0u);
    EXPECT_TRUE(second.offerTexts.empty()) << "the shipped installer never offers the removal";
    EXPECT_EQ(CountPrinters(kPrinterName), 1) << "printers named " << kPrinterName;
    EXPECT_EQ(CountSubkeys(kDeviceKey), 1) << "port subkeys under " << kDeviceKey;
    EXPECT_EQ(CountOccurrences(Profile("windows", "run"), "PELORASD.EXE"), 1) << Profile("windows", "run");
    EXPECT_GT(shortcuts, 0);
    EXPECT_EQ(CountShortcuts(), shortcuts) << "Program Manager items doubled";
    EXPECT_EQ(CountSubkeys(kUninstallKey), 0) << "the uninstall entry is one key";
}

}  // namespace
