// The seeded machine: what later tests rely on is really there.
#include <windows.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "machine_state.h"

namespace {

std::string ReadRegString(HKEY root, const char* path, const char* name) {
    HKEY key;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return "<no key>";
    char value[512] = "";
    DWORD size = sizeof value - 1;
    DWORD type = 0;
    LONG rc = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS) return "<no value>";
    return value;
}

std::vector<std::string> LptPorts() {
    DWORD needed = 0, count = 0;
    EnumPortsA(nullptr, 1, nullptr, 0, &needed, &count);
    std::vector<BYTE> buf(needed + 1);
    std::vector<std::string> ports;
    if (!EnumPortsA(nullptr, 1, buf.data(), needed, &needed, &count)) return ports;
    auto* info = reinterpret_cast<PORT_INFO_1A*>(buf.data());
    for (DWORD i = 0; i < count; ++i) {
        std::string name = info[i].pName;
        if (name.rfind("LPT", 0) == 0) ports.push_back(name);
    }
    return ports;
}

TEST(MachineState, DynamicDataPointsAtTheParallelPorts) {
    std::string hw = ReadRegString(HKEY_DYN_DATA, "Config Manager\\Enum\\C29A0200", "HardWareKey");
    EXPECT_EQ(hw, kLpt1HardwareKey);
    EXPECT_EQ(ReadRegString(HKEY_LOCAL_MACHINE, ("Enum\\" + hw).c_str(), "PortName"), "LPT1");
    hw = ReadRegString(HKEY_DYN_DATA, "Config Manager\\Enum\\C29A0300", "HardWareKey");
    EXPECT_EQ(ReadRegString(HKEY_LOCAL_MACHINE, ("Enum\\" + hw).c_str(), "PortName"), "LPT2");
    HKEY key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Enum\\LPTENUM", 0, KEY_READ, &key), ERROR_SUCCESS);
    RegCloseKey(key);
}

TEST(MachineState, SpoolerKnowsThreeParallelPortsAndReseedingRemovesThem) {
    std::vector<std::string> ports = LptPorts();
    EXPECT_EQ(ports.size(), 3u) << "LPT ports seen: " << ports.size();
    MachineOptions two;
    two.lptPorts = 2;
    ASSERT_EQ(SeedMachine(two), 0);
    ports = LptPorts();
    ASSERT_EQ(ports.size(), 2u);
    MachineOptions none;
    none.lptPorts = 0;
    none.lptEnum = false;
    ASSERT_EQ(SeedMachine(none), 0);
    EXPECT_TRUE(LptPorts().empty());
    HKEY key;
    EXPECT_NE(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Enum\\LPTENUM", 0, KEY_READ, &key), ERROR_SUCCESS);
}

TEST(MachineState, WinIniHasTheSeededLines) {
    char value[256];
    GetProfileStringA("windows", "run", "@", value, sizeof value);
    EXPECT_STREQ(value, "C:\\WINDOWS\\CLOCK.EXE");
    GetProfileStringA("windows", "device", "@", value, sizeof value);
    EXPECT_STREQ(value, "Generic / Text Only,TTY,LPT1:");
    EXPECT_EQ(GetProfileIntA("PSCRIPT", "External Printers", 0), 1u);
    GetProfileStringA("Fonts", "Courier 10,12,15", "@", value, sizeof value);
    EXPECT_STREQ(value, "COURE.FON");
}

TEST(MachineState, SystemIniHasCommentedVpdAndALongLine) {
    // The profile functions hide comment lines, so the file itself is read.
    char path[MAX_PATH];
    GetWindowsDirectoryA(path, MAX_PATH);
    strcat(path, "\\SYSTEM.INI");
    HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << "cannot open " << path;
    std::string text(1 << 16, '\0');
    DWORD got = 0;
    ReadFile(h, &text[0], static_cast<DWORD>(text.size()), &got, nullptr);
    CloseHandle(h);
    text.resize(got);
    size_t enh = text.find("[386Enh]\r\n");
    ASSERT_NE(enh, std::string::npos) << "no [386Enh] in " << path;
    size_t vpd = text.find("\r\n;device=C:\\WINDOWS\\SYSTEM\\VPD.386\r\n", enh);
    EXPECT_NE(vpd, std::string::npos) << "no commented VPD line in [386Enh]";
    std::string longLine = std::string(kLongSystemIniKey) + "=" + kLongSystemIniValue;
    EXPECT_GT(longLine.size(), 99u);
    EXPECT_NE(text.find("\r\n" + longLine + "\r\n", enh), std::string::npos) << "long line missing";
    char value[64];
    GetPrivateProfileStringA("boot", "shell", "@", value, sizeof value, "system.ini");
    EXPECT_STREQ(value, "Explorer.exe");
}

}  // namespace
