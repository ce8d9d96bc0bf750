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

std::size_t RunNewValueSize(std::size_t oldLength, std::size_t entryLength) {
    // The entry, a blank, and at most the whole old value.
    return entryLength + 1 + oldLength + 1;
}

namespace {

// Is the entry [start, end) the status program: its file name, after the
// last backslash or colon, is "PELORASD.EXE" in any case?
bool IsStatusEntry(const char* start, const char* end) {
    const char* name = start;
    for (const char* p = start; p < end; ++p) {
        if (*p == '\\' || *p == ':') name = p + 1;
    }
    const std::size_t length = sizeof kStatusProgramName - 1;
    return static_cast<std::size_t>(end - name) == length && CompareNoCaseN(name, kStatusProgramName, length) == 0;
}

// The first whole blank-delimited entry of the status program in text; its
// end goes to entryEnd. nullptr when there is none.
const char* FindStatusEntry(const char* text, const char** entryEnd) {
    const char* p = text;
    for (;;) {
        while (IsBlank(*p)) ++p;
        if (*p == '\0') return nullptr;
        const char* start = p;
        while (*p != '\0' && !IsBlank(*p)) ++p;
        if (IsStatusEntry(start, p)) {
            *entryEnd = p;
            return start;
        }
    }
}

bool Fail(char* result, std::size_t size) {
    if (size > 0) result[0] = '\0';
    return false;
}

}  // namespace

bool UpdateRunValue(char* result, std::size_t size, const char* oldValue, const char* entry) {
    if (size == 0) return false;
    result[0] = '\0';
    if (!CopyText(result, size, entry)) return Fail(result, size);

    const char* start = oldValue;
    while (IsBlank(*start)) ++start;
    if (*start != '\0') {
        const char* entryEnd = nullptr;
        const char* found = FindStatusEntry(oldValue, &entryEnd);
        if (found == nullptr) {
            if (!AppendText(result, size, " ") || !AppendText(result, size, oldValue)) return Fail(result, size);
        } else {
            // Entries in front of the dropped one, without the blanks that
            // separated them from it.
            std::size_t frontLength = static_cast<std::size_t>(found - start);
            while (frontLength > 0 && IsBlank(start[frontLength - 1])) --frontLength;
            if (frontLength > 0) {
                if (!AppendText(result, size, " ")) return Fail(result, size);
                std::size_t used = std::strlen(result);
                if (!CopyTextN(result + used, size - used, start, frontLength)) return Fail(result, size);
            }
            if (!AppendText(result, size, entryEnd)) return Fail(result, size);
        }
    }
    // The value is written in upper case, the search above being case-blind.
    UpperCaseText(result);
    return true;
}
