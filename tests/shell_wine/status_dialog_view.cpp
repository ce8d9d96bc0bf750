// Shows the installer's progress dialog (template 909 of the program given)
// with the real StatusDlgProc and Percent bar, sample texts and the bar at
// 40 %, for the given number of seconds. Used by scripts/screenshot-setup.
//
//   status_dialog_view.exe PATH\tlsetup.exe [SECONDS [TEMPLATE]]
//
// With another template id, that dialog of the program is shown instead (its
// layout only: the progress dialog's procedure runs it).
#include <windows.h>

#include <cstdlib>

#include "messages.h"
#include "messages_core.h"
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
    int id = argc > 3 ? std::atoi(argv[3]) : 909;
    HWND dlg = CreateDialogParamA(resources, MAKEINTRESOURCEA(id), nullptr, StatusDlgProc, 0);
    if (!dlg) return 6;
    ShowWindow(dlg, SW_SHOW);
    // Sample contents, as the installer fills them in.
    char text[kMessageTextChars + 1] = "";
    char message[kMessageTextChars + 1] = "";
    if (id == 909) {
        SetDlgItemTextA(dlg, 107, "Copy files...");
        SetDlgItemTextA(dlg, 108, "C:\\VIREO\\VIREO.EXE");
        SendDlgItemMessageA(dlg, 104, kPercentSetRange, 10, 0);
        SendDlgItemMessageA(dlg, 104, kPercentSetPosition, 4, 0);
    } else if (id == 911 && LoadStringA(resources, 1033, text, sizeof text) > 0) {
        FormatMessageText(message, sizeof message, text, "Vireo", "Vireo");
        SetDlgItemTextA(dlg, 127, message);
        CheckDlgButton(dlg, 124, BST_CHECKED);
    } else if (id == 904 && LoadStringA(resources, 1043, text, sizeof text) > 0) {
        FormatMessageText(message, sizeof message, text, "Vireo");
        SetDlgItemTextA(dlg, 114, message);
    }
    UpdateWindow(dlg);
    DWORD seconds = argc > 2 ? static_cast<DWORD>(std::atoi(argv[2])) : 10;
    WaitTicks(seconds * 1000);
    DestroyWindow(dlg);
    return 0;
}
