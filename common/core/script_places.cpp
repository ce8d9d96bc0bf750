#include "script_places.h"

#include <cstddef>
#include <cstring>

#include "textutil.h"

namespace {

// Length of path without its trailing backslashes.
std::size_t TrimmedLength(const char* path) {
    std::size_t length = std::strlen(path);
    while (length > 0 && path[length - 1] == '\\') --length;
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

}  // namespace

bool IsScriptTextInside(const char* text) {
    if (!text) return false;
    if (text[0] == '\\' || std::strchr(text, ':') || std::strchr(text, '/')) return false;
    const char* part = text;
    for (;;) {
        const char* end = std::strchr(part, '\\');
        const std::size_t length = end ? static_cast<std::size_t>(end - part) : std::strlen(part);
        if (IsDotsPart(part, length)) return false;
        if (!end) return true;
        part = end + 1;
    }
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
