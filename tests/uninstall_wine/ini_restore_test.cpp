// INI backups and INI restoration against the real profile and file
// functions of the seeded machine.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "desetup.h"
#include "wine_files.h"
#include "../machine/win95_profile.h"
#include "../machine/win95_profile_cache.h"
#include "../machine/strict_files.h"
#include "../machine/import_slot.h"

namespace {

std::string Backup(const char* name) { return WindowsDir() + "\\" + name; }

std::string ProfileString(const char* section, const char* key) {
    char value[2048];
    GetProfileStringA(section, key, "<missing>", value, sizeof value);
    return value;
}

void SetVelmDir(const char* dir) {
    ASSERT_TRUE(WritePrivateProfileStringA("Applications", "VelmDir", dir, "PELORASD.INI"));
}

class IniRestore : public ::testing::Test {
protected:
    void TearDown() override {
        for (const char* name : {"SYSTEM.001", "SYSTEM.002", "SYSTEM.003", "WIN.001", "WIN.002", "WIN.003",
                                 "SYSTEM.000", "PELORASD.INI"}) {
            DeleteFileA(Backup(name).c_str());
        }
    }
};

}  // namespace

TEST_F(IniRestore, BackupSeriesAreDeletedUpToTheirFirstGap) {
    for (const char* name : {"SYSTEM.001", "SYSTEM.002", "WIN.001", "WIN.003"}) WriteBytes(Backup(name), "[x]\r\n");
    EXPECT_EQ(RemoveIniBackups(), 1);
    EXPECT_FALSE(FileExists(Backup("SYSTEM.001"))) << "SYSTEM.001 left";
    EXPECT_FALSE(FileExists(Backup("SYSTEM.002"))) << "SYSTEM.002 left";
    EXPECT_FALSE(FileExists(Backup("WIN.001"))) << "WIN.001 left";
    EXPECT_TRUE(FileExists(Backup("WIN.003"))) << "WIN.003 lies above the gap at 002 and stays";
}

TEST_F(IniRestore, MissingFirstBackupKeepsTheWholeSeries) {
    WriteBytes(Backup("SYSTEM.002"), "[x]\r\n");
    WriteBytes(Backup("SYSTEM.003"), "[x]\r\n");
    WriteBytes(Backup("SYSTEM.000"), "[x]\r\n");
    EXPECT_EQ(RemoveIniBackups(), 1);
    EXPECT_TRUE(FileExists(Backup("SYSTEM.002")));
    EXPECT_TRUE(FileExists(Backup("SYSTEM.003")));
    EXPECT_TRUE(FileExists(Backup("SYSTEM.000"))) << "the uninstaller's own copy is never probed";
}

TEST_F(IniRestore, ExternalPrintersCountsDownByOneOncePerRemoval) {
    ASSERT_TRUE(WriteProfileStringA("PSCRIPT", "External Printers", "3"));
    EXPECT_EQ(RestoreWinIni(), 1);
    EXPECT_EQ(ProfileString("PSCRIPT", "External Printers"), "2");
    EXPECT_EQ(RestoreWinIni(), 1) << "a second run of the same removal";
    EXPECT_EQ(ProfileString("PSCRIPT", "External Printers"), "2") << "lowered twice by one removal";
    // The next installation's removal, with the settings file it brings.
    DeleteFileA(Backup("PELORASD.INI").c_str());
    EXPECT_EQ(RestoreWinIni(), 1);
    EXPECT_EQ(ProfileString("PSCRIPT", "External Printers"), "1");
}

TEST_F(IniRestore, ExternalPrintersOfZeroOrMissingStay) {
    ASSERT_TRUE(WriteProfileStringA("PSCRIPT", "External Printers", "0"));
    EXPECT_EQ(RestoreWinIni(), 1);
    EXPECT_EQ(ProfileString("PSCRIPT", "External Printers"), "0");
    ASSERT_TRUE(WriteProfileStringA("PSCRIPT", "External Printers", nullptr));
    EXPECT_EQ(RestoreWinIni(), 1);
    EXPECT_EQ(ProfileString("PSCRIPT", "External Printers"), "<missing>");
}

