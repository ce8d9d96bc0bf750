// The printer driver and the printer with the spooler, and the INI lines that
// go with them: the port line of SYSTEM.INI, the status program in the run
// line of WIN.INI and the Courier font substitution.
#include "config_steps.h"
#include "run_line.h"
#include "setup.h"
#include "textutil.h"

const char kPrinterName[] = "ORVAN Pelora 200/250 PCL";

namespace {

// Longest wait for one window to take the port-setting broadcast.
constexpr UINT kPortsChangeTimeoutMs = 5000;

// The spooler records take writable texts.
char g_printerName[] = "ORVAN Pelora 200/250 PCL";
char g_driverName[] = "ORVAN Pelora 200/250 PCL";
char g_driverFile[] = "ORVPCL.DRV";
char g_dataFile[] = "ORVPCL.DRV";
char g_configFile[] = "ORVPCL.DRV";
char g_helpFile[] = "ORVPCL.HLP";
char g_dependentFiles[] = "ORVPCL.DRV\0VAZAZUD.DLL\0ORVPCLF.DLL\0ORVPCLFL.DLL\0ORVPCLS.DLL\0";
char g_monitorName[] = "PJL monitor";
char g_dataType[] = "EMF";
char g_shareName[] = "PL 660";
char g_portName[] = "LPT1:";
char g_comment[] = "";
char g_location[] = "";
char g_printProcessor[] = "WinPrint";
char g_printerDataType[] = "EMF";

char g_printerPath[MAX_PATH + 16];
char g_runEntry[kRunEntrySize];

// Deletes a file of the system directory; a missing file is no error.
void DeleteSystemFile(const char* systemDir, const char* name) {
    if (!JoinPath(g_printerPath, systemDir, name)) return;
    OFSTRUCT info;
    OpenFile(g_printerPath, &info, OF_DELETE);
}

// A locked, zero-filled global block of size bytes; nullptr when there is
// no memory for it.
char* NewTextBlock(std::size_t size, HGLOBAL* block) {
    *block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    char* text = *block ? static_cast<char*>(GlobalLock(*block)) : nullptr;
    if (!text && *block) {
        GlobalFree(*block);
        *block = nullptr;
    }
    return text;
}

void FreeTextBlock(HGLOBAL* block) {
    if (!*block) return;
    GlobalUnlock(*block);
    GlobalFree(*block);
    *block = nullptr;
}

// The whole run value: the profile function cuts a value to its buffer, so
// the buffer grows until the value fits, up to the largest buffer Windows 95
// reads into (a larger one fails there and would read as an empty value).
// nullptr when the value fills even that one.
const char* ReadRunValue(HGLOBAL* block) {
    for (std::size_t size = kRunValueSize;; size *= 2) {
        if (size > kRunValueLimit) size = kRunValueLimit;
        char* text = NewTextBlock(size, block);
        if (!text) return nullptr;
        DWORD length = GetProfileStringA("Windows", "run", "", text, static_cast<DWORD>(size));
        if (length + 1 < size) return text;
        FreeTextBlock(block);
        if (size == kRunValueLimit) return nullptr;
    }
}

// The status program in front of the run line. 0, with WIN.INI unchanged,
// when the line cannot be read whole or the new one would exceed what
// Windows 95 writes, and when the write is refused; a long value is written
// back whole.
BOOL UpdateRunLine() {
    if (!BuildRunEntry(g_runEntry, sizeof g_runEntry, g_setup.destShortDir)) return FALSE;
    HGLOBAL oldBlock = nullptr;
    HGLOBAL newBlock = nullptr;
    BOOL written = FALSE;
    const char* oldValue = ReadRunValue(&oldBlock);
    if (oldValue) {
        std::size_t size = RunNewValueSize(static_cast<std::size_t>(lstrlenA(oldValue)),
                                           static_cast<std::size_t>(lstrlenA(g_runEntry)));
        if (size > kRunValueLimit) size = kRunValueLimit;  // a longer value does not fit
        char* newValue = NewTextBlock(size, &newBlock);
        if (newValue && UpdateRunValue(newValue, size, oldValue, g_runEntry)) {
            written = WriteProfileStringA("Windows", "run", newValue);
        }
    }
    FreeTextBlock(&newBlock);
    FreeTextBlock(&oldBlock);
    return written;
}

}  // namespace

void FillDriverInfo(DRIVER_INFO_3A* info) {
    ZeroMemory(info, sizeof *info);
    info->cVersion = 0x400;
    info->pName = g_driverName;
    info->pEnvironment = nullptr;
    info->pDriverPath = g_driverFile;
    info->pDataFile = g_dataFile;
    info->pConfigFile = g_configFile;
    info->pHelpFile = g_helpFile;
    info->pDependentFiles = g_dependentFiles;
    info->pMonitorName = g_monitorName;
    info->pDefaultDataType = g_dataType;
}

