// Port selection: how many of LPT1:-LPT3: the spooler knows, and the dialog
// in which the user picks the printer's port.
#include <windows.h>
#include <winspool.h>

#include "messages.h"
#include "messages_core.h"
#include "resource.h"
#include "setup.h"
#include "shell.h"
#include "shell_core.h"
#include "win_export.h"

namespace {

constexpr DWORD kFirstAttemptBytes = 120;
constexpr char kEnumFailCaption[] = "Pelora setup warring !";

uint32_t CountNames(const BYTE* buffer, DWORD returned) {
    const PORT_INFO_1A* ports = reinterpret_cast<const PORT_INFO_1A*>(buffer);
    uint32_t count = 0;
    for (DWORD i = 0; i < returned && count < 3; ++i) {
        if (IsCountedParallelPort(ports[i].pName)) ++count;
    }
    return count;
}

void ReportEnumFailure(DWORD needed, DWORD returned) {
    PlainMessageBox(nullptr, "EnumPorts() function fail !!", kEnumFailCaption, MB_OK);
    char text[128];
    FormatMessageText(text, sizeof text, " dwNeeded = %d   ,   dwReturned = %d \n", needed, returned);
    PlainMessageBox(nullptr, text, kEnumFailCaption, MB_OK);
}

}  // namespace

uint32_t CountParallelPortsWith(EnumPortsFn enumPorts) {
    // The first attempt uses a small buffer of fixed size; PORT_INFO_1 records
    // hold pointers, so the buffer is aligned for them.
    union {
        BYTE bytes[kFirstAttemptBytes];
        void* align;
    } first;
    ZeroMemory(first.bytes, sizeof first.bytes);
    DWORD needed = 0;
    DWORD returned = 0;
    if (enumPorts(nullptr, 1, first.bytes, kFirstAttemptBytes, &needed, &returned)) {
        return CountNames(first.bytes, returned);
    }
    // Not enough room (or another failure): once more with the size asked for.
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, needed ? needed : 1);
    BYTE* data = block ? static_cast<BYTE*>(GlobalLock(block)) : nullptr;
    returned = 0;
    if (!data || !enumPorts(nullptr, 1, data, needed, &needed, &returned)) {
        ReportEnumFailure(needed, returned);
        if (data) GlobalUnlock(block);
        if (block) GlobalFree(block);
        return 0;
    }
    uint32_t count = CountNames(data, returned);
    GlobalUnlock(block);
    GlobalFree(block);
    return count;
}

uint32_t CountParallelPorts() { return CountParallelPortsWith(EnumPortsA); }

uint32_t ParallelPortsPresent() {
    DWORD needed = 0;
    DWORD returned = 0;
    EnumPortsA(nullptr, 1, nullptr, 0, &needed, &returned);
    if (needed == 0) return 0;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, needed);
    BYTE* data = block ? static_cast<BYTE*>(GlobalLock(block)) : nullptr;
    uint32_t mask = 0;
    if (data && EnumPortsA(nullptr, 1, data, needed, &needed, &returned)) {
        const PORT_INFO_1A* ports = reinterpret_cast<const PORT_INFO_1A*>(data);
        for (DWORD i = 0; i < returned; ++i) {
            const char* name = ports[i].pName;
            if (name && IsCountedParallelPort(name)) mask |= 1u << (name[3] - '1');
        }
    }
    if (data) GlobalUnlock(block);
    if (block) GlobalFree(block);
    return mask;
}

TLS_EXPORT INT_PTR CALLBACK PortDlgProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM) {
    switch (msg) {
    case WM_INITDIALOG: {
        SetWindowTextA(hwnd, g_setup.mainTitle);
        char text[kMessageTextChars + 1];
        char message[kMessageTextChars + 1];
        if (LoadStringA(g_setup.hInstance, IDS_SELECT_PORT, text, sizeof text) > 0) {
            FormatMessageText(message, sizeof message, text, kVireo, kVireo);
            SetDlgItemTextA(hwnd, IDC_PORT_TEXT, message);
        }
        CentreWindow(hwnd);
        CheckDlgButton(hwnd, IDC_PORT_LPT1, BST_CHECKED);
        if (g_setup.lptPortCount <= 1) EnableWindow(GetDlgItem(hwnd, IDC_PORT_LPT2), FALSE);
        if (g_setup.lptPortCount <= 2) EnableWindow(GetDlgItem(hwnd, IDC_PORT_LPT3), FALSE);
        MessageBeep(MB_ICONQUESTION);
        return TRUE;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_PORT_CONNECT:
            for (int id = IDC_PORT_LPT1; id <= IDC_PORT_LPT3; ++id) {
                if (SendDlgItemMessageA(hwnd, id, BM_GETCHECK, 0, 0) == BST_CHECKED) {
                    g_setup.selectedPort = static_cast<uint32_t>(id);
                    EndDialog(hwnd, IDC_PORT_CONNECT);
                    break;
                }
            }
            break;
        case IDC_PORT_LPT1:
        case IDC_PORT_LPT2:
        case IDC_PORT_LPT3:
            CheckRadioButton(hwnd, IDC_PORT_LPT1, IDC_PORT_LPT3, LOWORD(wParam));
            break;
        case IDCANCEL:
            EndDialog(hwnd, IDCANCEL);
            break;
        default:
            break;
        }
        return TRUE;
    default:
        return FALSE;
    }
}
