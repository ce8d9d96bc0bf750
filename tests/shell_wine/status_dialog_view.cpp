// Shows the installer's progress dialog (template 909 of the program given)
// with the real StatusDlgProc and Percent bar, sample texts and the bar at
// 40 %, for the given number of seconds. Used by scripts/screenshot-setup.
//
//   status_dialog_view.exe PATH\tlsetup.exe [SECONDS]
#include <windows.h>

#include <cstdlib>

#include "messages.h"
#include "textutil.h"

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    char dir[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, dir, sizeof dir);
    if (n == 0 || n >= sizeof dir) return 3;
    for (char* p = dir + n; p > dir; --p) {
        if (p[-1] == '\\') {
            *p = '\0';
            break;
        }
    }
    char library[MAX_PATH];
    JoinPath(library, dir, "ZEROZ32.DLL");
    if (!LoadLibraryA(library)) return 4;
    HMODULE resources = LoadLibraryExA(argv[1], nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!resources) return 5;
    CopyText(g_statusDialogTitle, "ORVAN Vireo Setup");
    g_statusDialogInstance = resources;
    HWND dlg = CreateDialogParamA(resources, MAKEINTRESOURCEA(909), nullptr, StatusDlgProc, 0);
    if (!dlg) return 6;
    ShowWindow(dlg, SW_SHOW);
    SetDlgItemTextA(dlg, 107, "Copy files...");
    SetDlgItemTextA(dlg, 108, "C:\\VIREO\\VIREO.EXE");
    SendDlgItemMessageA(dlg, 104, kPercentSetRange, 10, 0);
    SendDlgItemMessageA(dlg, 104, kPercentSetPosition, 4, 0);
    UpdateWindow(dlg);
    DWORD seconds = argc > 2 ? static_cast<DWORD>(std::atoi(argv[2])) : 10;
    WaitTicks(seconds * 1000);
    DestroyWindow(dlg);
    return 0;
}
