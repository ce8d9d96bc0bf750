// winstart.bat in the Windows directory: at the next start of Windows it
// copies the new driver library VAZAZUD.TMP over VAZAZUD.DLL. A batch file
// of another program is kept as oldstart.bat and called from the new one.
#include "config_steps.h"
#include "setup.h"
#include "startup_batch_core.h"
#include "textutil.h"

namespace {

BatchPaths g_batchPaths;
char g_batchText[2048];
char g_batchChunk[512];

long FileRead(void* context, long offset, char* buffer, long count) {
    HFILE file = *static_cast<HFILE*>(context);
    if (_llseek(file, offset, FILE_BEGIN) != offset) return -1;
    UINT done = _lread(file, buffer, static_cast<UINT>(count));
    return done == static_cast<UINT>(HFILE_ERROR) ? -1 : static_cast<long>(done);
}

long FileWrite(void* context, long offset, const char* buffer, long count) {
    HFILE file = *static_cast<HFILE*>(context);
    if (_llseek(file, offset, FILE_BEGIN) != offset) return -1;
    return _hwrite(file, buffer, count);
}

void WriteText(HFILE file, const char* text) { _hwrite(file, text, lstrlenA(text)); }

// A new batch file with the given contents.
void CreateBatch(const char* text) {
    OFSTRUCT info;
    HFILE file = OpenFile(g_batchPaths.batchFile, &info, OF_CREATE | OF_WRITE);
    if (file == HFILE_ERROR) return;
    WriteText(file, text);
    _lclose(file);
}

// Puts "@echo off" and the copy line in front of the byte at offset of the
// open file; every byte of the file stays, after them.
void InsertBatchHeader(HFILE file, long offset, bool blankBeforeLineEnd) {
    if (!BuildBatchHeader(g_batchText, sizeof g_batchText, &g_batchPaths, blankBeforeLineEnd)) return;
    long fileLength = _llseek(file, 0, FILE_END);
    if (fileLength < 0) return;
    BatchFileOps ops = {&file, FileRead, FileWrite};
    InsertIntoFile(&ops, fileLength, offset, g_batchText, static_cast<std::size_t>(lstrlenA(g_batchText)),
                   g_batchChunk, sizeof g_batchChunk);
}

}  // namespace

long FindBatchLine(HFILE file, const char* text, long* lineStart) {
    static BatchLineScan scan;
    BatchScanBegin(&scan, text);
    for (;;) {
        char next;
        UINT got = _lread(file, &next, 1);
        if (got == static_cast<UINT>(HFILE_ERROR)) return -1;
        if (got == 0) break;
        if (BatchScanByte(&scan, next)) {
            if (lineStart) *lineStart = BatchScanMatchStart(&scan);
            return scan.count;
        }
    }
    if (!BatchScanEnd(&scan)) return -1;
    if (lineStart) *lineStart = BatchScanMatchStart(&scan);
    return scan.count;
}

void WriteStartupBatch() {
    char systemDir[80];
    UINT length = GetSystemDirectoryA(systemDir, sizeof systemDir);
    if (length == 0 || length >= sizeof systemDir) return;
    if (!BuildBatchPaths(&g_batchPaths, g_setup.windowsDir, systemDir)) return;

    OFSTRUCT info;
    HFILE file = OpenFile(g_batchPaths.batchFile, &info, OF_READWRITE);
    if (file == HFILE_ERROR) {
        if (BuildNewBatch(g_batchText, sizeof g_batchText, &g_batchPaths)) CreateBatch(g_batchText);
        return;
    }

    long lineStart = -1;
    long found = FindBatchLine(file, g_batchPaths.selfDelete, &lineStart);
    if (found < 0) {
        _lclose(file);
        // The other program's batch file is kept as oldstart.bat and called
        // from a new one.
        if (MoveFileA(g_batchPaths.batchFile, g_batchPaths.savedFile)) {
            if (BuildChainBatch(g_batchText, sizeof g_batchText, &g_batchPaths)) CreateBatch(g_batchText);
            return;
        }
        // It cannot be renamed (an oldstart.bat is already there, and is not
        // overwritten). Unless the file copies the library already (the
        // chain file of an earlier installation), the library is still
        // copied, by two lines in front of the other program's, whose every
        // byte stays after them.
        file = OpenFile(g_batchPaths.batchFile, &info, OF_READWRITE);
        if (file == HFILE_ERROR) return;
        if (FindBatchLine(file, g_batchPaths.copyLine, nullptr) < 0) InsertBatchHeader(file, 0, false);
        _lclose(file);
        return;
    }

    // The self-deleting line of an earlier installation: the two new lines go
    // in front of it, so that the file still deletes itself after running,
    // and every other byte of the file stays as it was.
    InsertBatchHeader(file, lineStart, true);
    _lclose(file);
}
