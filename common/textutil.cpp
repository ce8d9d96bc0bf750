#include "textutil.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

bool CopyTextN(char* dst, std::size_t size, const char* src, std::size_t count) {
    if (size == 0) return false;
    std::size_t n = 0;
    while (n < count && src[n] != '\0' && n + 1 < size) {
        dst[n] = src[n];
        ++n;
    }
    dst[n] = '\0';
    return n == count || src[n] == '\0';
}

bool CopyText(char* dst, std::size_t size, const char* src) {
    return CopyTextN(dst, size, src, static_cast<std::size_t>(-1));
}

bool AppendText(char* dst, std::size_t size, const char* src) {
    std::size_t used = strnlen(dst, size);
    if (used >= size) return false;
    return CopyText(dst + used, size - used, src);
}

bool AppendBackslash(char* dst, std::size_t size) {
    std::size_t used = strnlen(dst, size);
    if (used == 0 || dst[used - 1] == '\\') return used < size;
    return AppendText(dst, size, "\\");
}

bool JoinPath(char* dst, std::size_t size, const char* dir, const char* name) {
    if (!CopyText(dst, size, dir)) return false;
    std::size_t used = std::strlen(dst);
    if (used > 0 && dst[used - 1] != '\\' && !AppendText(dst, size, "\\")) return false;
    return AppendText(dst, size, name);
}

bool FormatText(char* dst, std::size_t size, const char* format, ...) {
    if (size == 0) return false;
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(dst, size, format, args);
    va_end(args);
    if (n < 0) {
        dst[0] = '\0';
        return false;
    }
    return static_cast<std::size_t>(n) < size;
}

char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

void UpperCaseText(char* text) {
    for (; *text; ++text) *text = UpperAscii(*text);
}

int CompareNoCaseN(const char* a, const char* b, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        unsigned char ca = static_cast<unsigned char>(UpperAscii(a[i]));
        unsigned char cb = static_cast<unsigned char>(UpperAscii(b[i]));
        if (ca != cb) return ca < cb ? -1 : 1;
        if (ca == 0) return 0;
    }
    return 0;
}

int CompareNoCase(const char* a, const char* b) {
    return CompareNoCaseN(a, b, static_cast<std::size_t>(-1));
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

char* TrimBlanks(char* text) {
    while (IsBlank(*text)) ++text;
    std::size_t n = std::strlen(text);
    while (n > 0 && IsBlank(text[n - 1])) text[--n] = '\0';
    return text;
}

std::uint32_t ReadDecimal(const char* text) {
    std::uint32_t value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) value = value * 10u + static_cast<std::uint32_t>(*text - '0');
    return value;
}
