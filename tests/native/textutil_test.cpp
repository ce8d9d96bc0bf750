#include <gtest/gtest.h>

#include <cstdio>

#include "textutil.h"

TEST(TextUtil, CopyIsBoundedAndReportsOverflow) {
    char small[5];
    EXPECT_TRUE(CopyText(small, "abcd"));
    EXPECT_STREQ(small, "abcd");
    EXPECT_FALSE(CopyText(small, "abcde"));
    EXPECT_STREQ(small, "abcd");
    EXPECT_FALSE(AppendText(small, "x"));
    EXPECT_STREQ(small, "abcd");
}

TEST(TextUtil, JoinPathInsertsOneBackslash) {
    char buf[32];
    EXPECT_TRUE(JoinPath(buf, "A:\\", "TLSETUP.INF"));
    EXPECT_STREQ(buf, "A:\\TLSETUP.INF");
    EXPECT_TRUE(JoinPath(buf, "C:\\VIREO", "TLDELET.EXE"));
    EXPECT_STREQ(buf, "C:\\VIREO\\TLDELET.EXE");
    EXPECT_FALSE(JoinPath(buf, "C:\\A-VERY-LONG-DIRECTORY-NAME", "FILE.EXE"));
}

TEST(TextUtil, FormatReportsCutResults) {
    char buf[8];
    EXPECT_TRUE(FormatText(buf, sizeof buf, "%03d", 4));
    EXPECT_STREQ(buf, "004");
    EXPECT_FALSE(FormatText(buf, sizeof buf, "%s", "123456789"));
    EXPECT_STREQ(buf, "1234567");
    EXPECT_FALSE(FormatText(buf, sizeof buf, "LPT%05d", 123456)) << buf;
    EXPECT_STREQ(buf, "LPT1234");
    char one[1];
    EXPECT_FALSE(FormatText(one, sizeof one, "%d", 7));
    EXPECT_STREQ(one, "");
    EXPECT_TRUE(FormatText(one, sizeof one, "%s", ""));
}

// The conversions of the programs' format strings, formatted without the C
// runtime: each compared with what printf makes of it.
#define EXPECT_FORMATS_LIKE_PRINTF(...)                                  \
    do {                                                                 \
        char ours[64];                                                   \
        char theirs[64];                                                 \
        EXPECT_TRUE(FormatText(ours, sizeof ours, __VA_ARGS__));         \
        std::snprintf(theirs, sizeof theirs, __VA_ARGS__);               \
        EXPECT_STREQ(ours, theirs) << "arguments " << #__VA_ARGS__;      \
    } while (0)

TEST(TextUtil, FormatMatchesPrintfForTheProgramsConversions) {
    EXPECT_FORMATS_LIKE_PRINTF("%s.%03u", "SYSTEM", 7u);
    EXPECT_FORMATS_LIKE_PRINTF("%s%s.%03d", "C:\\WINDOWS\\", "WIN", 42);
    EXPECT_FORMATS_LIKE_PRINTF("%03d|%03d|%03u", 1234, -5, 0u);
    EXPECT_FORMATS_LIKE_PRINTF("[AddItem(%s,%s,%s,%d)]", "C:\\VIREO\\VIREO.EXE", "Vireo", "", 0);
    EXPECT_FORMATS_LIKE_PRINTF("%-4d|%4d|%-6s|%6s|%.3s", -12, 34, "ab", "cd", "abcdef");
    EXPECT_FORMATS_LIKE_PRINTF("%d %d %i %u", 0, -2147483647 - 1, 2147483647, 4294967295u);
    EXPECT_FORMATS_LIKE_PRINTF("%ld %lu %x %X %c %%", -70000L, 70000UL, 0xbeefu, 0xbeefu, 'Q');
    EXPECT_FORMATS_LIKE_PRINTF("copy %s %s \r\n", "A:\\PL.DR_", "C:\\WINDOWS\\SYSTEM\\PL.DRV");
}

// The compiler warns of a '0' flag beside a precision, which printf ignores.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat"
TEST(TextUtil, FormatHonoursIntegerPrecisionLikePrintf) {
    EXPECT_FORMATS_LIKE_PRINTF("%.3d|%.3d|%5.3d|%-5.3d|", 7, -7, 42, 42);
    EXPECT_FORMATS_LIKE_PRINTF("%05.3d|%05.3u|%08.4lX|%.0d|%3.0u|%.0d", 7, 7u, 0xabcUL, 0, 0u, 5);
    EXPECT_FORMATS_LIKE_PRINTF("%.1d|%.12x|%010.5i", 123, 0x1fu, -123);
}
#pragma GCC diagnostic pop

// FormatTextV without the compiler's format check, for formats it would refuse
// or that it accepts but the formatter does not know.
bool FormatUnchecked(char* dst, std::size_t size, const char* format, ...) {
    va_list args;
    va_start(args, format);
    bool fitted = FormatTextV(dst, size, format, args);
    va_end(args);
    return fitted;
}

TEST(TextUtil, FormatRefusesWhatItCannotFormatWithoutShiftingArguments) {
    // Each of these would take its argument otherwise than printf does (or
    // none at all), and every later argument would shift: a %s after it
    // would read a number as a pointer.
    for (const char* format : {"%+d %s", "% d %s", "%#x %s", "%hd %s", "%lld %s", "%I64u %s", "%zu %s",
                               "%*d %s", "%.*s %s", "%f %s", "%p %s", "%n %s", "%ls %s", "%lc %s", "%.2c %s",
                               "%5% %s", "%l%%s", "tail %"}) {
        char buf[32] = "untouched";
        EXPECT_FALSE(FormatUnchecked(buf, sizeof buf, format, 5, "text")) << format << " gave \"" << buf << "\"";
        EXPECT_STREQ(buf, "") << format;
    }
    char buf[32];
    EXPECT_FALSE(FormatUnchecked(buf, sizeof buf, "C:\\%s\\%q", "VIREO")) << buf;
    EXPECT_STREQ(buf, "") << "no plausible prefix of a path is left behind";
    EXPECT_TRUE(FormatUnchecked(buf, sizeof buf, "%s %%", "text")) << buf;
    EXPECT_STREQ(buf, "text %");
}

TEST(TextUtil, TrimAndNumbers) {
    char text[] = " \t 12ab \t";
    EXPECT_STREQ(TrimBlanks(text), "12ab");
    EXPECT_EQ(ReadDecimal("12ab"), 12u);
    EXPECT_EQ(ReadDecimal("-3"), 0u);
    EXPECT_EQ(ReadDecimal("4294967296"), 0u);
    EXPECT_EQ(CompareNoCase("Vireo.Exe", "VIREO.EXE"), 0);
    EXPECT_NE(CompareNoCase("VIREO", "VIREO.EXE"), 0);
}
