// Stand-ins for the installation steps of other areas, so that the shell's
// own files link into the test program without them. Each records that it
// ran; the tests read the record.
#include <windows.h>

#include "setup.h"
#include "step_stand_ins.h"

StandInLog g_standIns;

BOOL RemovePreviousVersion(HWND hwnd) {
    ++g_standIns.previousVersion;
    if (g_standIns.reenterMessage) SendMessageA(hwnd, g_standIns.reenterMessage, 0, 0);
    return g_standIns.previousVersionResult;
}
void RemovePreviousPrinter() { ++g_standIns.previousPrinter; }
INT_PTR CALLBACK DestDlgProc(HWND hwnd, UINT msg, WPARAM, LPARAM) {
    if (msg == WM_INITDIALOG) EndDialog(hwnd, IDCANCEL);
    return FALSE;
}
BOOL CreateDestinationTree(HWND) { return TRUE; }
BOOL CopyPackageFiles(HWND) { return TRUE; }
bool ScriptStaysInItsPlaces(char*, std::size_t) { return true; }
bool IsSystemsOwnDirectory(const char*) { return false; }
BOOL BackupIniFiles() { return TRUE; }
void ClearPrinterSections() {}
BOOL RegisterPrinter() { return TRUE; }
BOOL WritePackageSettings() { return TRUE; }
BOOL CreateProgmanGroup() { return FALSE; }
void WriteUninstallEntry() {}
void WriteStartupBatch() {}
