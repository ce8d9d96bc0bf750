#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "config_values.h"

namespace {

bool InSet(void* context, const char* path) {
    return static_cast<std::set<std::string>*>(context)->count(path) != 0;
}

std::set<std::string> Names(const char* base, int from, int to) {
    std::set<std::string> names;
    char path[300];
    for (int n = from; n <= to; ++n) {
        EXPECT_TRUE(FormatBackupPath(path, sizeof path, "C:\\WINDOWS\\", base, static_cast<std::uint32_t>(n)));
        names.insert(path);
    }
    return names;
}

std::uint32_t Choose(const std::set<std::string>& existing) {
    std::set<std::string> copy = existing;
    return ChooseBackupNumber("C:\\WINDOWS\\", InSet, &copy);
}

}  // namespace

TEST(BackupNumber, NamesHaveThreeDigitsAndOneBackslash) {
    char path[64];
    ASSERT_TRUE(FormatBackupPath(path, sizeof path, "C:\\WINDOWS\\", "SYSTEM", 4));
    EXPECT_STREQ(path, "C:\\WINDOWS\\SYSTEM.004");
    ASSERT_TRUE(FormatBackupPath(path, sizeof path, "C:\\WINDOWS", "WIN", 123));
    EXPECT_STREQ(path, "C:\\WINDOWS\\WIN.123");
    EXPECT_FALSE(FormatBackupPath(path, 12, "C:\\WINDOWS", "WIN", 1));
}

TEST(BackupNumber, NoBackupsGiveOne) { EXPECT_EQ(Choose({}), 1u); }

TEST(BackupNumber, CommonNumberIsTheLargerFreeNumber) {
    std::set<std::string> existing = Names("SYSTEM", 1, 3);
    existing.insert("C:\\WINDOWS\\WIN.001");
    EXPECT_EQ(Choose(existing), 4u);
    std::set<std::string> winLonger = Names("WIN", 1, 6);
    EXPECT_EQ(Choose(winLonger), 7u);
}

TEST(BackupNumber, ProbeStopsAtTheFirstGap) {
    EXPECT_EQ(Choose({"C:\\WINDOWS\\SYSTEM.002"}), 1u);
    std::set<std::string> existing = Names("SYSTEM", 1, 2);
    std::set<std::string> more = Names("SYSTEM", 4, 9);
    existing.insert(more.begin(), more.end());
    EXPECT_EQ(Choose(existing), 3u);
}

TEST(BackupNumber, FullSeriesWrapsToOne) {
    EXPECT_EQ(Choose(Names("SYSTEM", 1, 999)), 1u);
    EXPECT_EQ(Choose(Names("WIN", 1, 999)), 1u);
    EXPECT_EQ(Choose(Names("WIN", 1, 998)), 999u);
    EXPECT_EQ(CommonBackupNumber(1000, 1), 1u);
    EXPECT_EQ(CommonBackupNumber(999, 1000), 1u);
    EXPECT_EQ(CommonBackupNumber(999, 3), 999u);
}

TEST(PackageSettingsValues, DirectoryAndRoot) {
    PackageSettings s;
    ASSERT_TRUE(BuildPackageSettings(&s, "C:\\VIREO"));
    EXPECT_STREQ(s.spoolDir, "C:\\VIREO\\SPOOL");
    EXPECT_STREQ(s.spoolFileName, "C:\\VIREO\\SPOOLER.QUE");
    EXPECT_STREQ(s.velmDir, "C:\\VIREO");
    ASSERT_TRUE(BuildPackageSettings(&s, "C:\\"));
    EXPECT_STREQ(s.spoolDir, "C:\\SPOOL");
    EXPECT_STREQ(s.spoolFileName, "C:\\SPOOLER.QUE");
    EXPECT_STREQ(s.velmDir, "C:");
    ASSERT_TRUE(BuildPackageSettings(&s, "D:\\VIREO\\"));
    EXPECT_STREQ(s.spoolDir, "D:\\VIREO\\SPOOL");
    EXPECT_STREQ(s.velmDir, "D:\\VIREO");
}

