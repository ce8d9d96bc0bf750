#include "next_start.h"

#include <windows.h>

#include "full_path.h"
#include "textutil.h"

namespace {

// Windows 95 reads at most 32 KB of a profile section.
constexpr DWORD kSectionChars = 32767;
constexpr char kPending[] = "PendingFileRenameOperations";

// Drops from a list of `size` bytes of NUL-ended texts the deletions that
// name full (in full long form, any case): with `pairs`, NT's source and
// empty target, the source with or without its "\??\" prefix; else the
// "NUL=" lines of WININIT.INI. What follows a source without its target
// stays as it is. Returns the list's new size.
DWORD DropDeletions(char* list, DWORD size, bool pairs, const char* full) {
    DWORD at = 0;
    DWORD out = 0;
    while (at < size && list[at]) {
        const char* named = list + at;
        DWORD next = at + static_cast<DWORD>(lstrlenA(named)) + 1;
        bool deletion = CompareNoCaseN(named, "NUL=", 4) == 0;
        int skip = 4;
        if (pairs) {
            if (next >= size) break;
            deletion = !list[next];
            next += static_cast<DWORD>(lstrlenA(list + next)) + 1;
            if (CompareNoCaseN(named, "\\??\\", 4) != 0) skip = 0;
        }
        char other[MAX_PATH];
        if (!deletion || !FullLongPath(named + skip, other, sizeof other) || CompareNoCase(other, full) != 0) {
            MoveMemory(list + out, list + at, next - at);
            out += next - at;
        }
        at = next;
    }
    MoveMemory(list + out, list + at, size - at);
    return out + size - at;
}

// Rewrites WININIT.INI's [rename] section without its deletions of full and,
// when `add` is given, with that line after the others. Its keys repeat, so
// the section is read and written whole: a key written by itself would
// replace the first line of that key. True when the section was written.
bool EditWininit(const char* windowsDir, const char* full, const char* add) {
    char wininit[MAX_PATH];
    if (!JoinPath(wininit, windowsDir, "WININIT.INI")) return false;
    if (GetFileAttributesA(wininit) == INVALID_FILE_ATTRIBUTES) {
        if (!add) return false;
        // Windows 95 renames the file to WININIT.BAK once it has carried it
        // out, and its profile functions need not create a file named with
        // its path: it is created first, as Microsoft's instructions do.
        OFSTRUCT of{};
        HFILE file = OpenFile(wininit, &of, OF_CREATE | OF_WRITE);
        if (file == HFILE_ERROR) return false;
        _lclose(file);
    }
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, kSectionChars + MAX_PATH + 16);
    char* section = block ? static_cast<char*>(GlobalLock(block)) : nullptr;
    bool written = false;
    const DWORD used = section ? GetPrivateProfileSectionA("rename", section, kSectionChars, wininit) : kSectionChars;
    // A section cut short is not written back: its last lines would be lost.
    if (used + 2 < kSectionChars) {
        DWORD length = DropDeletions(section, used + 1, false, full);  // the list's last NUL included
        if (add) {
            lstrcpyA(section + length - 1, add);
            length += static_cast<DWORD>(lstrlenA(add)) + 1;
            section[length - 1] = '\0';
        }
        if (length != used + 1) {
            written = WritePrivateProfileSectionA("rename", section, wininit) != FALSE;
            // Written out at once: Windows 95 may hold the file in its
            // profile cache, and its next start reads the disk.
            WritePrivateProfileStringA(nullptr, nullptr, nullptr, wininit);
        }
    }
    if (section) GlobalUnlock(block);
    if (block) GlobalFree(block);
    return written;
}

}  // namespace

bool AddWininitDeletion(const char* windowsDir, const char* path) {
    char full[MAX_PATH];
    char shortPath[MAX_PATH];
    char line[MAX_PATH + 8];
    const DWORD n = GetShortPathNameA(path, shortPath, sizeof shortPath);
    return n != 0 && n < sizeof shortPath && FormatText(line, sizeof line, "NUL=%s", shortPath) &&
           FullLongPath(path, full, sizeof full) && EditWininit(windowsDir, full, line);
}

void CancelRestartDeletions(const char* windowsDir, const char* path) {
    char full[MAX_PATH];
    if (!FullLongPath(path, full, sizeof full)) return;
    EditWininit(windowsDir, full, nullptr);
    // NT's list, read right before it is written: other programs add to it.
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Session Manager", 0,
                      KEY_QUERY_VALUE | KEY_SET_VALUE, &key) != ERROR_SUCCESS) {
        return;
    }
    DWORD size = 0;
    HGLOBAL block = nullptr;
    char* list = nullptr;
    if (RegQueryValueExA(key, kPending, nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS &&
        (block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size + 2)) != nullptr &&
        (list = static_cast<char*>(GlobalLock(block))) != nullptr &&
        RegQueryValueExA(key, kPending, nullptr, nullptr, reinterpret_cast<BYTE*>(list), &size) == ERROR_SUCCESS) {
        const DWORD length = DropDeletions(list, size, true, full);
        if (length != size) RegSetValueExA(key, kPending, 0, REG_MULTI_SZ, reinterpret_cast<BYTE*>(list), length);
    }
    if (list) GlobalUnlock(block);
    if (block) GlobalFree(block);
    RegCloseKey(key);
}
