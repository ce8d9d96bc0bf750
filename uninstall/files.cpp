// Removal of the package's files and subdirectories named by the setup
// script, under the progress dialog 500.
#include <windows.h>

#include "clearable_dir.h"
#include "desetup.h"
#include "desetup_core.h"
#include "resource.h"
#include "script_engine.h"
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

// Length of the part of a full path that is not looked up: "C:\" of a
// drive path, "\\server\share\" of a network path. 0 for any other form.
int RootLength(const char* full) {
    if (full[0] != '\0' && full[1] == ':' && full[2] == '\\') return 3;
    if (full[0] != '\\' || full[1] != '\\') return 0;
    int at = 2;
    for (int part = 0; part < 2; ++part) {  // the server's name, then the share's
        while (full[at] != '\0' && full[at] != '\\') ++at;
        if (full[at] == '\0') return at;
        ++at;
    }
    return at;
}

// The full, long form of path, so that directories written differently
// (short names, "." parts, "/") compare equal; false when it does not fit.
// Each component takes the name the file system lists for it; from the
// first component that does not exist (or holds a wildcard, which would be
// searched for as a pattern) the path stays as written.
bool FullLongPath(const char* path, char* out, DWORD size) {
    char full[MAX_PATH];
    DWORD n = GetFullPathNameA(path, sizeof full, full, nullptr);
    if (n == 0 || n >= sizeof full) return false;
    for (char* p = full; *p; ++p) {
        if (*p == '/') *p = '\\';
    }
    const int root = RootLength(full);
    if (root == 0) return CopyText(out, size, full);  // an unknown form is compared as it is
    const int length = lstrlenA(full);
    const bool trailingBackslash = length > root && full[length - 1] == '\\';

    char result[MAX_PATH];
    if (!CopyTextN(result, sizeof result, full, static_cast<std::size_t>(root))) return false;
    bool looking = true;
    char* name = full + root;
    while (*name) {
        char* end = name;
        while (*end && *end != '\\') ++end;
        const bool last = *end == '\0';
        *end = '\0';
        // Doubled backslashes leave empty components, which are dropped.
        if (*name) {
            if (!AppendBackslash(result, sizeof result)) return false;
            const int at = lstrlenA(result);
            if (!AppendText(result, name)) return false;
            // The search takes the whole path, root included, as its pattern.
            bool wildcard = false;
            for (const char* p = result; *p; ++p) wildcard = wildcard || *p == '*' || *p == '?';
            const bool dots = lstrcmpA(name, ".") == 0 || lstrcmpA(name, "..") == 0;
            if (looking && !dots) {
                WIN32_FIND_DATAA found;
                HANDLE search = wildcard ? INVALID_HANDLE_VALUE : FindFirstFileA(result, &found);
                if (search == INVALID_HANDLE_VALUE) {
                    looking = false;
                } else {
                    FindClose(search);
                    result[at] = '\0';
                    if (!AppendText(result, found.cFileName)) return false;
                }
            }
        }
        if (last) break;
        name = end + 1;
    }
    if (trailingBackslash && !AppendBackslash(result, sizeof result)) return false;
    return CopyText(out, size, result);
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

    for (int i = 0; i < count; ++i) {
        char name[kScriptBufferSize] = "";
        char dirText[kScriptBufferSize] = "";
        ScriptQuery(kOpFileDestName, static_cast<std::uint16_t>(i), name);
        ScriptQuery(kOpFileDestDir, static_cast<std::uint16_t>(i), dirText);

        // A path that does not fit is passed over: cut short, it would name
        // another file.
        char dir[MAX_PATH];
        bool fits = true;
        if (CompareNoCase(dirText, "WINDOWS") == 0) {
            fits = CopyText(dir, g_desetup.windowsDir);
        } else if (CompareNoCase(dirText, "SYSTEM") == 0) {
            fits = CopyText(dir, g_desetup.systemFilesInWindowsDir ? g_desetup.windowsDir : g_desetup.systemDir);
        } else {
            fits = FormatText(dir, sizeof dir, "%s\\%s", g_desetup.installDir, dirText);
        }
        char path[MAX_PATH];
        if (!fits || !FormatText(path, sizeof path, "%s\\%s", dir, name)) continue;
        if (IsProtectedFileName(name) || KeepForLater(path)) continue;

        SetDlgItemTextA(dlg, IDC_DESETUP_LINE2, name);
        SetBar(dlg, kPercentSetPosition, i);
        PumpMessages();
        DeleteAndLog(path);
        SetBar(dlg, kPercentSetPosition, i + 1);
    }
    WaitTicks(1000);

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
        char path[MAX_PATH];
        if (FormatText(path, sizeof path, "%s\\%s", dir, found.cFileName)) DeleteFileA(path);
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
    for (int i = 1; i < k; ++i) {
        PumpMessages();
        char path[MAX_PATH];
        char entry[kScriptBufferSize] = "";
        ScriptQuery(kOpDirName, static_cast<std::uint16_t>(i), entry);
        bool fits = InstallDirWithBackslash(path, sizeof path) && AppendText(path, entry);
        SetDlgItemTextA(dlg, IDC_DESETUP_LINE2, path);
        if (i > tried) {
            if (fits && entry[0]) RemoveDirectoryA(path);
            if (fits && entry[0]) LogLine("R\xe9pertoire %s : %s", path, PathGone(path) ? "supprim\xe9" : "conserv\xe9");
            SetRemovalMark(kMarkDirsTried, i);
        }
        SetBar(dlg, kPercentSetPosition, i + 1);
    }
    WaitTicks(1000);
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
