// A full installation through the real tlsetup.exe on the seeded machine,
// then every line and key it writes into Windows' configuration; and the
// installer's ending when Program Manager refuses the group.
#include <windows.h>

#include <winspool.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dde_test_support.h"
#include "installer_driver.h"
#include "under_test.h"

namespace {

using e2e::InstallAnswers;
using e2e::InstallRun;
using e2e::Profile;


struct RegValue {
    bool found = false;
    DWORD type = 0;
    std::string data;
};

RegValue ReadValue(const std::string& path, const char* name) {
    RegValue v;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ | robot::ProgramRegView(), &key) != ERROR_SUCCESS) return v;
    char data[512];
    DWORD size = sizeof data;
    if (RegQueryValueExA(key, name, nullptr, &v.type, reinterpret_cast<BYTE*>(data), &size) == ERROR_SUCCESS) {
        v.found = true;
        v.data.assign(data, size);
        // Text values read back with the NUL the system keeps behind them.
        if (v.type == REG_SZ && !v.data.empty() && v.data.back() == '\0') v.data.pop_back();
    }
    RegCloseKey(key);
    return v;
}

void ExpectText(const std::string& path, const char* name, const char* expected) {
    RegValue v = ReadValue(path, name);
    EXPECT_TRUE(v.found) << path << " has no value " << name;
    EXPECT_EQ(v.type, static_cast<DWORD>(REG_SZ)) << name;
    EXPECT_EQ(v.data, expected) << path << " " << name;
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << "cannot create " << path;
    DWORD written = 0;
    WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(h);
}

std::string CopyLine() {
    const std::string sys = e2e::SystemDir();
    return "copy " + sys + "\\VAZAZUD.TMP " + sys + "\\VAZAZUD.DLL";
}

