// The profile reads of Windows 95 on the Wine machine, for the tests of the
// steps that read WIN.INI's run value: Windows 95's profile functions fail
// for a buffer of 32 KB or more (0 characters, no error). The steps'
// GetProfileStringA calls go through the test program's import slot, which
// RunWithWindows95ProfileReads swaps for the time of one step. Header only:
// it serves test programs that link nothing else of this folder.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "import_slot.h"

namespace win95 {

inline decltype(&GetProfileStringA) g_realGetProfileString;

inline DWORD WINAPI GetProfileStringLimited(LPCSTR section, LPCSTR key, LPCSTR fallback, LPSTR out, DWORD size) {
    if (size > 32767) return 0;
    return g_realGetProfileString(section, key, fallback, out, size);
}

// The step's result; `failed` when the import slot cannot be swapped.
template <typename Step, typename Result>
Result RunWithWindows95ProfileReads(Step step, Result failed) {
    ImportSwaps swaps;
    if (!swaps.Swap(g_getProfileStringSlot, GetProfileStringLimited, &g_realGetProfileString)) return failed;
    return step();
}

// The run value however long, through the machine's own profile function.
inline std::string WholeRunValue() {
    std::string value(0x20000, '\0');
    DWORD length = GetProfileStringA("windows", "run", "<missing>", &value[0], static_cast<DWORD>(value.size()));
    value.resize(length);
    return value;
}

// Other programs' entries, upper case, `length` characters.
inline std::string OtherPrograms(std::size_t length) {
    std::string run = "C:\\TOOLS\\FIRST.EXE";
    while (run.size() < length) run += " C:\\TOOLS\\MORE\\PROGRAM" + std::to_string(run.size()) + ".EXE";
    run.resize(length);
    return run;
}

// What a long value looks like in a failure message.
inline std::string Outline(const std::string& value) {
    return std::to_string(value.size()) + " characters, starting \"" + value.substr(0, 40) + "\"";
}

}  // namespace win95
