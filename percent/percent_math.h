// Arithmetic of the Percent progress bar, kept free of Windows headers so that
// it can be checked on its own. Positions and ranges are whatever the caller
// sent in wParam; a range of 0 means "nothing to show" and never divides.
#pragma once

#include <cstddef>
#include <cstdint>

// Whole percent of position within range, 0 to 100. A position beyond the
// range shows as 100, a range of 0 as 0.
inline std::uint32_t PercentOf(std::uint64_t position, std::uint64_t range) {
    if (range == 0) return 0;
    if (position >= range) return 100;
    // position < range, so position * 100 cannot reach 2^64 for any range
    // below 2^57; larger ranges are scaled down first.
    while (range >= (static_cast<std::uint64_t>(1) << 57)) {
        range >>= 1;
        position >>= 1;
    }
    if (range == 0) return 0;
    // Scaling may make them equal; short of the range is never 100.
    std::uint64_t percent = position * 100 / range;
    return static_cast<std::uint32_t>(percent > 99 ? 99 : percent);
}

// Width in pixels of the filled part of a bar `width` pixels wide.
inline std::int32_t FilledWidth(std::int32_t width, std::uint64_t position, std::uint64_t range) {
    if (width <= 0 || range == 0) return 0;
    if (position >= range) return width;
    while (range >= (static_cast<std::uint64_t>(1) << 32)) {
        range >>= 1;
        position >>= 1;
    }
    if (range == 0) return 0;
    // width < 2^31 and position < 2^32: the product fits in 64 bits.
    return static_cast<std::int32_t>(static_cast<std::uint64_t>(width) * position / range);
}

// The label drawn in the middle of the bar: "0%" to "100%". Needs 5 bytes;
// a smaller buffer gets an empty text (or nothing when it has no room at all).
inline void PercentLabel(char* dst, std::size_t size, std::uint32_t percent) {
    if (size == 0) return;
    dst[0] = '\0';
    if (percent > 100) percent = 100;
    char digits[4];
    std::size_t count = 0;
    do {
        digits[count++] = static_cast<char>('0' + percent % 10);
        percent /= 10;
    } while (percent != 0 && count < sizeof digits);
    if (size < count + 2) return;
    std::size_t n = 0;
    while (count > 0) dst[n++] = digits[--count];
    dst[n++] = '%';
    dst[n] = '\0';
}
