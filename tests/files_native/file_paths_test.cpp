#include "file_paths.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

DestinationPlaces Places(std::uint32_t installType = kInstallLocal) {
    return DestinationPlaces{"C:\\VIREO", "C:\\WINDOWS", "C:\\WINDOWS\\SYSTEM", "C:\\WINDOWS\\FONTS", installType};
}

std::string Dest(const char* dirName, const char* destName, const char* sourceName,
                 std::uint32_t installType = kInstallLocal) {
    char path[kCopyPathSize];
    bool ok = BuildDestinationPath(path, sizeof path, Places(installType), dirName, destName, sourceName);
    return ok ? std::string(path) : std::string("<refused>");
}

TEST(TreeDirectoryCount, LastThreeRecordsAreNeverCreated) {
    EXPECT_EQ(TreeDirectoryCount(0), 0u);
    EXPECT_EQ(TreeDirectoryCount(1), 0u);
    EXPECT_EQ(TreeDirectoryCount(3), 0u);
    EXPECT_EQ(TreeDirectoryCount(4), 1u);
    EXPECT_EQ(TreeDirectoryCount(32), 29u);
}

TEST(IsFontSource, OnlyUpperCaseTtUnderscore) {
    EXPECT_TRUE(IsFontSource("UNIVCD.TT_"));
    EXPECT_TRUE(IsFontSource("A.TT_X"));
    EXPECT_FALSE(IsFontSource("UNIVCD.tt_"));
    EXPECT_FALSE(IsFontSource("UNIVCD.Tt_"));
    EXPECT_FALSE(IsFontSource("UNIVCD.TTF"));
    EXPECT_FALSE(IsFontSource(""));
}

TEST(SourceVariant, HopperOf200) {
    EXPECT_STREQ(SourceVariant("VELMPS.WPD", 200), "VELMPS.200");
    EXPECT_STREQ(SourceVariant("velmps.wpd", 200), "VELMPS.200");
    EXPECT_STREQ(SourceVariant("VelmPs.Wpd", 200), "VELMPS.200");
    EXPECT_STREQ(SourceVariant("VELMPS.PPD", 200), "PL200.PPD");
    EXPECT_STREQ(SourceVariant("Velmps.ppd", 200), "PL200.PPD");
}

TEST(SourceVariant, HopperOf50) {
    EXPECT_STREQ(SourceVariant("VELMPS.PPD", 50), "PL50.PPD");
    EXPECT_STREQ(SourceVariant("VELMPS.WPD", 50), "VELMPS.WPD") << "no variant of the WPD for 50 sheets";
}

TEST(SourceVariant, OtherNamesAndCapacitiesKeepTheirName) {
    const char* name = "VELMPS.DRV";
    EXPECT_EQ(SourceVariant(name, 200), name);
    EXPECT_STREQ(SourceVariant("VELMPS.PPD", 100), "VELMPS.PPD");
    EXPECT_STREQ(SourceVariant("VELMPS.WPD ", 200), "VELMPS.WPD ") << "whole names only";
    EXPECT_STREQ(SourceVariant("XVELMPS.WPD", 200), "XVELMPS.WPD");
}

TEST(BuildDestinationPath, OrdinaryDirectoryBelowDestDir) {
    EXPECT_EQ(Dest("BIN", "VIREO.EXE", "VIREO.EX_"), "C:\\VIREO\\BIN\\VIREO.EXE");
    EXPECT_EQ(Dest(".", "README.TXT", "README.TX_"), "C:\\VIREO\\.\\README.TXT");
}

TEST(BuildDestinationPath, DestDirEndingInBackslashGetsNoSecondOne) {
    DestinationPlaces places = Places();
    places.destDir = "D:\\";
    char path[kCopyPathSize];
    ASSERT_TRUE(BuildDestinationPath(path, sizeof path, places, "VIREO", "A.EXE", "A.EX_"));
    EXPECT_STREQ(path, "D:\\VIREO\\A.EXE");
}

