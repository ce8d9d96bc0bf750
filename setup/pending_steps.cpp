// Steps of the installation sequence whose real versions are not written
// yet. Each does the least that lets the sequence go on; whoever writes the
// real step in its own file deletes its entry here in the same change.
#include "setup.h"
#include "textutil.h"
#include "win_export.h"

TLS_EXPORT INT_PTR CALLBACK DestDlgProc(HWND hwnd, UINT msg, WPARAM, LPARAM) {
    if (msg == WM_INITDIALOG) {
        CopyText(g_setup.destDir, "C:\\VIREO");
        EndDialog(hwnd, IDOK);
    }
    return FALSE;
}

TLS_EXPORT LRESULT CALLBACK EditProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

TLS_EXPORT INT_PTR CALLBACK InsertDiskDlgProc(HWND hwnd, UINT msg, WPARAM, LPARAM) {
    if (msg == WM_INITDIALOG) EndDialog(hwnd, IDCANCEL);
    return FALSE;
}

BOOL CreateDestinationTree(HWND) { return CreateDirectoryA(g_setup.destDir, nullptr) || GetLastError() == ERROR_ALREADY_EXISTS; }
BOOL CopyPackageFiles(HWND) { return TRUE; }
