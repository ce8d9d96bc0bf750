#include "prompt_text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

TEST(FormatWithText, ReplacesTheFirstPercentS) {
    char out[128];
    ASSERT_TRUE(FormatWithText(out, sizeof out, "Please insert %s diskette ", "Vireo"));
    EXPECT_STREQ(out, "Please insert Vireo diskette ");
    ASSERT_TRUE(FormatWithText(out, sizeof out, "%s and %s", "A"));
    EXPECT_STREQ(out, "A and %s") << "only one argument is given";
    ASSERT_TRUE(FormatWithText(out, sizeof out, "100%% %s", "sure"));
    EXPECT_STREQ(out, "100% sure");
    ASSERT_TRUE(FormatWithText(out, sizeof out, "no argument", "X"));
    EXPECT_STREQ(out, "no argument");
    ASSERT_TRUE(FormatWithText(out, sizeof out, "trailing %", "X"));
    EXPECT_STREQ(out, "trailing %");
}

TEST(FormatWithText, BoundedByItsBuffer) {
    char out[8];
    EXPECT_FALSE(FormatWithText(out, sizeof out, "ab%scd", "123456"));
    EXPECT_EQ(std::strlen(out), 7u) << out;
    EXPECT_TRUE(FormatWithText(out, sizeof out, "ab%s", "12345"));
    EXPECT_STREQ(out, "ab12345");
}

TEST(BuildDiskPrompt, FormatThenDiskNameDirectly) {
    char out[200];
    ASSERT_TRUE(BuildDiskPrompt(out, sizeof out, "Please insert %s diskette ", "Vireo", "Disk 2 - Fonts"));
    EXPECT_STREQ(out, "Please insert Vireo diskette Disk 2 - Fonts");
    std::string longName(49, 'N');
    ASSERT_TRUE(BuildDiskPrompt(out, sizeof out, "Please insert %s diskette ", "Vireo", longName.c_str()));
    EXPECT_EQ(std::string(out), "Please insert Vireo diskette " + longName);
    char small[20];
    EXPECT_FALSE(BuildDiskPrompt(small, sizeof small, "Please insert %s diskette ", "Vireo", "Disk 2"));
}

TEST(StoreSourceDirectory, AddsTheBackslashWhenMissing) {
    char dir[66] = "A:\\";
    ASSERT_TRUE(StoreSourceDirectory(dir, sizeof dir, "B:\\DISK2"));
    EXPECT_STREQ(dir, "B:\\DISK2\\");
    ASSERT_TRUE(StoreSourceDirectory(dir, sizeof dir, "C:\\SET\\"));
    EXPECT_STREQ(dir, "C:\\SET\\");
}

TEST(StoreSourceDirectory, SixtyFiveCharactersFitWithoutTheBackslash) {
    char dir[66] = "A:\\";
    std::string typed = "C:\\" + std::string(62, 'X');  // 65 characters
    ASSERT_TRUE(StoreSourceDirectory(dir, sizeof dir, typed.c_str()));
    EXPECT_EQ(std::string(dir), typed);
}

TEST(StoreSourceDirectory, RefusesEmptyAndTooLongLeavingTheOldValue) {
    char dir[66] = "A:\\";
    EXPECT_FALSE(StoreSourceDirectory(dir, sizeof dir, ""));
    EXPECT_STREQ(dir, "A:\\");
    std::string typed = "C:\\" + std::string(63, 'X');  // 66 characters
    EXPECT_FALSE(StoreSourceDirectory(dir, sizeof dir, typed.c_str()));
    EXPECT_STREQ(dir, "A:\\") << "a directory that does not fit is not cut";
}

}  // namespace
