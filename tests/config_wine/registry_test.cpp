// The printer's device key and the uninstall entry on the seeded machine.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "config_steps.h"
#include "config_support.h"
#include "machine_state.h"

namespace {

const std::string kDevice = "Enum\\LPTENUM\\ROVOZIZUDAR_200_OREV766";

class PortDevice : public ::testing::Test {
protected:
    void SetUp() override {
        ResetSetupState();
        RemovePortDevice();
    }
    void TearDown() override {
        RemovePortDevice();
        RegDeleteTreeA(HKEY_DYN_DATA, "Config Manager\\Enum\\C29A0400");
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Enum\\A");
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Enum\\PCI\\LPT3PORT");
        SeedMachine(MachineOptions{});
    }
};

void SetString(HKEY root, const std::string& path, const char* name, const char* value, DWORD type = REG_SZ) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS)
        << path;
    RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(value), lstrlenA(value) + 1);
    RegCloseKey(key);
}

int SubkeyCount(HKEY root, const std::string& path) {
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return -1;
    DWORD count = 0;
    RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                     nullptr);
    RegCloseKey(key);
    return static_cast<int>(count);
}

void ExpectText(const std::string& path, const char* name, const std::string& text) {
    RegValue v = ReadRegValue(HKEY_LOCAL_MACHINE, path, name);
    ASSERT_TRUE(v.ok) << path << " " << name;
    EXPECT_EQ(v.type, static_cast<DWORD>(REG_SZ)) << name;
    // The program gives the length without the NUL; Windows NT (and Wine)
    // add the NUL that follows the data themselves, so either size is read
    // back, never more.
    EXPECT_TRUE(v.bytes.size() == text.size() || v.bytes.size() == text.size() + 1)
        << name << " stored size " << v.bytes.size() << " for " << text.size() << " characters";
    EXPECT_EQ(std::string(v.bytes.c_str()), text) << name;
}

}  // namespace

TEST_F(PortDevice, FindsTheChosenPortByItsDynamicConfiguration) {
    char key[64];
    ASSERT_EQ(FindPortHardwareKey(1, key, sizeof key), 1);
    EXPECT_STREQ(key, "BIOS&*PNP0400&0D");
    ASSERT_EQ(FindPortHardwareKey(2, key, sizeof key), 1);
    EXPECT_STREQ(key, "BIOS&*PNP0400&0E");
    EXPECT_EQ(FindPortHardwareKey(3, key, sizeof key), 0) << "seeded machine has no LPT3 device";
}

TEST_F(PortDevice, DeviceKeyLandsUnderThePortKeyAndIsRemovedAgain) {
    g_setup.selectedPort = 125;
    ASSERT_EQ(RegisterPortDevice(), 1);
    const std::string port = kDevice + "\\BIOS&*PNP0400&0E";
    ASSERT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, port)) << port;
    EXPECT_EQ(SubkeyCount(HKEY_LOCAL_MACHINE, kDevice), 1);
    ExpectText(port, "Model", "ORVAN Pelora 200");
    ExpectText(port, "Manufacturer", "ORVAN");
    ExpectText(port, "DeviceDesc", "ORVAN Pelora 200");
    ExpectText(port, "Class", "PRINTER");
    ExpectText(port, "HardwareID", "LPTENUM\\ROVOZIZUDAR_200_OREV766");
    RegValue flags = ReadRegValue(HKEY_LOCAL_MACHINE, port, "ConfigFlags");
    ASSERT_TRUE(flags.ok);
    EXPECT_EQ(flags.type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(flags.bytes, std::string("\x40\x00\x00\x00", 4));
    RemovePortDevice();
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kDevice));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, "Enum\\LPTENUM"));
}

TEST_F(PortDevice, ThreePartHardwareKeyAndLowerCasePortName) {
    SetString(HKEY_DYN_DATA, "Config Manager\\Enum\\C29A0400", "HardWareKey", "A\\B\\C");
    SetString(HKEY_LOCAL_MACHINE, "Enum\\A\\B\\C", "PortName", "lpt3");
    g_setup.selectedPort = 126;
    ASSERT_EQ(RegisterPortDevice(), 1);
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kDevice + "\\A&B&C"));
}

