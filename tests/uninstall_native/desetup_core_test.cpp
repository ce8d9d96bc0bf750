// Start-up, layout, protected names, the directory that may be emptied and
// the WIN.INI run value rule.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "clearable_dir.h"
#include "desetup_core.h"

namespace {

std::string RunAfterRemoval(const std::string& run, const char* program, bool* found) {
    std::string buffer = run;
    buffer.push_back('\0');
    *found = RemoveRunEntry(&buffer[0], program);
    return std::string(buffer.c_str());
}

}  // namespace

TEST(CommandLine, ExternalInAnyCaseSelectsSilentMode) {
    EXPECT_TRUE(IsExternalCommandLine("External"));
    EXPECT_TRUE(IsExternalCommandLine("EXTERNAL"));
    EXPECT_TRUE(IsExternalCommandLine("external"));
}

TEST(CommandLine, OnlyTheWholeTailCounts) {
    EXPECT_FALSE(IsExternalCommandLine("External now"));
    EXPECT_FALSE(IsExternalCommandLine("Extern"));
    EXPECT_FALSE(IsExternalCommandLine(""));
    EXPECT_FALSE(IsExternalCommandLine(" External"));
    EXPECT_FALSE(IsExternalCommandLine(nullptr));
}

TEST(Display, MoreThan256ColoursCountsAsColour) {
    EXPECT_TRUE(IsColourDisplay(-1));
    EXPECT_TRUE(IsColourDisplay(16));
    EXPECT_TRUE(IsColourDisplay(3));
    EXPECT_FALSE(IsColourDisplay(2));
    EXPECT_FALSE(IsColourDisplay(0));
}

TEST(Layout, ColourScreenOf640GetsA440WideWindow) {
    LayoutCase layout = ChooseLayout(IsColourDisplay(-1), 640, 480);
    ASSERT_EQ(layout, kLayoutWindowed);
    LayoutRect main = MainWindowLayout(layout, 640, 0, 0, 640, 480);
    EXPECT_EQ(main.width, 440);
    EXPECT_EQ(main.height, 400);
    EXPECT_EQ(main.x, 100);
    EXPECT_EQ(main.y, 40);
    LayoutRect status = StatusLineLayout(layout, main.x, main.y, main.x + main.width, main.y + main.height);
    EXPECT_EQ(status.x, 20);
    EXPECT_EQ(status.y, 350);
    EXPECT_EQ(status.width, 400);
    EXPECT_EQ(status.height, 30);
}

TEST(Layout, WiderScreensGetA500WideWindow) {
    LayoutRect main = MainWindowLayout(ChooseLayout(true, 641, 480), 641, 0, 0, 641, 480);
    EXPECT_EQ(main.width, 500) << "641 pixels wide";
    EXPECT_EQ(main.x, 70);  // (641 - 500) / 2 truncated
    main = MainWindowLayout(ChooseLayout(true, 1024, 768), 1024, 0, 0, 1024, 768);
    EXPECT_EQ(main.width, 500);
    EXPECT_EQ(main.x, 262);
    EXPECT_EQ(main.y, 184);
}

TEST(Layout, SmallColourScreenGetsAFullHeightWindow) {
    LayoutCase layout = ChooseLayout(true, 439, 400);
    ASSERT_EQ(layout, kLayoutTall);
    EXPECT_EQ(ChooseLayout(true, 640, 399), kLayoutTall);
    LayoutRect main = MainWindowLayout(layout, 439, 0, 0, 439, 400);
    EXPECT_EQ(main.x, -30);  // (439 - 500) / 2 truncated toward zero
    EXPECT_EQ(main.y, 0);
    EXPECT_EQ(main.width, 500);
    EXPECT_EQ(main.height, 400);
    LayoutRect status = StatusLineLayout(layout, -30, 0, 470, 400);
    EXPECT_EQ(status.x, 60);
    EXPECT_EQ(status.y, 350);
    EXPECT_EQ(status.width, 380);
}

