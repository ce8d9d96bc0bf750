// Printer registration: INI lines, spooler records and what Wine's spooler
// does with them, removal of an earlier printer.
#include <windows.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <cstring>
#include <iostream>
#include <string>

#include "config_steps.h"
#include "config_support.h"
#include "../machine/nt_spooler.h"
#include "../machine/win95_profile.h"

namespace {

std::string Text(const char* p) { return p ? p : "<null>"; }

bool PrinterExists() {
    HANDLE h = nullptr;
    char name[64];
    lstrcpyA(name, kPrinterName);
    if (!OpenPrinterA(name, &h, nullptr)) return false;
    ClosePrinter(h);
    return true;
}

bool DriverExists() {
    DWORD needed = 0, count = 0;
    EnumPrinterDriversA(nullptr, nullptr, 1, nullptr, 0, &needed, &count);
    if (needed == 0) return false;
    std::string buffer(needed, '\0');
    if (!EnumPrinterDriversA(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(&buffer[0]), needed, &needed, &count)) {
        return false;
    }
    auto* info = reinterpret_cast<DRIVER_INFO_1A*>(&buffer[0]);
    for (DWORD i = 0; i < count; ++i) {
        if (Text(info[i].pName) == kPrinterName) return true;
    }
    return false;
}

class Printer : public ::testing::Test {
protected:
    void SetUp() override {
        ResetSetupState();
        oldRun = ProfileString("windows", "run");
    }
    void TearDown() override {
        RemovePreviousPrinter();
        WritePrivateProfileStringA("386Enh", "PeloraLPT", nullptr, "system.ini");
        WriteProfileStringA("windows", "run", oldRun.c_str());
        WriteProfileStringA("FontSubstitutes", "Courier", nullptr);
        ClearPrinterSections();
    }
    std::string oldRun;
};

// Records, without assuming success, what the spooler did with the driver and
// the printer.
void RecordSpooler(const char* label) {
    DRIVER_INFO_3A driver;
    FillDriverInfo(&driver);
    SetLastError(0);
    BOOL driverAdded = AddPrinterDriverA(nullptr, 3, reinterpret_cast<BYTE*>(&driver));
    DWORD driverError = GetLastError();
    PRINTER_INFO_2A printer;
    FillPrinterInfo(&printer);
    SetLastError(0);
    HANDLE added = AddPrinterA(nullptr, 2, reinterpret_cast<BYTE*>(&printer));
    DWORD printerError = GetLastError();
    if (added) ClosePrinter(added);
    std::cout << "[spooler " << label << "] AddPrinterDriver level 3: " << (driverAdded ? "TRUE" : "FALSE")
              << " (last error " << driverError << ")" << "; AddPrinter level 2: " << (added ? "handle" : "NULL") << " (last error "
              << printerError << "); driver listed: " << DriverExists() << "; printer opens: " << PrinterExists()
              << std::endl;
    ::testing::Test::RecordProperty(std::string(label) + "_AddPrinterDriver", driverAdded ? "TRUE" : "FALSE");
    ::testing::Test::RecordProperty(std::string(label) + "_AddPrinterDriverError", std::to_string(driverError));
    ::testing::Test::RecordProperty(std::string(label) + "_AddPrinter", added ? "handle" : "NULL");
    ::testing::Test::RecordProperty(std::string(label) + "_AddPrinterError", std::to_string(printerError));
}

}  // namespace

TEST(PrinterRecords, DriverInfoLevel3HasEveryField) {
    DRIVER_INFO_3A d;
    std::memset(&d, 0xCC, sizeof d);
    FillDriverInfo(&d);
    EXPECT_EQ(d.cVersion, 0x400u);
    EXPECT_EQ(Text(d.pName), "ORVAN Pelora 200/250 PCL");
    EXPECT_EQ(d.pEnvironment, nullptr) << "the current environment";
    EXPECT_EQ(Text(d.pDriverPath), "ORVPCL.DRV");
    EXPECT_EQ(Text(d.pDataFile), "ORVPCL.DRV");
    EXPECT_EQ(Text(d.pConfigFile), "ORVPCL.DRV");
    EXPECT_EQ(Text(d.pHelpFile), "ORVPCL.HLP");
    ASSERT_NE(d.pDependentFiles, nullptr);
    std::string list;
    for (const char* p = d.pDependentFiles; *p; p += std::strlen(p) + 1) list += std::string(p) + "|";
    EXPECT_EQ(list, "ORVPCL.DRV|VAZAZUD.DLL|ORVPCLF.DLL|ORVPCLFL.DLL|ORVPCLS.DLL|");
    EXPECT_EQ(Text(d.pMonitorName), "PJL monitor");
    EXPECT_EQ(Text(d.pDefaultDataType), "EMF");
}