TEST(BuildDestinationPath, WindowsAndSystemInAnyCase) {
    EXPECT_EQ(Dest("WINDOWS", "PELORA.INI", "PELORA.IN_"), "C:\\WINDOWS\\PELORA.INI");
    EXPECT_EQ(Dest("windows", "PELORA.INI", "PELORA.IN_"), "C:\\WINDOWS\\PELORA.INI");
    EXPECT_EQ(Dest("SYSTEM", "VELM.DRV", "VELM.DR_"), "C:\\WINDOWS\\SYSTEM\\VELM.DRV");
    EXPECT_EQ(Dest("System", "VELM.DRV", "VELM.DR_"), "C:\\WINDOWS\\SYSTEM\\VELM.DRV");
    EXPECT_EQ(Dest("SYSTEMS", "VELM.DRV", "VELM.DR_"), "C:\\VIREO\\SYSTEMS\\VELM.DRV");
}

TEST(BuildDestinationPath, SystemGoesToWindowsOnANetworkClient) {
    EXPECT_EQ(Dest("SYSTEM", "VELM.DRV", "VELM.DR_", kInstallNetwork), "C:\\WINDOWS\\VELM.DRV");
    EXPECT_EQ(Dest("sYsTeM", "VELM.DRV", "VELM.DR_", kInstallNetwork), "C:\\WINDOWS\\VELM.DRV");
    EXPECT_EQ(Dest("WINDOWS", "A.INI", "A.IN_", kInstallNetwork), "C:\\WINDOWS\\A.INI");
}

TEST(BuildDestinationPath, FontsGoToTheFontDirectoryWhateverTheirDirectory) {
    EXPECT_EQ(Dest("SYSTEM", "MARIGOLD.TTF", "MARIGOLD.TT_"), "C:\\WINDOWS\\FONTS\\MARIGOLD.TTF");
    EXPECT_EQ(Dest("BIN", "MARIGOLD.TTF", "MARIGOLD.TT_"), "C:\\WINDOWS\\FONTS\\MARIGOLD.TTF");
    EXPECT_EQ(Dest("BIN", "MARIGOLD.TTF", "MARIGOLD.tt_"), "C:\\VIREO\\BIN\\MARIGOLD.TTF")
        << "a lower-case .tt_ is an ordinary file";
}

TEST(BuildDestinationPath, RefusesAPathOfEightyCharacters) {
    DestinationPlaces places = Places();
    std::string dir = "C:\\" + std::string(62, 'D');  // 65 characters, as long as destDir gets
    places.destDir = dir.c_str();
    char path[kCopyPathSize];
    // 65 + "\" + 6 + "\" + 6 = 79 characters: fits exactly.
    ASSERT_TRUE(BuildDestinationPath(path, sizeof path, places, "SUBDIR", "AB.EXE", "AB.EX_"));
    EXPECT_EQ(std::strlen(path), 79u);
    // One more character is refused and leaves an empty path, not a cut one.
    EXPECT_FALSE(BuildDestinationPath(path, sizeof path, places, "SUBDIR", "ABC.EXE", "ABC.EX_"));
    EXPECT_STREQ(path, "");
    // A directory part alone longer than the limit is refused as well.
    std::string longName(29, 'N');
    EXPECT_FALSE(BuildDestinationPath(path, sizeof path, places, longName.c_str(), "A", "A"));
    EXPECT_STREQ(path, "");
}

TEST(BuildSourcePath, JoinsSetupDirSourceDirAndName) {
    char path[kCopyPathSize];
    ASSERT_TRUE(BuildSourcePath(path, sizeof path, "A:\\", "DRIVER", "VELM.DR_", 200));
    EXPECT_STREQ(path, "A:\\DRIVER\\VELM.DR_");
    ASSERT_TRUE(BuildSourcePath(path, sizeof path, "D:\\DISK2", "DRIVER", "VELM.DR_", 200));
    EXPECT_STREQ(path, "D:\\DISK2\\DRIVER\\VELM.DR_") << "a typed directory without backslash works";
    ASSERT_TRUE(BuildSourcePath(path, sizeof path, "A:\\", ".", "VELM.DR_", 200));
    EXPECT_STREQ(path, "A:\\.\\VELM.DR_");
}

