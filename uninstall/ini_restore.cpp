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

// Replaces the contents of path with length bytes of data; true only when
// the file opened, every byte was written and the file closed.
bool WriteWholeFile(const char* path, const char* data, long length) {
    OFSTRUCT of{};
    HFILE file = OpenFile(path, &of, OF_CREATE | OF_WRITE);
    if (file == HFILE_ERROR) return false;
    long written = _hwrite(file, data, length);
    bool closed = _lclose(file) != HFILE_ERROR;
    return written == length && closed;
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
    char temp[MAX_PATH];
    if (!GetTempFileNameA(windowsDir, "TLD", 0, temp)) return 0;
    char systemIni[MAX_PATH + 16];
    char systemBackup[MAX_PATH + 16];
    FormatText(systemIni, sizeof systemIni, "%sSYSTEM.INI", windowsDir);
    FormatText(systemBackup, sizeof systemBackup, "%sSYSTEM.000", windowsDir);

    // Windows 95 may still hold changes to SYSTEM.INI in its profile cache:
    // flushed first, they are in the copies, and no later write-out of the
    // cache undoes the rewrite. The flush call always reports FALSE.
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, systemIni);
    // SYSTEM.000 keeps SYSTEM.INI as it was before the removal changed it,
    // also when a second run completes the removal.
    if (!RemovalMark(kMarkSystemIniSaved)) {
        LzCopyFile(systemIni, systemBackup);
        SetRemovalMark(kMarkSystemIniSaved, 1);
    }
    if (!LzCopyFile(systemIni, temp)) {
        DeleteFileA(temp);
        return 0;
    }

    // The whole text is rewritten in memory, so that lines of any length are
    // judged whole, and SYSTEM.INI is replaced only once the new text exists.
    char* in = nullptr;
    long inLength = 0;
    HGLOBAL inBlock = ReadWholeFile(temp, &in, &inLength);
    if (!inBlock) {
        DeleteFileA(temp);
        return 0;
    }
    std::size_t capacity = SystemIniRewriteCapacity(static_cast<std::size_t>(inLength));
    HGLOBAL outBlock = GlobalAlloc(GMEM_MOVEABLE, capacity + 1);
    char* out = outBlock ? static_cast<char*>(GlobalLock(outBlock)) : nullptr;
    if (!out) {
        if (outBlock) GlobalFree(outBlock);
        FreeBlock(inBlock);
        DeleteFileA(temp);
        return 0;
    }
    std::size_t outLength = RewriteSystemIniText(in, static_cast<std::size_t>(inLength), out, capacity);
    int result = 0;
    bool keepTemp = false;
    if (outLength != kRewriteTooSmall) {
        if (WriteWholeFile(systemIni, out, static_cast<long>(outLength))) {
            result = 1;
        } else {
            // A failed or short write may have left SYSTEM.INI cut short: it
            // gets the bytes of the temporary copy back. Should even that
            // fail, the copy stays in the Windows directory.
            keepTemp = !WriteWholeFile(systemIni, in, inLength);
        }
    }
    FreeBlock(outBlock);
    FreeBlock(inBlock);
    if (!keepTemp) DeleteFileA(temp);
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
