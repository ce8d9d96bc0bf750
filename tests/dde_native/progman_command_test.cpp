// The command texts the installer gives Program Manager, and the command
// line of a group item with its "." rule.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "progman_command.h"

namespace {

std::string CommandLine(const char* dest, const char* dir, const char* file, bool* fitted = nullptr) {
    char buf[300];
    std::memset(buf, 'x', sizeof buf);
    const bool ok = BuildItemCommandLine(buf, sizeof buf, dest, dir, file);
    if (fitted) *fitted = ok;
    return buf;
}

TEST(ItemCommandLine, SubdirectoryGetsABackslashOnEachSide) {
    EXPECT_EQ(CommandLine("C:\\VIREO", "DRIVER", "PANEL.EXE"), "C:\\VIREO\\DRIVER\\PANEL.EXE");
}

TEST(ItemCommandLine, DestinationEndingInBackslashIsNotDoubled) {
    EXPECT_EQ(CommandLine("C:\\", "DRIVER", "PANEL.EXE"), "C:\\DRIVER\\PANEL.EXE");
}

TEST(ItemCommandLine, DotDirectoryIsTheDestinationItself) {
    const std::string line = CommandLine("C:\\VIREO", ".", "VIREO.EXE");
    EXPECT_EQ(line, "C:\\VIREO\\VIREO.EXE");
    EXPECT_EQ(line.find('.'), line.rfind('.')) << "a \".\" is left in " << line;
}

TEST(ItemCommandLine, DotDirectoryUnderADriveRoot) {
    EXPECT_EQ(CommandLine("A:\\", ".", "VIREO.EXE"), "A:\\VIREO.EXE");
}

TEST(ItemCommandLine, NestedDirectoryKeepsItsBackslashes) {
    EXPECT_EQ(CommandLine("C:\\PROGRA~1\\VIREO", "UTIL\\BIN", "TLTP.EXE"), "C:\\PROGRA~1\\VIREO\\UTIL\\BIN\\TLTP.EXE");
}

TEST(ItemCommandLine, DirectoryEndingInDotLosesItsLastTwoCharacters) {
    // The rule looks only at the last character: "SUB." ends in "." too.
    EXPECT_EQ(CommandLine("C:\\VIREO", "SUB.", "A.EXE"), "C:\\VIREO\\SU\\A.EXE");
}

TEST(ItemCommandLine, MissingDirectoryPlacesTheFileInTheDestination) {
    EXPECT_EQ(CommandLine("C:\\VIREO", nullptr, "GONE.EXE"), "C:\\VIREO\\GONE.EXE");
    EXPECT_EQ(CommandLine("C:\\VIREO", "", "GONE.EXE"), "C:\\VIREO\\GONE.EXE");
}

TEST(ItemCommandLine, EmptyDestinationWithDotDirectoryLeavesTheBareFileName) {
    EXPECT_EQ(CommandLine("", ".", "VIREO.EXE"), "VIREO.EXE");
}

TEST(ItemCommandLine, TooLongIsRefusedWholeAndEmpty) {
    char buf[16];
    std::memset(buf, 'x', sizeof buf);
    EXPECT_FALSE(BuildItemCommandLine(buf, sizeof buf, "C:\\VIREO", "DRIVER", "PANEL.EXE"));
    EXPECT_STREQ(buf, "") << "a refused command line must not be half a path";
}

TEST(ItemCommandLine, ExactFitIsAccepted) {
    const char* expected = "C:\\V\\D\\P.EXE";  // 12 characters
    char buf[13];
    EXPECT_TRUE(BuildItemCommandLine(buf, sizeof buf, "C:\\V", "D", "P.EXE")) << "got " << buf;
    EXPECT_STREQ(buf, expected);
    char small[12];
    EXPECT_FALSE(BuildItemCommandLine(small, sizeof small, "C:\\V", "D", "P.EXE"));
}

TEST(ItemCommandLine, LongestRealisticLineFits) {
    std::string dest(259, 'D');
    bool fitted = false;
    std::string line;
    char buf[512];
    fitted = BuildItemCommandLine(buf, sizeof buf, dest.c_str(), std::string(29, 'S').c_str(), std::string(13, 'F').c_str());
    line = buf;
    EXPECT_TRUE(fitted);
    EXPECT_EQ(line.size(), 259u + 1 + 29 + 1 + 13) << line;
}

TEST(Commands, CreateGroup) {
    char buf[100];
    ASSERT_TRUE(BuildCreateGroupCommand(buf, sizeof buf, "ORVAN Pelora 200/250 Tools"));
    EXPECT_STREQ(buf, "[CreateGroup(ORVAN Pelora 200/250 Tools)]");
}

TEST(Commands, DeleteItem) {
    char buf[100];
    ASSERT_TRUE(BuildDeleteItemCommand(buf, sizeof buf, "Vireo for Pelora 200/250"));
    EXPECT_STREQ(buf, "[DeleteItem(Vireo for Pelora 200/250)]");
}

TEST(Commands, AddItemHasNothingBetweenTheThirdAndFourthComma) {
    char buf[100];
    ASSERT_TRUE(BuildAddItemCommand(buf, sizeof buf, "C:\\VIREO\\VIREO.EXE", "Vireo for Pelora 200/250"));
    EXPECT_STREQ(buf, "[AddItem(C:\\VIREO\\VIREO.EXE,Vireo for Pelora 200/250,,0)]");
}

TEST(Commands, AddItemWithEmptyTitle) {
    char buf[100];
    ASSERT_TRUE(BuildAddItemCommand(buf, sizeof buf, "C:\\VIREO\\X.EXE", ""));
    EXPECT_STREQ(buf, "[AddItem(C:\\VIREO\\X.EXE,,,0)]");
}

TEST(Commands, CutCommandsAreRefusedWhole) {
    char buf[20];
    EXPECT_FALSE(BuildCreateGroupCommand(buf, sizeof buf, "ORVAN Pelora 200/250 Tools"));
    EXPECT_STREQ(buf, "");
    EXPECT_FALSE(BuildDeleteItemCommand(buf, sizeof buf, "ORVAN Pelora 200/250 Print Manager"));
    EXPECT_STREQ(buf, "");
    EXPECT_FALSE(BuildAddItemCommand(buf, sizeof buf, "C:\\VIREO\\VIREO.EXE", "Vireo"));
    EXPECT_STREQ(buf, "");
}

}  // namespace
