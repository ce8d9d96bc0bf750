// Stand-ins for the installation steps of other areas, so that the shell's
// own files link into the test program without them. Each records that it
// ran; the tests read the record.
#include <windows.h>

#include "setup.h"
#include "step_stand_ins.h"

SetupState g_setup;
StandInLog g_standIns;

BOOL RemovePreviousVersion(HWND) {
    ++g_standIns.previousVersion;
    return TRUE;
}
void RemovePreviousPrinter() { ++g_standIns.previousPrinter; }
INT_PTR CALLBACK DestDlgProc(HWND hwnd, UINT msg, WPARAM, LPARAM) {
    if (msg == WM_INITDIALOG) EndDialog(hwnd, IDCANCEL);
    return FALSE;
}
BOOL CreateDestinationTree(HWND) { return TRUE; }
BOOL CopyPackageFiles(HWND) { return TRUE; }
BOOL BackupIniFiles() { return TRUE; }
void ClearPrinterSections() {}
BOOL RegisterPrinter() { return TRUE; }
BOOL WritePackageSettings() { return TRUE; }
BOOL CreateProgmanGroup() { return FALSE; }
void WriteUninstallEntry() {}
void WriteStartupBatch() {}