TEST(PrinterRecords, PrinterInfoLevel2HasEveryField) {
    PRINTER_INFO_2A p;
    std::memset(&p, 0xCC, sizeof p);
    FillPrinterInfo(&p);
    EXPECT_EQ(p.pServerName, nullptr);
    EXPECT_EQ(Text(p.pPrinterName), "ORVAN Pelora 200/250 PCL");
    EXPECT_EQ(Text(p.pShareName), "PL 660");
    EXPECT_EQ(Text(p.pPortName), "LPT1:");
    EXPECT_EQ(Text(p.pDriverName), "ORVAN Pelora 200/250 PCL");
    EXPECT_EQ(Text(p.pComment), "");
    EXPECT_EQ(Text(p.pLocation), "");
    EXPECT_EQ(p.pDevMode, nullptr);
    EXPECT_EQ(p.pSepFile, nullptr);
    EXPECT_EQ(Text(p.pPrintProcessor), "WinPrint");
    EXPECT_EQ(Text(p.pDatatype), "EMF");
    EXPECT_EQ(p.pParameters, nullptr);
    EXPECT_EQ(p.pSecurityDescriptor, nullptr);
    EXPECT_EQ(p.Attributes, 4u);
    EXPECT_EQ(p.Priority, 1u);
    EXPECT_EQ(p.DefaultPriority, 1u);
    EXPECT_EQ(p.StartTime, 0u);
    EXPECT_EQ(p.UntilTime, 0u);
    EXPECT_EQ(p.Status, 0u);
}

TEST_F(Printer, RegisterWritesPortRunAndSubstitutionLines) {
    g_setup.selectedPort = 126;
    ASSERT_EQ(ProfileString("windows", "run"), "C:\\WINDOWS\\CLOCK.EXE") << "seeded run line";
    ASSERT_EQ(RegisterPrinter(), TRUE);
    EXPECT_EQ(ProfileString("386Enh", "PeloraLPT", "system.ini"), "3");
    EXPECT_EQ(ProfileString("windows", "run"), "C:\\VIREO\\PELORASD.EXE C:\\WINDOWS\\CLOCK.EXE");
    EXPECT_EQ(ProfileString("FontSubstitutes", "Courier"), "Courier New");
    // The long [386Enh] line of the seeded SYSTEM.INI is still whole.
    std::string system = ReadBytes(InWindows("system.ini"));
    EXPECT_NE(system.find("ECPLPT.386"), std::string::npos) << system;
}

TEST_F(Printer, PortLineFollowsTheChosenPortAndSecondRunReplacesTheEntry) {
    g_setup.selectedPort = 124;
    ASSERT_EQ(RegisterPrinter(), TRUE);
    EXPECT_EQ(ProfileString("386Enh", "PeloraLPT", "system.ini"), "1");
    g_setup.selectedPort = 125;
    lstrcpyA(g_setup.destShortDir, "D:\\OTHER");
    ASSERT_EQ(RegisterPrinter(), TRUE);
    EXPECT_EQ(ProfileString("386Enh", "PeloraLPT", "system.ini"), "2");
    EXPECT_EQ(ProfileString("windows", "run"), "D:\\OTHER\\PELORASD.EXE C:\\WINDOWS\\CLOCK.EXE");
}

TEST_F(Printer, RunLineLongerThan99CharactersKeepsItsEnd) {
    std::string run = "c:\\tools\\first.exe";
    while (run.size() < 300) run += " c:\\tools\\more\\program.exe";
    run += " c:\\last\\end.exe";
    ASSERT_TRUE(WriteProfileStringA("windows", "run", run.c_str()));
    ASSERT_EQ(ProfileString("windows", "run"), run);
    ASSERT_EQ(RegisterPrinter(), TRUE);
    std::string upper = run;
    CharUpperA(&upper[0]);
    EXPECT_EQ(ProfileString("windows", "run"), "C:\\VIREO\\PELORASD.EXE " + upper);
}