void FillPrinterInfo(PRINTER_INFO_2A* info) {
    ZeroMemory(info, sizeof *info);
    info->pServerName = nullptr;
    info->pPrinterName = g_printerName;
    info->pShareName = g_shareName;
    info->pPortName = g_portName;
    info->pDriverName = g_driverName;
    info->pComment = g_comment;
    info->pLocation = g_location;
    info->pDevMode = nullptr;
    info->pSepFile = nullptr;
    info->pPrintProcessor = g_printProcessor;
    info->pDatatype = g_printerDataType;
    info->pParameters = nullptr;
    info->pSecurityDescriptor = nullptr;
    info->Attributes = PRINTER_ATTRIBUTE_DEFAULT;
    info->Priority = 1;
    info->DefaultPriority = 1;
    info->StartTime = 0;
    info->UntilTime = 0;
    info->Status = 0;
    info->cJobs = 0;
    info->AveragePPM = 0;
}

void RemovePreviousPrinter() {
    HANDLE printer = nullptr;
    // Windows NT deletes a printer only through a handle opened with the
    // right to delete it (without defaults the handle may only print), and
    // its driver only once no printer uses it. Windows 95 ignores the access
    // asked for.
    PRINTER_DEFAULTSA access{nullptr, nullptr, PRINTER_ALL_ACCESS};
    if (OpenPrinterA(g_printerName, &printer, &access)) {
        DeletePrinter(printer);
        ClosePrinter(printer);
        DeletePrinterDriverA(nullptr, nullptr, g_driverName);
    }
    RemovePortDevice();
    char systemDir[512];
    UINT length = GetSystemDirectoryA(systemDir, sizeof systemDir);
    if (length > 0 && length < sizeof systemDir) DeleteSystemFile(systemDir, "VAZAZUD.DLL");
}

void ClearPrinterSections() {
    WriteProfileStringA("ORVAN Pelora 200,LPT1", nullptr, nullptr);
    WriteProfileStringA("ORVAN Pelora 200,LPT2", nullptr, nullptr);
    WriteProfileStringA("ORVAN Pelora 200,LPT3", nullptr, nullptr);
}

BOOL RegisterPrinter() {
    const char* portValue = nullptr;
    switch (g_setup.selectedPort) {
        case 124: portValue = "1"; break;
        case 125: portValue = "2"; break;
        case 126: portValue = "3"; break;
        default: return FALSE;  // no port chosen
    }
    if (!WritePrivateProfileStringA("386Enh", "PeloraLPT", portValue, "system.ini")) {
        LogLine("SYSTEM.INI [386Enh] PeloraLPT=%s: not written (system error %lu)", portValue, GetLastError());
        return FALSE;
    }
    LogLine("SYSTEM.INI [386Enh] PeloraLPT=%s: written", portValue);

    // A hung window is skipped, and none is waited for longer than the
    // bound, so that no other program can stop the installation here.
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(HWND_BROADCAST, WM_WININICHANGE, 0, reinterpret_cast<LPARAM>("Ports"), SMTO_ABORTIFHUNG,
                        kPortsChangeTimeoutMs, &ignored);

    DeletePrinterDriverA(nullptr, nullptr, g_driverName);
    DRIVER_INFO_3A driver;
    FillDriverInfo(&driver);
    BOOL driverAdded = AddPrinterDriverA(nullptr, 3, reinterpret_cast<LPBYTE>(&driver));
    LogLine("AddPrinterDriver \"%s\": %s (system error %lu)", g_driverName, driverAdded ? "added" : "failed",
            driverAdded ? 0ul : GetLastError());

    PRINTER_INFO_2A printer;
    FillPrinterInfo(&printer);
    HANDLE added = AddPrinterA(nullptr, 2, reinterpret_cast<LPBYTE>(&printer));
    LogLine("AddPrinter \"%s\" on %s: %s (system error %lu)", g_printerName, printer.pPortName,
            added ? "added" : "failed", added ? 0ul : GetLastError());
    if (added) ClosePrinter(added);

    DeleteSystemFile(g_setup.systemDir, "TLINSTAL.DLL");

    if (!UpdateRunLine()) {
        LogLine("WIN.INI [windows] run: not written (system error %lu)", GetLastError());
        return FALSE;
    }
    LogLine("WIN.INI [windows] run: %s added", g_runEntry);
    if (!WriteProfileStringA("FontSubstitutes", "Courier", "Courier New")) {
        LogLine("WIN.INI [FontSubstitutes] Courier=Courier New: not written (system error %lu)", GetLastError());
        return FALSE;
    }
    LogLine("WIN.INI [FontSubstitutes] Courier=Courier New: written");
    return TRUE;
}
