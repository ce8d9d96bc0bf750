#include <gtest/gtest.h>

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
