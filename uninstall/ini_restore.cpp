// The numbered INI backups and the INI entries that the installation left:
// SYSTEM.nnn and WIN.nnn are deleted, the package's lines are taken out of
// SYSTEM.INI's [386Enh] section and out of WIN.INI.
#include <windows.h>

#include "desetup.h"
#include "desetup_core.h"
#include "textutil.h"

namespace {

// The Windows directory with its trailing backslash.
void WindowsDirWithBackslash(char* dir, UINT size) {
    UINT n = GetWindowsDirectoryA(dir, size);
    if (n == 0 || n >= size) dir[0] = '\0';
    AppendBackslash(dir, size);
}

// Deletes prefix + 001, 002, ... up to the first number that does not open.
void DeleteBackupSeries(const char* windowsDir, const char* stem) {
    char name[MAX_PATH + 16];
    int last = 0;
    for (int n = 1; n <= 999; ++n) {
        FormatText(name, sizeof name, "%s%s.%03d", windowsDir, stem, n);
        OFSTRUCT of{};
        HFILE file = OpenFile(name, &of, OF_READ);
        if (file == HFILE_ERROR) break;
        _lclose(file);
        last = n;
    }
    for (int n = 1; n <= last; ++n) {
        FormatText(name, sizeof name, "%s%s.%03d", windowsDir, stem, n);
        DeleteFileA(name);
    }
}

// Reads the whole file at path into a new global block with a NUL behind
// the bytes; the caller frees it. Null when the file cannot be read.
HGLOBAL ReadWholeFile(const char* path, char** text, long* length) {
    OFSTRUCT of{};
    HFILE file = OpenFile(path, &of, OF_READ);
    if (file == HFILE_ERROR) return nullptr;
    LONG size = _llseek(file, 0, 2);
    _llseek(file, 0, 0);
    if (size < 0 || size > 0x7FFFFFF) {
        _lclose(file);
        return nullptr;
    }
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, static_cast<SIZE_T>(size) + 1);
    char* data = block ? static_cast<char*>(GlobalLock(block)) : nullptr;
    if (!data) {
        if (block) GlobalFree(block);
        _lclose(file);
        return nullptr;
    }
    long got = _hread(file, data, size);
    _lclose(file);
    if (got != size) {
        GlobalUnlock(block);
        GlobalFree(block);
        return nullptr;
    }
    *text = data;
    *length = size;
    return block;
}

// Writes length bytes of data to a new file at path and makes sure they are
// on the disk; true only when every byte was written and the file closed.
bool WriteNewFile(const char* path, const char* data, long length) {
    OFSTRUCT of{};
    HFILE file = OpenFile(path, &of, OF_CREATE | OF_WRITE);
    if (file == HFILE_ERROR) return false;
    long written = _hwrite(file, data, length);
    // A Win32 HFILE is the file's handle.
    bool flushed = FlushFileBuffers(reinterpret_cast<HANDLE>(static_cast<INT_PTR>(file))) != FALSE;
    bool closed = _lclose(file) != HFILE_ERROR;
    return written == length && flushed && closed;
}

bool Exists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

// Deletes a file of this step whatever its attributes.
void DeleteStepFile(const char* path) {
    if (!Exists(path)) return;
    SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(path);
}

// The names SYSTEM.INI passes through while it is replaced: the new text is
// written to `fresh`; where the system cannot replace a file in one step,
// the old file is first renamed to `old`.
struct SystemIniNames {
    char ini[MAX_PATH + 16];
    char fresh[MAX_PATH + 16];
    char old[MAX_PATH + 16];
};

// Completes or undoes a replacement that a previous run left unfinished, so
// that SYSTEM.INI is whole under its name and the other two names are free.
// The new file is renamed into place only once it is whole on the disk, and
// the old file is made only after that: without SYSTEM.INI, a new file
// beside the old one is whole, and the old one alone is the last whole copy.
bool CompleteSystemIniReplacement(const SystemIniNames& names) {
    if (!Exists(names.ini) && Exists(names.old)) {
        const char* whole = Exists(names.fresh) ? names.fresh : names.old;
        if (!MoveFileA(whole, names.ini)) return false;
    }
    if (!Exists(names.ini)) return false;
    DeleteStepFile(names.fresh);
    DeleteStepFile(names.old);
    return true;
}

