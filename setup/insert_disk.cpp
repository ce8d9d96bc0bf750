// Dialog 901: asks for the diskette that holds a missing source file and lets
// the user change the directory the files are read from.
#include "messages.h"
#include "prompt_text.h"
#include "resource.h"
#include "setup.h"
#include "textutil.h"
#include "win_export.h"

namespace {

constexpr int kSourceEditLimit = 66;

void InitInsertDisk(HWND dlg, const char* diskName) {
    SetWindowTextA(dlg, g_setup.mainTitle);
    CentreWindow(dlg);
    char format[256];
    if (LoadStringA(g_setup.hInstance, IDS_INSERT_DISK, format, sizeof format) <= 0) format[0] = '\0';
    // The text, the product word and a disk name of at most 49 characters.
    char prompt[sizeof format + 64];
    BuildDiskPrompt(prompt, sizeof prompt, format, kProductWord, diskName ? diskName : "");
    SetDlgItemTextA(dlg, IDC_DISK_PROMPT, prompt);
    SetDlgItemTextA(dlg, IDC_DISK_EDIT, g_setup.setupDir);
    SendDlgItemMessageA(dlg, IDC_DISK_EDIT, EM_LIMITTEXT, kSourceEditLimit, 0);
    MessageBeep(0xFFFFFFFF);
}

// OK: the edit's directory becomes the source directory for this and every
// later file. A directory that does not fit is refused and the prompt stays.
void AcceptSourceDirectory(HWND dlg) {
    char typed[kSourceEditLimit + 2];
    GetDlgItemTextA(dlg, IDC_DISK_EDIT, typed, sizeof typed);
    if (!StoreSourceDirectory(g_setup.setupDir, sizeof g_setup.setupDir, typed)) {
        MessageBeep(MB_ICONHAND);
        HWND edit = GetDlgItem(dlg, IDC_DISK_EDIT);
        SetFocus(edit);
        SendMessageA(edit, EM_SETSEL, 0, -1);
        return;
    }
    EndDialog(dlg, IDOK);
}

}  // namespace

TLS_EXPORT INT_PTR CALLBACK InsertDiskDlgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_INITDIALOG:
        InitInsertDisk(dlg, reinterpret_cast<const char*>(lParam));
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            AcceptSourceDirectory(dlg);
            return TRUE;
        case IDCANCEL:
            EndDialog(dlg, IDCANCEL);
            return TRUE;
        case IDC_DISK_EDIT:
            EnableWindow(GetDlgItem(dlg, IDOK), GetWindowTextLengthA(GetDlgItem(dlg, IDC_DISK_EDIT)) > 0);
            return TRUE;
        default:
            break;
        }
        break;
    default:
        break;
    }
    return FALSE;
}
