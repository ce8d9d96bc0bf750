#include "run_line.h"

#include <cstring>

#include "textutil.h"

bool BuildRunEntry(char* entry, std::size_t size, const char* installDir) {
    if (!JoinPath(entry, size, installDir, kStatusProgramName)) {
        if (size > 0) entry[0] = '\0';
        return false;
    }
    UpperCaseText(entry);
    return true;
}

namespace {

// First occurrence of the status program's name in an upper-case text.
const char* FindStatusProgram(const char* text) { return std::strstr(text, kStatusProgramName); }

bool Fail(char* result, std::size_t size) {
    if (size > 0) result[0] = '\0';
    return false;
}

}  // namespace

bool UpdateRunValue(char* result, std::size_t size, const char* oldValue, const char* entry) {
    if (size == 0) return false;
    result[0] = '\0';

    // Upper-case working copy of the old value, in the result's own room so
    // that nothing of it is lost: a value that does not fit is refused.
    static char upper[kRunNewValueSize];
    if (!CopyText(upper, oldValue)) return Fail(result, size);
    UpperCaseText(upper);

    if (!CopyText(result, size, entry)) return Fail(result, size);
    UpperCaseText(result);

    const char* start = upper;
    while (IsBlank(*start)) ++start;
    if (*start == '\0') return true;

    const char* found = FindStatusProgram(upper);
    if (found == nullptr) {
        if (!AppendText(result, size, " ") || !AppendText(result, size, upper)) return Fail(result, size);
        return true;
    }

    // The earlier entry starts after the last blank in front of the name.
    const char* entryStart = found;
    while (entryStart > upper && !IsBlank(entryStart[-1])) --entryStart;
    // Entries in front of it, without the blanks that separated them from it.
    std::size_t frontLength = static_cast<std::size_t>(entryStart - upper);
    while (frontLength > 0 && IsBlank(upper[frontLength - 1])) --frontLength;
    std::size_t frontStart = 0;
    while (frontStart < frontLength && IsBlank(upper[frontStart])) ++frontStart;
    if (frontStart < frontLength) {
        if (!AppendText(result, size, " ")) return Fail(result, size);
        std::size_t used = std::strlen(result);
        if (!CopyTextN(result + used, size - used, upper + frontStart, frontLength - frontStart)) {
            return Fail(result, size);
        }
    }
    const char* rest = found + (sizeof kStatusProgramName - 1);
    if (!AppendText(result, size, rest)) return Fail(result, size);
    return true;
}
