// Removal of the package's files and subdirectories named by the setup
// script, under the progress dialog 500.
#include <windows.h>

#include "clearable_dir.h"
#include "desetup.h"
#include "desetup_core.h"
#include "full_path.h"
#include "resource.h"
#include "script_engine.h"
#include "script_places.h"
#include "textutil.h"

namespace {

void SetBar(HWND dlg, UINT message, int value) {
    if (value < 0) value = 0;
    SendDlgItemMessageA(dlg, IDC_DESETUP_BAR, message, static_cast<WPARAM>(value), 0);
}

void SetLineId(HWND dlg, int control, UINT id) {
    char text[512];
    LoadTextId(id, text, sizeof text);
    SetDlgItemTextA(dlg, control, text);
}

// The installation directory with a backslash unless it ends in one; false
// when that does not fit.
bool InstallDirWithBackslash(char* path, std::size_t size) {
    return CopyText(path, size, g_desetup.installDir) && AppendBackslash(path, size);
}

// True when dir is none of the Windows directory, the system directory, a
// drive root and the installation directory. A directory whose full form
// cannot be had is not cleared.
bool MayClear(const char* dir) {
    char install[MAX_PATH];
    char path[MAX_PATH], windows[MAX_PATH], system[MAX_PATH], installFull[MAX_PATH];
    return InstallDirWithBackslash(install, sizeof install) && FullLongPath(dir, path, sizeof path) &&
           FullLongPath(g_desetup.windowsDir, windows, sizeof windows) &&
           FullLongPath(g_desetup.systemDir, system, sizeof system) &&
           FullLongPath(install, installFull, sizeof installFull) &&
           IsClearableDirPath(path, windows, system, installFull);
}

// The package files without which the uninstaller cannot run again: the
// settings file (which names the installation directory), the setup script and the
// progress-bar library. The file removal passes over the records that name
// them; RemoveKeptFiles deletes them once everything else is done, so that a
// removal cut short before then can simply be run again. Listed in the order
// they are deleted in.
enum KeptFile { kKeptSettings, kKeptScript, kKeptLibrary, kKeptCount };

struct KeptFiles {
    char full[kKeptCount][MAX_PATH];  // full long form, compared with each record's
    char path[kKeptCount][MAX_PATH];  // as the record names it; empty while no record does
};
KeptFiles g_kept;

void FindKeptFiles() {
    char path[kKeptCount][MAX_PATH];
    bool fits = JoinPath(path[kKeptSettings], g_desetup.windowsDir, "PELORASD.INI");
    fits = JoinPath(path[kKeptScript], g_desetup.installDir, "TLSETUP.INF") && fits;
    fits = JoinPath(path[kKeptLibrary], g_desetup.installDir, "ZEROZ32.DLL") && fits;
    for (int k = 0; k < kKeptCount; ++k) {
        g_kept.path[k][0] = '\0';
        if (!fits || !FullLongPath(path[k], g_kept.full[k], sizeof g_kept.full[k])) g_kept.full[k][0] = '\0';
    }
}

// Remembers the record's file for RemoveKeptFiles when it is one of the kept
// files; false for any other file.
bool KeepForLater(const char* path) {
    char full[MAX_PATH];
    if (!FullLongPath(path, full, sizeof full)) return false;
    for (int k = 0; k < kKeptCount; ++k) {
        if (g_kept.full[k][0] && CompareNoCase(full, g_kept.full[k]) == 0) {
            CopyText(g_kept.path[k], path);
            return true;
        }
    }
    return false;
}

}  // namespace

namespace {

bool PathGone(const char* path) { return GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES; }

// Deletes a file of the package and logs what became of it.
void DeleteAndLog(const char* path) {
    const int scheduledBefore = FilesLeftForRestart();
    DeletePackageFile(path);
    const char* outcome = "conserv\xe9";
    if (PathGone(path)) {
        outcome = "supprim\xe9";
    } else if (FilesLeftForRestart() > scheduledBefore) {
        outcome = "supprim\xe9 au prochain d\xe9marrage de Windows";
    }
    LogLine("Fichier %s : %s", path, outcome);
}

}  // namespace

