#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "startup_batch_core.h"

namespace {

const char kText[] = "del C:\\WINDOWS\\winstart.bat";

long Find(const std::string& data, long* start = nullptr, const char* text = kText) {
    return FindBatchLineInText(data.data(), data.size(), text, start);
}

struct MemoryFile {
    std::string bytes;
    int reads = 0;
    int writes = 0;
};

long MemRead(void* context, long offset, char* buffer, long count) {
    auto* f = static_cast<MemoryFile*>(context);
    ++f->reads;
    if (offset < 0 || static_cast<std::size_t>(offset) > f->bytes.size()) return -1;
    long n = std::min<long>(count, static_cast<long>(f->bytes.size()) - offset);
    std::memcpy(buffer, f->bytes.data() + offset, static_cast<std::size_t>(n));
    return n;
}

// Like a file: a write past the end extends it (a gap reads as zeros).
long MemWrite(void* context, long offset, const char* buffer, long count) {
    auto* f = static_cast<MemoryFile*>(context);
    ++f->writes;
    if (offset < 0) return -1;
    std::size_t end = static_cast<std::size_t>(offset + count);
    if (end > f->bytes.size()) f->bytes.resize(end);
    std::memcpy(&f->bytes[static_cast<std::size_t>(offset)], buffer, static_cast<std::size_t>(count));
    return count;
}

long FailingWrite(void*, long, const char*, long) { return -1; }

std::string Insert(const std::string& original, long offset, const std::string& insert, std::size_t chunkSize,
                   bool* ok) {
    MemoryFile file{original};
    BatchFileOps ops{&file, MemRead, MemWrite};
    char chunk[64];
    *ok = InsertIntoFile(&ops, static_cast<long>(original.size()), offset, insert.data(), insert.size(), chunk,
                         chunkSize);
    return file.bytes;
}

}  // namespace

TEST(FindBatchLine, MatchesCaseBlindAndReturnsBytesBeforeTheLineEnd) {
    std::string data = "@echo off\r\nDEL C:\\WINDOWS\\WINSTART.BAT\r\nrem after\r\n";
    long start = -5;
    long count = Find(data, &start);
    EXPECT_EQ(count, 11 + 27) << "bytes before the CR of the second line";
    EXPECT_EQ(start, 11) << "the line starts after CR LF";
}

TEST(FindBatchLine, LineThatBeginsWithTheTextMatches) {
    std::string data = "del C:\\WINDOWS\\winstart.bat > nul\r\n";
    long start = -1;
    EXPECT_EQ(Find(data, &start), static_cast<long>(data.size()) - 2);
    EXPECT_EQ(start, 0);
}

TEST(FindBatchLine, ShorterLineOrOtherTextDoesNotMatch) {
    EXPECT_EQ(Find("del C:\\WINDOWS\\winstart.ba\r\n"), -1);
    EXPECT_EQ(Find("del C:\\WINDOWS\\oldstart.bat\r\n"), -1);
    EXPECT_EQ(Find(" del C:\\WINDOWS\\winstart.bat\r\n"), -1) << "leading blank is part of the line";
    EXPECT_EQ(Find(""), -1);
}

TEST(FindBatchLine, LastLineWithoutLineEndMatchesWithTheFileLength) {
    std::string data = "@echo off\r\ncopy a b\r\ndel C:\\WINDOWS\\winstart.bat";
    long start = -1;
    EXPECT_EQ(Find(data, &start), static_cast<long>(data.size()));
    EXPECT_EQ(start, 21);
}

TEST(FindBatchLine, LineFeedsAreCountedButDoNotEndALine) {
    // Lone line feeds join lines: the second line is not a line of its own.
    EXPECT_EQ(Find("rem\ndel C:\\WINDOWS\\winstart.bat\r\n"), -1);
    // Extra line feeds before a line are counted.
    std::string data = "rem\r\n\n\ndel C:\\WINDOWS\\winstart.bat\r\n";
    long start = -1;
    EXPECT_EQ(Find(data, &start), 7 + 27);
    EXPECT_EQ(start, 7);
}