TEST(ConfigurationEndToEnd, Lpt2InstallWritesEveryLineAndKey) {
    const std::string win = e2e::WindowsDir();
    ASSERT_FALSE(e2e::Exists(win + "\\winstart.bat")) << "the seeded machine has no start-up batch file";
    ASSERT_FALSE(e2e::Exists(win + "\\SYSTEM.001"));
    const std::string runBefore = Profile("windows", "run");

    InstallAnswers answers;
    answers.port = 125;  // LPT2
    InstallRun run;
    ASSERT_TRUE(e2e::RunInstaller(robot::DistDisk1(), answers, &run));
    EXPECT_EQ(run.exitCode, 0u) << run.transcriptText;

    // SYSTEM.INI and WIN.INI lines.
    EXPECT_EQ(Profile("386Enh", "PeloraLPT", "system.ini"), "2");
    EXPECT_EQ(Profile("windows", "run"), "C:\\VIREO\\PELORASD.EXE " + runBefore)
        << "the status program goes in front of what was there";
    EXPECT_EQ(Profile("FontSubstitutes", "Courier"), "Courier New");

    // The backups that message 1016 names.
    std::vector<robot::SeenDialog> notice = run.BoxesWith("have been modified");
    ASSERT_EQ(notice.size(), 1u) << run.transcriptText;
    EXPECT_EQ(notice[0].caption, "ORVAN Vireo Setup");
    EXPECT_EQ(notice[0].text,
              "SYSTEM.INI and WIN.INI have been modified.\nThe original files have been renamed SYSTEM.001 and "
              "WIN.001 respectively.");
    EXPECT_TRUE(e2e::Exists(win + "\\SYSTEM.001"));
    EXPECT_TRUE(e2e::Exists(win + "\\WIN.001"));
    EXPECT_EQ(e2e::ReadFileBytes(win + "\\SYSTEM.001").find("PeloraLPT"), std::string::npos)
        << "the backup is the file before the installation";

    // PELORASD.INI.
    EXPECT_EQ(Profile("Spooler", "SpoolDir", "PELORASD.INI"), "C:\\VIREO\\SPOOL");
    EXPECT_EQ(Profile("Spooler", "SpoolFileName", "PELORASD.INI"), "C:\\VIREO\\SPOOLER.QUE");
    EXPECT_EQ(Profile("Applications", "VelmDir", "PELORASD.INI"), "C:\\VIREO");
    EXPECT_EQ(Profile("Applications", "DeleteFile", "PELORASD.INI"), "TLDELET.EXE");
    EXPECT_EQ(Profile("Options", "RunningMode", "PELORASD.INI"), "3");

    // The device key below LPT2's hardware key, with "&" for "\".
    const std::string device = std::string(kDeviceKey) + "\\BIOS&*PNP0400&0E";
    ExpectText(device, "Model", "ORVAN Pelora 200");
    ExpectText(device, "Manufacturer", "ORVAN");
    ExpectText(device, "DeviceDesc", "ORVAN Pelora 200");
    ExpectText(device, "Class", "PRINTER");
    ExpectText(device, "HardwareID", "LPTENUM\\ROVOZIZUDAR_200_OREV766");
    RegValue flags = ReadValue(device, "ConfigFlags");
    EXPECT_EQ(flags.type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(flags.data, std::string("\x40\0\0\0", 4));

    // The uninstall entry.
    ExpectText(kUninstallKey, "DisplayName", "ORVAN Pelora 200/250 Uninstall Utility");
    ExpectText(kUninstallKey, "UninstallString", "C:\\VIREO\\tldelet.exe");

    // A new start-up batch file of three lines, the last without line end.
    EXPECT_EQ(e2e::ReadFileBytes(win + "\\winstart.bat"),
              "@echo off\r\n" + CopyLine() + "\r\ndel " + win + "\\winstart.bat");
    EXPECT_FALSE(e2e::Exists(win + "\\oldstart.bat"));

    // What Wine's spooler made of the driver and printer: recorded, not assumed.
    HANDLE printer = nullptr;
    char name[] = "ORVAN Pelora 200/250 PCL";
    BOOL opened = OpenPrinterA(name, &printer, nullptr);
    std::printf("spooler: the printer %s after the installation\n", opened ? "opens" : "does not open");
    if (opened) ClosePrinter(printer);
}

TEST(ConfigurationEndToEnd, EarlierWinstartBatIsKeptAsOldstartBat) {
    const std::string win = e2e::WindowsDir();
    const std::string other = "REM start-up of another program\r\nSET OTHER=1\r\n";
    WriteBytes(win + "\\winstart.bat", other);

    InstallRun run;
    ASSERT_TRUE(e2e::RunInstaller(robot::DistDisk1(), InstallAnswers(), &run));
    EXPECT_EQ(run.exitCode, 0u) << run.transcriptText;
    EXPECT_EQ(Profile("386Enh", "PeloraLPT", "system.ini"), "1");
    EXPECT_EQ(e2e::ReadFileBytes(win + "\\oldstart.bat"), other) << "the other program's file, byte for byte";
    EXPECT_EQ(e2e::ReadFileBytes(win + "\\winstart.bat"), "@echo off\r\n" + CopyLine() + "\r\n" + win +
                                                              "\\oldstart.bat\r\nmove /y " + win + "\\oldstart.bat " +
                                                              win + "\\winstart.bat");
}

TEST(ConfigurationEndToEnd, RefusedGroupEndsWith1010AndStillWritesTheUninstallEntry) {
    std::string why;
    ASSERT_TRUE(SilenceShellDde(&why)) << why;
    FixtureServer progman;
    ASSERT_TRUE(progman.Start("--nack CreateGroup", &why)) << why;

    InstallRun run;
    ASSERT_TRUE(e2e::RunInstaller(robot::DistDisk1(), InstallAnswers(), &run));
    EXPECT_EQ(run.exitCode, 0u) << run.transcriptText;
    EXPECT_EQ(run.BoxesWith("Send WM_DDE_EXECUTE message fail !").size(), 1u) << run.transcriptText;
    std::vector<robot::SeenDialog> ending = run.BoxesWith("could not add Vireo to the Program Manager");
    ASSERT_EQ(ending.size(), 1u) << run.transcriptText;
    EXPECT_EQ(ending[0].caption, "ORVAN Vireo Setup Warning");
    EXPECT_EQ(run.BoxesWith("added Vireo to the Program Manager").size(), 0u);
    ExpectText(kUninstallKey, "UninstallString", "C:\\VIREO\\tldelet.exe");

    int createGroups = 0, addItems = 0;
    for (const std::string& line : progman.Log()) {
        if (line.find("[CreateGroup(") != std::string::npos) ++createGroups;
        if (line.find("[AddItem(") != std::string::npos) ++addItems;
    }
    EXPECT_EQ(createGroups, 1);
    EXPECT_EQ(addItems, 0) << "no item after a refused group";
    progman.Stop();
}

}  // namespace
