#include "textutil.h"

#include <cstring>

#include "messages_core.h"

#ifdef _WIN32
#include <windows.h>

bool IsLeadByte(char c) { return IsDBCSLeadByte(static_cast<BYTE>(c)) != FALSE; }
#else
bool IsLeadByte(char c) {
    const unsigned char b = static_cast<unsigned char>(c);
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}
#endif

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

namespace {

// The formatter's output: a fixed buffer that keeps the first size - 1
// characters and remembers whether anything was cut.
struct FormatOut {
    char* dst;
    std::size_t size;
    std::size_t used;
    bool cut;
};

void PutChar(FormatOut* out, char c) {
    if (out->used + 1 < out->size) {
        out->dst[out->used++] = c;
    } else {
        out->cut = true;
    }
}

void PutRepeated(FormatOut* out, char c, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) PutChar(out, c);
}

// One field: optional sign, `zeros` zeros (an integer's precision), then the
// digits or text, padded to width with blanks (at the left, or at the right
// with '-') or with zeros after the sign.
void PutField(FormatOut* out, const char* sign, std::size_t zeros, const char* text, std::size_t length,
              std::size_t width, bool leftAlign, bool zeroPad) {
    std::size_t content = std::strlen(sign) + zeros + length;
    std::size_t pad = width > content ? width - content : 0;
    if (!leftAlign && !zeroPad) PutRepeated(out, ' ', pad);
    for (const char* s = sign; *s; ++s) PutChar(out, *s);
    if (!leftAlign && zeroPad) PutRepeated(out, '0', pad);
    PutRepeated(out, '0', zeros);
    for (std::size_t i = 0; i < length; ++i) PutChar(out, text[i]);
    if (leftAlign) PutRepeated(out, ' ', pad);
}

// An integer's digits as C's printf writes them: at least `precision`
// digits (none for a zero with precision 0), and with a precision the '0'
// flag is ignored.
void PutInteger(FormatOut* out, const char* sign, const char* first, const char* end, bool hasPrecision,
                std::size_t precision, std::size_t width, bool leftAlign, bool zeroPad) {
    std::size_t length = static_cast<std::size_t>(end - first);
    std::size_t zeros = 0;
    if (hasPrecision) {
        if (precision == 0 && length == 1 && *first == '0') length = 0;
        zeros = precision > length ? precision - length : 0;
        zeroPad = false;
    }
    PutField(out, sign, zeros, first, length, width, leftAlign, zeroPad);
}

// Digits of value in base 10 or 16, written backwards from the end of digits
// (at least 24 bytes, room for any long); returns the first digit.
char* DigitsOf(unsigned long value, unsigned base, bool upper, char* end) {
    const char* symbols = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    char* p = end;
    do {
        *--p = symbols[value % base];
        value /= base;
    } while (value != 0);
    return p;
}

}  // namespace

