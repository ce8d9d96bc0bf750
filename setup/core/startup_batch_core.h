// The start-up batch file winstart.bat: the search for its self-deleting line
// and the texts written into it. Portable: no Windows headers; the file
// itself is reached through the small set of operations below.
#pragma once

#include <cstddef>
#include <cstdint>

// Line buffer of the search; longer lines are compared on their first
// kBatchLineSize - 1 characters, which is enough because the searched text
// is shorter.
constexpr std::size_t kBatchLineSize = 256;

// Search state of FindBatchLine, fed one byte at a time.
struct BatchLineScan {
    const char* text;       // searched text (compared case-blind, as a prefix)
    std::size_t textLength;
    char line[kBatchLineSize];
    std::size_t lineLength; // characters kept in line
    long count;             // bytes seen so far
    long lineStart;         // offset of the first byte of the current line
    bool lineStarted;       // a byte other than CR and LF was seen on it
};

void BatchScanBegin(BatchLineScan* scan, const char* text);

// Feeds one byte. Returns true when the line that this byte (a carriage
// return) ends matches; scan->count is then the number of bytes read before
// that carriage return, and MatchStart() the offset of the line's first byte.
bool BatchScanByte(BatchLineScan* scan, char byte);

// At the end of the file: true when the pending last line matches.
bool BatchScanEnd(BatchLineScan* scan);

// Offset of the first byte of the line that matched.
long BatchScanMatchStart(const BatchLineScan* scan);

// Searches a whole text held in memory; the count as FindBatchLine returns
// it (bytes before the end of the matching line), or -1. lineStart, when
// given, receives the offset of the matching line's first byte.
long FindBatchLineInText(const char* data, std::size_t length, const char* text, long* lineStart);

// Paths of the batch step.
struct BatchPaths {
    char batchFile[272];     // windowsDir + "winstart.bat"
    char savedFile[272];     // windowsDir + "oldstart.bat"
    char newLibrary[96];     // systemDir + "VAZAZUD.TMP"
    char installedLibrary[96]; // systemDir + "VAZAZUD.DLL"
    char copyLine[200];      // "copy " + newLibrary + " " + installedLibrary,
                             // searched to know a file that copies already
    char selfDelete[280];    // "del " + batchFile, the searched line
    char runSaved[280];      // line that runs oldstart.bat, with CR LF
    char moveBack[560];      // "move /y" line that puts oldstart.bat back
};

// Fills every path and line from the two directories; false when one does
// not fit.
bool BuildBatchPaths(BatchPaths* paths, const char* windowsDir, const char* systemDir);

// "@echo off\r\n" and the copy line; with a blank before the copy line's CR
// LF when blankBeforeLineEnd is set (the form written in front of a found
// self-deleting line).
bool BuildBatchHeader(char* out, std::size_t size, const BatchPaths* paths, bool blankBeforeLineEnd);

// A new batch file: header, then the self-deleting line without line end.
bool BuildNewBatch(char* out, std::size_t size, const BatchPaths* paths);

// The batch file that replaces one of another program (saved as
// oldstart.bat): header, the line running oldstart.bat, the move line
// without line end.
bool BuildChainBatch(char* out, std::size_t size, const BatchPaths* paths);

// File access for InsertIntoFile: read or write count bytes at offset;
// each returns the number of bytes done, or -1.
struct BatchFileOps {
    void* context;
    long (*read)(void* context, long offset, char* buffer, long count);
    long (*write)(void* context, long offset, const char* buffer, long count);
};

// Inserts `insert` at offset of a file of fileLength bytes: the bytes from
// offset on move up by the insert's length (moved from the end backwards
// through the chunk buffer, so any length fits) and the inserted text is
// written in the gap. Every byte before and after survives. False when a
// read or write fell short.
bool InsertIntoFile(const BatchFileOps* ops, long fileLength, long offset, const char* insert,
                    std::size_t insertLength, char* chunk, std::size_t chunkSize);
