// The SZDD codec: exact header and item bytes, and round trips through the
// expander for many kinds of input.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "szdd.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Compress(const Bytes& in, char lastChar = 'X') {
    Bytes out(SzddMaxCompressedSize(in.size()));
    std::size_t n = SzddCompress(in.data(), in.size(), lastChar, out.data(), out.size());
    EXPECT_GE(n, kSzddHeaderSize) << "compressing " << in.size() << " bytes";
    out.resize(n);
    return out;
}

Bytes FromText(const std::string& s) { return Bytes(s.begin(), s.end()); }

std::string Hex(const Bytes& b) {
    std::string s;
    char buf[4];
    for (std::uint8_t c : b) {
        std::snprintf(buf, sizeof buf, "%02X ", c);
        s += buf;
    }
    return s;
}

void ExpectRoundTrip(const Bytes& in, const char* what) {
    Bytes packed = Compress(in);
    Bytes out(in.size() + 1);
    std::size_t written = 0;
    std::uint32_t length = 0;
    char last = 0;
    int r = SzddExpand(packed.data(), packed.size(), out.data(), out.size(), &written, &length, &last);
    ASSERT_EQ(r, kSzddOk) << what << ": expansion result";
    EXPECT_EQ(length, in.size()) << what << ": header length";
    ASSERT_EQ(written, in.size()) << what << ": bytes produced";
    out.resize(written);
    EXPECT_TRUE(out == in) << what << ": expanded bytes differ";
    EXPECT_EQ(last, 'X') << what;
    EXPECT_LE(packed.size(), SzddMaxCompressedSize(in.size())) << what;
}

TEST(SzddHeader, IsByteExact) {
    Bytes packed = Compress(FromText("hello"), 'E');
    const Bytes expected = {0x53, 0x5A, 0x44, 0x44, 0x88, 0xF0, 0x27, 0x33, 'A', 'E', 5, 0, 0, 0,
                            0x1F, 'h', 'e', 'l', 'l', 'o'};
    EXPECT_EQ(Hex(packed), Hex(expected));
}

TEST(SzddHeader, EmptyInputIsTheHeaderAlone) {
    Bytes packed = Compress({}, '_');
    const Bytes expected = {0x53, 0x5A, 0x44, 0x44, 0x88, 0xF0, 0x27, 0x33, 'A', '_', 0, 0, 0, 0};
    EXPECT_EQ(Hex(packed), Hex(expected));
}

TEST(SzddHeader, LengthIsLittleEndian32Bit) {
    Bytes in(0x012345, 0x5A);
    Bytes packed = Compress(in);
    ASSERT_GE(packed.size(), kSzddHeaderSize);
    EXPECT_EQ(packed[10], 0x45);
    EXPECT_EQ(packed[11], 0x23);
    EXPECT_EQ(packed[12], 0x01);
    EXPECT_EQ(packed[13], 0x00);
}

TEST(SzddHeader, TooSmallOutputIsRefused) {
    Bytes in = FromText("abcdef");
    Bytes out(SzddMaxCompressedSize(in.size()) - 1);
    EXPECT_EQ(SzddCompress(in.data(), in.size(), 'X', out.data(), out.size()), 0u);
}

TEST(SzddItems, MatchIsTwelveBitPositionAndLengthLessThree) {
    // "abc" as literals at window slots 0xFF0..0xFF2, then a 6-byte match
    // from slot 0xFF0 that overlaps the bytes it produces.
    Bytes packed = Compress(FromText("abcabcabc"));
    Bytes items(packed.begin() + kSzddHeaderSize, packed.end());
    EXPECT_EQ(Hex(items), Hex(Bytes{0x07, 'a', 'b', 'c', 0xF0, 0xF3}));
}

TEST(SzddItems, LeadingSpacesMatchTheInitialWindow) {
    Bytes packed = Compress(Bytes(18, ' '));
    Bytes items(packed.begin() + kSzddHeaderSize, packed.end());
    // One match item of 18 spaces taken from the window's initial content.
    ASSERT_EQ(items.size(), 3u) << Hex(items);
    EXPECT_EQ(items[0], 0x00) << Hex(items);
    EXPECT_EQ(items[2] & 0x0F, 15) << Hex(items);
}