// Puts names.fresh in the place of names.ini, keeping the old file's
// attributes. NT replaces it in one step; Windows 95, whose MoveFileEx does
// nothing, in two renames, between which the old file lies under names.old.
bool ReplaceSystemIni(const SystemIniNames& names) {
    const DWORD attributes = GetFileAttributesA(names.ini);
    const DWORD kept = attributes == INVALID_FILE_ATTRIBUTES
                           ? FILE_ATTRIBUTE_NORMAL
                           : attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                           FILE_ATTRIBUTE_ARCHIVE);
    // The new file takes the old one's attributes before it takes its place;
    // a read-only file cannot be replaced, so the old one loses its own.
    SetFileAttributesA(names.fresh, kept ? kept : FILE_ATTRIBUTE_NORMAL);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        SetFileAttributesA(names.ini, attributes & ~FILE_ATTRIBUTE_READONLY);
    }
    MoveFileExFn moveFileEx = SystemMoveFileEx();
    bool inOneStep = false;
    if (moveFileEx) {
        const bool moved =
            moveFileEx(names.fresh, names.ini, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
        const DWORD error = GetLastError();
        if (moved && !Exists(names.fresh)) return true;
        inOneStep = !moved && error != ERROR_CALL_NOT_IMPLEMENTED;
    }
    if (!inOneStep) {
        if (MoveFileA(names.ini, names.old)) {
            if (MoveFileA(names.fresh, names.ini)) {
                DeleteStepFile(names.old);
                return true;
            }
            MoveFileA(names.old, names.ini);
        }
    }
    // Not replaced: SYSTEM.INI stays as it was.
    if (attributes != INVALID_FILE_ATTRIBUTES) SetFileAttributesA(names.ini, attributes);
    DeleteStepFile(names.fresh);
    return false;
}

void FreeBlock(HGLOBAL block) {
    if (!block) return;
    GlobalUnlock(block);
    GlobalFree(block);
}

}  // namespace

int RemoveIniBackups() {
    char windowsDir[MAX_PATH];
    WindowsDirWithBackslash(windowsDir, sizeof windowsDir);
    DeleteBackupSeries(windowsDir, "SYSTEM");
    DeleteBackupSeries(windowsDir, "WIN");
    return 1;
}