TEST(Layout, MonochromeScreenGetsAWideFullHeightWindow) {
    LayoutCase layout = ChooseLayout(false, 1024, 768);
    ASSERT_EQ(layout, kLayoutMono);
    LayoutRect main = MainWindowLayout(layout, 1024, 0, 0, 1024, 768);
    EXPECT_EQ(main.x, 110);
    EXPECT_EQ(main.y, 0);
    EXPECT_EQ(main.width, 824);
    EXPECT_EQ(main.height, 768);
    LayoutRect status = StatusLineLayout(layout, 110, 0, 934, 768);
    EXPECT_EQ(status.x, 75);
    EXPECT_EQ(status.y, 718);
    EXPECT_EQ(status.width, 724);
    EXPECT_EQ(status.height, 30);
}

TEST(Version, TailStartsAtTheFirstBlank) {
    EXPECT_STREQ(VersionTail("Version 2.10"), " 2.10");
    EXPECT_STREQ(VersionTail("@"), " 1.00");
    EXPECT_STREQ(VersionTail("@anything"), " 1.00");
    EXPECT_STREQ(VersionTail("V 3 beta"), " 3 beta");
    EXPECT_STREQ(VersionTail("2.10"), "") << "no blank: nothing after the product word";
    EXPECT_STREQ(VersionTail(""), "");
}

TEST(ProtectedNames, SharedDriversAndTheUninstallerStay) {
    for (const char* name : {"hppcl.drv", "HPPCL5E.DRV", "UniDrv.dll", "UNIDRV.HLP", "finstall.dll", "FINSTALL.HLP",
                             "ORVPCL.DRV", "orvpcl.hlp", "PSCRIPT.HLP", "pscript.drv", "VAZAZUD.DLL", "vazazud.dll",
                             "tldelet.exe", "TLDELET.EXE", "VAZAZUD.DLL.", "TLDELET.EXE . "}) {
        EXPECT_TRUE(IsProtectedFileName(name)) << name;
    }
}

TEST(ProtectedNames, EverythingElseGoes) {
    for (const char* name : {"VIREO.EXE", "PELORASD.EXE", "HPPC.DRV", "UNIDR.DLL", "FINSTAL.DLL", "ORVPC.DRV",
                             "PSCRIP.DRV", "VAZAZU.DLL", "VAZAZUD.TMP", "vazazud.dll.old", "TLDELET.EX",
                             "TLDELET.EXE.BAK", "XHPPCL.DRV", ""}) {
        EXPECT_FALSE(IsProtectedFileName(name)) << name;
    }
}

TEST(ClearedDir, OnlyASubdirectoryOfTheInstallationDirectory) {
    for (const char* text : {"USER", "Spool\\Old", ".\\USER", "WINDOWS.OLD"}) EXPECT_TRUE(IsClearableDirText(text)) << text;
    for (const char* text : {"WINDOWS", "System", "", ".", ". \\.", "..\\X", "A\\..\\B", "C:\\X", "X:Y", "\\V", "/V"}) {
        EXPECT_FALSE(IsClearableDirText(text)) << "\"" << text << "\"";
    }
    const char *win = "C:\\WINDOWS", *sys = "C:\\WINDOWS\\SYSTEM";
    EXPECT_TRUE(IsClearableDirPath("C:\\USER", win, sys, "C:\\"));
    for (const char* path : {"c:\\windows\\", "C:\\Windows\\System", "C:\\VIREO\\", "D:", "\\\\SERVER\\SHARE\\"}) {
        EXPECT_FALSE(IsClearableDirPath(path, win, sys, "C:\\vireo")) << path;
    }
}

TEST(TrimLine, BlanksTabsAndNewlinesGoFromBothEnds) {
    char text[] = " \t\n  abc def \t\n ";
    TrimLine(text);
    EXPECT_STREQ(text, "abc def");
    char cr[] = " abc\r";
    TrimLine(cr);
    EXPECT_STREQ(cr, "abc\r") << "carriage returns are not trimmed";
    char blanks[] = "   ";
    TrimLine(blanks);
    EXPECT_STREQ(blanks, "");
}

TEST(SystemDir, ElsewhereThanWindowsSystemSetsTheFlag) {
    EXPECT_FALSE(SystemFilesBelongInWindowsDir("C:\\WINDOWS", "C:\\WINDOWS\\SYSTEM"));
    EXPECT_FALSE(SystemFilesBelongInWindowsDir("C:\\windows", "c:\\WINDOWS\\system\\"));
    EXPECT_FALSE(SystemFilesBelongInWindowsDir("C:\\", "C:\\SYSTEM"));
    EXPECT_TRUE(SystemFilesBelongInWindowsDir("C:\\WINDOWS", "C:\\WINDOWS\\SYSTEM32"));
    EXPECT_TRUE(SystemFilesBelongInWindowsDir("H:\\WIN", "F:\\SHARED\\SYSTEM"));
}

