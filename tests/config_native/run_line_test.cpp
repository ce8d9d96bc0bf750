#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "run_line.h"

namespace {

std::string Update(const std::string& oldValue, const char* dir = "C:\\VIREO") {
    char entry[kRunEntrySize];
    EXPECT_TRUE(BuildRunEntry(entry, sizeof entry, dir)) << "entry for " << dir;
    static char result[8192];
    bool ok = UpdateRunValue(result, sizeof result, oldValue.c_str(), entry);
    EXPECT_TRUE(ok) << "update of '" << oldValue << "' failed";
    return result;
}

}  // namespace

TEST(RunLine, EntryJoinsWithOneBackslashAndIsUpperCase) {
    char entry[kRunEntrySize];
    ASSERT_TRUE(BuildRunEntry(entry, sizeof entry, "c:\\vireo"));
    EXPECT_STREQ(entry, "C:\\VIREO\\PELORASD.EXE");
    ASSERT_TRUE(BuildRunEntry(entry, sizeof entry, "C:\\"));
    EXPECT_STREQ(entry, "C:\\PELORASD.EXE");
    char tiny[8];
    EXPECT_FALSE(BuildRunEntry(tiny, sizeof tiny, "C:\\VIREO"));
    EXPECT_STREQ(tiny, "") << "a cut entry must not be used";
}

TEST(RunLine, EmptyValueBecomesTheEntryAlone) {
    EXPECT_EQ(Update(""), "C:\\VIREO\\PELORASD.EXE");
    EXPECT_EQ(Update("   "), "C:\\VIREO\\PELORASD.EXE");
}

TEST(RunLine, OtherProgramsFollowTheEntryInUpperCase) {
    EXPECT_EQ(Update("c:\\windows\\clock.exe"), "C:\\VIREO\\PELORASD.EXE C:\\WINDOWS\\CLOCK.EXE");
    EXPECT_EQ(Update("a.exe b.exe"), "C:\\VIREO\\PELORASD.EXE A.EXE B.EXE");
}

TEST(RunLine, EarlierEntryAtTheStartIsReplacedAndTheRestKept) {
    EXPECT_EQ(Update("D:\\OLD\\PELORASD.EXE c:\\windows\\clock.exe"),
              "C:\\VIREO\\PELORASD.EXE C:\\WINDOWS\\CLOCK.EXE");
    EXPECT_EQ(Update("d:\\old\\pelorasd.exe"), "C:\\VIREO\\PELORASD.EXE") << "found case-blind";
}

TEST(RunLine, SameInstallationTwiceDoesNotAddASecondEntry) {
    std::string once = Update("C:\\WINDOWS\\CLOCK.EXE");
    std::string twice = Update(once);
    EXPECT_EQ(twice, once);
}

TEST(RunLine, EntriesInFrontOfTheEarlierEntrySurviveAfterTheNewEntry) {
    EXPECT_EQ(Update("A.EXE B.EXE D:\\OLD\\PELORASD.EXE C.EXE"), "C:\\VIREO\\PELORASD.EXE A.EXE B.EXE C.EXE");
    EXPECT_EQ(Update("A.EXE\tD:\\OLD\\PELORASD.EXE"), "C:\\VIREO\\PELORASD.EXE A.EXE");
    EXPECT_EQ(Update("  D:\\OLD\\PELORASD.EXE X.EXE"), "C:\\VIREO\\PELORASD.EXE X.EXE");
}

TEST(RunLine, OnlyTheFirstEarlierEntryIsReplaced) {
    EXPECT_EQ(Update("D:\\A\\PELORASD.EXE E:\\B\\PELORASD.EXE"), "C:\\VIREO\\PELORASD.EXE E:\\B\\PELORASD.EXE");
}

TEST(RunLine, OnlyWholeEntriesNamedPelorasdAreReplaced) {
    EXPECT_EQ(Update("C:\\X\\MYPELORASD.EXE Y.EXE"), "C:\\VIREO\\PELORASD.EXE C:\\X\\MYPELORASD.EXE Y.EXE");
    EXPECT_EQ(Update("C:\\A\\PELORASD.EXE.BAK"), "C:\\VIREO\\PELORASD.EXE C:\\A\\PELORASD.EXE.BAK");
    EXPECT_EQ(Update("x\\mypelorasd.exe d:\\Pelorasd.Exe z.exe"), "C:\\VIREO\\PELORASD.EXE X\\MYPELORASD.EXE Z.EXE");
    EXPECT_EQ(Update("A.EXE C:PELORASD.EXE B.EXE"), "C:\\VIREO\\PELORASD.EXE A.EXE B.EXE") << "name after a colon";
    EXPECT_EQ(Update("PELORASD.EXE B.EXE"), "C:\\VIREO\\PELORASD.EXE B.EXE") << "name without a path";
}

TEST(RunLine, LongValuesKeepTheirEnd) {
    std::string old;
    for (int i = 0; i < 30; ++i) old += "C:\\PROGS\\TOOL" + std::to_string(i) + ".EXE ";
    old += "C:\\LAST\\END.EXE";
    ASSERT_GT(old.size(), 99u);
    std::string updated = Update(old);
    EXPECT_EQ(updated, "C:\\VIREO\\PELORASD.EXE " + old);
    std::string replaced = Update("X:\\OLD\\PELORASD.EXE " + old);
    EXPECT_EQ(replaced, "C:\\VIREO\\PELORASD.EXE " + old);
}

TEST(RunLine, ResultThatDoesNotFitIsRefusedNotCut) {
    char entry[kRunEntrySize];
    ASSERT_TRUE(BuildRunEntry(entry, sizeof entry, "C:\\VIREO"));
    char small[30];
    EXPECT_FALSE(UpdateRunValue(small, sizeof small, "C:\\WINDOWS\\CLOCK.EXE", entry));
    EXPECT_STREQ(small, "");
    // The room sized from the old value holds any length; one byte less is
    // refused, not cut.
    const std::string huge(5000, 'A');
    std::vector<char> big(RunNewValueSize(huge.size(), std::strlen(entry)));
    EXPECT_TRUE(UpdateRunValue(big.data(), big.size(), huge.c_str(), entry));
    EXPECT_FALSE(UpdateRunValue(big.data(), big.size() - 1, huge.c_str(), entry));
    EXPECT_STREQ(big.data(), "");
}
