#include "prompt_text.h"

#include <cstring>

#include "textutil.h"

bool FormatWithText(char* dst, std::size_t size, const char* format, const char* arg) {
    if (size == 0) return false;
    std::size_t used = 0;
    bool argUsed = false;
    auto put = [&](char c) {
        if (used + 1 >= size) return false;
        dst[used++] = c;
        return true;
    };
    for (const char* p = format; *p; ++p) {
        bool ok = true;
        if (p[0] == '%' && p[1] == '%') {
            ok = put('%');
            ++p;
        } else if (p[0] == '%' && p[1] == 's' && !argUsed) {
            argUsed = true;
            for (const char* a = arg; *a && ok; ++a) ok = put(*a);
            ++p;
        } else {
            ok = put(*p);
        }
        if (!ok) {
            dst[used] = '\0';
            return false;
        }
    }
    dst[used] = '\0';
    return true;
}

bool BuildDiskPrompt(char* dst, std::size_t size, const char* format, const char* product,
                     const char* diskName) {
    return FormatWithText(dst, size, format, product) && AppendText(dst, size, diskName);
}

bool StoreSourceDirectory(char* dst, std::size_t size, const char* typed) {
    std::size_t length = std::strlen(typed);
    if (length == 0 || length + 1 > size) return false;
    CopyText(dst, size, typed);
    if (dst[length - 1] != '\\' && length + 2 <= size) AppendText(dst, size, "\\");
    return true;
}
