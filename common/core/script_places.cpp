#include "script_places.h"

#include <cstring>

#include "textutil.h"

namespace {

const char* NextChar(const char* p) { return IsLeadByte(*p) && p[1] ? p + 2 : p + 1; }

// The next backslash of text that is a character of its own, or null.
const char* FindBackslash(const char* text) {
    for (const char* p = text; *p; p = NextChar(p)) {
        if (*p == '\\') return p;
    }
    return nullptr;
}

// Length of path without its trailing backslashes.
std::size_t TrimmedLength(const char* path) {
    std::size_t length = 0;
    for (const char* p = path; *p; p = NextChar(p)) {
        if (*p != '\\') length = static_cast<std::size_t>(NextChar(p) - path);
    }
    return length;
}

// A part made of dots and blanks alone, other than ".", leads upwards or
// names its parent after Windows drops a name's trailing dots and blanks.
bool IsDotsPart(const char* part, std::size_t length) {
    if (length == 0 || (length == 1 && part[0] == '.')) return false;
    for (std::size_t i = 0; i < length; ++i) {
        if (part[i] != '.' && !IsBlank(part[i])) return false;
    }
    return true;
}

// CON, PRN, AUX, NUL, COMn and LPTn name devices whatever their extension.
bool IsDevicePart(const char* part, std::size_t length) {
    std::size_t stem = 0;
    while (stem < length && part[stem] != '.') ++stem;
    while (stem > 0 && IsBlank(part[stem - 1])) --stem;
    static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL"};
    for (const char* device : kDevices) {
        if (stem == 3 && CompareNoCaseN(part, device, 3) == 0) return true;
    }
    return stem == 4 && (CompareNoCaseN(part, "COM", 3) == 0 || CompareNoCaseN(part, "LPT", 3) == 0) &&
           part[3] >= '1' && part[3] <= '9';
}

}  // namespace

bool IsScriptTextInside(const char* text) {
    if (!text) return false;
    if (text[0] == '\\') return false;
    // None of these is ever a trail byte.
    for (const char* bad = ":/*?"; *bad; ++bad) {
        if (std::strchr(text, *bad)) return false;
    }
    const char* part = text;
    for (;;) {
        const char* end = FindBackslash(part);
        const std::size_t length = end ? static_cast<std::size_t>(end - part) : std::strlen(part);
        if (IsDotsPart(part, length) || IsDevicePart(part, length)) return false;
        if (!end) return true;
        part = end + 1;
    }
}

bool IsPlainScriptName(const char* text) { return IsScriptTextInside(text) && !FindBackslash(text); }

std::size_t OpenedNameLength(const char* name) {
    std::size_t length = 0;
    for (const char* p = name; *p; p = NextChar(p)) {
        if (*p != '.' && !IsBlank(*p)) length = static_cast<std::size_t>(NextChar(p) - name);
    }
    return length;
}

bool IsSamePath(const char* path, const char* dir) {
    const std::size_t length = TrimmedLength(dir);
    return TrimmedLength(path) == length && CompareNoCaseN(path, dir, length) == 0;
}

bool IsPathBelow(const char* path, const char* dir) {
    const std::size_t length = TrimmedLength(dir);
    if (length == 0 || CompareNoCaseN(path, dir, length) != 0 || path[length] != '\\') return false;
    // Something other than backslashes must follow.
    for (const char* p = path + length; *p; ++p) {
        if (*p != '\\') return true;
    }
    return false;
}
