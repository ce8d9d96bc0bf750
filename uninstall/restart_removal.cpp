// Files of the package that cannot be deleted now (held open by another
// program, or refused) are left to the next start of Windows: NT deletes
// what MoveFileEx lists, Windows 95 what the [rename] section of WININIT.INI
// lists. On NT the directories of the package that such files keep follow
// them; Windows 95 leaves them.
#include <windows.h>

#include "desetup.h"
#include "next_start.h"
#include "textutil.h"

namespace {

// One entry per [Dirs] entry of the script at most, and the installation
// directory.
constexpr int kMaxLeftDirs = 33;

struct LeftFiles {
    int scheduled;    // files that the next start of Windows deletes
    int stay;         // files that could be neither deleted nor scheduled
    char dirs[kMaxLeftDirs][MAX_PATH];  // directories they keep, no trailing backslash
    int dirCount;
};
LeftFiles g_left;

bool Exists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

// Remembers dir and every directory between it and the installation
// directory, that directory included, when dir lies in it.
void RememberLeftDirectories(const char* file) {
    // Both in their full form, so that "." and ".." parts of the script's
    // directories do not count as directories of their own.
    char install[MAX_PATH];
    char dir[MAX_PATH];
    DWORD n = GetFullPathNameA(g_desetup.installDir, sizeof install, install, nullptr);
    if (n == 0 || n >= sizeof install || !AppendBackslash(install, sizeof install)) return;
    n = GetFullPathNameA(file, sizeof dir, dir, nullptr);
    if (n == 0 || n >= sizeof dir) return;
    const int installLength = lstrlenA(install);
    if (lstrlenA(dir) <= installLength || CompareNoCaseN(dir, install, static_cast<std::size_t>(installLength)) != 0) {
        return;
    }
    for (;;) {
        // Cut the last component off: dir[0, end) ends in a backslash.
        int end = lstrlenA(dir);
        while (end > 0 && dir[end - 1] != '\\') --end;
        if (end < installLength) return;
        // A directory is held without its trailing backslash; an
        // installation at a drive's root is never removed.
        if (end == installLength && end <= 3) return;
        dir[end - 1] = '\0';
        bool known = false;
        for (int i = 0; i < g_left.dirCount; ++i) known = known || CompareNoCase(g_left.dirs[i], dir) == 0;
        if (!known && g_left.dirCount < kMaxLeftDirs) CopyText(g_left.dirs[g_left.dirCount++], dir);
        if (end == installLength) return;
    }
}

}  // namespace

MoveFileExFn SystemMoveFileEx() {
    HMODULE kernel = GetModuleHandleA("KERNEL32.DLL");
    return kernel ? reinterpret_cast<MoveFileExFn>(reinterpret_cast<void*>(GetProcAddress(kernel, "MoveFileExA")))
                  : nullptr;
}

bool ScheduleRemovalAtRestart(const char* named, bool directory) {
    // The full form: what reads the list at the next start takes the name
    // as it stands, "." and ".." parts included.
    char path[MAX_PATH];
    DWORD n = GetFullPathNameA(named, sizeof path, path, nullptr);
    if (n == 0 || n >= sizeof path) return false;
    // A file on another machine is out of reach: both lists are carried out
    // before the network starts.
    const char root[4] = {path[0], ':', '\\', '\0'};
    if (path[1] != ':' || GetDriveTypeA(root) == DRIVE_REMOTE) return false;
    MoveFileExFn moveFileEx = SystemMoveFileEx();
    if (moveFileEx) {
        if (moveFileEx(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) return true;
        // Windows 95 has the function, but it does nothing there.
        if (GetLastError() != ERROR_CALL_NOT_IMPLEMENTED) return false;
    }
    // Windows 95's WININIT moves files, not directories.
    return !directory && AddWininitDeletion(g_desetup.windowsDir, path);
}

void DeletePackageFile(const char* path) {
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return;
    // Windows refuses to delete a read-only file.
    if (attributes & FILE_ATTRIBUTE_READONLY) SetFileAttributesA(path, attributes & ~FILE_ATTRIBUTE_READONLY);
    if (DeleteFileA(path) || !Exists(path)) return;
    if (ScheduleRemovalAtRestart(path, false)) {
        ++g_left.scheduled;
        RememberLeftDirectories(path);
    } else {
        SetFileAttributesA(path, attributes);
        ++g_left.stay;
    }
}

void ScheduleLeftDirectories() {
    // Deepest first: a directory goes only once it is empty.
    for (;;) {
        int deepest = -1;
        for (int i = 0; i < g_left.dirCount; ++i) {
            if (g_left.dirs[i][0] && (deepest < 0 || lstrlenA(g_left.dirs[i]) > lstrlenA(g_left.dirs[deepest]))) {
                deepest = i;
            }
        }
        if (deepest < 0) break;
        const DWORD attributes = GetFileAttributesA(g_left.dirs[deepest]);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            ScheduleRemovalAtRestart(g_left.dirs[deepest], true);
        }
        g_left.dirs[deepest][0] = '\0';
    }
    g_left.dirCount = 0;
}

int FilesLeftForRestart() { return g_left.scheduled; }

int FilesThatStay() { return g_left.stay; }
