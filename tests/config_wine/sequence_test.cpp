// The configuration steps in the order of the installation sequence, on the
// seeded machine: everything they write, checked after one run and after a
// second installation over the first.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "config_support.h"

namespace {

const std::string kDevice = "Enum\\LPTENUM\\ROVOZIZUDAR_200_OREV766";
const std::string kUninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ORVAN Pelora 200/250";

// Steps 7 and 23 to 33 of the sequence, without the dialogs and messages.
bool RunConfigurationSteps() {
    RemovePreviousPrinter();
    if (!BackupIniFiles()) return false;
    ClearPrinterSections();
    if (!RegisterPrinter()) return false;
    if (!WritePackageSettings()) return false;
    WriteUninstallEntry();
    WriteStartupBatch();
    return true;
}

std::string Text(const RegValue& v) { return v.ok ? std::string(v.bytes.c_str()) : "<missing>"; }

class ConfigurationSequence : public ::testing::Test {
protected:
    void SetUp() override {
        ResetSetupState();
        oldRun = ProfileString("windows", "run");
        systemIni = ReadBytes(InWindows("SYSTEM.INI"));
        winIni = ReadBytes(InWindows("WIN.INI"));
        copyLine = "copy " + SystemDir() + "\\VAZAZUD.TMP " + SystemDir() + "\\VAZAZUD.DLL";
    }
    void TearDown() override {
        RemovePreviousPrinter();
        WritePrivateProfileStringA("386Enh", "PeloraLPT", nullptr, "system.ini");
        WriteProfileStringA("windows", "run", oldRun.c_str());
        WriteProfileStringA("FontSubstitutes", "Courier", nullptr);
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kUninstall.c_str());
        for (const char* f : {"SYSTEM.001", "WIN.001", "SYSTEM.002", "WIN.002", "PELORASD.INI", "winstart.bat",
                              "oldstart.bat"}) {
            RemoveFile(InWindows(f));
        }
    }
    std::string oldRun, systemIni, winIni, copyLine;
};

}  // namespace

TEST_F(ConfigurationSequence, FirstInstallationOnLpt2WithoutAnEarlierBatchFile) {
    g_setup.selectedPort = 125;
    ASSERT_TRUE(RunConfigurationSteps());
    EXPECT_EQ(g_setup.iniBackupNumber, 1u);
    EXPECT_EQ(ReadBytes(InWindows("SYSTEM.001")), systemIni) << "backup taken before the changes";
    EXPECT_EQ(ReadBytes(InWindows("WIN.001")), winIni);
    EXPECT_EQ(ProfileString("386Enh", "PeloraLPT", "system.ini"), "2");
    EXPECT_EQ(ProfileString("windows", "run"), "C:\\VIREO\\PELORASD.EXE C:\\WINDOWS\\CLOCK.EXE");
    EXPECT_EQ(ProfileString("FontSubstitutes", "Courier"), "Courier New");
    EXPECT_EQ(ReadBytes(InWindows("PELORASD.INI")),
              "[Spooler]\r\nSpoolDir=C:\\VIREO\\SPOOL\r\nSpoolFileName=C:\\VIREO\\SPOOLER.QUE\r\n"
              "[Applications]\r\nVelmDir=C:\\VIREO\r\nDeleteFile=TLDELET.EXE\r\n[Options]\r\nRunningMode=3\r\n");
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kDevice + "\\BIOS&*PNP0400&0E"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kDevice + "\\BIOS&*PNP0400&0D"));
    EXPECT_EQ(Text(ReadRegValue(HKEY_LOCAL_MACHINE, kUninstall, "UninstallString")), "C:\\VIREO\\tldelet.exe");
    EXPECT_EQ(Text(ReadRegValue(HKEY_LOCAL_MACHINE, kUninstall, "DisplayName")),
              "ORVAN Pelora 200/250 Uninstall Utility");
    EXPECT_EQ(ReadBytes(InWindows("winstart.bat")),
              "@echo off\r\n" + copyLine + "\r\ndel " + WindowsDir() + "\\winstart.bat");
    EXPECT_FALSE(FileExists(InWindows("oldstart.bat")));
}

TEST_F(ConfigurationSequence, SecondInstallationOverTheFirstWithAnEarlierBatchFile) {
    const std::string other = "C:\\TOOLS\\PREP.EXE\r\n";
    ASSERT_TRUE(WriteBytes(InWindows("winstart.bat"), other));
    g_setup.selectedPort = 125;
    ASSERT_TRUE(RunConfigurationSteps());
    const std::string win = WindowsDir();
    const std::string chain = "@echo off\r\n" + copyLine + "\r\n" + win + "\\oldstart.bat\r\nmove /y " + win +
                              "\\oldstart.bat " + win + "\\winstart.bat";
    EXPECT_EQ(ReadBytes(InWindows("oldstart.bat")), other);
    EXPECT_EQ(ReadBytes(InWindows("winstart.bat")), chain);
    const std::string firstSystem = ReadBytes(InWindows("SYSTEM.INI"));

    // Again, before Windows restarted, into another directory on LPT1.
    g_setup.selectedPort = 124;
    lstrcpyA(g_setup.destShortDir, "D:\\PELORA");
    ASSERT_TRUE(RunConfigurationSteps());
    EXPECT_EQ(g_setup.iniBackupNumber, 2u);
    EXPECT_EQ(ReadBytes(InWindows("SYSTEM.002")), firstSystem);
    EXPECT_EQ(ProfileString("386Enh", "PeloraLPT", "system.ini"), "1");
    EXPECT_EQ(ProfileString("windows", "run"), "D:\\PELORA\\PELORASD.EXE C:\\WINDOWS\\CLOCK.EXE")
        << "the earlier entry is replaced, not added to";
    EXPECT_EQ(ProfileString("Applications", "VelmDir", InWindows("PELORASD.INI").c_str()), "D:\\PELORA");
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kDevice + "\\BIOS&*PNP0400&0D"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kDevice + "\\BIOS&*PNP0400&0E")) << "the old device key went";
    EXPECT_EQ(Text(ReadRegValue(HKEY_LOCAL_MACHINE, kUninstall, "UninstallString")), "D:\\PELORA\\tldelet.exe");
    // The chain file already copies the library and still runs the other
    // program's file; with oldstart.bat taken, nothing is renamed or lost.
    EXPECT_EQ(ReadBytes(InWindows("oldstart.bat")), other);
    EXPECT_EQ(ReadBytes(InWindows("winstart.bat")), chain);
}
