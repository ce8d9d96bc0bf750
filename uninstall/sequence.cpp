// The whole removal of the package, run once from the entry point while the
// main window stands. Every way out destroys the main window, which ends the
// program.
#include <windows.h>

#include "companion.h"
#include "dde_client.h"
#include "desetup.h"
#include "desetup_core.h"
#include "resource.h"
#include "script_engine.h"
#include "system_cursor.h"
#include "textutil.h"

DesetupState g_desetup;

namespace {

// The package's private request to close, understood by its companion
// programs.
constexpr UINT kPackageCloseMessage = 0x221F;
constexpr WPARAM kPackageCloseWParam = 0x1E1F;

const CompanionRequest kCloseRequests[] = {
    {"TLTPClass", WM_CLOSE, 0, 0, false, true},
    {"ZerODAClass", kPackageCloseMessage, kPackageCloseWParam, 1, false, false},
    {"SpoolerClass", kPackageCloseMessage, kPackageCloseWParam, 0, false, true},
    {"ZerODAClass", kPackageCloseMessage, kPackageCloseWParam, 0, false, true},
    {"AVLOPRINTERSTATUSBOX", WM_DESTROY, 0, 0, true, true},
    {"PanelClass", kPackageCloseMessage, kPackageCloseWParam, 0, false, true},
};

// Ends the sequence: the cursor comes back and the main window goes.
// `exitCode` is the code the program ends with when codes are given.
int Finish(HCURSOR previousCursor, int result, int exitCode) {
    g_desetup.exitCode = exitCode;
    LogLine(result ? "D\xe9sinstallation termin\xe9" "e" : "D\xe9sinstallation interrompue");
    if (previousCursor) SetCursor(previousCursor);
    if (g_desetup.hMainWnd) DestroyWindow(g_desetup.hMainWnd);
    return result;
}

void JoinInstallPath(char* path, std::size_t size, const char* name) {
    JoinPath(path, size, g_desetup.installDir, name);
}

bool FileOpens(const char* path) {
    OFSTRUCT of{};
    HFILE file = OpenFile(path, &of, OF_READ);
    if (file == HFILE_ERROR) return false;
    _lclose(file);
    return true;
}

void ReleaseProgressBar(HWND* dialog, HMODULE* library, const char* copyPath) {
    if (*dialog) DestroyWindow(*dialog);
    *dialog = nullptr;
    g_desetup.hStatusDlg = nullptr;
    if (*library) FreeLibrary(*library);
    *library = nullptr;
    DeleteFileA(copyPath);
}

}  // namespace

void LoadTextId(UINT id, char* buffer, int size) {
    if (size <= 0) return;
    if (LoadStringA(g_desetup.hInstance, id, buffer, size) <= 0) buffer[0] = '\0';
}

