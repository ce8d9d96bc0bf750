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

#include "under_test.h"
#include "installer_driver.h"
#include "robot.h"

namespace {

using namespace e2e;

std::string Installed(const char* name) { return std::string(kInstallDir) + "\\" + name; }

// The first diskette with the test variant of the installer in place of the
// shipped one.
std::string OfferDisk() {
    static std::string disk;
    if (disk.empty()) {
        std::string dir = robot::MakeTempDir("offer");
        disk = dir + "DISK1";
        EXPECT_TRUE(e2e::CopyTree(robot::DistDisk1(), disk)) << "copying " << robot::DistDisk1();
        EXPECT_TRUE(CopyFileA(robot::OfferVariant().c_str(), (disk + "\\TLSETUP.EXE").c_str(),
                              FALSE))
            << "placing the variant on " << disk;
    }
    return disk;
}

InstallAnswers Offer(e2e::OfferAnswer answer) {
    InstallAnswers a;
    a.offer = std::move(answer);
    return a;
}

int CountMessageBoxes(const InstallRun& run) { return run.MessageBoxes(); }

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
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ | robot::ProgramRegView(), &key) != ERROR_SUCCESS) return -1;
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
        ASSERT_TRUE(RunInstaller(robot::DistDisk1(), InstallAnswers(), &first));
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
    ASSERT_TRUE(RunInstaller(OfferDisk(), Offer([](int, const SeenDialog&) { return kPreviousDelete; }), &second));
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
    ASSERT_TRUE(RunInstaller(OfferDisk(), Offer([](int, const SeenDialog&) { return kPreviousExit; }), &second));
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
        OfferDisk(),
        Offer([](int shownBefore, const SeenDialog&) { return shownBefore == 0 ? kPreviousDelete : kPreviousExit; }),
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
    ASSERT_TRUE(RunInstaller(robot::DistDisk1(), InstallAnswers(), &second));
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