TEST_F(IniRestore, StatusProgramLeavesTheRunValue) {
    SetVelmDir("C:\\VIREO");
    ASSERT_TRUE(WriteProfileStringA("windows", "run", "c:\\windows\\clock.exe C:\\VIREO\\PELORASD.EXE c:\\tools\\note.exe"));
    EXPECT_EQ(RestoreWinIni(), 1);
    EXPECT_EQ(ProfileString("windows", "run"), "C:\\WINDOWS\\CLOCK.EXE C:\\TOOLS\\NOTE.EXE")
        << "the value is written back in upper case without the status program";
    ASSERT_TRUE(WriteProfileStringA("windows", "run", "C:\\VIREO\\PELORASD.EXE"));
    EXPECT_EQ(RestoreWinIni(), 1);
    EXPECT_EQ(ProfileString("windows", "run"), "");
}

TEST_F(IniRestore, LowerCaseVelmDirLeavesTheRunValueAlone) {
    SetVelmDir("c:\\vireo");
    ASSERT_TRUE(WriteProfileStringA("windows", "run", "c:\\windows\\clock.exe c:\\vireo\\pelorasd.exe"));
    EXPECT_EQ(RestoreWinIni(), 1);
    EXPECT_EQ(ProfileString("windows", "run"), "c:\\windows\\clock.exe c:\\vireo\\pelorasd.exe");
}

TEST_F(IniRestore, LongRunValueKeepsItsEnd) {
    SetVelmDir("C:\\VIREO");
    std::string before;
    for (int i = 0; i < 25; ++i) before += "C:\\PROGRAMS\\TOOL" + std::to_string(i) + ".EXE ";
    std::string after = "C:\\THE\\VERY\\LAST\\PROGRAM.EXE";
    std::string run = before + "C:\\VIREO\\PELORASD.EXE " + after;
    ASSERT_GT(run.size(), 400u);
    ASSERT_TRUE(WriteProfileStringA("windows", "run", run.c_str()));
    ASSERT_EQ(ProfileString("windows", "run"), run) << "the machine keeps long values";
    EXPECT_EQ(RestoreWinIni(), 1);
    EXPECT_EQ(ProfileString("windows", "run"), before + after);
}

int RestoreWinIniOnWindows95() { return win95::RunWithWindows95ProfileReads(RestoreWinIni, -1); }
using win95::OtherPrograms;
using win95::Outline;
using win95::WholeRunValue;

TEST_F(IniRestore, RunValueOver16KLosesTheStatusProgramWithTheReadsOfWindows95) {
    SetVelmDir("C:\\VIREO");
    const std::string others = OtherPrograms(20000);
    const std::string run = "C:\\VIREO\\PELORASD.EXE " + others;
    ASSERT_TRUE(WriteProfileStringA("windows", "run", run.c_str()));
    ASSERT_TRUE(WholeRunValue() == run) << "the machine keeps " << Outline(WholeRunValue());
    EXPECT_EQ(RestoreWinIniOnWindows95(), 1);
    const std::string after = WholeRunValue();
    EXPECT_TRUE(after == others) << Outline(after);
}

TEST_F(IniRestore, RunValueTooLongForWindows95FailsAndWinIniStaysAsItIs) {
    // The value fills the largest read, as a longer one would. 0 makes the
    // sequence stop with message 1019.
    SetVelmDir("C:\\VIREO");
    const std::string run = "C:\\VIREO\\PELORASD.EXE " + OtherPrograms(32766 - 22);
    ASSERT_TRUE(WriteProfileStringA("windows", "run", run.c_str()));
    ASSERT_TRUE(WholeRunValue() == run) << "the machine keeps " << Outline(WholeRunValue());
    ASSERT_TRUE(WriteProfileStringA("PSCRIPT", "External Printers", "2"));
    EXPECT_EQ(RestoreWinIniOnWindows95(), 0);
    const std::string after = WholeRunValue();
    EXPECT_TRUE(after == run) << Outline(after);
    EXPECT_EQ(ProfileString("PSCRIPT", "External Printers"), "2");
}