TEST(RunValue, OnlyTheStatusProgramLeavesEmpty) {
    bool found = false;
    EXPECT_EQ(RunAfterRemoval("C:\\VIREO\\PELORASD.EXE", "C:\\VIREO\\PELORASD.EXE", &found), "");
    EXPECT_TRUE(found);
}

TEST(RunValue, ProgramsAroundItStaySeparatedByTheBlankThatFollowedIt) {
    bool found = false;
    EXPECT_EQ(RunAfterRemoval("C:\\WINDOWS\\CLOCK.EXE C:\\VIREO\\PELORASD.EXE C:\\TOOLS\\NOTE.EXE",
                              "C:\\VIREO\\PELORASD.EXE", &found),
              "C:\\WINDOWS\\CLOCK.EXE C:\\TOOLS\\NOTE.EXE");
    EXPECT_TRUE(found);
    EXPECT_EQ(RunAfterRemoval("C:\\VIREO\\PELORASD.EXE C:\\WINDOWS\\CLOCK.EXE", "C:\\VIREO\\PELORASD.EXE", &found),
              "C:\\WINDOWS\\CLOCK.EXE");
    EXPECT_EQ(RunAfterRemoval("C:\\WINDOWS\\CLOCK.EXE C:\\VIREO\\PELORASD.EXE\t ", "C:\\VIREO\\PELORASD.EXE",
                              &found),
              "C:\\WINDOWS\\CLOCK.EXE ")
        << "the text before the entry keeps its blank";
}

TEST(RunValue, OnlyAWholeEntryIsTakenOut) {
    const std::string others = "C:\\VIREO\\PELORASD.EXEC D:\\C:\\VIREO\\PELORASD.EXE\tC:\\VIREO\\PELORASD.EXE.BAK ";
    bool found = true;
    EXPECT_EQ(RunAfterRemoval(others + "C:\\T.EXE", "C:\\VIREO\\PELORASD.EXE", &found), others + "C:\\T.EXE");
    EXPECT_FALSE(found);
    EXPECT_EQ(RunAfterRemoval(others + "C:\\VIREO\\PELORASD.EXE C:\\T.EXE", "C:\\VIREO\\PELORASD.EXE", &found),
              others + "C:\\T.EXE");
    EXPECT_TRUE(found);
}

TEST(RunValue, SearchIsCaseSensitive) {
    bool found = true;
    EXPECT_EQ(RunAfterRemoval("C:\\VIREO\\PELORASD.EXE", "c:\\vireo\\PELORASD.EXE", &found), "C:\\VIREO\\PELORASD.EXE");
    EXPECT_FALSE(found);
    EXPECT_EQ(RunAfterRemoval("C:\\WINDOWS\\CLOCK.EXE", "C:\\VIREO\\PELORASD.EXE", &found), "C:\\WINDOWS\\CLOCK.EXE");
    EXPECT_FALSE(found);
    EXPECT_EQ(RunAfterRemoval("C:\\WINDOWS\\CLOCK.EXE", "", &found), "C:\\WINDOWS\\CLOCK.EXE");
    EXPECT_FALSE(found);
}

TEST(RunValue, LongValuesKeepTheirEnd) {
    std::string before;
    for (int i = 0; i < 30; ++i) before += "C:\\PROGRAMS\\TOOL" + std::to_string(i) + ".EXE ";
    std::string after = "C:\\LAST\\PROGRAM\\AT\\THE\\VERY\\END.EXE";
    ASSERT_GT(before.size() + after.size(), 400u);
    bool found = false;
    EXPECT_EQ(RunAfterRemoval(before + "C:\\VIREO\\PELORASD.EXE " + after, "C:\\VIREO\\PELORASD.EXE", &found),
              before + after);
    EXPECT_TRUE(found);
    std::string tail = before + "C:\\VIREO\\PELORASD.EXE";
    EXPECT_EQ(RunAfterRemoval(tail, "C:\\VIREO\\PELORASD.EXE", &found), before) << "entry found after 300 characters";
    EXPECT_TRUE(found);
}