int RemovePackageFiles(HWND dlg) {
    PumpMessages();
    SetLineId(dlg, IDC_DESETUP_LINE1, IDS_REMOVING_FILES);
    int count = static_cast<int>(ScriptQuery(kOpFileCount, 0, nullptr));
    SetBar(dlg, kPercentSetPosition, 0);
    SetBar(dlg, kPercentSetRange, count);
    FindKeptFiles();
    // "C:" stands for the root of drive C here, as in the paths joined below.
    char installPlace[MAX_PATH];
    if (!InstallDirWithBackslash(installPlace, sizeof installPlace)) installPlace[0] = '\0';

    for (int i = 0; i < count; ++i) {
        char name[kScriptBufferSize] = "";
        char dirText[kScriptBufferSize] = "";
        ScriptQuery(kOpFileDestName, static_cast<std::uint16_t>(i), name);
        ScriptQuery(kOpFileDestDir, static_cast<std::uint16_t>(i), dirText);

        // A path that does not fit is passed over: cut short, it would name
        // another file.
        char dir[MAX_PATH];
        bool fits = true;
        const char* place = installPlace;  // the directory the file must stay in
        if (CompareNoCase(dirText, "WINDOWS") == 0) {
            place = g_desetup.windowsDir;
            fits = CopyText(dir, place);
        } else if (CompareNoCase(dirText, "SYSTEM") == 0) {
            place = g_desetup.systemFilesInWindowsDir ? g_desetup.windowsDir : g_desetup.systemDir;
            fits = CopyText(dir, place);
        } else {
            fits = FormatText(dir, sizeof dir, "%s\\%s", g_desetup.installDir, dirText);
        }
        char path[MAX_PATH];
        if (!fits || !FormatText(path, sizeof path, "%s\\%s", dir, name)) continue;
        // A record that leads out of its place (an edited script), or to a
        // file reached through a link, is passed over; the Windows and
        // system directories take plain file names only.
        if (!IsScriptTextInside(name) || !IsScriptTextInside(dirText) || !IsFullPathBelow(path, place) ||
            (place != installPlace && !IsPlainScriptName(name)) || ReachedThroughLink(path, place)) {
            continue;
        }
        if (IsProtectedFileName(name) || KeepForLater(path)) continue;

        SetDlgItemTextA(dlg, IDC_DESETUP_LINE2, name);
        SetBar(dlg, kPercentSetPosition, i);
        PumpMessages();
        DeleteAndLog(path);
        SetBar(dlg, kPercentSetPosition, i + 1);
    }
    WaitTicks(kProgressHoldMs);

    // Users keep their own files in the package's first directory; it is
    // emptied so that it can be removed. Only a real subdirectory of the
    // installation directory is emptied: without [Dirs] entry 1, or with an
    // entry such as "WINDOWS", ".", "..\X" or "C:\X" (with an installation
    // at a drive's root too), the installation directory, the Windows
    // directory or any other would be cleared.
    if (ScriptQuery(kOpDirCount, 0, nullptr) >= 2) {
        char entry[kScriptBufferSize] = "";
        ScriptQuery(kOpDirName, 1, entry);
        char dir[MAX_PATH];
        if (IsClearableDirText(entry) && InstallDirWithBackslash(dir, sizeof dir) && AppendText(dir, entry) &&
            MayClear(dir)) {
            ClearDirectory(dir);
        }
    }

    char queue[MAX_PATH];
    if (InstallDirWithBackslash(queue, sizeof queue) && AppendText(queue, "spooler.que")) DeletePackageFile(queue);
    return 1;
}

void ClearDirectory(const char* dir) {
    char pattern[MAX_PATH];
    if (!FormatText(pattern, sizeof pattern, "%s\\*.*", dir)) return;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        // The directory's own entries and subdirectories are passed over by
        // name and attribute, whatever order the file system lists them in.
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        // Looked at file by file: a folder that users may add files to may
        // also be turned into a link to another while it is emptied.
        char path[MAX_PATH];
        if (FormatText(path, sizeof path, "%s\\%s", dir, found.cFileName) && !ReachedThroughLink(path, dir)) {
            DeleteFileA(path);
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

int RemovePackageDirs(HWND dlg) {
    SetLineId(dlg, IDC_DESETUP_LINE1, IDS_REMOVING_DIRS);
    int m = static_cast<int>(ScriptQuery(kOpDirCount, 0, nullptr));
    int k = m - 2;
    SetBar(dlg, kPercentSetPosition, 0);
    SetBar(dlg, kPercentSetRange, k);
    SetDlgItemTextA(dlg, IDC_DESETUP_LINE2, g_desetup.installDir);
    if (!SetCurrentDirectoryA(g_desetup.installDir)) return 0;
    SetBar(dlg, kPercentSetPosition, 1);

    // Each entry is tried once per removal, as in one uninterrupted run:
    // a directory listed before one of its subdirectories stays, even when a
    // second run, after one cut short behind the subdirectory, would find
    // it empty. Trying the last entry again is harmless: nothing after it
    // has changed.
    const int tried = RemovalMark(kMarkDirsTried);
    char installPlace[MAX_PATH];
    if (!InstallDirWithBackslash(installPlace, sizeof installPlace)) installPlace[0] = '\0';
    for (int i = 1; i < k; ++i) {
        PumpMessages();
        char path[MAX_PATH];
        char entry[kScriptBufferSize] = "";
        ScriptQuery(kOpDirName, static_cast<std::uint16_t>(i), entry);
        bool fits = InstallDirWithBackslash(path, sizeof path) && AppendText(path, entry);
        SetDlgItemTextA(dlg, IDC_DESETUP_LINE2, path);
        if (i > tried) {
            // An entry that leads out of the installation directory is passed over.
            // A folder that is a link goes as a link: only the folders that
            // hold it must be real.
            if (fits && entry[0] && IsScriptTextInside(entry) && IsFullPathBelow(path, installPlace) &&
                !ReachedThroughLink(path, installPlace)) {
                RemoveDirectoryA(path);
                LogLine("R\xe9pertoire %s : %s", path, PathGone(path) ? "supprim\xe9" : "conserv\xe9");
            }
            SetRemovalMark(kMarkDirsTried, i);
        }
        SetBar(dlg, kPercentSetPosition, i + 1);
    }
    WaitTicks(kProgressHoldMs);
    return 1;
}

void RemoveKeptFiles() {
    for (int k = 0; k < kKeptCount; ++k) {
        const char* path = g_kept.path[k];
        if (!path[0]) continue;
        // Windows 95 keeps profile files it has written in a cache and writes
        // them out later: the settings file is written out first, so that no
        // later flush brings the deleted file back.
        if (k == kKeptSettings) WritePrivateProfileStringA(nullptr, nullptr, nullptr, path);
        DeleteAndLog(path);
        g_kept.path[k][0] = '\0';
    }
}