TEST_F(Printer, EntriesInFrontOfAnEarlierStatusEntrySurvive) {
    ASSERT_TRUE(WriteProfileStringA("windows", "run", "a.exe d:\\old\\pelorasd.exe b.exe"));
    ASSERT_EQ(RegisterPrinter(), TRUE);
    EXPECT_EQ(ProfileString("windows", "run"), "C:\\VIREO\\PELORASD.EXE A.EXE B.EXE");
}

TEST_F(Printer, RefusedSystemIniWriteMakesRegisterFailBeforeAnythingElse) {
    BOOL result = TRUE;
    {
        BlockedFile blocked(InWindows("system.ini"));
        ASSERT_TRUE(blocked.blocked());
        result = RegisterPrinter();
    }
    EXPECT_EQ(result, FALSE);
    EXPECT_EQ(ProfileString("386Enh", "PeloraLPT", "system.ini"), "<none>");
    EXPECT_EQ(ProfileString("windows", "run"), "C:\\WINDOWS\\CLOCK.EXE") << "run line untouched";
}

TEST_F(Printer, RefusedWinIniWriteMakesRegisterFail) {
    // [windows] of WIN.INI lives in the registry under Wine; [FontSubstitutes]
    // is in the file itself, so a WIN.INI that cannot be written refuses that
    // write, after the run line went in.
    BOOL result = TRUE;
    {
        BlockedFile blocked(InWindows("win.ini"));
        ASSERT_TRUE(blocked.blocked());
        result = RegisterPrinter();
    }
    EXPECT_EQ(result, FALSE);
    EXPECT_EQ(ProfileString("windows", "run"), "C:\\VIREO\\PELORASD.EXE C:\\WINDOWS\\CLOCK.EXE");
    EXPECT_EQ(ProfileString("FontSubstitutes", "Courier"), "<none>");
    EXPECT_EQ(ProfileString("386Enh", "PeloraLPT", "system.ini"), "1") << "writes done before stay";
}

TEST_F(Printer, RunValueOfAnyLengthIsWrittenWholeWithOnlyTheStatusEntryReplaced) {
    // Over 3000 characters, with an earlier status entry after another program's that merely ends alike.
    std::string rest;
    while (rest.size() < 3000) rest += " C:\\TOOLS\\MORE\\PROGRAM" + std::to_string(rest.size()) + ".EXE";
    const std::string run = "c:\\x\\mypelorasd.exe d:\\old\\pelorasd.exe" + rest;
    ASSERT_TRUE(WriteProfileStringA("windows", "run", run.c_str()));
    ASSERT_EQ(RegisterPrinter(), TRUE);
    EXPECT_EQ(ProfileString("windows", "run"), "C:\\VIREO\\PELORASD.EXE C:\\X\\MYPELORASD.EXE" + rest);
}

BOOL RegisterPrinterOnWindows95() { return win95::RunWithWindows95ProfileReads(RegisterPrinter, FALSE); }
using win95::OtherPrograms;
using win95::Outline;
using win95::WholeRunValue;

TEST_F(Printer, RunValueOver16KIsKeptWithTheReadsOfWindows95) {
    const std::string run = OtherPrograms(20000);
    ASSERT_TRUE(WriteProfileStringA("windows", "run", run.c_str()));
    ASSERT_TRUE(WholeRunValue() == run) << "the machine keeps " << Outline(WholeRunValue());
    EXPECT_EQ(RegisterPrinterOnWindows95(), TRUE);
    const std::string after = WholeRunValue();
    EXPECT_TRUE(after == "C:\\VIREO\\PELORASD.EXE " + run)
        << Outline(after);
}

TEST_F(Printer, RunValueTooLongForWindows95FailsAndStaysAsItIs) {
    // The value fills the largest read, as a longer one would. FALSE makes
    // the installation stop with message 1019.
    const std::string run = OtherPrograms(32766);
    ASSERT_TRUE(WriteProfileStringA("windows", "run", run.c_str()));
    ASSERT_TRUE(WholeRunValue() == run) << "the machine keeps " << Outline(WholeRunValue());
    EXPECT_EQ(RegisterPrinterOnWindows95(), FALSE);
    const std::string after = WholeRunValue();
    EXPECT_TRUE(after == run) << Outline(after);
    EXPECT_EQ(ProfileString("FontSubstitutes", "Courier"), "<none>") << "the step went on";
}