TEST(FindBatchLine, LongLinesDoNotOverflowAndLaterLinesStillMatch) {
    std::string data(5000, 'x');
    data += "\r\n";
    data += std::string("DEL C:\\WINDOWS\\WINSTART.BAT") + std::string(400, 'y') + "\r\n";
    long start = -1;
    long count = Find(data, &start);
    EXPECT_EQ(start, 5002);
    EXPECT_EQ(count, static_cast<long>(data.size()) - 2);
    std::string longMatch = std::string(kText) + std::string(1000, 'z');
    EXPECT_EQ(Find(longMatch), static_cast<long>(longMatch.size()));
}

TEST(BatchPaths, JoinedWithOneBackslashWithAndWithoutTrailingBackslash) {
    BatchPaths p;
    ASSERT_TRUE(BuildBatchPaths(&p, "C:\\WINDOWS", "C:\\WINDOWS\\SYSTEM"));
    EXPECT_STREQ(p.batchFile, "C:\\WINDOWS\\winstart.bat");
    EXPECT_STREQ(p.savedFile, "C:\\WINDOWS\\oldstart.bat");
    EXPECT_STREQ(p.newLibrary, "C:\\WINDOWS\\SYSTEM\\VAZAZUD.TMP");
    EXPECT_STREQ(p.installedLibrary, "C:\\WINDOWS\\SYSTEM\\VAZAZUD.DLL");
    EXPECT_STREQ(p.copyLine, "copy C:\\WINDOWS\\SYSTEM\\VAZAZUD.TMP C:\\WINDOWS\\SYSTEM\\VAZAZUD.DLL");
    EXPECT_STREQ(p.selfDelete, "del C:\\WINDOWS\\winstart.bat");
    EXPECT_STREQ(p.runSaved, "C:\\WINDOWS\\oldstart.bat\r\n");
    EXPECT_STREQ(p.moveBack, "move /y C:\\WINDOWS\\oldstart.bat C:\\WINDOWS\\winstart.bat");

    ASSERT_TRUE(BuildBatchPaths(&p, "D:\\", "D:\\SYSTEM\\"));
    EXPECT_STREQ(p.batchFile, "D:\\winstart.bat");
    EXPECT_STREQ(p.newLibrary, "D:\\SYSTEM\\VAZAZUD.TMP");
    EXPECT_STREQ(p.selfDelete, "del D:\\winstart.bat");
    EXPECT_STREQ(p.runSaved, "D:\\oldstart.bat\r\n");
    EXPECT_STREQ(p.moveBack, "move /y D:\\oldstart.bat D:\\winstart.bat");
}

TEST(BatchPaths, TooLongDirectoryIsReported) {
    BatchPaths p;
    std::string dir = "C:\\" + std::string(300, 'D');
    EXPECT_FALSE(BuildBatchPaths(&p, dir.c_str(), "C:\\S"));
}

TEST(BatchContents, NewFileHasThreeLinesTheLastWithoutLineEnd) {
    BatchPaths p;
    ASSERT_TRUE(BuildBatchPaths(&p, "C:\\WINDOWS", "C:\\WINDOWS\\SYSTEM"));
    char out[1024];
    ASSERT_TRUE(BuildNewBatch(out, sizeof out, &p));
    EXPECT_STREQ(out,
                 "@echo off\r\n"
                 "copy C:\\WINDOWS\\SYSTEM\\VAZAZUD.TMP C:\\WINDOWS\\SYSTEM\\VAZAZUD.DLL\r\n"
                 "del C:\\WINDOWS\\winstart.bat");
}