TEST(SzddExpand, ReadsAHandMadeStream) {
    // Length 7: a match of 5 bytes from slot 0 (initial spaces), then "ok".
    const Bytes stream = {0x53, 0x5A, 0x44, 0x44, 0x88, 0xF0, 0x27, 0x33, 'A', 'T', 7, 0, 0, 0,
                          0x06, 0x00, 0x02, 'o', 'k'};
    Bytes out(16);
    std::size_t written = 0;
    std::uint32_t length = 0;
    char last = 0;
    ASSERT_EQ(SzddExpand(stream.data(), stream.size(), out.data(), out.size(), &written, &length, &last), kSzddOk);
    out.resize(written);
    EXPECT_EQ(std::string(out.begin(), out.end()), "     ok");
    EXPECT_EQ(last, 'T');
}

TEST(SzddExpand, RejectsBadMagicTruncationAndTrailingBytes) {
    Bytes packed = Compress(FromText("some text that is long enough to compress some text"));
    Bytes out(200);
    std::size_t written = 0;
    std::uint32_t length = 0;

    Bytes bad = packed;
    bad[3] = 'X';
    EXPECT_EQ(SzddExpand(bad.data(), bad.size(), out.data(), out.size(), &written, &length, nullptr),
              kSzddBadHeader);
    Bytes shortStream(packed.begin(), packed.end() - 2);
    EXPECT_EQ(SzddExpand(shortStream.data(), shortStream.size(), out.data(), out.size(), &written, &length, nullptr),
              kSzddTruncated);
    Bytes longStream = packed;
    longStream.push_back(0xFF);
    longStream.push_back('z');
    EXPECT_EQ(SzddExpand(longStream.data(), longStream.size(), out.data(), out.size(), &written, &length, nullptr),
              kSzddTooLong);
    EXPECT_EQ(SzddExpand(packed.data(), packed.size(), out.data(), 3, &written, &length, nullptr), kSzddTooLong);
}

TEST(SzddRoundTrip, SmallInputs) {
    ExpectRoundTrip({}, "empty");
    ExpectRoundTrip({0x00}, "one zero byte");
    ExpectRoundTrip({' '}, "one space");
    ExpectRoundTrip(FromText("ab"), "two bytes");
    ExpectRoundTrip(FromText("aaa"), "three equal bytes");
}

TEST(SzddRoundTrip, Runs) {
    ExpectRoundTrip(Bytes(10000, 'A'), "run of A");
    ExpectRoundTrip(Bytes(10000, ' '), "run of spaces");
    ExpectRoundTrip(Bytes(19, 0), "run of 19 zeros");
    Bytes mixed;
    for (int i = 0; i < 300; ++i) mixed.insert(mixed.end(), static_cast<std::size_t>(i % 40 + 1), static_cast<std::uint8_t>(i));
    ExpectRoundTrip(mixed, "runs of growing length");
}

TEST(SzddRoundTrip, RandomData) {
    std::mt19937 rng(12345);
    for (std::size_t size : {1u, 17u, 4095u, 4096u, 4097u, 65536u}) {
        Bytes in(size);
        for (auto& b : in) b = static_cast<std::uint8_t>(rng());
        ExpectRoundTrip(in, ("random bytes " + std::to_string(size)).c_str());
    }
    // Few symbols: many short matches at every distance.
    Bytes low(100000);
    for (auto& b : low) b = static_cast<std::uint8_t>('a' + rng() % 3);
    ExpectRoundTrip(low, "random over three letters");
}

TEST(SzddRoundTrip, LargerThanTheWindowAndWrapping) {
    // Blocks repeated at distances around the window size, so that matches
    // reach back close to 4096 bytes and the write position wraps many times.
    std::mt19937 rng(777);
    Bytes block(4090);
    for (auto& b : block) b = static_cast<std::uint8_t>(rng());
    Bytes in;
    for (int i = 0; i < 6; ++i) {
        in.insert(in.end(), block.begin(), block.end());
        for (int j = 0; j <= i; ++j) in.push_back(static_cast<std::uint8_t>(j));
    }
    ExpectRoundTrip(in, "blocks near the window size");
    std::string text;
    for (int i = 0; i < 2000; ++i) text += "line " + std::to_string(i % 97) + " of the Pelora sample text\r\n";
    Bytes textBytes = FromText(text);
    ASSERT_GT(textBytes.size(), 4096u * 10);
    Bytes packed = Compress(textBytes);
    EXPECT_LT(packed.size(), textBytes.size() / 2) << "repetitive text should compress well";
    ExpectRoundTrip(textBytes, "repetitive text");
}

TEST(SzddRoundTrip, EveryByteValue) {
    Bytes in;
    for (int r = 0; r < 3; ++r)
        for (int i = 0; i < 256; ++i) in.push_back(static_cast<std::uint8_t>(i));
    ExpectRoundTrip(in, "all byte values three times");
}

}  // namespace
