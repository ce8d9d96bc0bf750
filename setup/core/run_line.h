// The WIN.INI [windows] run= line: puts the printer's status program in
// front of the programs Windows starts. Portable: no Windows headers.
#pragma once

#include <cstddef>

// File name of the status program, searched for in the old value.
inline constexpr const char kStatusProgramName[] = "PELORASD.EXE";

// First room tried for the run value read from WIN.INI (it grows until the
// whole value fits), the largest room tried, and the room for the entry of
// the status program. The largest room is also the most the value written
// back may take, NUL included: the profile functions of Windows 95 fail,
// without an error, for a read or write of 32 KB or more.
constexpr std::size_t kRunValueSize = 1024;
constexpr std::size_t kRunValueLimit = 32767;
constexpr std::size_t kRunEntrySize = 280;

// entry = installDir + "\" (unless it ends in one) + "PELORASD.EXE", upper
// case. False when it does not fit.
bool BuildRunEntry(char* entry, std::size_t size, const char* installDir);

// Room (with the NUL) that UpdateRunValue needs for an old value and an
// entry of these lengths.
std::size_t RunNewValueSize(std::size_t oldLength, std::size_t entryLength);

// Builds the new run value from the old one and the upper-case entry, in
// upper case. The old value is a list of blank-delimited entries; an entry
// of the status program is one whose file name (the text after its last
// backslash or colon) is "PELORASD.EXE" in any case:
//  - old value empty (or blanks only): the entry alone;
//  - no entry of the status program: the entry, a blank, the old value;
//  - an entry of the status program: the first such entry is dropped; the
//    new value is the entry, then the entries that stood in front of the
//    dropped one (after a blank), then everything that followed the dropped
//    entry.
// False (and an empty result) when the result does not fit in size.
bool UpdateRunValue(char* result, std::size_t size, const char* oldValue, const char* entry);
