// Names that go with the package's TrueType fonts: typeface names by place
// from the end of [Files], the [Fonts] key, the resource file beside the font
// and the resource name entered in WIN.INI. Portable: no Windows headers.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr std::size_t kFontTableSize = 31;
constexpr std::size_t kFontKeySize = 52;           // 51 characters and the NUL
constexpr std::size_t kFontResourceNameSize = 16;  // 15 characters and the NUL

extern const char* const FontNameTable[kFontTableSize];

// Typeface of the font at file position i of n file records: entry
// 31 - (n - i) counted from 1, so the last record takes the last entry.
// nullptr when the record lies more than 31 records before the end.
const char* FontTypeface(std::uint32_t position, std::uint32_t fileCount);

// [Fonts] key: the typeface followed by " (TrueType)". False when the
// record has no typeface or the key does not fit.
bool BuildFontKey(char* dst, std::size_t size, std::uint32_t position, std::uint32_t fileCount);

// Resource file path: the font's path with its extension replaced by "fot"
// (".fot" appended when the file name has no extension; a dot in a directory
// name is not an extension).
bool BuildFontResourcePath(char* dst, std::size_t size, const char* fontPath);

// Resource name written as the [Fonts] value: the source name cut at its last
// "." and followed by ".FOT".
bool BuildFontResourceName(char* dst, std::size_t size, const char* sourceName);

// Data of the font's value under the Fonts key of Windows 95, 98 and ME: the
// font file's name without its directory, as those systems' own font
// installation writes it for a font in the fonts folder.
bool BuildFontRegistryValue(char* dst, std::size_t size, const char* fontPath);

// The fonts folder of the Windows directory.
bool BuildFontDirectory(char* dst, std::size_t size, const char* windowsDir);