TEST_F(IniRestore, SystemIniLosesThePortLineAndGetsVpdBack) {
    const std::string longLine = "device=" + std::string(140, 'L') + "PeloraLPT=1" + std::string(150, 'M');
    const std::string original =
        "[boot]\r\nshell=Explorer.exe\r\nPeloraLPT=9\r\n[386Enh]\r\ndevice=*vpicd\r\n"
        ";device=C:\\WINDOWS\\SYSTEM\\VPD.386\r\n" +
        longLine + "\r\npeloralpt = 2\r\nEMMExclude=C000-CFFF\r\n[drivers]\r\nPeloraLPT=1\r\nwave=x.drv";
    const std::string expected =
        "[boot]\r\nshell=Explorer.exe\r\nPeloraLPT=9\r\n[386Enh]\r\ndevice=*vpicd\r\ndevice=vpd.386\r\n" + longLine +
        "\r\nEMMExclude=C000-CFFF\r\n[drivers]\r\nPeloraLPT=1\r\nwave=x.drv";
    const std::string systemIni = WindowsDir() + "\\SYSTEM.INI";
    const std::string saved = ReadBytes(systemIni);
    WriteBytes(systemIni, original);

    EXPECT_EQ(RestoreSystemIni(), 1);
    EXPECT_EQ(ReadBytes(systemIni), expected);
    EXPECT_EQ(ReadBytes(Backup("SYSTEM.000")), original) << "SYSTEM.000 holds the text before the rewrite";
    // The profile functions see the new text.
    char value[64];
    GetPrivateProfileStringA("386Enh", "PeloraLPT", "<missing>", value, sizeof value, "system.ini");
    EXPECT_STREQ(value, "<missing>");

    // A second run of the same removal changes nothing more and keeps the
    // copy of the first; the next removal (with a new settings file) writes
    // SYSTEM.000 again.
    EXPECT_EQ(RestoreSystemIni(), 1);
    EXPECT_EQ(ReadBytes(systemIni), expected);
    EXPECT_EQ(ReadBytes(Backup("SYSTEM.000")), original) << "the copy from before the removal was overwritten";
    DeleteFileA(Backup("PELORASD.INI").c_str());
    EXPECT_EQ(RestoreSystemIni(), 1);
    EXPECT_EQ(ReadBytes(Backup("SYSTEM.000")), expected);

    // No temporary copy is left behind.
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((WindowsDir() + "\\TLD*.TMP").c_str(), &found);
    EXPECT_EQ(search, INVALID_HANDLE_VALUE) << "left behind: " << (search != INVALID_HANDLE_VALUE ? found.cFileName : "");
    if (search != INVALID_HANDLE_VALUE) FindClose(search);
    WriteBytes(systemIni, saved);
}

// With the profile cache of Windows 95, a port line written through the
// profile functions just before may still be in SYSTEM.INI's memory image:
// the rewrite flushes it first, so that it works on that text and no later
// write-out of the image brings the line back.
TEST_F(IniRestore, SystemIniRewriteSeesWhatWindows95sProfileCacheHeld) {
    const std::string systemIni = WindowsDir() + "\\SYSTEM.INI";
    const std::string saved = ReadBytes(systemIni);
    WriteBytes(systemIni, "[boot]\r\nshell=Explorer.exe\r\n[386Enh]\r\ndevice=*vpicd\r\n");
    int result = 0;
    std::string onDisk;
    {
        win95::Windows95ProfileCache cache;
        ASSERT_TRUE(cache.swapped());
        ASSERT_TRUE(WritePrivateProfileStringA("386Enh", "PeloraLPT", "1", "system.ini"));
        onDisk = ReadBytes(systemIni);
        result = RestoreSystemIni();
    }
    const std::string after = ReadBytes(systemIni);
    const std::string copy = ReadBytes(Backup("SYSTEM.000"));
    WriteBytes(systemIni, saved);
    EXPECT_EQ(onDisk.find("PeloraLPT"), std::string::npos) << "the cache held the line back: " << onDisk;
    EXPECT_EQ(result, 1);
    EXPECT_EQ(after.find("PeloraLPT"), std::string::npos) << "the port line is back in SYSTEM.INI:\n" << after;
    EXPECT_NE(copy.find("PeloraLPT=1"), std::string::npos) << "SYSTEM.000 holds the text before the rewrite:\n" << copy;
}

