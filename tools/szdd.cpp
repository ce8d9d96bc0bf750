// SZDD compression and expansion (see szdd.h for the format).
#include "szdd.h"

#include <cstdlib>
#include <cstring>

const std::uint8_t kSzddMagic[8] = {0x53, 0x5A, 0x44, 0x44, 0x88, 0xF0, 0x27, 0x33};

namespace {

constexpr std::size_t kHashSize = 1u << 16;
constexpr int kMaxProbes = 512;   // candidates looked at per position
constexpr std::size_t kWindowMask = kSzddWindowSize - 1;

// Farthest a match may reach back. The decoder reads a match byte before it
// writes the byte it produces, so the full window would do; one byte less
// keeps clear of decoders that write first.
constexpr std::size_t kMaxDistance = kSzddWindowSize - 1;

std::uint32_t Hash3(const std::uint8_t* p) {
    return ((static_cast<std::uint32_t>(p[0]) << 8) ^ (static_cast<std::uint32_t>(p[1]) << 4) ^ p[2]) &
           (kHashSize - 1);
}

void PutLength(std::uint8_t* out, std::uint32_t value) {
    out[0] = static_cast<std::uint8_t>(value);
    out[1] = static_cast<std::uint8_t>(value >> 8);
    out[2] = static_cast<std::uint8_t>(value >> 16);
    out[3] = static_cast<std::uint8_t>(value >> 24);
}

}  // namespace

std::size_t SzddMaxCompressedSize(std::size_t length) {
    return kSzddHeaderSize + (length + 7) / 8 + length;
}

bool SzddHasHeader(const std::uint8_t* data, std::size_t size) {
    return data && size >= kSzddHeaderSize && std::memcmp(data, kSzddMagic, sizeof kSzddMagic) == 0;
}

std::size_t SzddCompress(const std::uint8_t* in, std::size_t length, char lastChar,
                         std::uint8_t* out, std::size_t outSize) {
    if (length > 0xFFFFFFFFu || outSize < SzddMaxCompressedSize(length) || (!in && length)) return 0;
    std::memcpy(out, kSzddMagic, sizeof kSzddMagic);
    out[8] = 'A';
    out[9] = static_cast<std::uint8_t>(lastChar);
    PutLength(out + 10, static_cast<std::uint32_t>(length));
    std::size_t used = kSzddHeaderSize;
    if (length == 0) return used;

    // The decoder's view as one sequence: the window's initial spaces, then
    // the data. Position v of the sequence lies at window slot (v - 16) & 4095.
    const std::size_t total = kSzddWindowSize + length;
    std::uint8_t* seq = static_cast<std::uint8_t*>(std::malloc(total));
    std::int32_t* head = static_cast<std::int32_t*>(std::malloc(kHashSize * sizeof(std::int32_t)));
    std::int32_t* prev = static_cast<std::int32_t*>(std::malloc(total * sizeof(std::int32_t)));
    if (!seq || !head || !prev) {
        std::free(seq);
        std::free(head);
        std::free(prev);
        return 0;
    }
    std::memset(seq, ' ', kSzddWindowSize);
    std::memcpy(seq + kSzddWindowSize, in, length);
    for (std::size_t i = 0; i < kHashSize; ++i) head[i] = -1;

    std::size_t inserted = 0;   // sequence positions entered in the hash chains
    auto insertUpTo = [&](std::size_t end) {
        for (; inserted < end && inserted + 2 < total; ++inserted) {
            std::uint32_t h = Hash3(seq + inserted);
            prev[inserted] = head[h];
            head[h] = static_cast<std::int32_t>(inserted);
        }
    };

    std::size_t flagAt = 0;
    int flagBit = 8;
    std::size_t pos = kSzddWindowSize;
    while (pos < total) {
        if (flagBit == 8) {
            flagAt = used++;
            out[flagAt] = 0;
            flagBit = 0;
        }
        insertUpTo(pos);
        std::size_t maxLen = total - pos;
        if (maxLen > kSzddMaxMatch) maxLen = kSzddMaxMatch;
        std::size_t bestLen = 0;
        std::size_t bestFrom = 0;
        if (maxLen >= kSzddMinMatch) {
            std::int32_t cand = head[Hash3(seq + pos)];
            for (int probes = 0; cand >= 0 && probes < kMaxProbes; ++probes) {
                std::size_t from = static_cast<std::size_t>(cand);
                if (pos - from > kMaxDistance) break;
                std::size_t len = 0;
                while (len < maxLen && seq[from + len] == seq[pos + len]) ++len;
                if (len > bestLen) {
                    bestLen = len;
                    bestFrom = from;
                    if (len == maxLen) break;
                }
                cand = prev[from];
            }
        }
        if (bestLen >= kSzddMinMatch) {
            std::size_t slot = (bestFrom - 16) & kWindowMask;
            out[used++] = static_cast<std::uint8_t>(slot & 0xFF);
            out[used++] = static_cast<std::uint8_t>(((slot >> 4) & 0xF0) | (bestLen - kSzddMinMatch));
            pos += bestLen;
        } else {
            out[flagAt] = static_cast<std::uint8_t>(out[flagAt] | (1u << flagBit));
            out[used++] = seq[pos];
            ++pos;
        }
        ++flagBit;
    }
    std::free(seq);
    std::free(head);
    std::free(prev);
    return used;
}

int SzddExpand(const std::uint8_t* in, std::size_t size, std::uint8_t* out, std::size_t outSize,
               std::size_t* written, std::uint32_t* expandedLength, char* lastChar) {
    *written = 0;
    *expandedLength = 0;
    if (!SzddHasHeader(in, size) || in[8] != 'A') return kSzddBadHeader;
    if (lastChar) *lastChar = static_cast<char>(in[9]);
    std::uint32_t length = static_cast<std::uint32_t>(in[10]) | (static_cast<std::uint32_t>(in[11]) << 8) |
                           (static_cast<std::uint32_t>(in[12]) << 16) | (static_cast<std::uint32_t>(in[13]) << 24);
    *expandedLength = length;
    if (length > outSize) return kSzddTooLong;

    std::uint8_t window[kSzddWindowSize];
    std::memset(window, ' ', sizeof window);
    std::size_t slot = kSzddWindowStart;
    std::size_t at = kSzddHeaderSize;
    std::size_t done = 0;
    while (done < length) {
        if (at >= size) break;
        unsigned flags = in[at++];
        for (int bit = 0; bit < 8 && done < length; ++bit) {
            if (flags & (1u << bit)) {
                if (at >= size) break;
                std::uint8_t b = in[at++];
                out[done++] = b;
                window[slot] = b;
                slot = (slot + 1) & kWindowMask;
            } else {
                if (at + 1 >= size) {
                    at = size;
                    break;
                }
                std::size_t from = in[at] | (static_cast<std::size_t>(in[at + 1] & 0xF0) << 4);
                std::size_t len = (in[at + 1] & 0x0F) + kSzddMinMatch;
                at += 2;
                for (std::size_t i = 0; i < len; ++i) {
                    if (done >= length) {
                        *written = done;
                        return kSzddTooLong;
                    }
                    std::uint8_t b = window[(from + i) & kWindowMask];
                    out[done++] = b;
                    window[slot] = b;
                    slot = (slot + 1) & kWindowMask;
                }
            }
        }
    }
    *written = done;
    if (done < length) return kSzddTruncated;
    if (at != size) return kSzddTooLong;
    return kSzddOk;
}
