#include <gtest/gtest.h>

#include <string>

#include "previous_search.h"

namespace {

std::string Candidates(const char* dir, const char* deleteFile) {
    char paths[kMaxPreviousCandidates][kCandidatePathSize];
    int n = PreviousUninstallerCandidates(dir, deleteFile, paths);
    std::string all;
    for (int i = 0; i < n; ++i) all += std::string(paths[i]) + "|";
    return all;
}

TEST(PreviousSearch, DeleteFileNameIsTheOnlyCandidate) {
    EXPECT_EQ(Candidates("C:\\VIREO", "TLDELET.EXE"), "C:\\VIREO\\TLDELET.EXE|");
    EXPECT_EQ(Candidates("C:\\", "TLDELET.EXE"), "C:\\TLDELET.EXE|");
}

TEST(PreviousSearch, MissingDeleteFileTriesTheFourNamesInOrder) {
    const std::string expected =
        "C:\\VIREO\\TLDELETE.EXE|C:\\VIREO\\DALDELET.EXE|C:\\VIREO\\QRDELETE.EXE|C:\\VIREO\\MPDELETE.EXE|";
    EXPECT_EQ(Candidates("C:\\VIREO", "@"), expected);
    EXPECT_EQ(Candidates("C:\\VIREO", ""), expected);
    EXPECT_EQ(Candidates("C:\\VIREO", "@TLDELET.EXE"), expected);
}

TEST(PreviousSearch, OverlongPathsAreLeftOut) {
    std::string dir(kCandidatePathSize - 5, 'D');
    EXPECT_EQ(Candidates(dir.c_str(), "TLDELET.EXE"), "");
    EXPECT_EQ(Candidates(dir.c_str(), "@"), "");
}

TEST(PreviousSearch, OfferNeedsUninstallerTextAndDirectory) {
    EXPECT_TRUE(PreviousRemovalOffered(true, true, "C:\\VIREO"));
    EXPECT_FALSE(PreviousRemovalOffered(false, true, "C:\\VIREO"));
    EXPECT_FALSE(PreviousRemovalOffered(true, false, "C:\\VIREO"));
    EXPECT_FALSE(PreviousRemovalOffered(true, true, ""));
    EXPECT_FALSE(PreviousRemovalOffered(true, true, "@"));
    EXPECT_TRUE(SettingMissing("@C:\\VIREO"));
    EXPECT_FALSE(SettingMissing("C:\\VIREO"));
}

}  // namespace