TEST(BatchContents, ChainFileRunsAndMovesBackTheSavedFile) {
    BatchPaths p;
    ASSERT_TRUE(BuildBatchPaths(&p, "C:\\WINDOWS", "C:\\WINDOWS\\SYSTEM"));
    char out[1024];
    ASSERT_TRUE(BuildChainBatch(out, sizeof out, &p));
    EXPECT_STREQ(out,
                 "@echo off\r\n"
                 "copy C:\\WINDOWS\\SYSTEM\\VAZAZUD.TMP C:\\WINDOWS\\SYSTEM\\VAZAZUD.DLL\r\n"
                 "C:\\WINDOWS\\oldstart.bat\r\n"
                 "move /y C:\\WINDOWS\\oldstart.bat C:\\WINDOWS\\winstart.bat");
}

TEST(BatchContents, HeaderInFrontOfAFoundLineHasABlankBeforeItsLineEnd) {
    BatchPaths p;
    ASSERT_TRUE(BuildBatchPaths(&p, "C:\\WINDOWS", "C:\\WINDOWS\\SYSTEM"));
    char out[512];
    ASSERT_TRUE(BuildBatchHeader(out, sizeof out, &p, true));
    EXPECT_STREQ(out, "@echo off\r\ncopy C:\\WINDOWS\\SYSTEM\\VAZAZUD.TMP C:\\WINDOWS\\SYSTEM\\VAZAZUD.DLL \r\n");
    char small[20];
    EXPECT_FALSE(BuildBatchHeader(small, sizeof small, &p, true));
}

TEST(BatchContents, FoundCaseInsertsTheHeaderBeforeTheSelfDeletingLine) {
    BatchPaths p;
    ASSERT_TRUE(BuildBatchPaths(&p, "C:\\WINDOWS", "C:\\WINDOWS\\SYSTEM"));
    char header[512];
    ASSERT_TRUE(BuildBatchHeader(header, sizeof header, &p, true));
    const std::string before = "rem other program\r\nC:\\TOOLS\\X.EXE\r\n";
    const std::string line = "DEL C:\\WINDOWS\\WINSTART.BAT";
    const std::string after = "\r\nrem trailing text\r\nC:\\TOOLS\\Y.EXE";
    const std::string original = before + line + after;
    long start = -1;
    long count = FindBatchLineInText(original.data(), original.size(), p.selfDelete, &start);
    ASSERT_EQ(start, static_cast<long>(before.size()));
    ASSERT_EQ(count, static_cast<long>(before.size() + line.size()));
    for (std::size_t chunk : {1u, 3u, 7u, 64u}) {
        bool ok = false;
        std::string result = Insert(original, start, header, chunk, &ok);
        EXPECT_TRUE(ok) << "chunk " << chunk;
        EXPECT_EQ(result, before + header + line + after) << "chunk " << chunk;
    }
}

TEST(InsertIntoFile, AtTheEndAndAtTheStart) {
    bool ok = false;
    EXPECT_EQ(Insert("abc", 3, "XY", 2, &ok), "abcXY");
    EXPECT_TRUE(ok);
    EXPECT_EQ(Insert("abc", 0, "XY", 2, &ok), "XYabc");
    EXPECT_TRUE(ok);
    EXPECT_EQ(Insert("", 0, "XY", 2, &ok), "XY");
    EXPECT_TRUE(ok);
}

TEST(InsertIntoFile, RefusesBadOffsetsAndReportsFailedWrites) {
    bool ok = true;
    EXPECT_EQ(Insert("abc", 4, "XY", 2, &ok), "abc");
    EXPECT_FALSE(ok);
    EXPECT_EQ(Insert("abc", -1, "XY", 2, &ok), "abc");
    EXPECT_FALSE(ok);
    MemoryFile file{"abc"};
    BatchFileOps ops{&file, MemRead, FailingWrite};
    char chunk[4];
    EXPECT_FALSE(InsertIntoFile(&ops, 3, 1, "XY", 2, chunk, sizeof chunk));
    EXPECT_EQ(file.bytes, "abc");
}