TEST(BuildSourcePath, ReadsTheVariantInPlaceOfTheName) {
    char path[kCopyPathSize];
    ASSERT_TRUE(BuildSourcePath(path, sizeof path, "A:\\", "DRIVER", "velmps.wpd", 200));
    EXPECT_STREQ(path, "A:\\DRIVER\\VELMPS.200");
    ASSERT_TRUE(BuildSourcePath(path, sizeof path, "A:\\", "DRIVER", "VELMPS.PPD", 200));
    EXPECT_STREQ(path, "A:\\DRIVER\\PL200.PPD");
    ASSERT_TRUE(BuildSourcePath(path, sizeof path, "A:\\", "DRIVER", "VELMPS.PPD", 50));
    EXPECT_STREQ(path, "A:\\DRIVER\\PL50.PPD");
}

TEST(BuildSourcePath, RefusesWhatDoesNotFit) {
    std::string setupDir = "Z:\\" + std::string(62, 'S') + "\\";  // 66 characters
    char path[kCopyPathSize];
    EXPECT_FALSE(BuildSourcePath(path, sizeof path, setupDir.c_str(), "DRIVERS", "VELM.DR_", 200));
    EXPECT_STREQ(path, "");
    char small[8];
    EXPECT_FALSE(BuildSourcePath(small, sizeof small, "A:\\", "D", "ABCDE", 200));
    EXPECT_STREQ(small, "");
}

TEST(NextAttemptAction, EachResultItsStep) {
    std::uint32_t failed = 0;
    EXPECT_EQ(NextAttemptAction(kCopyDone, &failed), AttemptAction::kDone);
    EXPECT_EQ(NextAttemptAction(kCopyNoSource, &failed), AttemptAction::kAskForDisk);
    EXPECT_EQ(NextAttemptAction(kCopyNoDestination, &failed), AttemptAction::kAskRetry);
    EXPECT_EQ(failed, 0u);
}

TEST(NextAttemptAction, RepeatedCopyFailuresEndInTheRetryQuestion) {
    std::uint32_t failed = 0;
    for (std::uint32_t k = 0; k < kSilentCopyRetries; ++k)
        EXPECT_EQ(NextAttemptAction(kCopyFailed, &failed), AttemptAction::kRetrySilently) << "failure " << k + 1;
    EXPECT_EQ(NextAttemptAction(kCopyFailed, &failed), AttemptAction::kAskRetry);
    EXPECT_EQ(failed, 0u) << "asking the user starts the count again";
    EXPECT_EQ(NextAttemptAction(kCopyFailed, &failed), AttemptAction::kRetrySilently);
}

TEST(NextAttemptAction, OtherResultsResetTheCount) {
    std::uint32_t failed = 0;
    NextAttemptAction(kCopyFailed, &failed);
    NextAttemptAction(kCopyFailed, &failed);
    NextAttemptAction(kCopyNoSource, &failed);
    EXPECT_EQ(failed, 0u);
    for (std::uint32_t k = 0; k < kSilentCopyRetries; ++k)
        EXPECT_EQ(NextAttemptAction(kCopyFailed, &failed), AttemptAction::kRetrySilently) << "failure " << k + 1;
}

}  // namespace

TEST(DestinationTexts, TheNameAndTheDirectoryUnlessAFontsAreChecked) {
    EXPECT_TRUE(DestinationTextsInside("DRIVER\\PS", "VELMPS.PPD", "VELMPS.PPD"));
    EXPECT_TRUE(DestinationTextsInside("..\\ANYWHERE", "MARIGOLD.TTF", "MARIGOLD.TT_")) << "a font's is not used";
    EXPECT_FALSE(DestinationTextsInside("FONTS", "..\\X.TTF", "X.TT_"));
    EXPECT_FALSE(DestinationTextsInside(".", "..\\..\\BOOT.INI", "X"));
    EXPECT_FALSE(DestinationTextsInside("..\\Users\\Admin", "X.DOC", "X"));
    EXPECT_FALSE(DestinationTextsInside("SYSTEM", "C:\\X.DLL", "X"));
    EXPECT_FALSE(DestinationTextsInside("WINDOWS", "HELP\\OTHER.HLP", "X")) << "a folder of its own";
    EXPECT_FALSE(DestinationTextsInside("FONTS", "SUB\\X.TTF", "X.TT_"));
    EXPECT_TRUE(DestinationTextsInside("DRIVER", "PS\\X.PPD", "X")) << "below the destination";
}
