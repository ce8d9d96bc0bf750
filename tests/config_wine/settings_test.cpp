// PELORASD.INI exactly as written, and the device key registered on the way.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "config_support.h"

namespace {

class PackageSettings : public ::testing::Test {
protected:
    void SetUp() override {
        ResetSetupState();
        path = InWindows("PELORASD.INI");
        RemoveFile(path);
        RemovePortDevice();
    }
    void TearDown() override {
        RemoveFile(path);
        RemovePortDevice();
    }
    std::string path;
};

}  // namespace

TEST_F(PackageSettings, FileHoldsTheFiveKeysInOrder) {
    g_setup.selectedPort = 125;
    // What a removal that was cut short leaves: the installation drops it.
    WritePrivateProfileStringA("Uninstall", "ExternalPrintersDone", "1", path.c_str());
    ASSERT_EQ(WritePackageSettings(), TRUE);
    EXPECT_EQ(ReadBytes(path),
              "[Spooler]\r\n"
              "SpoolDir=C:\\VIREO\\SPOOL\r\n"
              "SpoolFileName=C:\\VIREO\\SPOOLER.QUE\r\n"
              "[Applications]\r\n"
              "VelmDir=C:\\VIREO\r\n"
              "DeleteFile=TLDELET.EXE\r\n"
              "[Options]\r\n"
              "RunningMode=3\r\n");
    EXPECT_EQ(ProfileString("Applications", "VelmDir", path.c_str()), "C:\\VIREO");
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, "Enum\\LPTENUM\\ROVOZIZUDAR_200_OREV766\\BIOS&*PNP0400&0E"))
        << "port device registered for LPT2";
}

TEST_F(PackageSettings, RootDestinationDropsTheBackslashOfVelmDir) {
    lstrcpyA(g_setup.destShortDir, "C:\\");
    ASSERT_EQ(WritePackageSettings(), TRUE);
    EXPECT_EQ(ProfileString("Spooler", "SpoolDir", path.c_str()), "C:\\SPOOL");
    EXPECT_EQ(ProfileString("Spooler", "SpoolFileName", path.c_str()), "C:\\SPOOLER.QUE");
    EXPECT_EQ(ProfileString("Applications", "VelmDir", path.c_str()), "C:");
}

TEST_F(PackageSettings, PortThatCannotBeRegisteredDoesNotFailTheStep) {
    g_setup.selectedPort = 126;  // no LPT3 device on the seeded machine
    ASSERT_EQ(WritePackageSettings(), TRUE);
    EXPECT_EQ(ProfileString("Options", "RunningMode", path.c_str()), "3");
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "Enum\\LPTENUM\\ROVOZIZUDAR_200_OREV766"));
}

TEST_F(PackageSettings, FileThatCannotBeWrittenFails) {
    ASSERT_TRUE(WriteBytes(path, "[Options]\r\nRunningMode=1\r\n"));
    BOOL result = TRUE;
    {
        BlockedFile blocked(path);
        ASSERT_TRUE(blocked.blocked());
        result = WritePackageSettings();
    }
    EXPECT_EQ(result, FALSE);
    EXPECT_EQ(ReadBytes(path), "[Options]\r\nRunningMode=1\r\n");
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "Enum\\LPTENUM\\ROVOZIZUDAR_200_OREV766"))
        << "stops at the first failed write, before the device key";
}