TEST_F(Printer, RunValueThatWouldGrowBeyondWhatWindows95WritesFails) {
    // Read whole, but with the status entry in front it would be 32 KB.
    const std::string run = OtherPrograms(32750);
    ASSERT_TRUE(WriteProfileStringA("windows", "run", run.c_str()));
    ASSERT_TRUE(WholeRunValue() == run) << "the machine keeps " << Outline(WholeRunValue());
    EXPECT_EQ(RegisterPrinterOnWindows95(), FALSE);
    const std::string after = WholeRunValue();
    EXPECT_TRUE(after == run) << Outline(after);
}

TEST_F(Printer, NoPortChosenFails) {
    g_setup.selectedPort = 0;
    EXPECT_EQ(RegisterPrinter(), FALSE);
    EXPECT_EQ(ProfileString("386Enh", "PeloraLPT", "system.ini"), "<none>");
}

TEST_F(Printer, SpoolerOutcomeIsRecordedAndTheRemovalWorks) {
    // Nothing of the printer on a fresh machine; the driver files named in
    // the records are not in the prefix either.
    ASSERT_FALSE(PrinterExists());
    ASSERT_FALSE(DriverExists());
    // The calls with the records, on their own, as the spooler answers them.
    RecordSpooler("direct");
    RemovePreviousPrinter();
    EXPECT_FALSE(PrinterExists()) << "RemovePreviousPrinter deletes the printer";
    EXPECT_FALSE(DriverExists()) << "and its driver";
    // The registration itself: its result does not depend on the spooler.
    ASSERT_EQ(RegisterPrinter(), TRUE);
    bool printer = PrinterExists();
    bool driver = DriverExists();
    char defaultPrinter[256] = "";
    DWORD size = sizeof defaultPrinter;
    if (!GetDefaultPrinterA(defaultPrinter, &size)) lstrcpyA(defaultPrinter, "<none>");
    std::cout << "[spooler] after RegisterPrinter: driver listed " << driver << ", printer opens " << printer
              << ", default printer '" << defaultPrinter << "'" << std::endl;
    RecordProperty("registered_driver_listed", driver ? "yes" : "no");
    RecordProperty("registered_printer_opens", printer ? "yes" : "no");
    RecordProperty("default_printer", defaultPrinter);
    RemovePreviousPrinter();
    EXPECT_FALSE(PrinterExists());
    EXPECT_FALSE(DriverExists());
}

// Windows NT deletes the earlier printer only through a handle that may
// delete it, and its driver only once the printer is gone.
TEST_F(Printer, TheEarlierPrinterAndItsDriverAreRemovedAsWindowsNtAllows) {
    ASSERT_EQ(RegisterPrinter(), TRUE);
    if (!PrinterExists() || !DriverExists()) {
        GTEST_SKIP() << "this machine's spooler did not take the printer: printer " << PrinterExists()
                     << ", driver " << DriverExists();
    }
    unsigned refused = 0;
    {
        nt::NtPrinterDeletion deletion;
        RemovePreviousPrinter();
        refused = deletion.RefusedDeletions();
    }
    EXPECT_EQ(refused, 0u) << "printer deletions refused for want of access";
    EXPECT_FALSE(PrinterExists()) << "the earlier printer is deleted";
    EXPECT_FALSE(DriverExists()) << "and then its driver";
}

namespace {
std::string g_iniChangeSection;
int g_iniChanges = 0;
LRESULT CALLBACK IniChangeProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_WININICHANGE) {
        ++g_iniChanges;
        g_iniChangeSection += "[";
        g_iniChangeSection += lParam ? reinterpret_cast<const char*>(lParam) : "<null>";
        if (wParam != 0) g_iniChangeSection += " wParam " + std::to_string(wParam);
        g_iniChangeSection += "]";
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}
}  // namespace

TEST_F(Printer, TopLevelWindowsHearThatThePortsChanged) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = IniChangeProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "ConfigIniChangeListener";
    ASSERT_NE(RegisterClassA(&wc), 0);
    HWND listener = CreateWindowA(wc.lpszClassName, "listener", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                                  wc.hInstance, nullptr);
    ASSERT_NE(listener, nullptr);
    g_iniChanges = 0;
    g_iniChangeSection.clear();
    ASSERT_EQ(RegisterPrinter(), TRUE);
    const int broadcasts = g_iniChanges;
    const std::string broadcastText = g_iniChangeSection;
    // The listener itself reads the text right when it is sent to it alone.
    g_iniChangeSection.clear();
    SendMessageA(listener, WM_WININICHANGE, 0, reinterpret_cast<LPARAM>("Ports"));
    const std::string directText = g_iniChangeSection;
    DestroyWindow(listener);
    UnregisterClassA(wc.lpszClassName, wc.hInstance);
    EXPECT_EQ(broadcasts, 1) << "one WM_WININICHANGE reaches a top-level window";
    EXPECT_EQ(broadcastText.find("wParam"), std::string::npos) << broadcastText;
    EXPECT_EQ(directText, "[Ports]");
    // Wine 8 hands string lParams of an ANSI broadcast on mangled, so the
    // text that arrived is shown rather than compared.
    std::cout << "[broadcast] text as received under this system: " << broadcastText << std::endl;
    RecordProperty("broadcast_text", broadcastText);
}

