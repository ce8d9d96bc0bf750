// Portable pieces of the message helpers, shared by both programs: the
// bounded formatting of string-table messages in the manner of wsprintf
// (textutil.cpp, on FormatText's engine), and the wrap-safe test of a timed
// wait. Free of Windows headers so that the native unit tests use exactly
// this code.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>

// Longest message text and formatted message (characters, NUL not counted).
constexpr std::size_t kMessageTextChars = 511;

// Formats `format` with `args` into dst (size bytes, NUL included), never
// writing beyond it. Understands what the programs' messages use, as wsprintf
// does: %s (a null pointer prints "(null)"), %c (a character passed as a
// number), %d %i %u %x %X (32-bit numbers; the "l" size prefix is accepted,
// "h" takes the low 16 bits), %% , flags "-" and "0", a width and a
// precision. Any other character after % is copied as it is. Returns false
// when the result had to be cut; dst is always NUL-terminated when size > 0.
bool FormatMessageTextV(char* dst, std::size_t size, const char* format, va_list args);
bool FormatMessageText(char* dst, std::size_t size, const char* format, ...);

// True once `duration` milliseconds have passed between the ticks `start` and
// `now`; the unsigned 32-bit difference makes the counter's wrap harmless.
inline bool TicksElapsed(std::uint32_t start, std::uint32_t now, std::uint32_t duration) {
    return static_cast<std::uint32_t>(now - start) >= duration;
}
