// The WIN.INI [windows] run= line: puts the printer's status program in
// front of the programs Windows starts. Portable: no Windows headers.
#pragma once

#include <cstddef>

// File name of the status program, searched for in the old value.
constexpr const char kStatusProgramName[] = "PELORASD.EXE";

// Room for the run value read from WIN.INI and for the entry of the status
// program; a value that fills the read buffer is taken as cut and not
// written back.
constexpr std::size_t kRunValueSize = 1024;
constexpr std::size_t kRunEntrySize = 280;
constexpr std::size_t kRunNewValueSize = kRunValueSize + kRunEntrySize + 2;

// entry = installDir + "\" (unless it ends in one) + "PELORASD.EXE", upper
// case. False when it does not fit.
bool BuildRunEntry(char* entry, std::size_t size, const char* installDir);

// Builds the new run value from the old one and the upper-case entry, in
// upper case:
//  - old value empty (or blanks only): the entry alone;
//  - old value without "PELORASD.EXE": the entry, a blank, the old value;
//  - old value with "PELORASD.EXE": the earlier entry of the status program
//    (from the start of its path, the value's start or the character after a
//    blank, to the end of "PELORASD.EXE") is dropped; the new value is the
//    entry, then the entries that stood in front of the dropped one (after a
//    blank), then everything that followed the dropped entry.
// False (and an empty result) when the result does not fit in size.
bool UpdateRunValue(char* result, std::size_t size, const char* oldValue, const char* entry);
