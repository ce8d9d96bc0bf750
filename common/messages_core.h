// Portable pieces of the message helpers, shared by both programs: the
// bounded formatting of string-table messages in the manner of wsprintf, and
// the wrap-safe test of a timed wait. Header-only and free of Windows headers
// so that the native unit tests use exactly this code.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>

// Longest message text and formatted message (characters, NUL not counted).
constexpr std::size_t kMessageTextChars = 511;

namespace message_detail {

struct Sink {
    char* dst;
    std::size_t size;  // bytes of dst, NUL included
    std::size_t used;
    bool cut;
};

inline void Put(Sink& s, char c) {
    if (s.used + 1 < s.size) {
        s.dst[s.used++] = c;
    } else {
        s.cut = true;
    }
}

inline void PutPadded(Sink& s, const char* text, std::size_t len, std::size_t width, bool left, char pad) {
    std::size_t fill = width > len ? width - len : 0;
    if (!left) {
        // Zero padding goes after a sign, as in the C library.
        if (pad == '0' && len > 0 && text[0] == '-') {
            Put(s, '-');
            ++text;
            --len;
        }
        for (std::size_t i = 0; i < fill; ++i) Put(s, pad);
    }
    for (std::size_t i = 0; i < len; ++i) Put(s, text[i]);
    if (left) {
        for (std::size_t i = 0; i < fill; ++i) Put(s, ' ');
    }
}

// Digits of value in base 10 or 16 into buf (at least 12 bytes), returning the
// length; at least `precision` digits.
inline std::size_t Digits(char* buf, std::uint32_t value, unsigned base, bool upper, std::size_t precision) {
    char rev[12];
    std::size_t n = 0;
    const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    do {
        rev[n++] = digits[value % base];
        value /= base;
    } while (value != 0 && n < sizeof rev);
    while (n < precision && n < sizeof rev) rev[n++] = '0';
    for (std::size_t i = 0; i < n; ++i) buf[i] = rev[n - 1 - i];
    return n;
}

}  // namespace message_detail

// Formats `format` with `args` into dst (size bytes, NUL included), never
// writing beyond it. Understands what the programs' messages use, as wsprintf
// does: %s (a null pointer prints "(null)"), %c (a character passed as a
// number), %d %i %u %x %X (32-bit numbers; the "l" size prefix is accepted,
// "h" takes the low 16 bits), %% , flags "-" and "0", a width and a
// precision. Any other character after % is copied as it is. Returns false
// when the result had to be cut; dst is always NUL-terminated when size > 0.
inline bool FormatMessageTextV(char* dst, std::size_t size, const char* format, va_list args) {
    using namespace message_detail;
    if (size == 0) return false;
    Sink s{dst, size, 0, false};
    const char* p = format ? format : "";
    while (*p) {
        if (*p != '%') {
            Put(s, *p++);
            continue;
        }
        ++p;
        bool left = false;
        char pad = ' ';
        for (;; ++p) {
            if (*p == '-') {
                left = true;
            } else if (*p == '0') {
                pad = '0';
            } else {
                break;
            }
        }
        std::size_t width = 0;
        while (*p >= '0' && *p <= '9') {
            width = width * 10 + static_cast<std::size_t>(*p - '0');
            if (width > 1000) width = 1000;
            ++p;
        }
        bool hasPrecision = false;
        std::size_t precision = 0;
        if (*p == '.') {
            hasPrecision = true;
            ++p;
            while (*p >= '0' && *p <= '9') {
                precision = precision * 10 + static_cast<std::size_t>(*p - '0');
                if (precision > 1000) precision = 1000;
                ++p;
            }
        }
        bool shortArg = false;
        if (*p == 'l' || *p == 'L') {
            ++p;
        } else if (*p == 'h') {
            shortArg = true;
            ++p;
        }
        char conv = *p;
        if (conv == '\0') break;
        ++p;
        if (left) pad = ' ';
        char num[24];
        switch (conv) {
        case 's': {
            const char* text = va_arg(args, const char*);
            if (!text) text = "(null)";
            std::size_t len = 0;
            while (text[len] && (!hasPrecision || len < precision)) ++len;
            PutPadded(s, text, len, width, left, ' ');
            break;
        }
        case 'c': {
            char c = static_cast<char>(va_arg(args, int));
            PutPadded(s, &c, 1, width, left, ' ');
            break;
        }
        case 'd':
        case 'i': {
            std::int32_t v = static_cast<std::int32_t>(va_arg(args, int));
            if (shortArg) v = static_cast<std::int16_t>(v);
            std::size_t n = 0;
            std::uint32_t magnitude = static_cast<std::uint32_t>(v);
            if (v < 0) {
                num[n++] = '-';
                magnitude = 0u - magnitude;
            }
            n += Digits(num + n, magnitude, 10, false, hasPrecision ? precision : 1);
            PutPadded(s, num, n, width, left, hasPrecision ? ' ' : pad);
            break;
        }
        case 'u':
        case 'x':
        case 'X': {
            std::uint32_t v = static_cast<std::uint32_t>(va_arg(args, unsigned int));
            if (shortArg) v &= 0xFFFFu;
            std::size_t n = Digits(num, v, conv == 'u' ? 10u : 16u, conv == 'X', hasPrecision ? precision : 1);
            PutPadded(s, num, n, width, left, hasPrecision ? ' ' : pad);
            break;
        }
        default:
            Put(s, conv);
            break;
        }
    }
    dst[s.used] = '\0';
    return !s.cut;
}

inline bool FormatMessageText(char* dst, std::size_t size, const char* format, ...) {
    va_list args;
    va_start(args, format);
    bool ok = FormatMessageTextV(dst, size, format, args);
    va_end(args);
    return ok;
}

// True once `duration` milliseconds have passed between the ticks `start` and
// `now`; the unsigned 32-bit difference makes the counter's wrap harmless.
inline bool TicksElapsed(std::uint32_t start, std::uint32_t now, std::uint32_t duration) {
    return static_cast<std::uint32_t>(now - start) >= duration;
}
