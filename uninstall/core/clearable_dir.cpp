#include "clearable_dir.h"

#include <cstddef>
#include <cstring>

#include "textutil.h"

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Length of path without its trailing separators.
std::size_t TrimmedLength(const char* path) {
    std::size_t length = std::strlen(path);
    while (length > 0 && IsSeparator(path[length - 1])) --length;
    return length;
}

bool SamePath(const char* a, const char* b) {
    std::size_t la = TrimmedLength(a);
    return la == TrimmedLength(b) && CompareNoCaseN(a, b, la) == 0;
}

// "C:", "\", or a share's root "\\server\share" (length without trailing
// separators).
bool IsRoot(const char* path, std::size_t length) {
    if (length == 0) return true;
    if (length == 2 && path[1] == ':') return true;
    if (length > 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
        int separators = 0;
        for (std::size_t i = 2; i < length; ++i) {
            if (IsSeparator(path[i])) ++separators;
        }
        return separators <= 1;
    }
    return false;
}

}  // namespace

bool IsClearableDirText(const char* text) {
    if (!text) return false;
    if (CompareNoCase(text, "WINDOWS") == 0 || CompareNoCase(text, "SYSTEM") == 0) return false;
    if (IsSeparator(text[0]) || std::strchr(text, ':') || std::strstr(text, "..")) return false;
    // Parts made of dots and blanks only name the directory they stand in
    // (Windows drops trailing dots and blanks of a name): something else
    // must remain.
    for (const char* p = text; *p; ++p) {
        if (*p != '.' && !IsBlank(*p) && !IsSeparator(*p)) return true;
    }
    return false;
}

bool IsClearableDirPath(const char* path, const char* windowsDir, const char* systemDir, const char* installDir) {
    if (IsRoot(path, TrimmedLength(path))) return false;
    return !SamePath(path, windowsDir) && !SamePath(path, systemDir) && !SamePath(path, installDir);
}
