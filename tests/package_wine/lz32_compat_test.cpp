// mkdist's compressor against the system's expander: inputs at the edges of
// the format (empty, one byte, runs, matches reaching back a whole window,
// the window wrapping many times) expand with LZOpenFile/LZCopy and LZRead
// to the bytes that went in.
#include <windows.h>
#include <lzexpand.h>

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "szdd.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

std::string TempFile(const char* name) {
    char dir[MAX_PATH];
    GetTempPathA(sizeof dir, dir);
    return std::string(dir) + name;
}

bool WriteBytes(const std::string& path, const Bytes& bytes) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = bytes.empty() || WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(h);
    return ok && written == bytes.size();
}

bool ReadBytes(const std::string& path, Bytes* out) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD size = GetFileSize(h, nullptr);
    out->assign(size, 0);
    DWORD got = 0;
    BOOL ok = size == 0 || ReadFile(h, out->data(), size, &got, nullptr);
    CloseHandle(h);
    return ok && got == size;
}

// Compresses `in` to a file, expands it with LZCopy and with LZRead, and
// compares both results with `in`.
void ExpectSystemExpands(const Bytes& in, const char* what) {
    Bytes packed(SzddMaxCompressedSize(in.size()));
    std::size_t n = SzddCompress(in.data(), in.size(), 'T', packed.data(), packed.size());
    ASSERT_GT(n, 0u) << what;
    packed.resize(n);
    const std::string src = TempFile("LZTEST.DA_"), dst = TempFile("LZTEST.OUT");
    ASSERT_TRUE(WriteBytes(src, packed)) << src;

    OFSTRUCT ofs{}, ofd{};
    INT s = LZOpenFileA(const_cast<char*>(src.c_str()), &ofs, OF_READ);
    ASSERT_GE(s, 0) << what << ": LZOpenFile(read)";
    INT d = LZOpenFileA(const_cast<char*>(dst.c_str()), &ofd, OF_CREATE | OF_WRITE);
    ASSERT_GE(d, 0) << what << ": LZOpenFile(create)";
    LONG copied = LZCopy(s, d);
    LZClose(s);
    LZClose(d);
    EXPECT_EQ(copied, static_cast<LONG>(in.size())) << what << ": LZCopy";
    Bytes out;
    ASSERT_TRUE(ReadBytes(dst, &out)) << dst;
    EXPECT_EQ(out.size(), in.size()) << what;
    EXPECT_TRUE(out == in) << what << ": LZCopy gave other bytes";

    // LZRead in odd-sized pieces gives the same bytes.
    s = LZOpenFileA(const_cast<char*>(src.c_str()), &ofs, OF_READ);
    ASSERT_GE(s, 0) << what;
    Bytes pieces;
    char buf[333];
    for (;;) {
        INT got = LZRead(s, buf, sizeof buf);
        ASSERT_GE(got, 0) << what << ": LZRead";
        if (got == 0) break;
        pieces.insert(pieces.end(), buf, buf + got);
    }
    LZClose(s);
    EXPECT_TRUE(pieces == in) << what << ": LZRead gave " << pieces.size() << " bytes of " << in.size();
    DeleteFileA(src.c_str());
    DeleteFileA(dst.c_str());
}

TEST(Lz32Compat, EdgeCasesExpandToTheirInput) {
    ExpectSystemExpands({}, "empty");
    ExpectSystemExpands({'x'}, "one byte");
    ExpectSystemExpands(Bytes(18, ' '), "spaces matching the initial window");
    ExpectSystemExpands(Bytes(5000, 'A'), "a run");
    std::mt19937 rng(4096);
    Bytes random(70000);
    for (auto& b : random) b = static_cast<std::uint8_t>(rng());
    ExpectSystemExpands(random, "random bytes");
    // Blocks repeated just under and over the window size apart.
    Bytes block(4093);
    for (auto& b : block) b = static_cast<std::uint8_t>(rng() % 7);
    Bytes wrap;
    for (int i = 0; i < 8; ++i) {
        wrap.insert(wrap.end(), block.begin(), block.end());
        wrap.insert(wrap.end(), static_cast<std::size_t>(i), static_cast<std::uint8_t>(0xA0 + i));
    }
    ExpectSystemExpands(wrap, "matches a window apart, wrapping");
}

}  // namespace
