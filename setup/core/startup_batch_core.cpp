#include "startup_batch_core.h"

#include <cstring>

#include "textutil.h"

void BatchScanBegin(BatchLineScan* scan, const char* text) {
    scan->text = text;
    scan->textLength = std::strlen(text);
    scan->line[0] = '\0';
    scan->lineLength = 0;
    scan->count = 0;
    scan->lineStart = 0;
    scan->lineStarted = false;
}

namespace {

// Case-blind comparison of the current line with the text over the text's
// length: a line that begins with the text matches.
bool LineMatches(const BatchLineScan* scan) {
    if (scan->lineLength < scan->textLength) return false;
    return CompareNoCaseN(scan->line, scan->text, scan->textLength) == 0;
}

void NewLine(BatchLineScan* scan) {
    scan->lineLength = 0;
    scan->line[0] = '\0';
    scan->lineStarted = false;
}

}  // namespace

bool BatchScanByte(BatchLineScan* scan, char byte) {
    if (byte == '\r') {
        if (LineMatches(scan)) return true;
        NewLine(scan);
        ++scan->count;
        return false;
    }
    if (byte != '\n') {
        if (!scan->lineStarted) {
            scan->lineStarted = true;
            scan->lineStart = scan->count;
        }
        // Characters beyond the buffer are dropped; only the line's start is
        // ever compared.
        if (scan->lineLength + 1 < kBatchLineSize) {
            scan->line[scan->lineLength++] = byte;
            scan->line[scan->lineLength] = '\0';
        }
    }
    ++scan->count;
    return false;
}

bool BatchScanEnd(BatchLineScan* scan) { return LineMatches(scan); }

long BatchScanMatchStart(const BatchLineScan* scan) { return scan->lineStarted ? scan->lineStart : scan->count; }

long FindBatchLineInText(const char* data, std::size_t length, const char* text, long* lineStart) {
    static BatchLineScan scan;
    BatchScanBegin(&scan, text);
    bool found = false;
    for (std::size_t i = 0; i < length && !found; ++i) found = BatchScanByte(&scan, data[i]);
    if (!found) found = BatchScanEnd(&scan);
    if (!found) return -1;
    if (lineStart) *lineStart = BatchScanMatchStart(&scan);
    return scan.count;
}

bool BuildBatchPaths(BatchPaths* p, const char* windowsDir, const char* systemDir) {
    bool ok = JoinPath(p->batchFile, windowsDir, "winstart.bat");
    ok = JoinPath(p->savedFile, windowsDir, "oldstart.bat") && ok;
    ok = JoinPath(p->newLibrary, systemDir, "VAZAZUD.TMP") && ok;
    ok = JoinPath(p->installedLibrary, systemDir, "VAZAZUD.DLL") && ok;
    ok = FormatText(p->selfDelete, sizeof p->selfDelete, "del %s", p->batchFile) && ok;
    ok = FormatText(p->copyLine, sizeof p->copyLine, "copy %s %s", p->newLibrary, p->installedLibrary) && ok;
    std::size_t n = std::strlen(windowsDir);
    bool endsInBackslash = n > 0 && windowsDir[n - 1] == '\\';
    if (endsInBackslash) {
        ok = FormatText(p->runSaved, sizeof p->runSaved, "%soldstart.bat\r\n", windowsDir) && ok;
        ok = FormatText(p->moveBack, sizeof p->moveBack, "move /y %soldstart.bat %swinstart.bat", windowsDir,
                        windowsDir) && ok;
    } else {
        ok = FormatText(p->runSaved, sizeof p->runSaved, "%s\\oldstart.bat\r\n", windowsDir) && ok;
        ok = FormatText(p->moveBack, sizeof p->moveBack, "move /y %s\\oldstart.bat %s\\winstart.bat", windowsDir,
                        windowsDir) && ok;
    }
    return ok;
}

bool BuildBatchHeader(char* out, std::size_t size, const BatchPaths* p, bool blankBeforeLineEnd) {
    return FormatText(out, size, blankBeforeLineEnd ? "@echo off\r\ncopy %s %s \r\n" : "@echo off\r\ncopy %s %s\r\n",
                      p->newLibrary, p->installedLibrary);
}

bool BuildNewBatch(char* out, std::size_t size, const BatchPaths* p) {
    return BuildBatchHeader(out, size, p, false) && AppendText(out, size, p->selfDelete);
}

bool BuildChainBatch(char* out, std::size_t size, const BatchPaths* p) {
    return BuildBatchHeader(out, size, p, false) && AppendText(out, size, p->runSaved) &&
           AppendText(out, size, p->moveBack);
}

bool InsertIntoFile(const BatchFileOps* ops, long fileLength, long offset, const char* insert,
                    std::size_t insertLength, char* chunk, std::size_t chunkSize) {
    if (offset < 0 || offset > fileLength || chunkSize == 0) return false;
    const long shift = static_cast<long>(insertLength);
    long end = fileLength;
    while (end > offset) {
        long n = end - offset;
        if (n > static_cast<long>(chunkSize)) n = static_cast<long>(chunkSize);
        long from = end - n;
        if (ops->read(ops->context, from, chunk, n) != n) return false;
        if (ops->write(ops->context, from + shift, chunk, n) != n) return false;
        end = from;
    }
    if (shift > 0 && ops->write(ops->context, offset, insert, shift) != shift) return false;
    return true;
}
