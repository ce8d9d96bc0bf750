// The shell's layout cases, captions, version suffix, port names, disk space
// rules, install type and version test.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "shell_core.h"

namespace {

std::string Rect(const ShellRect& r) {
    return std::to_string(r.x) + "," + std::to_string(r.y) + " " + std::to_string(r.width) + "x" +
           std::to_string(r.height);
}

TEST(ShellLayout, ColourCountIsComparedAsUnsigned) {
    EXPECT_TRUE(IsColourDisplay(-1)) << "more than 256 colours";
    EXPECT_TRUE(IsColourDisplay(16));
    EXPECT_TRUE(IsColourDisplay(3));
    EXPECT_FALSE(IsColourDisplay(2));
    EXPECT_FALSE(IsColourDisplay(0));
}

TEST(ShellLayout, ChoosesTheCaseByDisplay) {
    EXPECT_EQ(ChooseLayout(-1, 800, 600), kLayoutLargeColour);
    EXPECT_EQ(ChooseLayout(16, 641, 400), kLayoutLargeColour);
    EXPECT_EQ(ChooseLayout(16, 640, 480), kLayoutVgaColour);
    EXPECT_EQ(ChooseLayout(16, 440, 400), kLayoutVgaColour);
    EXPECT_EQ(ChooseLayout(2, 1024, 768), kLayoutMonochrome);
    EXPECT_EQ(ChooseLayout(0, 320, 200), kLayoutMonochrome);
    EXPECT_EQ(ChooseLayout(16, 439, 480), kLayoutSmallColour);
    EXPECT_EQ(ChooseLayout(-1, 1024, 399), kLayoutSmallColour);
}

TEST(ShellLayout, VgaColourWindowIs440By400Centred) {
    ShellRect main = MainWindowRect(ChooseLayout(16, 640, 480), 0, 0, 640, 480);
    EXPECT_EQ(Rect(main), "100,40 440x400");
    EXPECT_EQ(Rect(StatusLabelRect(kLayoutVgaColour, main.width, main.height)), "20,350 400x30");
}

TEST(ShellLayout, LargeColourWindowIs500By400Centred) {
    ShellRect main = MainWindowRect(ChooseLayout(-1, 800, 600), 0, 0, 800, 600);
    EXPECT_EQ(Rect(main), "150,100 500x400");
    EXPECT_EQ(Rect(StatusLabelRect(kLayoutLargeColour, main.width, main.height)), "20,350 460x30");
}

TEST(ShellLayout, HalvesTruncateTowardsZero) {
    EXPECT_EQ(Rect(MainWindowRect(kLayoutLargeColour, 0, 0, 801, 601)), "150,100 500x400");
    // A desktop narrower than the window: the negative half truncates towards zero.
    EXPECT_EQ(Rect(MainWindowRect(kLayoutSmallColour, 0, 0, 439, 300)), "-30,0 500x300");
    EXPECT_EQ(Rect(StatusLabelRect(kLayoutSmallColour, 501, 300)), "60,250 380x30");
}

TEST(ShellLayout, MonochromeFillsTheHeightAndTheWidthLess200) {
    ShellRect main = MainWindowRect(ChooseLayout(2, 1024, 768), 0, 0, 1024, 768);
    EXPECT_EQ(Rect(main), "110,0 824x768");
    EXPECT_EQ(Rect(StatusLabelRect(kLayoutMonochrome, main.width, main.height)), "75,718 724x30");
    EXPECT_EQ(Rect(MainWindowRect(kLayoutMonochrome, 5, 7, 640, 480)), "115,7 440x480");
}

TEST(ShellLayout, SmallColourTakesTheDesktopHeight) {
    ShellRect main = MainWindowRect(ChooseLayout(16, 400, 300), 0, 0, 400, 300);
    EXPECT_EQ(Rect(main), "-50,0 500x300");
    EXPECT_EQ(Rect(StatusLabelRect(kLayoutSmallColour, main.width, main.height)), "60,250 380x30");
}

TEST(ShellLayout, WelcomePictureStartsAt200Or170) {
    EXPECT_EQ(WelcomePictureX(0, 500), 200);
    EXPECT_EQ(WelcomePictureX(0, 440), 170);
    EXPECT_EQ(WelcomePictureX(10, 441), 180);
}

TEST(ShellCaptions, AreComposedFromMakerProductAndText) {
    char title[32];
    EXPECT_TRUE(ComposeCaption(title, sizeof title, "Setup"));
    EXPECT_STREQ(title, "ORVAN Vireo Setup");
    char error[112];
    EXPECT_TRUE(ComposeCaption(error, sizeof error, "Setup Error"));
    EXPECT_STREQ(error, "ORVAN Vireo Setup Error");
    char warning[100];
    EXPECT_TRUE(ComposeCaption(warning, sizeof warning, "Setup Warning"));
    EXPECT_STREQ(warning, "ORVAN Vireo Setup Warning");
}

TEST(ShellCaptions, ALongTextIsCutToTheBuffer) {
    char title[32];
    std::memset(title, 'x', sizeof title);
    EXPECT_FALSE(ComposeCaption(title, sizeof title, "Setup program of a rather long name"));
    EXPECT_EQ(std::strlen(title), 31u);
    EXPECT_STREQ(title, "ORVAN Vireo Setup program of a ");
    char tiny[4];
    EXPECT_FALSE(ComposeCaption(tiny, sizeof tiny, "Setup"));
    EXPECT_STREQ(tiny, "ORV");
    EXPECT_FALSE(ComposeCaption(tiny, 0, "Setup"));
}

TEST(ShellVersion, MissingValueGivesTheDefaultSuffix) {
    char suffix[31];
    EXPECT_TRUE(VersionSuffixFromValue(suffix, sizeof suffix, "@"));
    EXPECT_STREQ(suffix, " 1.00");
    EXPECT_TRUE(VersionSuffixFromValue(suffix, sizeof suffix, "@anything"));
    EXPECT_STREQ(suffix, " 1.00");
}

TEST(ShellVersion, SuffixIsTheTextFromTheFirstSpace) {
    char suffix[31];
    EXPECT_TRUE(VersionSuffixFromValue(suffix, sizeof suffix, "Version 2.10"));
    EXPECT_STREQ(suffix, " 2.10");
    EXPECT_TRUE(VersionSuffixFromValue(suffix, sizeof suffix, "Release 3.0 beta"));
    EXPECT_STREQ(suffix, " 3.0 beta");
    EXPECT_TRUE(VersionSuffixFromValue(suffix, sizeof suffix, "2.10"));
    EXPECT_STREQ(suffix, "") << "no space, no suffix";
    EXPECT_TRUE(VersionSuffixFromValue(suffix, sizeof suffix, ""));
    EXPECT_STREQ(suffix, "");
}

TEST(ShellVersion, ThirtyCharactersFitAndMoreAreCut) {
    char suffix[31];
    std::string value = "V" + std::string(29, ' ');  // 30 characters, suffix of 29
    EXPECT_TRUE(VersionSuffixFromValue(suffix, sizeof suffix, value.c_str()));
    EXPECT_EQ(std::strlen(suffix), 29u);
    char small[4];
    EXPECT_FALSE(VersionSuffixFromValue(small, sizeof small, "Version 1.00"));
    EXPECT_STREQ(small, " 1.");
}

TEST(ShellPorts, CountsOnlyLpt1ToLpt3InAnyCase) {
    EXPECT_TRUE(IsCountedParallelPort("LPT1:"));
    EXPECT_TRUE(IsCountedParallelPort("lpt2:"));
    EXPECT_TRUE(IsCountedParallelPort("Lpt3:"));
    EXPECT_FALSE(IsCountedParallelPort("LPT4:"));
    EXPECT_FALSE(IsCountedParallelPort("LPT1"));
    EXPECT_FALSE(IsCountedParallelPort("LPT1:x"));
    EXPECT_FALSE(IsCountedParallelPort("COM1:"));
    EXPECT_FALSE(IsCountedParallelPort(""));
    EXPECT_FALSE(IsCountedParallelPort(nullptr));
}

TEST(ShellSpace, DestinationOnAnotherDriveNeeds1320) {
    EXPECT_EQ(DestinationRequiredKb('D', 'C'), 1320u);
    EXPECT_EQ(DestinationRequiredKb('C', 'C'), 2000u);
    EXPECT_EQ(DestinationRequiredKb('c', 'C'), 1320u) << "letters are compared byte for byte";
}

TEST(ShellSpace, FreeSpaceFromTheDiskGeometry) {
    EXPECT_EQ(FreeSpaceKb(8, 512, 175), 700u);  // 4 KB clusters
    EXPECT_EQ(FreeSpaceKb(1, 512, 3), 1u);      // 1536 bytes
    EXPECT_EQ(FreeSpaceKb(0, 512, 100), 0u);
    EXPECT_EQ(FreeSpaceKb(8, 512, 0), 0u);
}

TEST(ShellSpace, ALargeDriveDoesNotWrapToASmallNumber) {
    // 64 sectors of 512 bytes, 131072 free clusters: 4 GiB, which a 32-bit
    // product would wrap to 0.
    EXPECT_EQ(FreeSpaceKb(64, 512, 131072), 4194304u);
    // 32 KB clusters, 2^32-1 free clusters: held to the largest shown value.
    EXPECT_EQ(FreeSpaceKb(64, 512, 0xFFFFFFFFu), 0x7FFFFFFFu);
    EXPECT_EQ(FreeSpaceKb(0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu), 0x7FFFFFFFu);
    EXPECT_GE(FreeSpaceKb(64, 512, 131072), kRequiredSpaceKb);
}

TEST(ShellInstallType, LocalWhenSystemIsTheSystemSubdirectory) {
    EXPECT_EQ(InstallTypeOf("C:\\WINDOWS", "C:\\WINDOWS\\SYSTEM"), kInstallLocal);
    EXPECT_EQ(InstallTypeOf("C:\\WINDOWS\\", "c:\\windows\\system\\"), kInstallLocal);
    EXPECT_EQ(InstallTypeOf("C:\\windows", "C:\\windows\\system32"), kInstallNetwork);
    EXPECT_EQ(InstallTypeOf("H:\\WIN", "F:\\WINSHARE\\SYSTEM"), kInstallNetwork);
}

TEST(ShellVersionCheck, NeedsWindows310) {
    EXPECT_EQ(WindowsVersionCode(3, 10), 778u);
    EXPECT_TRUE(WindowsVersionSupported(3, 10));
    EXPECT_TRUE(WindowsVersionSupported(4, 0));
    EXPECT_TRUE(WindowsVersionSupported(10, 0));
    EXPECT_FALSE(WindowsVersionSupported(3, 0));
    EXPECT_FALSE(WindowsVersionSupported(3, 9));
}

}  // namespace
