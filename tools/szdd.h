// SZDD: the LZSS file format that the Windows LZ expansion functions
// (LZOpenFile, LZCopy, LZRead) and EXPAND.EXE read. Portable: no Windows
// headers.
//
// Layout: the magic 53 5A 44 44 88 F0 27 33, the mode byte 'A', the last
// character of the expanded file's name (the one a name like VIREO.EX_ has
// lost), the expanded length as a 32-bit little-endian number, then groups of
// one flag byte and up to eight items. A set flag bit (least significant bit
// first) is a literal byte; a clear bit is a two-byte match: the low eight
// bits of a 12-bit window position, then the position's high four bits and
// the match length minus 3 (3 to 18 bytes). The 4096-byte window starts out
// filled with spaces and the first byte written goes to position 4096 - 16.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr std::size_t kSzddHeaderSize = 14;
constexpr std::size_t kSzddWindowSize = 4096;
constexpr std::size_t kSzddWindowStart = kSzddWindowSize - 16;
constexpr std::size_t kSzddMinMatch = 3;
constexpr std::size_t kSzddMaxMatch = 18;

extern const std::uint8_t kSzddMagic[8];

// Worst case size of the compressed form of `length` bytes: the header, one
// flag byte for every eight literals (rounded up) and the literals.
std::size_t SzddMaxCompressedSize(std::size_t length);

// True when the data starts with the SZDD magic and a complete header.
bool SzddHasHeader(const std::uint8_t* data, std::size_t size);

// Compresses `length` bytes into out (room for SzddMaxCompressedSize bytes).
// lastChar is the character stored in the header. Returns the number of
// bytes written, or 0 when out is too small (a compressed file is never
// shorter than its header, so 0 is never a valid size). Inputs of 4 GB and
// more are refused (the header holds a 32-bit length).
std::size_t SzddCompress(const std::uint8_t* in, std::size_t length, char lastChar,
                         std::uint8_t* out, std::size_t outSize);

// Results of SzddExpand.
enum SzddResult : int {
    kSzddOk = 0,
    kSzddBadHeader = 1,      // not an SZDD file (magic or mode byte)
    kSzddTruncated = 2,      // the data ends before the expanded length is reached
    kSzddTooLong = 3,        // more data than the header announces, or out too small
};

// Expands an SZDD file held in memory. expandedLength receives the length
// named by the header (also on errors after a good header); *written the
// number of bytes produced. lastChar (may be null) receives the header's
// character.
int SzddExpand(const std::uint8_t* in, std::size_t size, std::uint8_t* out, std::size_t outSize,
               std::size_t* written, std::uint32_t* expandedLength, char* lastChar);