void SetStatusLine(const char* text) {
    if (g_desetup.hStatusLine) SendMessageA(g_desetup.hStatusLine, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

void SetStatusLineId(UINT id) {
    char text[512];
    LoadTextId(id, text, sizeof text);
    SetStatusLine(text);
}

// The one place where the uninstaller asks the user about a companion
// program that has not closed. The unattended removal shows nothing and
// passes over it: what it still holds is deleted when Windows next starts.
CompanionChoice AskAboutRunningCompanion(const char* title) {
    if (g_desetup.silentMode) {
        LogLine("Le programme \"%s\" ne s'est pas ferm\xe9 : la d\xe9sinstallation continue sans lui", title);
        return kCompanionPassOver;
    }
    int answer = ShowMessage(g_desetup.hInstance, g_desetup.hMainWnd, IDS_COMPANION_RUNNING,
                             g_desetup.warningCaption, kStyleRetryQuestion, title);
    return answer == IDRETRY ? kCompanionRetry : kCompanionCancel;
}

bool CloseCompanionPrograms() {
    for (const CompanionRequest& request : kCloseRequests) {
        if (!CloseCompanion(request, AskAboutRunningCompanion)) return false;
    }
    return true;
}

int RunUninstall() {
    HINSTANCE instance = g_desetup.hInstance;
    HWND hwndMain = g_desetup.hMainWnd;

    // 1. Confirmation.
    if (!g_desetup.silentMode) {
        int answer = ShowMessage(instance, hwndMain, IDS_CONFIRM, g_desetup.warningCaption, kStyleQuestion, kProductWord,
                                 kProductWord);
        if (answer == IDNO) {
            LogLine("Confirmation : non");
            ShowMessage(instance, hwndMain, IDS_NOT_REMOVED, g_desetup.warningCaption, kStyleNotice, kProductWord);
            return Finish(nullptr, 0, kExitCancelled);
        }
    }

    // 2, 3. The package's programs are closed.
    UpdateWindow(hwndMain);
    SetStatusLine("");
    if (!CloseCompanionPrograms()) {
        LogLine("Un programme du logiciel ne s'est pas ferm\xe9 : d\xe9sinstallation annul\xe9" "e");
        ShowMessage(instance, hwndMain, IDS_NOT_REMOVED, g_desetup.warningCaption, kStyleNotice, kProductWord);
        return Finish(nullptr, 0, kExitProgramRunning);
    }
    LogLine("Programmes du logiciel ferm\xe9s");

    // 4. Where the script's system files lie.
    g_desetup.systemFilesInWindowsDir = SystemFilesBelongInWindowsDir(g_desetup.windowsDir, g_desetup.systemDir);

    // 5. The script of the installation directory, or the one beside the
    // uninstaller.
    char scriptPath[MAX_PATH];
    JoinInstallPath(scriptPath, sizeof scriptPath, "TLSETUP.INF");
    if (!FileOpens(scriptPath)) FormatText(scriptPath, sizeof scriptPath, "%sTLSETUP.INF", g_desetup.programDir);
    std::uint32_t loaded = ScriptQuery(kOpLoad, 0, scriptPath);
    LogLine("Script %s : %s", scriptPath, loaded == 0 ? "charg\xe9" : "non charg\xe9");
    if (loaded == 1) {
        ShowMessage(instance, hwndMain, IDS_NO_MEMORY, g_desetup.errorCaption, kStyleNotice);
        return Finish(nullptr, 0, kExitScript);
    }
    if (loaded == 2) {
        ShowMessage(instance, hwndMain, IDS_NO_SCRIPT, g_desetup.errorCaption, kStyleNotice, scriptPath, kProductWord);
        return Finish(nullptr, 0, kExitScript);
    }

    // 6 to 8. Backups and INI entries.
    HCURSOR previousCursor = SetCursor(SystemCursor(IDC_WAIT));
    SetStatusLineId(IDS_STATUS_REMOVE_BACKUPS);
    RemoveIniBackups();
    LogLine("Copies de sauvegarde WIN.nnn et SYSTEM.nnn supprim\xe9" "es");
    SetStatusLineId(IDS_STATUS_RESTORE_INI);
    UpdateWindow(hwndMain);
    if (!RestoreIniFiles()) {
        ShowMessage(instance, hwndMain, IDS_INI_NOT_RESTORED, g_desetup.errorCaption, kStyleNotice, kProductWord);
        return Finish(previousCursor, 0, kExitIniFiles);
    }
    LogLine("WIN.INI et SYSTEM.INI restaur\xe9s");

    // 9, 10. Program Manager group.
    UpdateWindow(hwndMain);
    SetStatusLineId(IDS_STATUS_REMOVE_GROUP);
    const BOOL groupDeleted = DeleteProgmanGroup(instance);
    LogLine("Groupe \"ORVAN Pelora 200/250 Tools\" : %s", groupDeleted ? "supprim\xe9" : "non supprim\xe9");
    if (!groupDeleted) {
        ShowMessage(instance, hwndMain, IDS_GROUP_NOT_DELETED, g_desetup.warningCaption, kStyleNotice, kProductWord);
    }
    SetStatusLine(" ");

    // 11. The progress-bar library is loaded from a copy, which a run that
    // was cut short may have left: it is replaced.
    char barLibrary[MAX_PATH];
    char barCopy[MAX_PATH];
    JoinInstallPath(barLibrary, sizeof barLibrary, "ZEROZ32.DLL");
    JoinInstallPath(barCopy, sizeof barCopy, "ZEROZ321.DLL");
    LzCopyFile(barLibrary, barCopy);
    HMODULE library = LoadLibraryA(barCopy);
    if (!library) {
        DeleteFileA(barCopy);
        ShowMessage(instance, hwndMain, IDS_NO_PERCENT_DLL, g_desetup.errorCaption, kStyleNotice, kProductWord);
        return Finish(previousCursor, 0, kExitProgressLibrary);
    }

    // 12. Progress dialog.
    CopyText(g_statusDialogTitle, g_desetup.titleText);
    g_statusDialogInstance = instance;
    HWND dialog = CreateDialogA(instance, MAKEINTRESOURCEA(IDD_DESETUP_STATUS), hwndMain, StatusDlgProc);
    g_desetup.hStatusDlg = dialog;
    if (dialog) {
        ShowWindow(dialog, SW_SHOW);
        UpdateWindow(dialog);
    }

    // 13 to 16. Files, then directories.
    if (RemovePackageFiles(dialog) != 1) {
        ReleaseProgressBar(&dialog, &library, barCopy);
        ShowMessage(instance, hwndMain, IDS_NOT_REMOVED_CLEANLY, g_desetup.warningCaption, kStyleNotice);
        return Finish(previousCursor, 0, kExitRemoval);
    }
    if (dialog) ShowWindow(dialog, SW_HIDE);
    UpdateWindow(hwndMain);
    if (dialog) {
        ShowWindow(dialog, SW_SHOW);
        UpdateWindow(dialog);
    }
    if (RemovePackageDirs(dialog) != 1) {
        ReleaseProgressBar(&dialog, &library, barCopy);
        ShowMessage(instance, hwndMain, IDS_NOT_REMOVED_CLEANLY, g_desetup.warningCaption, kStyleNotice);
        return Finish(previousCursor, 0, kExitRemoval);
    }
    if (dialog) ShowWindow(dialog, SW_HIDE);
    UpdateWindow(hwndMain);
    ReleaseProgressBar(&dialog, &library, barCopy);

    // 17. Uninstall entry.
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallKeyPath, 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
        RegCloseKey(key);
        LONG deleted = RegDeleteKeyA(HKEY_LOCAL_MACHINE, kUninstallKeyPath);
        LogLine("Registre HKLM\\%s : %s (erreur syst\xe8me %ld)", kUninstallKeyPath,
                deleted == ERROR_SUCCESS ? "supprim\xe9" : "non supprim\xe9", deleted);
    }

    // Until here a run that is cut short can be run again: it still finds
    // the settings file, the script and the progress-bar library.
    RemoveKeptFiles();

    // 18. The installation directory, from the root of its drive.
    char letter = UpperAscii(g_desetup.installDir[0]);
    char root[4] = {letter, ':', '\\', '\0'};
    SetCurrentDirectoryA(root);
    char drive[3] = {letter, ':', '\0'};
    if (letter >= 'A' && letter <= 'Z') SetCurrentDirectoryA(drive);
    LogLine("R\xe9pertoire %s : %s", g_desetup.installDir,
            RemoveDirectoryA(g_desetup.installDir) ? "supprim\xe9" : "conserv\xe9");
    ScheduleLeftDirectories();

    // 19, 20. Closing text: plain success only when no file of the package
    // stays.
    char format[1024];
    char closing[1100];
    UINT closingId = IDS_REMOVED;
    if (FilesThatStay() > 0) {
        closingId = IDS_REMOVED_WITH_LEFTOVERS;
    } else if (FilesLeftForRestart() > 0) {
        closingId = IDS_REMOVED_AT_RESTART;
    }
    LogLine("Fichiers supprim\xe9s au prochain d\xe9marrage de Windows : %d ; fichiers conserv\xe9s : %d",
            FilesLeftForRestart(), FilesThatStay());
    LoadTextId(closingId, format, 512);
    char uninstaller[MAX_PATH];
    JoinInstallPath(uninstaller, sizeof uninstaller, "TLDELET.EXE");
    if (FileOpens(uninstaller)) {
        char second[512];
        LoadTextId(IDS_DELETE_UNINSTALLER, second, sizeof second);
        AppendText(format, second);
        wsprintfA(closing, format, kProductWord, "TLDELET.EXE");
    } else {
        wsprintfA(closing, format, kProductWord);
    }
    LogLine("%s", closing);
    if (!g_desetup.silentMode) MessageBoxA(hwndMain, closing, g_desetup.titleText, MB_OK);

    // 21.
    // Files left for the next start of Windows need a restart, and so does
    // a changed [386Enh] on Windows 95, 98 and Me, which read it only when
    // they start; files that stay are a removal that did not finish.
    int exitCode = kExitSuccess;
    if (FilesThatStay() > 0) {
        exitCode = kExitRemoval;
    } else if (FilesLeftForRestart() > 0 || (g_desetup.systemIniChanged && (GetVersion() & 0x80000000))) {
        exitCode = kExitRestartNeeded;
    }
    return Finish(previousCursor, 1, exitCode);
}
