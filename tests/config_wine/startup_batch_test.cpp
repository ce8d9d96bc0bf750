// winstart.bat and oldstart.bat on a machine with and without an earlier
// winstart.bat.
#include <windows.h>

#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "config_steps.h"
#include "config_support.h"

namespace {

class StartupBatch : public ::testing::Test {
protected:
    void SetUp() override {
        ResetSetupState();
        batch = InWindows("winstart.bat");
        saved = InWindows("oldstart.bat");
        RemoveFile(batch);
        RemoveFile(saved);
        win = WindowsDir();
        copyLine = "copy " + SystemDir() + "\\VAZAZUD.TMP " + SystemDir() + "\\VAZAZUD.DLL";
    }
    void TearDown() override {
        RemoveFile(batch);
        RemoveFile(saved);
    }
    std::string batch, saved, win, copyLine;
};

}  // namespace

TEST_F(StartupBatch, NoEarlierFileGivesThreeLinesTheLastWithoutLineEnd) {
    WriteStartupBatch();
    EXPECT_EQ(ReadBytes(batch), "@echo off\r\n" + copyLine + "\r\ndel " + win + "\\winstart.bat");
    EXPECT_FALSE(FileExists(saved));
}

TEST_F(StartupBatch, FileOfAnotherProgramBecomesOldstartAndIsCalled) {
    const std::string other = "@echo off\r\nC:\\TOOLS\\PREP.EXE\r\n";
    ASSERT_TRUE(WriteBytes(batch, other));
    WriteStartupBatch();
    EXPECT_EQ(ReadBytes(saved), other);
    EXPECT_EQ(ReadBytes(batch), "@echo off\r\n" + copyLine + "\r\n" + win + "\\oldstart.bat\r\nmove /y " + win +
                                    "\\oldstart.bat " + win + "\\winstart.bat");
}

TEST_F(StartupBatch, FoundSelfDeletingLineGetsTheNewLinesInFrontAndEverythingElseStays) {
    const std::string before = "rem another program\r\nC:\\TOOLS\\PREP.EXE\r\n";
    // The line is matched case-blind: written here in upper case.
    std::string line = "DEL " + win + "\\WINSTART.BAT";
    for (char& c : line) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const std::string after = "\r\nrem after the line\r\nC:\\TOOLS\\LAST.EXE";
    ASSERT_TRUE(WriteBytes(batch, before + line + after));
    WriteStartupBatch();
    EXPECT_EQ(ReadBytes(batch), before + "@echo off\r\n" + copyLine + " \r\n" + line + after);
    EXPECT_FALSE(FileExists(saved)) << "nothing is renamed when the line is found";
}

TEST_F(StartupBatch, SecondInstallationFindsItsOwnFile) {
    WriteStartupBatch();
    const std::string first = ReadBytes(batch);
    WriteStartupBatch();
    const std::string header = "@echo off\r\n" + copyLine + "\r\n";
    EXPECT_EQ(ReadBytes(batch), header + "@echo off\r\n" + copyLine + " \r\ndel " + win + "\\winstart.bat");
    EXPECT_EQ(first, header + "del " + win + "\\winstart.bat");
}

TEST_F(StartupBatch, ExistingOldstartIsNeverOverwrittenAndTheCopyGoesInFront) {
    const std::string other = "C:\\TOOLS\\PREP.EXE\r\nrem last line without line end";
    const std::string older = "C:\\TOOLS\\OLDER.EXE\r\n";
    ASSERT_TRUE(WriteBytes(batch, other));
    ASSERT_TRUE(WriteBytes(saved, older));
    WriteStartupBatch();
    EXPECT_EQ(ReadBytes(saved), older);
    EXPECT_EQ(ReadBytes(batch), "@echo off\r\n" + copyLine + "\r\n" + other)
        << "the other program's file follows the two new lines";
}

TEST_F(StartupBatch, FindBatchLineCountsBytesOfAnOpenFile) {
    const std::string text = "rem x\r\n\r\ndel c:\\w\\winstart.bat\r\nrem y";
    ASSERT_TRUE(WriteBytes(batch, text));
    OFSTRUCT info;
    HFILE file = OpenFile(batch.c_str(), &info, OF_READ);
    ASSERT_NE(file, HFILE_ERROR);
    long start = -1;
    EXPECT_EQ(FindBatchLine(file, "DEL C:\\W\\WINSTART.BAT", &start), 9 + 21);
    EXPECT_EQ(start, 9);
    _llseek(file, 0, FILE_BEGIN);
    EXPECT_EQ(FindBatchLine(file, "rem y", nullptr), static_cast<long>(text.size())) << "last line without line end";
    _llseek(file, 0, FILE_BEGIN);
    EXPECT_EQ(FindBatchLine(file, "rem z", nullptr), -1);
    _lclose(file);
}