// The program's _hwrite calls go through this import slot: a full disk is
// a write that stops after 8 bytes (once; the next writes are whole).
decltype(&_hwrite) g_realWrite;
long WINAPI DiskFullOnce(HFILE file, LPCCH data, long length) {
    g_hwriteSlot = g_realWrite;
    return g_realWrite(file, data, length < 8 ? length : 8);
}

TEST_F(IniRestore, ShortSystemIniWriteGetsTheOriginalBack) {
    const std::string original = "[boot]\r\nshell=Explorer.exe\r\n[386Enh]\r\nPeloraLPT=1\r\n;device=vpd.386\r\n";
    const std::string systemIni = WindowsDir() + "\\SYSTEM.INI";
    const std::string saved = ReadBytes(systemIni);
    WriteBytes(systemIni, original);
    ImportSwaps swaps;
    ASSERT_TRUE(swaps.Swap(g_hwriteSlot, DiskFullOnce, &g_realWrite));

    EXPECT_EQ(RestoreSystemIni(), 0) << "a short write is not a success";
    swaps.Restore();
    EXPECT_EQ(ReadBytes(systemIni), original) << "SYSTEM.INI is back as it was";
    WriteBytes(systemIni, saved);
}

TEST_F(IniRestore, RestoreIniFilesRunsBothRewrites) {
    SetVelmDir("C:\\VIREO");
    ASSERT_TRUE(WritePrivateProfileStringA("386Enh", "PeloraLPT", "2", "system.ini"));
    ASSERT_TRUE(WriteProfileStringA("windows", "run", "C:\\VIREO\\PELORASD.EXE C:\\WINDOWS\\CLOCK.EXE"));
    ASSERT_TRUE(WriteProfileStringA("PSCRIPT", "External Printers", "1"));
    EXPECT_EQ(RestoreIniFiles(), 1);
    char value[64];
    GetPrivateProfileStringA("386Enh", "PeloraLPT", "<missing>", value, sizeof value, "system.ini");
    EXPECT_STREQ(value, "<missing>");
    EXPECT_EQ(ProfileString("windows", "run"), "C:\\WINDOWS\\CLOCK.EXE");
    EXPECT_EQ(ProfileString("PSCRIPT", "External Printers"), "0");
    EXPECT_TRUE(FileExists(Backup("SYSTEM.000")));
}

namespace {

// SYSTEM.INI with the package's port line, and what the removal makes of it.
const char kInstalledSystemIni[] = "[boot]\r\nshell=Explorer.exe\r\n[386Enh]\r\nPeloraLPT=1\r\ndevice=*vpicd\r\n";
const char kRemovedSystemIni[] = "[boot]\r\nshell=Explorer.exe\r\n[386Enh]\r\ndevice=*vpicd\r\n";

// Puts SYSTEM.INI (and the files of an unfinished replacement) in place for
// one test and gives the machine's own SYSTEM.INI back at its end.
class SystemIniReplacement : public IniRestore {
protected:
    void SetUp() override { saved_ = ReadBytes(ini_); }
    void TearDown() override {
        for (const std::string& path : {ini_, fresh_, old_}) SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(fresh_.c_str());
        DeleteFileA(old_.c_str());
        WriteBytes(ini_, saved_);
        IniRestore::TearDown();
    }
    void MakeReadOnly() { ASSERT_TRUE(SetFileAttributesA(ini_.c_str(), FILE_ATTRIBUTE_READONLY)); }
    DWORD Attributes() const { return GetFileAttributesA(ini_.c_str()); }
    void ExpectNoStepFiles() {
        EXPECT_FALSE(FileExists(fresh_)) << "left behind: " << fresh_;
        EXPECT_FALSE(FileExists(old_)) << "left behind: " << old_;
    }

