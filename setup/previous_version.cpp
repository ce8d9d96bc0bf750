// Looks for a previously installed version of the package and, when the
// string table carries the offer's text, lets its own uninstaller remove it
// before the new version is installed.
#include <windows.h>

#include "companion.h"
#include "messages.h"
#include "messages_core.h"
#include "previous_search.h"
#include "program_run.h"
#include "resource.h"
#include "setup.h"
#include "textutil.h"
#include "win_export.h"
#include "previous_version.h"

namespace {

constexpr char kSettingsFile[] = "PELORASD.INI";
constexpr char kOlderSettingsFile[] = "velm.ini";
constexpr char kSettingsSection[] = "Applications";
constexpr char kUninstallerWindowClass[] = "DeSetupWinClass";
constexpr char kPrinterFamily[] = "ORVAN Pelora 200/250";

// Reads key from PELORASD.INI, falling back to velm.ini when the value there
// is missing, empty or begins with "@".
void ReadSetting(const char* key, char (&value)[256]) {
    GetPrivateProfileStringA(kSettingsSection, key, "@", value, sizeof value, kSettingsFile);
    if (SettingMissing(value)) {
        GetPrivateProfileStringA(kSettingsSection, key, "@", value, sizeof value, kOlderSettingsFile);
    }
}

bool CanOpenForReading(const char* path) {
    OFSTRUCT of{};
    HFILE file = OpenFile(path, &of, OF_READ);
    if (file == HFILE_ERROR) return false;
    _lclose(file);
    return true;
}

bool HasOfferText() {
    char text[512];
    return LoadStringA(g_setup.hInstance, IDS_PREVIOUS_VERSION, text, sizeof text) > 0;
}

// The old uninstaller removes the package unattended: it gives each of the
// six companion programs at most 30 seconds and then passes over it, and
// removes a few hundred files. Ten minutes leave a slow 386 ample time; an
// uninstaller still running then is taken to hang.
constexpr DWORD kPreviousRemovalMinutes = 10;

// Waits, keeping this program's windows alive, while the old uninstaller's
// window exists, within the bound above. False when the bound was reached.
bool WaitForUninstallerToEnd() {
    return WaitWhileWindowOfClass(kUninstallerWindowClass, kPreviousRemovalMinutes * 60000);
}

// Looks at the old uninstaller's file for this long after its window went.
constexpr int kReleaseLooks = 50;
constexpr DWORD kReleaseLookMs = 100;

// Deletes the old uninstaller's program file. Its window goes a moment
// before its process ends, and Windows refuses to delete the program file
// of a running process; so the deletion is tried again, for a few seconds.
void DeleteEndedProgram(const char* path) {
    SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
    for (int i = 0; i < kReleaseLooks; ++i) {
        if (DeleteFileA(path) || GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) return;
        WaitTicks(kReleaseLookMs);
    }
}

}  // namespace

bool FindPreviousUninstaller(char (&velmDir)[256], char (&uninstaller)[kCandidatePathSize]) {
    char deleteFile[256];
    ReadSetting("VelmDir", velmDir);
    ReadSetting("DeleteFile", deleteFile);
    if (velmDir[0] != '\0') CopyText(g_setup.previousDir, velmDir);

    char candidates[kMaxPreviousCandidates][kCandidatePathSize];
    const int count = PreviousUninstallerCandidates(velmDir, deleteFile, candidates);
    for (int i = 0; i < count; ++i) {
        if (CanOpenForReading(candidates[i])) return CopyText(uninstaller, candidates[i]);
    }
    uninstaller[0] = '\0';
    return false;
}

BOOL RemovePreviousVersion(HWND hwnd) {
    char velmDir[256];
    char uninstaller[kCandidatePathSize];
    const bool found = FindPreviousUninstaller(velmDir, uninstaller);
    if (!PreviousRemovalOffered(found, HasOfferText(), velmDir)) return TRUE;

    // The uninstaller's path is quoted: a path that still holds a blank
    // (a volume without short names) would otherwise end at it, and the old
    // uninstaller would take the rest of the path for its argument.
    char oldScript[kCandidatePathSize];
    char command[kCandidatePathSize + 16];
    if (!JoinPath(oldScript, g_setup.previousDir, "TLSETUP.INF") ||
        !FormatText(command, sizeof command, "\"%s\" External", uninstaller)) {
        return TRUE;
    }
    // An unattended run removes the old version without the offer, once: an
    // old version that stays is a failure there.
    for (int round = 0;; ++round) {
        INT_PTR choice = IDC_PREV_DELETE;
        if (g_options.unattended) {
            if (round > 0) {
                LogLine("Previous version in %s not removed by %s", g_setup.previousDir, uninstaller);
                SetExitCode(kExitPreviousVersion);
                return FALSE;
            }
        } else {
            choice = DialogBoxParamA(g_setup.hInstance, MAKEINTRESOURCEA(IDD_PREVIOUS_VERSION), hwnd,
                                     PreviousVersionDlgProc, 0);
        }
        if (choice != IDC_PREV_DELETE) {
            SetExitCode(kExitCancelled);
            return FALSE;
        }
        LogLine("Removing the previous version: %s", command);
        // This run holds the lock of one run at a time; the uninstaller it
        // starts goes on by taking the hand-over. One that refuses all the
        // same leaves the old script in place, which is no removal.
        HANDLE handOver = OpenRemovalHandOver();
        const bool started = WinExec(command, SW_RESTORE) >= 32;
        if (!started) LogLine("The previous version's uninstaller cannot be started (system error %lu)", GetLastError());
        const bool ended = started && WaitForUninstallerToEnd();
        if (handOver) CloseHandle(handOver);
        if (!started) {
            SetExitCode(kExitPreviousVersion);
            return FALSE;
        }
        if (!ended) {
            SetExitCode(kExitPreviousVersion);
            ShowMessage(g_setup.hInstance, hwnd, IDS_PREVIOUS_NOT_ENDED, g_setup.warningCaption, kStyleNotice,
                        static_cast<int>(kPreviousRemovalMinutes));
            return FALSE;
        }
        if (!CanOpenForReading(oldScript)) {
            DeleteEndedProgram(uninstaller);
            RemoveDirectoryA(g_setup.previousDir);
            LogLine("Previous version removed from %s", g_setup.previousDir);
            return TRUE;
        }
    }
}

TLS_EXPORT INT_PTR CALLBACK PreviousVersionDlgProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM) {
    switch (msg) {
        case WM_INITDIALOG: {
            SetWindowTextA(hwnd, g_setup.warningCaption);
            char format[512];
            char text[512];
            if (LoadStringA(g_setup.hInstance, IDS_PREVIOUS_VERSION, format, sizeof format) > 0) {
                // Two %s: the printer family and the old directory.
                FormatMessageText(text, sizeof text, format, kPrinterFamily, g_setup.previousDir);
                SetDlgItemTextA(hwnd, IDC_PREV_TEXT, text);
            }
            CentreWindow(hwnd);
            return TRUE;
        }
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            DrawIcon(dc, 8, 32, LoadIcon(nullptr, IDI_QUESTION));
            EndPaint(hwnd, &ps);
            return TRUE;
        }
        case WM_COMMAND: {
            const WORD id = LOWORD(wParam);
            if (id == IDC_PREV_DELETE || id == IDC_PREV_EXIT) EndDialog(hwnd, id);
            return TRUE;
        }
        default: return FALSE;
    }
}