TEST_F(PortDevice, PortNameOfAnotherTypeDoesNotMatch) {
    SetString(HKEY_DYN_DATA, "Config Manager\\Enum\\C29A0400", "HardWareKey", "PCI\\LPT3PORT");
    SetString(HKEY_LOCAL_MACHINE, "Enum\\PCI\\LPT3PORT", "PortName", "LPT3", REG_BINARY);
    char key[64] = "";
    EXPECT_EQ(FindPortHardwareKey(3, key, sizeof key), 0) << "matched " << key;
    g_setup.selectedPort = 126;
    EXPECT_EQ(RegisterPortDevice(), 0);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kDevice));
    // The same value as REG_SZ matches.
    SetString(HKEY_LOCAL_MACHINE, "Enum\\PCI\\LPT3PORT", "PortName", "LPT3");
    EXPECT_EQ(FindPortHardwareKey(3, key, sizeof key), 1);
    EXPECT_STREQ(key, "PCI&LPT3PORT");
}

TEST_F(PortDevice, PortMissingFromTheDynamicConfigurationWritesNothing) {
    g_setup.selectedPort = 126;
    EXPECT_EQ(RegisterPortDevice(), 0);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kDevice));
}

TEST_F(PortDevice, MissingLptEnumWritesNothing) {
    MachineOptions options;
    options.lptEnum = false;
    ASSERT_EQ(SeedMachine(options), 0);
    ASSERT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "Enum\\LPTENUM"));
    g_setup.selectedPort = 124;
    EXPECT_EQ(RegisterPortDevice(), 1) << "the port was found";
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "Enum\\LPTENUM")) << "the branch is not created";
}

TEST_F(PortDevice, InstallOnLpt2ThenOnLpt1LeavesOnlyTheLpt1Subkey) {
    g_setup.selectedPort = 125;
    ASSERT_EQ(RegisterPortDevice(), 1);
    // Keys below the port's key, and the key of a further port left behind.
    SetString(HKEY_LOCAL_MACHINE, kDevice + "\\BIOS&*PNP0400&0E\\LogConfig\\Inner", "Data", "1");
    SetString(HKEY_LOCAL_MACHINE, kDevice + "\\BIOS&*PNP0400&0F", "Model", "old");
    g_setup.selectedPort = 124;
    RemovePortDevice();
    ASSERT_EQ(RegisterPortDevice(), 1);
    EXPECT_EQ(SubkeyCount(HKEY_LOCAL_MACHINE, kDevice), 1) << "old port keys are left";
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kDevice + "\\BIOS&*PNP0400&0D"));
    RemovePortDevice();
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kDevice));
}

TEST(UninstallEntry, RootDestinationGivesRootCommandAndSizesWithoutNul) {
    ResetSetupState();
    lstrcpyA(g_setup.destShortDir, "C:\\");
    // A machine without the list of installed software (as a 32-bit program
    // on 64-bit Windows may find it) gets the list with the entry.
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall");
    WriteUninstallEntry();
    const std::string key = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ORVAN Pelora 200/250";
    ASSERT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, key)) << key;
    ExpectText(key, "DisplayName", "ORVAN Pelora 200/250 Uninstall Utility");
    ExpectText(key, "UninstallString", "C:\\tldelet.exe");
    lstrcpyA(g_setup.destShortDir, "C:\\VIREO");
    lstrcpyA(g_setup.versionSuffix, " 2.10");
    g_setup.installedKb = 1234;
    WriteUninstallEntry();
    ExpectText(key, "UninstallString", "C:\\VIREO\\tldelet.exe");
    // What deployment and inventory tools read.
    for (const auto& text : {std::pair<const char*, const char*>{"QuietUninstallString", "\"C:\\VIREO\\tldelet.exe\" /S"},
                             {"DisplayVersion", "2.10"}, {"Publisher", "ORVAN"}, {"InstallLocation", "C:\\VIREO"},
                             {"DisplayIcon", "C:\\VIREO\\VIREO.EXE"}}) {
        ExpectText(key, text.first, text.second);
    }
    for (const auto& number : {std::pair<const char*, DWORD>{"EstimatedSize", 1234}, {"NoModify", 1}, {"NoRepair", 1}}) {
        RegValue v = ReadRegValue(HKEY_LOCAL_MACHINE, key, number.first);
        EXPECT_EQ(v.type, static_cast<DWORD>(REG_DWORD)) << number.first;
        EXPECT_EQ(v.bytes, std::string(reinterpret_cast<const char*>(&number.second), sizeof(DWORD))) << number.first;
    }
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, key.c_str());
}
