// SYSTEM.nnn / WIN.nnn backups and LzCopyFile on the seeded machine.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config_support.h"
#include "file_install.h"
#include "lzcopy.h"
#include "win95_profile_cache.h"

namespace {

std::string Backup(const char* base, int n) {
    char name[32];
    wsprintfA(name, "%s.%03d", base, n);
    return InWindows(name);
}

// Removes every SYSTEM.nnn and WIN.nnn a test made.
void RemoveBackups(int upTo) {
    for (int n = 1; n <= upTo; ++n) {
        RemoveFile(Backup("SYSTEM", n));
        RemoveFile(Backup("WIN", n));
    }
}

// BackupIniFiles with the Windows folder's `base`.INI moved aside for the
// call; -1 when it could not be moved.
int BackupWithout(const char* base) {
    const std::string ini = WindowsDir() + "\\" + base + ".INI", aside = WindowsDir() + "\\" + base + ".KEEP";
    if (!MoveFileA(ini.c_str(), aside.c_str())) return -1;
    BOOL result = BackupIniFiles();
    MoveFileA(aside.c_str(), ini.c_str());
    return result;
}

class IniBackup : public ::testing::Test {
protected:
    void SetUp() override {
        ResetSetupState();
        RemoveBackups(12);
        systemIni = ReadBytes(InWindows("SYSTEM.INI"));
        winIni = ReadBytes(InWindows("WIN.INI"));
        ASSERT_NE(systemIni, "<missing>") << "seeded machine has a SYSTEM.INI";
        ASSERT_NE(winIni, "<missing>") << "seeded machine has a WIN.INI";
    }
    void TearDown() override { RemoveBackups(12); }
    std::string systemIni, winIni;
};

}  // namespace

TEST_F(IniBackup, NoBackupsGiveOneAndCopyBothFilesUnchanged) {
    g_setup.iniBackupNumber = 77;
    ASSERT_EQ(BackupIniFiles(), TRUE);
    EXPECT_EQ(g_setup.iniBackupNumber, 1u);
    EXPECT_EQ(ReadBytes(Backup("SYSTEM", 1)), systemIni);
    EXPECT_EQ(ReadBytes(Backup("WIN", 1)), winIni);
}

TEST_F(IniBackup, ExistingSystem001To003AndWin001Give004) {
    for (int n = 1; n <= 3; ++n) ASSERT_TRUE(WriteBytes(Backup("SYSTEM", n), "old system " + std::to_string(n)));
    ASSERT_TRUE(WriteBytes(Backup("WIN", 1), "old win 1"));
    ASSERT_EQ(BackupIniFiles(), TRUE);
    EXPECT_EQ(g_setup.iniBackupNumber, 4u);
    EXPECT_EQ(ReadBytes(Backup("SYSTEM", 4)), systemIni);
    EXPECT_EQ(ReadBytes(Backup("WIN", 4)), winIni);
    EXPECT_FALSE(FileExists(Backup("WIN", 2))) << "the WIN series keeps its gap";
    EXPECT_EQ(ReadBytes(Backup("SYSTEM", 1)), "old system 1") << "earlier backups untouched";
    EXPECT_EQ(ReadBytes(Backup("WIN", 1)), "old win 1");
}

TEST_F(IniBackup, ProbeStopsAtTheFirstMissingNumber) {
    ASSERT_TRUE(WriteBytes(Backup("SYSTEM", 2), "old system 2"));
    ASSERT_EQ(BackupIniFiles(), TRUE);
    EXPECT_EQ(g_setup.iniBackupNumber, 1u);
    EXPECT_EQ(ReadBytes(Backup("SYSTEM", 2)), "old system 2");
    EXPECT_EQ(ReadBytes(Backup("SYSTEM", 1)), systemIni);
}

TEST_F(IniBackup, FullSystemSeriesWrapsToOneAndOverwritesThePair) {
    for (int n = 1; n <= 999; ++n) ASSERT_TRUE(WriteBytes(Backup("SYSTEM", n), "x")) << n;
    ASSERT_TRUE(WriteBytes(Backup("WIN", 1), "old win 1"));
    ASSERT_EQ(BackupIniFiles(), TRUE);
    EXPECT_EQ(g_setup.iniBackupNumber, 1u);
    EXPECT_EQ(ReadBytes(Backup("SYSTEM", 1)), systemIni);
    EXPECT_EQ(ReadBytes(Backup("WIN", 1)), winIni);
    RemoveBackups(999);
}

TEST_F(IniBackup, MissingSystemIniFailsAndWinIniIsNotCopied) {
    const int result = BackupWithout("SYSTEM");
    ASSERT_NE(result, -1) << "SYSTEM.INI could not be moved aside";
    EXPECT_EQ(result, FALSE);
    EXPECT_FALSE(FileExists(Backup("SYSTEM", 1)));
    EXPECT_FALSE(FileExists(Backup("WIN", 1)));
}