    const std::string ini_ = WindowsDir() + "\\SYSTEM.INI";
    const std::string fresh_ = WindowsDir() + "\\TLSYSINI.NEW";
    const std::string old_ = WindowsDir() + "\\TLSYSINI.OLD";
    std::string saved_;
};

}  // namespace

// Windows refuses to rewrite a read-only SYSTEM.INI: one that needs no
// change is not written, and the removal goes on.
TEST_F(SystemIniReplacement, ReadOnlySystemIniWithoutThePackagesLinesIsLeftAsItIs) {
    WriteBytes(ini_, kRemovedSystemIni);
    MakeReadOnly();
    int result = 0;
    {
        strict::StrictFiles strictFiles(false);
        ASSERT_TRUE(strictFiles.swapped());
        result = RestoreSystemIni();
    }
    EXPECT_EQ(result, 1) << "a SYSTEM.INI with nothing to remove stopped the removal";
    EXPECT_EQ(ReadBytes(ini_), kRemovedSystemIni);
    EXPECT_EQ(Attributes() & FILE_ATTRIBUTE_READONLY, static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
    ExpectNoStepFiles();
}

// One that needs a change is replaced whole and stays read-only, on NT in
// one step and on Windows 95 in two.
TEST_F(SystemIniReplacement, ReadOnlySystemIniIsReplacedWholeAndStaysReadOnly) {
    for (bool windows95 : {false, true}) {
        SCOPED_TRACE(windows95 ? "MoveFileExA of Windows 95" : "MoveFileExA of NT");
        DeleteFileA(Backup("PELORASD.INI").c_str());
        SetFileAttributesA(ini_.c_str(), FILE_ATTRIBUTE_NORMAL);
        WriteBytes(ini_, kInstalledSystemIni);
        MakeReadOnly();
        int result = 0;
        {
            strict::StrictFiles strictFiles(windows95);
            ASSERT_TRUE(strictFiles.swapped());
            result = RestoreSystemIni();
        }
        EXPECT_EQ(result, 1);
        EXPECT_EQ(ReadBytes(ini_), kRemovedSystemIni);
        EXPECT_EQ(Attributes() & FILE_ATTRIBUTE_READONLY, static_cast<DWORD>(FILE_ATTRIBUTE_READONLY))
            << "attributes " << Attributes();
        EXPECT_EQ(ReadBytes(Backup("SYSTEM.000")), kInstalledSystemIni);
        ExpectNoStepFiles();
    }
}

// A removal cut short during the replacement leaves a whole SYSTEM.INI under
// its name or under one of the replacement's names; the next run ends with
// the bytes of one uninterrupted run, whichever moment the cut came at.
TEST_F(SystemIniReplacement, ReplacementCutShortIsCompletedByTheNextRun) {
    struct Cut {
        const char* moment;
        const char* ini;    // nullptr: no SYSTEM.INI
        const char* fresh;  // nullptr: no new file
        const char* old;    // nullptr: no old file
    };
    const Cut cuts[] = {
        {"while the new file was written", kInstalledSystemIni, "[boot]\r\nsh", nullptr},
        {"between the two renames", nullptr, kRemovedSystemIni, kInstalledSystemIni},
        {"before the old file was deleted", kRemovedSystemIni, nullptr, kInstalledSystemIni},
    };
    for (const Cut& cut : cuts) {
        SCOPED_TRACE(cut.moment);
        for (const std::string& path : {ini_, fresh_, old_}) DeleteFileA(path.c_str());
        if (cut.ini) WriteBytes(ini_, cut.ini);
        if (cut.fresh) WriteBytes(fresh_, cut.fresh);
        if (cut.old) WriteBytes(old_, cut.old);
        int result = 0;
        {
            strict::StrictFiles strictFiles(true);
            ASSERT_TRUE(strictFiles.swapped());
            result = RestoreSystemIni();
        }
        EXPECT_EQ(result, 1);
        EXPECT_EQ(ReadBytes(ini_), kRemovedSystemIni);
        ExpectNoStepFiles();
    }
}
