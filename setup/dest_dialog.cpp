// Dialog 900: where the utility goes. Proposes "C:\VIREO", takes any path
// typed in and stores it fully qualified in destDir.
#include "full_path.h"
#include "messages.h"
#include "prompt_text.h"
#include "resource.h"
#include "script_places.h"
#include "setup.h"
#include "textutil.h"
#include "win_export.h"

namespace {

constexpr char kDefaultDestination[] = "C:\\VIREO";
constexpr int kDestEditLimit = 66;

// Previous window procedure of the subclassed edit 105.
WNDPROC g_editPreviousProc = nullptr;

void SetTextFromTable(HWND dlg, int id, UINT textId, const char* arg) {
    char format[256];
    if (LoadStringA(g_setup.hInstance, textId, format, sizeof format) <= 0) format[0] = '\0';
    char text[sizeof format + 16];
    FormatWithText(text, sizeof text, format, arg);
    SetDlgItemTextA(dlg, id, text);
}

void InitDestination(HWND dlg) {
    SetWindowTextA(dlg, g_setup.mainTitle);
    SetTextFromTable(dlg, IDC_DEST_TEXT1, IDS_DEST_TEXT1, kProductWord);
    SetTextFromTable(dlg, IDC_DEST_TEXT2, IDS_DEST_TEXT2, "");
    CentreWindow(dlg);
    HWND edit = GetDlgItem(dlg, IDC_DEST_EDIT);
    SetWindowTextA(edit, kDefaultDestination);
    SendMessageA(edit, EM_LIMITTEXT, kDestEditLimit, 0);
    if (g_setup.displayColors > 2) {
        g_editPreviousProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(EditProc)));
    }
}

// OK: qualify the typed path against the current drive and directory. A
// path that cannot be qualified or does not fit destDir is refused and the
// dialog stays open, destDir unchanged.
void AcceptDestination(HWND dlg) {
    HWND edit = GetDlgItem(dlg, IDC_DEST_EDIT);
    char typed[kDestEditLimit + 2];
    GetWindowTextA(edit, typed, sizeof typed);
    OFSTRUCT parsed = {};
    parsed.cBytes = sizeof parsed;
    bool accepted = typed[0] != '\0' && OpenFile(typed, &parsed, OF_PARSE) != HFILE_ERROR &&
                    parsed.szPathName[0] != '\0' && lstrlenA(parsed.szPathName) < static_cast<int>(sizeof g_setup.destDir);
    if (!accepted) {
        MessageBeep(MB_ICONHAND);
        SetFocus(edit);
        SendMessageA(edit, EM_SETSEL, 0, -1);
        return;
    }
    if (IsSystemsOwnDirectory(parsed.szPathName)) {
        ShowMessage(g_setup.hInstance, dlg, IDS_DIR_NOT_CREATED, g_setup.errorCaption, kStyleNotice,
                    parsed.szPathName);
        SetFocus(edit);
        SendMessageA(edit, EM_SETSEL, 0, -1);
        return;
    }
    CopyText(g_setup.destDir, parsed.szPathName);
    EndDialog(dlg, IDOK);
}

}  // namespace

bool IsSystemsOwnDirectory(const char* path) {
    char fonts[sizeof g_setup.fontDir];
    FontDirectoryOf(fonts, sizeof fonts);
    char full[MAX_PATH], windows[MAX_PATH], system[MAX_PATH], fontsFull[MAX_PATH];
    // A directory whose full form cannot be had is not one of them: the
    // tree step refuses what it cannot create.
    if (!FullLongPath(path, full, sizeof full)) return false;
    if (FullLongPath(g_setup.windowsDir, windows, sizeof windows) && IsSamePath(full, windows)) return true;
    if (FullLongPath(g_setup.systemDir, system, sizeof system) &&
        (IsSamePath(full, system) || IsPathBelow(full, system))) {
        return true;
    }
    return fonts[0] != '\0' && FullLongPath(fonts, fontsFull, sizeof fontsFull) && IsSamePath(full, fontsFull);
}

TLS_EXPORT INT_PTR CALLBACK DestDlgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM) {
    switch (msg) {
    case WM_INITDIALOG:
        InitDestination(dlg);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            AcceptDestination(dlg);
            return TRUE;
        case IDCANCEL:
            EndDialog(dlg, IDCANCEL);
            return TRUE;
        case IDC_DEST_EDIT:
            EnableWindow(GetDlgItem(dlg, IDOK), GetWindowTextLengthA(GetDlgItem(dlg, IDC_DEST_EDIT)) > 0);
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

// Subclass of edit 105 on colour displays: after the edit has painted
// itself, its window device context is taken and given back without drawing.
TLS_EXPORT LRESULT CALLBACK EditProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    LRESULT result = g_editPreviousProc ? CallWindowProcA(g_editPreviousProc, hwnd, msg, wParam, lParam)
                                        : DefWindowProcA(hwnd, msg, wParam, lParam);
    if (msg == WM_PAINT) {
        HDC dc = GetWindowDC(hwnd);
        if (dc) ReleaseDC(hwnd, dc);
        return 1;
    }
    return result;
}