// A hung program: a top-level window whose thread takes no messages for 30 s.
static HANDLE g_hungMade, g_hungRelease;
static DWORD WINAPI HungWindowThread(LPVOID) {
    HWND hwnd = CreateWindowA("Static", "hung", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    SetEvent(g_hungMade);
    WaitForSingleObject(g_hungRelease, 30000);
    DestroyWindow(hwnd);
    return 0;
}

TEST_F(Printer, HungTopLevelWindowDoesNotHoldUpTheRegistration) {
    g_hungMade = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    g_hungRelease = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE thread = CreateThread(nullptr, 0, HungWindowThread, nullptr, 0, nullptr);
    ASSERT_EQ(WaitForSingleObject(g_hungMade, 10000), WAIT_OBJECT_0) << "the hung window was not made";
    const DWORD start = GetTickCount();
    EXPECT_EQ(RegisterPrinter(), TRUE);
    const DWORD elapsed = GetTickCount() - start;
    SetEvent(g_hungRelease);
    WaitForSingleObject(thread, 30000);
    CloseHandle(thread);
    EXPECT_LT(elapsed, 15000u) << "the registration waited " << elapsed << " ms for a window that takes no messages";
}

TEST_F(Printer, ClearPrinterSectionsRemovesTheThreeOldSections) {
    ASSERT_TRUE(WriteProfileStringA("ORVAN Pelora 200,LPT1", "a", "1"));
    ASSERT_TRUE(WriteProfileStringA("ORVAN Pelora 200,LPT2", "b", "2"));
    ASSERT_TRUE(WriteProfileStringA("ORVAN Pelora 200,LPT3", "c", "3"));
    ASSERT_TRUE(WriteProfileStringA("ORVAN Pelora 200,LPT4", "d", "4"));
    ClearPrinterSections();
    EXPECT_EQ(ProfileString("ORVAN Pelora 200,LPT1", "a"), "<none>");
    EXPECT_EQ(ProfileString("ORVAN Pelora 200,LPT2", "b"), "<none>");
    EXPECT_EQ(ProfileString("ORVAN Pelora 200,LPT3", "c"), "<none>");
    EXPECT_EQ(ProfileString("ORVAN Pelora 200,LPT4", "d"), "4") << "other sections stay";
    WriteProfileStringA("ORVAN Pelora 200,LPT4", nullptr, nullptr);
}

TEST_F(Printer, RemovePreviousPrinterDeletesTheOldLibraryAndDeviceKey) {
    const std::string library = SystemDir() + "\\VAZAZUD.DLL";
    const std::string keep = SystemDir() + "\\VAZAZUD.TMP";
    ASSERT_TRUE(WriteBytes(library, "old library"));
    ASSERT_TRUE(WriteBytes(keep, "new library"));
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Enum\\LPTENUM\\ROVOZIZUDAR_200_OREV766\\BIOS&*PNP0400&0D", 0,
                              nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
    RemovePreviousPrinter();
    EXPECT_FALSE(FileExists(library));
    EXPECT_TRUE(FileExists(keep)) << "only VAZAZUD.DLL goes";
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "Enum\\LPTENUM\\ROVOZIZUDAR_200_OREV766"));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, "Enum\\LPTENUM"));
    RemovePreviousPrinter();  // nothing left to remove: no error
    EXPECT_FALSE(FileExists(library));
    RemoveFile(keep);
}

TEST_F(Printer, RegisterDeletesTheInstallerLibrary) {
    const std::string library = SystemDir() + "\\TLINSTAL.DLL";
    ASSERT_TRUE(WriteBytes(library, "installer library"));
    ASSERT_EQ(RegisterPrinter(), TRUE);
    EXPECT_FALSE(FileExists(library));
}
