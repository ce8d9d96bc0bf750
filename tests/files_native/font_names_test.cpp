#include "font_names.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

TEST(FontTypeface, CountedFromTheEndOfFiles) {
    EXPECT_STREQ(FontTypeface(99, 100), "Marigold");
    EXPECT_STREQ(FontTypeface(98, 100), "Letter Gothic Italic");
    EXPECT_STREQ(FontTypeface(69, 100), "Univers Condensed") << "31st record from the end";
    EXPECT_EQ(FontTypeface(68, 100), nullptr) << "32nd record from the end has no entry";
    EXPECT_EQ(FontTypeface(0, 100), nullptr);
}

TEST(FontTypeface, ThirtyOneFontsTakeTheWholeTable) {
    for (std::uint32_t k = 0; k < 31; ++k)
        EXPECT_STREQ(FontTypeface(k, 31), FontNameTable[k]) << "record " << k;
    EXPECT_STREQ(FontTypeface(0, 31), "Univers Condensed");
    EXPECT_STREQ(FontTypeface(30, 31), "Marigold");
}

TEST(FontTypeface, PositionsOutsideTheTableHaveNoName) {
    EXPECT_EQ(FontTypeface(5, 5), nullptr);
    EXPECT_EQ(FontTypeface(0, 0), nullptr);
    EXPECT_EQ(FontTypeface(7, 3), nullptr);
}

TEST(FontNameTable, EntriesInTheirOrder) {
    EXPECT_STREQ(FontNameTable[0], "Univers Condensed");
    EXPECT_STREQ(FontNameTable[4], "Univers");
    EXPECT_STREQ(FontNameTable[8], "Albertus Extra Bold");
    EXPECT_STREQ(FontNameTable[16], "CG Omega Italic");
    EXPECT_STREQ(FontNameTable[21], "Clarendon Condensed Bold");
    EXPECT_STREQ(FontNameTable[25], "Garamond Kursiv Halbfett");
    EXPECT_STREQ(FontNameTable[26], "Garamond Kursiv");
    EXPECT_STREQ(FontNameTable[29], "Letter Gothic Italic");
    for (const char* name : FontNameTable)
        EXPECT_LE(std::strlen(name) + std::strlen(" (TrueType)"), kFontKeySize - 1) << name;
}

TEST(BuildFontKey, TypefaceAndTrueType) {
    char key[kFontKeySize];
    ASSERT_TRUE(BuildFontKey(key, sizeof key, 9, 10));
    EXPECT_STREQ(key, "Marigold (TrueType)");
    ASSERT_TRUE(BuildFontKey(key, sizeof key, 8, 10));
    EXPECT_STREQ(key, "Letter Gothic Italic (TrueType)");
    EXPECT_FALSE(BuildFontKey(key, sizeof key, 0, 40));
    EXPECT_STREQ(key, "");
    char small[12];
    EXPECT_FALSE(BuildFontKey(small, sizeof small, 9, 10)) << "a key that does not fit is refused";
    EXPECT_STREQ(small, "");
}

TEST(BuildFontResourcePath, ExtensionBecomesFot) {
    char path[80];
    ASSERT_TRUE(BuildFontResourcePath(path, sizeof path, "C:\\WINDOWS\\FONTS\\MARIGOLD.TTF"));
    EXPECT_STREQ(path, "C:\\WINDOWS\\FONTS\\MARIGOLD.fot");
    ASSERT_TRUE(BuildFontResourcePath(path, sizeof path, "C:\\WINDOWS\\FONTS\\A.B.TTF"));
    EXPECT_STREQ(path, "C:\\WINDOWS\\FONTS\\A.B.fot") << "only the last dot counts";
    ASSERT_TRUE(BuildFontResourcePath(path, sizeof path, "C:\\WINDOWS\\FONTS\\A."));
    EXPECT_STREQ(path, "C:\\WINDOWS\\FONTS\\A.fot");
}

TEST(BuildFontResourcePath, ADotInADirectoryIsNoExtension) {
    char path[80];
    ASSERT_TRUE(BuildFontResourcePath(path, sizeof path, "C:\\MY.FONTS\\MARIGOLD"));
    EXPECT_STREQ(path, "C:\\MY.FONTS\\MARIGOLD.fot");
}

TEST(BuildFontResourcePath, RefusesWhatDoesNotFit) {
    char path[16];
    EXPECT_FALSE(BuildFontResourcePath(path, sizeof path, "C:\\FONTS\\ABCDEFG.TTF"));
    EXPECT_STREQ(path, "");
    EXPECT_TRUE(BuildFontResourcePath(path, sizeof path, "C:\\FONTS\\AB.T"));
    EXPECT_STREQ(path, "C:\\FONTS\\AB.fot") << "15 characters fit exactly";
}

TEST(BuildFontResourceName, SourceBaseWithFot) {
    char name[kFontResourceNameSize];
    ASSERT_TRUE(BuildFontResourceName(name, sizeof name, "MARIGOLD.TT_"));
    EXPECT_STREQ(name, "MARIGOLD.FOT");
    ASSERT_TRUE(BuildFontResourceName(name, sizeof name, "marig.tt_"));
    EXPECT_STREQ(name, "marig.FOT") << "the base keeps its case";
    ASSERT_TRUE(BuildFontResourceName(name, sizeof name, "A.B.TT_"));
    EXPECT_STREQ(name, "A.B.FOT");
    ASSERT_TRUE(BuildFontResourceName(name, sizeof name, "NODOT"));
    EXPECT_STREQ(name, "NODOT.FOT");
    char small[8];
    EXPECT_FALSE(BuildFontResourceName(small, sizeof small, "MARIGOLD.TT_"));
    EXPECT_STREQ(small, "");
}

TEST(BuildFontDirectory, FontsFolderOfTheWindowsDirectory) {
    char dir[256];
    ASSERT_TRUE(BuildFontDirectory(dir, sizeof dir, "C:\\WINDOWS"));
    EXPECT_STREQ(dir, "C:\\WINDOWS\\FONTS");
    ASSERT_TRUE(BuildFontDirectory(dir, sizeof dir, "C:\\"));
    EXPECT_STREQ(dir, "C:\\FONTS");
    EXPECT_FALSE(BuildFontDirectory(dir, sizeof dir, "")) << "no Windows directory, no font directory";
    EXPECT_STREQ(dir, "");
}

}  // namespace
