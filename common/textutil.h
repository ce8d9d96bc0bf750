// Bounded text helpers for fixed single-byte buffers. Portable: no Windows
// headers. Every function writes at most `size` bytes including the NUL and
// reports whether the whole text fitted.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>

// Copies src into dst. On overflow dst holds as much as fits and false is
// returned.
bool CopyText(char* dst, std::size_t size, const char* src);

// Copies at most count characters of src into dst.
bool CopyTextN(char* dst, std::size_t size, const char* src, std::size_t count);

// Appends src to the text already in dst.
bool AppendText(char* dst, std::size_t size, const char* src);

// Appends a backslash unless dst is empty or already ends in one.
bool AppendBackslash(char* dst, std::size_t size);

// dst = dir + ("\" unless dir ends in one) + name.
bool JoinPath(char* dst, std::size_t size, const char* dir, const char* name);

// printf-style formatting into a fixed buffer; false when the result was cut
// (dst then holds as much as fits). Conversions: %s, %c, %d, %i, %u, %x, %X,
// %%; flags '-' and '0', a width, a precision (for %s and the integers, as
// C's printf has it), the length 'l' (for the integers). Any other
// conversion, flag or length is refused: false, with dst empty.
bool FormatText(char* dst, std::size_t size, const char* format, ...)
    __attribute__((format(printf, 3, 4)));
bool FormatTextV(char* dst, std::size_t size, const char* format, va_list args);

// ASCII case-insensitive comparisons (the scripts and INI keys are ASCII).
int CompareNoCase(const char* a, const char* b);
int CompareNoCaseN(const char* a, const char* b, std::size_t count);
char UpperAscii(char c);
void UpperCaseText(char* text);

// True for the first byte of a double-byte character of the system's code
// page (IsDBCSLeadByte); the portable build stands for code page 932.
bool IsLeadByte(char c);

// Blanks are spaces and tabs.
bool IsBlank(char c);

// Trims blanks at both ends in place; returns the start of the trimmed text.
char* TrimBlanks(char* text);

// Reads the leading decimal digits of text (after nothing: no blanks are
// skipped), keeping the value modulo 2^32. Text without a digit reads as 0.
std::uint32_t ReadDecimal(const char* text);

template <std::size_t N>
inline bool CopyText(char (&dst)[N], const char* src) { return CopyText(dst, N, src); }
template <std::size_t N>
inline bool AppendText(char (&dst)[N], const char* src) { return AppendText(dst, N, src); }
template <std::size_t N>
inline bool JoinPath(char (&dst)[N], const char* dir, const char* name) { return JoinPath(dst, N, dir, name); }