TEST_F(IniBackup, FailedWinBackupFailsAndKeepsTheSystemBackup) {
    ASSERT_TRUE(WriteBytes(Backup("SYSTEM", 1), "old system 1"));
    ASSERT_TRUE(WriteBytes(Backup("WIN", 1), "old win 1"));
    const int result = BackupWithout("WIN");
    ASSERT_NE(result, -1) << "WIN.INI could not be moved aside";
    EXPECT_EQ(result, FALSE);
    EXPECT_EQ(g_setup.iniBackupNumber, 2u);
    EXPECT_EQ(ReadBytes(Backup("SYSTEM", 2)), systemIni) << "the SYSTEM backup already written stays";
    EXPECT_FALSE(FileExists(Backup("WIN", 2)));
}

// With the profile cache of Windows 95, the fonts registered during the copy
// are in WIN.INI's memory image when the backup is taken, and a change that
// any program made to SYSTEM.INI just before may be too: the backups hold
// them, as they do under Wine, because the backup flushes both files first.
TEST_F(IniBackup, BackupsHoldWhatWindows95sProfileCacheHeld) {
    const std::string fontLine = "Marigold (TrueType)=FTFCACHE.FOT";
    const std::string systemLine = "CacheTest=1";
    BOOL backedUp = FALSE;
    std::string winIniBefore, systemIniBefore;
    {
        win95::Windows95ProfileCache cache;
        ASSERT_TRUE(cache.swapped());
        ASSERT_TRUE(WritePrivateProfileStringA("386Enh", "CacheTest", "1", "system.ini"));
        ASSERT_TRUE(RegisterTrueTypeFont(1, 2, "C:\\NOFONTS\\FTFCACHE.TTF", "FTFCACHE.TT_"));
        winIniBefore = ReadBytes(InWindows("WIN.INI"));
        systemIniBefore = ReadBytes(InWindows("SYSTEM.INI"));
        backedUp = BackupIniFiles();
    }
    const std::string winBackup = ReadBytes(Backup("WIN", 1));
    const std::string systemBackup = ReadBytes(Backup("SYSTEM", 1));
    WriteProfileStringA("Fonts", "Marigold (TrueType)", nullptr);
    WritePrivateProfileStringA("386Enh", "CacheTest", nullptr, "system.ini");

    EXPECT_EQ(winIniBefore.find(fontLine), std::string::npos) << "the cache held the font line back: " << winIniBefore;
    EXPECT_EQ(systemIniBefore.find(systemLine), std::string::npos) << systemIniBefore;
    EXPECT_EQ(backedUp, TRUE);
    EXPECT_NE(winBackup.find("[Fonts]"), std::string::npos) << winBackup;
    EXPECT_NE(winBackup.find(fontLine), std::string::npos) << winBackup;
    EXPECT_NE(systemBackup.find(systemLine), std::string::npos) << systemBackup;
}

TEST(LzCopy, ExpandsACompressedFileAndCopiesAPlainOne) {
    const std::string text = "[boot]\r\nshell=Explorer.exe\r\n; expanded through LZ\r\n";
    std::string packed("SZDD\x88\xF0\x27\x33", 8);
    packed += 'A';
    packed += 'I';
    uint32_t size = static_cast<uint32_t>(text.size());
    for (int i = 0; i < 4; ++i) packed += static_cast<char>((size >> (8 * i)) & 0xFF);
    for (std::size_t i = 0; i < text.size(); i += 8) {
        packed += static_cast<char>(0xFF);  // eight literal bytes follow
        packed += text.substr(i, 8);
    }
    const std::string source = InWindows("PACKED.IN_");
    const std::string expanded = InWindows("PACKED.OUT");
    const std::string plain = InWindows("PLAIN.OUT");
    ASSERT_TRUE(WriteBytes(source, packed));
    EXPECT_EQ(LzCopyFile(source.c_str(), expanded.c_str()), TRUE);
    EXPECT_EQ(ReadBytes(expanded), text);
    const std::string plainSource = InWindows("PLAIN.IN");
    ASSERT_TRUE(WriteBytes(plainSource, text + "plain"));
    ASSERT_TRUE(WriteBytes(plain, std::string(500, 'z')));
    EXPECT_EQ(LzCopyFile(plainSource.c_str(), plain.c_str()), TRUE);
    EXPECT_EQ(ReadBytes(plain), text + "plain") << "destination truncated and rewritten";
    for (const std::string& f : {source, expanded, plain, plainSource}) RemoveFile(f);
}

TEST(LzCopy, MissingSourceOrUncreatableDestinationFail) {
    const std::string missing = InWindows("NOSUCH.INI");
    const std::string target = InWindows("TARGET.OUT");
    EXPECT_EQ(LzCopyFile(missing.c_str(), target.c_str()), FALSE);
    EXPECT_FALSE(FileExists(target)) << "nothing created for a missing source";
    const std::string source = InWindows("SOURCE.IN");
    ASSERT_TRUE(WriteBytes(source, "data"));
    const std::string badTarget = InWindows("NODIR\\TARGET.OUT");
    EXPECT_EQ(LzCopyFile(source.c_str(), badTarget.c_str()), FALSE);
    // The source was closed again: it can be deleted.
    EXPECT_TRUE(DeleteFileA(source.c_str()));
}