TEST(UninstallCommand, JoinedWithOneBackslash) {
    char cmd[64];
    ASSERT_TRUE(BuildUninstallCommand(cmd, sizeof cmd, "C:\\"));
    EXPECT_STREQ(cmd, "C:\\tldelet.exe");
    ASSERT_TRUE(BuildUninstallCommand(cmd, sizeof cmd, "C:\\VIREO"));
    EXPECT_STREQ(cmd, "C:\\VIREO\\tldelet.exe");
    EXPECT_FALSE(BuildUninstallCommand(cmd, 10, "C:\\VIREO"));
}

TEST(UninstallCommand, QuietFormIsTheQuotedPathAndS) {
    char cmd[64];
    ASSERT_TRUE(BuildQuietUninstallCommand(cmd, sizeof cmd, "C:\\VIREO\\tldelet.exe"));
    EXPECT_STREQ(cmd, "\"C:\\VIREO\\tldelet.exe\" /S");
    ASSERT_TRUE(BuildQuietUninstallCommand(cmd, sizeof cmd, "D:\\MY TOOLS\\tldelet.exe"));
    EXPECT_STREQ(cmd, "\"D:\\MY TOOLS\\tldelet.exe\" /S");
    EXPECT_FALSE(BuildQuietUninstallCommand(cmd, 16, "C:\\VIREO\\tldelet.exe"));
}

TEST(PortKey, BackslashesBecomeAmpersands) {
    char key[60];
    ASSERT_TRUE(MakePortKey(key, sizeof key, "A\\B\\C"));
    EXPECT_STREQ(key, "A&B&C");
    ASSERT_TRUE(MakePortKey(key, sizeof key, "BIOS\\*PNP0400\\0D"));
    EXPECT_STREQ(key, "BIOS&*PNP0400&0D");
    char small[4];
    EXPECT_FALSE(MakePortKey(small, sizeof small, "A\\B\\C"));
    EXPECT_STREQ(small, "A&B");
}

TEST(DeviceValues, TableOrderTypesAndSizes) {
    const char* names[] = {"Model", "Manufacturer", "DeviceDesc", "Class", "HardwareID", "ConfigFlags"};
    std::size_t i = 0;
    for (; kPrinterDeviceValues[i].type != kValueEnd; ++i) {
        ASSERT_LT(i, 6u) << "table not closed";
        EXPECT_STREQ(kPrinterDeviceValues[i].name, names[i]);
    }
    EXPECT_EQ(i, 6u);
    const DeviceValue& hw = kPrinterDeviceValues[kHardwareIdRecord];
    EXPECT_STREQ(hw.name, "HardwareID");
    EXPECT_STREQ(static_cast<const char*>(hw.data), "LPTENUM\\ROVOZIZUDAR_200_OREV766");
    EXPECT_EQ(DeviceValueSize(&hw), 31u) << "string sizes leave out the NUL";
    EXPECT_STREQ(DeviceNameOf(static_cast<const char*>(hw.data)), "ROVOZIZUDAR_200_OREV766");
    EXPECT_STREQ(DeviceNameOf("NOSLASH"), "NOSLASH");
    EXPECT_EQ(DeviceValueSize(&kPrinterDeviceValues[0]), 16u);
    EXPECT_EQ(DeviceValueSize(&kPrinterDeviceValues[1]), 5u);
    EXPECT_EQ(DeviceValueSize(&kPrinterDeviceValues[3]), 7u);
    const DeviceValue& flags = kPrinterDeviceValues[5];
    EXPECT_EQ(flags.type, kValueBinary);
    ASSERT_EQ(DeviceValueSize(&flags), 4u);
    const unsigned char* bytes = static_cast<const unsigned char*>(flags.data);
    EXPECT_EQ(bytes[0], 0x40);
    EXPECT_EQ(bytes[1], 0);
    EXPECT_EQ(bytes[2], 0);
    EXPECT_EQ(bytes[3], 0);
}