// The conversions the programs use: %s, %c, %d, %i, %u, %x, %X and %%, with
// the flags '-' and '0', a width, a precision for %s and the integers, and
// the length 'l' for the integers. Anything else ends the formatting with
// false and an empty dst: taking no argument for it, or the wrong one, would
// shift every later argument. `lenient` is the string-table messages' form
// instead (FormatMessageTextV): an unknown conversion is copied as it is,
// "h" keeps the low 16 bits, "l" and "L" change nothing (its numbers are
// 32-bit), and a lone % at the end is dropped. Needs no C runtime, so the shipped programs format without one.
static bool FormatCore(char* dst, std::size_t size, const char* format, va_list args, bool lenient) {
    if (size == 0) return false;
    FormatOut out{dst, size, 0, false};
    for (const char* f = format ? format : ""; *f; ++f) {
        if (*f != '%') {
            PutChar(&out, *f);
            continue;
        }
        const char* start = f++;
        bool leftAlign = false;
        bool zeroPad = false;
        for (; *f == '-' || *f == '0'; ++f) {
            if (*f == '-') leftAlign = true;
            else zeroPad = true;
        }
        // Widths and precisions past 1000 are taken as 1000: the result is
        // cut at the buffer's end anyway.
        std::size_t width = 0;
        for (; *f >= '0' && *f <= '9'; ++f) {
            width = width * 10 + static_cast<std::size_t>(*f - '0');
            if (width > 1000) width = 1000;
        }
        bool hasPrecision = false;
        std::size_t precision = 0;
        if (*f == '.') {
            hasPrecision = true;
            for (++f; *f >= '0' && *f <= '9'; ++f) {
                precision = precision * 10 + static_cast<std::size_t>(*f - '0');
                if (precision > 1000) precision = 1000;
            }
        }
        bool isLong = false;
        bool isShort = false;
        if (*f == 'l' || (lenient && *f == 'L')) {
            isLong = !lenient;  // a message's numbers are 32-bit, as wsprintf's
            ++f;
        } else if (lenient && *f == 'h') {
            isShort = true;
            ++f;
        }
        char digits[24];
        char* end = digits + sizeof digits;
        bool refused = false;
        switch (*f) {
        case '%':
            refused = f != start + 1;  // "%%" takes nothing between the two
            if (!refused) PutChar(&out, '%');
            break;
        case 's': {
            refused = isLong && !lenient;  // a wide string
            if (refused) break;
            const char* text = va_arg(args, const char*);
            if (!text) text = "(null)";
            std::size_t length = 0;
            while (text[length] && (!hasPrecision || length < precision)) ++length;
            PutField(&out, "", 0, text, length, width, leftAlign, false);
            break;
        }
        case 'c':
            refused = (isLong || hasPrecision) && !lenient;  // a wide character; a precision means nothing here
            if (refused) break;
            digits[0] = static_cast<char>(va_arg(args, int));
            PutField(&out, "", 0, digits, 1, width, leftAlign, false);
            break;
        case 'd':
        case 'i': {
            long value = isLong ? va_arg(args, long) : va_arg(args, int);
            if (isShort) value = static_cast<short>(value);
            unsigned long magnitude = value < 0 ? 0ul - static_cast<unsigned long>(value) : static_cast<unsigned long>(value);
            char* first = DigitsOf(magnitude, 10, false, end);
            PutInteger(&out, value < 0 ? "-" : "", first, end, hasPrecision, precision, width, leftAlign, zeroPad);
            break;
        }
        case 'u':
        case 'x':
        case 'X': {
            unsigned long value = isLong ? va_arg(args, unsigned long) : va_arg(args, unsigned);
            if (isShort) value &= 0xFFFFu;
            char* first = DigitsOf(value, *f == 'u' ? 10 : 16, *f == 'X', end);
            PutInteger(&out, "", first, end, hasPrecision, precision, width, leftAlign, zeroPad);
            break;
        }
        default:
            // Another flag, length or conversion, or the format ends.
            refused = true;
            break;
        }
        if (refused && lenient) {
            if (*f == '\0') break;
            PutChar(&out, *f);
        } else if (refused) {
            dst[0] = '\0';
            return false;
        }
    }
    out.dst[out.used] = '\0';
    return !out.cut;
}

bool FormatTextV(char* dst, std::size_t size, const char* format, va_list args) {
    return FormatCore(dst, size, format, args, false);
}

bool FormatMessageTextV(char* dst, std::size_t size, const char* format, va_list args) {
    return FormatCore(dst, size, format, args, true);
}

bool FormatText(char* dst, std::size_t size, const char* format, ...) {
    va_list args;
    va_start(args, format);
    bool fitted = FormatTextV(dst, size, format, args);
    va_end(args);
    return fitted;
}

bool FormatMessageText(char* dst, std::size_t size, const char* format, ...) {
    va_list args;
    va_start(args, format);
    bool fitted = FormatMessageTextV(dst, size, format, args);
    va_end(args);
    return fitted;
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