int RestoreSystemIni() {
    char windowsDir[MAX_PATH];
    WindowsDirWithBackslash(windowsDir, sizeof windowsDir);
    SystemIniNames names;
    char systemBackup[MAX_PATH + 16];
    FormatText(names.ini, sizeof names.ini, "%sSYSTEM.INI", windowsDir);
    FormatText(names.fresh, sizeof names.fresh, "%sTLSYSINI.NEW", windowsDir);
    FormatText(names.old, sizeof names.old, "%sTLSYSINI.OLD", windowsDir);
    FormatText(systemBackup, sizeof systemBackup, "%sSYSTEM.000", windowsDir);
    if (!CompleteSystemIniReplacement(names)) return 0;

    // Windows 95 may still hold changes to SYSTEM.INI in its profile cache:
    // flushed first, they are in the copies, and no later write-out of the
    // cache undoes the rewrite. The flush call always reports FALSE.
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, names.ini);
    // SYSTEM.000 keeps SYSTEM.INI as it was before the removal changed it,
    // also when a second run completes the removal.
    if (!RemovalMark(kMarkSystemIniSaved)) {
        LzCopyFile(names.ini, systemBackup);
        SetRemovalMark(kMarkSystemIniSaved, 1);
    }

    // The whole text is rewritten in memory, so that lines of any length are
    // judged whole. SYSTEM.INI is never rewritten in place: Windows 95 does
    // not start without it, so the new text goes to a file of its own that
    // then takes SYSTEM.INI's place, and a text that needs no change is not
    // written at all.
    char* in = nullptr;
    long inLength = 0;
    HGLOBAL inBlock = ReadWholeFile(names.ini, &in, &inLength);
    if (!inBlock) return 0;
    std::size_t capacity = SystemIniRewriteCapacity(static_cast<std::size_t>(inLength));
    HGLOBAL outBlock = GlobalAlloc(GMEM_MOVEABLE, capacity + 1);
    char* out = outBlock ? static_cast<char*>(GlobalLock(outBlock)) : nullptr;
    if (!out) {
        if (outBlock) GlobalFree(outBlock);
        FreeBlock(inBlock);
        return 0;
    }
    std::size_t outLength = RewriteSystemIniText(in, static_cast<std::size_t>(inLength), out, capacity);
    int result = 0;
    if (outLength != kRewriteTooSmall) {
        bool same = outLength == static_cast<std::size_t>(inLength);
        for (std::size_t i = 0; same && i < outLength; ++i) same = out[i] == in[i];
        if (same) {
            result = 1;
        } else if (WriteNewFile(names.fresh, out, static_cast<long>(outLength)) && ReplaceSystemIni(names)) {
            // The profile functions read the new file from now on.
            WritePrivateProfileStringA(nullptr, nullptr, nullptr, names.ini);
            g_desetup.systemIniChanged = true;
            result = 1;
        } else {
            DeleteStepFile(names.fresh);
        }
    }
    FreeBlock(outBlock);
    FreeBlock(inBlock);
    return result;
}

int RestoreWinIni() {
    // The run value is read whole: the buffer grows until the value fits
    // (the profile functions cut it to size - 1 otherwise), up to the
    // largest buffer Windows 95 reads into; a larger one fails there without
    // an error and would read as an empty value. A value that fills even that
    // one cannot be rewritten: WIN.INI is left as it is and the step fails.
    constexpr DWORD kLargestRead = 32767;
    HGLOBAL block = nullptr;
    char* run = nullptr;
    bool whole = false;
    for (DWORD size = 512;; size *= 2) {
        if (size > kLargestRead) size = kLargestRead;
        HGLOBAL grown = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
        char* text = grown ? static_cast<char*>(GlobalLock(grown)) : nullptr;
        if (!text) {
            if (grown) GlobalFree(grown);
            break;
        }
        FreeBlock(block);
        block = grown;
        run = text;
        DWORD got = GetProfileStringA("Windows", "run", "", run, size);
        if (got + 1 < size) {
            whole = true;
            break;
        }
        if (size == kLargestRead) break;
    }
    if (!whole) {
        FreeBlock(block);
        return 0;
    }
    UpperCaseText(run);

    char velmDir[MAX_PATH];
    GetPrivateProfileStringA("Applications", "VelmDir", "", velmDir, sizeof velmDir, "PELORASD.INI");
    char program[MAX_PATH + 16];
    FormatText(program, sizeof program, "%s\\PELORASD.EXE", velmDir);
    if (RemoveRunEntry(run, program)) {
        if (!WriteProfileStringA("Windows", "run", run)) {
            FreeBlock(block);
            return 0;
        }
    }
    FreeBlock(block);

    // One removal lowers the count once. It is marked before the count is
    // written: a run cut short between the two leaves the count one too high
    // rather than taking one of another program's printers away.
    if (RemovalMark(kMarkPrintersLowered)) return 1;
    SetRemovalMark(kMarkPrintersLowered, 1);
    int printers = static_cast<int>(GetProfileIntA("PSCRIPT", "External Printers", 0));
    if (printers >= 1) {
        char number[16];
        wsprintfA(number, "%-d", printers - 1);
        if (!WriteProfileStringA("PSCRIPT", "External Printers", number)) {
            SetRemovalMark(kMarkPrintersLowered, 0);
            return 0;
        }
    }
    return 1;
}

int RestoreIniFiles() {
    if (RestoreSystemIni() != 1) return 0;
    return RestoreWinIni() == 1 ? 1 : 0;
}
