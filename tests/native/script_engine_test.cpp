// Grammar and query tests of the setup-script engine. Built once per flavour:
// TLS_UNINSTALLER selects the uninstaller's descriptions and widths.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <unistd.h>

#include "script_engine.h"

namespace {

class ScriptTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::memset(&g_setupScript, 0, sizeof g_setupScript);
        g_scriptHopperCapacity = 200;
    }
    // Parses text given with "\n" line ends, turned into CR LF.
    void Parse(const std::string& lines, bool crlf = true) {
        std::string text;
        for (char c : lines) {
            if (c == '\n' && crlf) text += '\r';
            text += c;
        }
        std::vector<char> buf(text.begin(), text.end());
        buf.push_back('\0');
        ScriptParseText(buf.data());
    }
    std::string Text(std::uint32_t op, std::uint16_t index, std::uint32_t* result = nullptr) {
        char buf[kScriptBufferSize];
        std::memset(buf, 'x', sizeof buf);
        buf[sizeof buf - 1] = '\0';
        std::uint32_t r = ScriptQuery(op, index, buf);
        if (result) *result = r;
        return buf;
    }
    std::uint32_t Number(std::uint32_t op, std::uint16_t index) { return ScriptQuery(op, index, nullptr); }
    std::uint32_t FindName(const char* name) {
        char buf[kScriptBufferSize];
        std::snprintf(buf, sizeof buf, "%s", name);
        return ScriptQuery(kOpFindFileDir, 0, buf);
    }
};

const char* kSample =
    "; sample package\n"
    "[Application]\n"
    "AppName = Vireo ; not a comment\n"
    "DefDir=C:\\VIREO\n"
    "SpaceNeeded=2000\n"
    "DefPMGroup=PELORA.GRP, ORVAN Pelora 200/250 Tools\n"
    "[Disks]\n"
    "1=Disk 1\n"
    "2=Disk 2\n"
    "[Dirs]\n"
    "1=.\n"
    "2=DRIVER\n"
    "3=WINDOWS\n"
    "4=SYSTEM\n"
    "[Files]\n"
    "VIREO.EXE,1,VIREO.EX_,1,1,Y\n"
    "PANEL.EXE,2,PANEL.EX_,2,2,N\n"
    "LOGO.BMP,1,LOGO200.BM_,1,1,Y,200\n"
    "[PM Info]\n"
    "VIREO.EXE,3\n"
    "PANEL.EXE,4,VIREO.EXE,2\n"
    "[End]\n";

TEST_F(ScriptTest, SampleScriptFillsEveryTable) {
    Parse(kSample);
    EXPECT_EQ(Text(kOpAppName, 0), "Vireo ; not a comment");
    EXPECT_EQ(Text(kOpDefDir, 0), "C:\\VIREO");
    EXPECT_EQ(Number(kOpSpaceNeeded, 0), 2000u);
    EXPECT_EQ(Text(kOpGroupFile, 0), "PELORA.GRP");
    EXPECT_EQ(Text(kOpGroupName, 0), "ORVAN Pelora 200/250 Tools");
    EXPECT_EQ(Number(kOpDiskCount, 0), 2u);
    EXPECT_EQ(Number(kOpDirCount, 0), 4u);
    EXPECT_EQ(Number(kOpFileCount, 0), 3u);
    EXPECT_EQ(Number(kOpItemCount, 0), 2u);
    EXPECT_EQ(Text(kOpDiskName, 1), "Disk 2");
    EXPECT_EQ(Text(kOpDirName, 2), "WINDOWS");
    EXPECT_EQ(Text(kOpFileDestName, 1), "PANEL.EXE");
    EXPECT_EQ(Text(kOpFileSourceName, 1), "PANEL.EX_");
    EXPECT_EQ(Number(kOpFileExpand, 0), 1u);
    EXPECT_EQ(Number(kOpFileExpand, 1), 0u);
    EXPECT_EQ(Text(kOpFileDestName, 2), "LOGO.BMP");
}

TEST_F(ScriptTest, HeadersIgnoreCaseAndBlanksButNotTrailingText) {
    Parse("  [dIsKs]  \n1=A\n[Dirs] ; comment\n1=IGNORED\n[DIRS]\n\t2=KEPT\n");
    EXPECT_EQ(Number(kOpDiskCount, 0), 1u);
    EXPECT_EQ(Number(kOpDirCount, 0), 1u);
    EXPECT_EQ(Text(kOpDirName, 0), "KEPT");
}

TEST_F(ScriptTest, UnknownHeaderAndLinesBeforeFirstHeaderAreIgnored) {
    Parse("1=BEFORE\n[Disks]\n1=A\n[Other]\n2=B\n[Disks]\n3=C\n");
    ASSERT_EQ(Number(kOpDiskCount, 0), 2u);
    EXPECT_EQ(Text(kOpDiskName, 0), "A");
    EXPECT_EQ(Text(kOpDiskName, 1), "C");
}

TEST_F(ScriptTest, CommentOnlyAsFirstNonBlank) {
    Parse("[Dirs]\n   ; 1=COMMENT\n2=A;B\n");
    ASSERT_EQ(Number(kOpDirCount, 0), 1u);
    EXPECT_EQ(Text(kOpDirName, 0), "A;B");
}

TEST_F(ScriptTest, NumbersTakeLeadingDigitsModulo16Bits) {
    Parse("[Dirs]\n12ab=A\n=B\n65537=C\nx7=D\n");
    ASSERT_EQ(Number(kOpDirCount, 0), 4u);
    EXPECT_EQ(Number(kOpFindDir, 12), 0u);
    EXPECT_EQ(Number(kOpFindDir, 1), 2u);   // 65537 reads as 1
    EXPECT_EQ(Number(kOpFindDir, 0), 3u);   // "x7" reads as 0, later than ""
}

TEST_F(ScriptTest, SpaceNeededIsUnsignedAnd32Bit) {
    Parse("[Application]\nSpaceNeeded=-5\n");
    EXPECT_EQ(Number(kOpSpaceNeeded, 0), 0u);
    Parse("[Application]\nSpaceNeeded=4294967297\n");
    EXPECT_EQ(Number(kOpSpaceNeeded, 0), 1u);
}

TEST_F(ScriptTest, LaterApplicationKeyWinsAndKeysIgnoreCase) {
    Parse("[Application]\nappname=First\nAPPNAME=Second\nUnknown=x\n");
    EXPECT_EQ(Text(kOpAppName, 0), "Second");
}

TEST_F(ScriptTest, HopperTagsSelectBitmapAndIniRecords) {
    Parse("[Files]\n"
          "A.BMP,1,A50.BM_,1,1,Y,50\n"
          "B.BMP,1,B.BM_,1,1,Y,aLl\n"
          "C.INI,1,C200.IN_,1,1,N, 200 \n"
          "D.ini,1,D.IN_,1,1,N\n"
          "E.Bmp,1,E.BM_,1,1,N\n");
    ASSERT_EQ(Number(kOpFileCount, 0), 3u);
    EXPECT_EQ(Text(kOpFileDestName, 0), "B.BMP");  // the dropped record takes no place
    EXPECT_EQ(Text(kOpFileDestName, 1), "C.INI");
    EXPECT_EQ(Text(kOpFileDestName, 2), "E.Bmp");  // ".Bmp" is an ordinary record
}

TEST_F(ScriptTest, HopperOf50KeepsTheOtherVariant) {
    g_scriptHopperCapacity = 50;
    Parse("[Files]\nA.BMP,1,A50.BM_,1,1,Y,50\nA.BMP,1,A200.BM_,1,1,Y,200\n");
    ASSERT_EQ(Number(kOpFileCount, 0), 1u);
    EXPECT_EQ(Text(kOpFileSourceName, 0), "A50.BM_");
}

TEST_F(ScriptTest, ExpandFlagIsFirstCharacterOfSixthField) {
    Parse("[Files]\nA,1,A,1,1,y\nB,1,B,1,1,N\nC,1,C,1,1,   \nD,1,D,1,1, Yes,extra\n");
    ASSERT_EQ(Number(kOpFileCount, 0), 4u);
    EXPECT_EQ(Number(kOpFileExpand, 0), 1u);
    EXPECT_EQ(Number(kOpFileExpand, 1), 0u);
    EXPECT_EQ(Number(kOpFileExpand, 2), 0u);
    EXPECT_EQ(Number(kOpFileExpand, 3), 1u);
}

TEST_F(ScriptTest, MalformedLinesAreIgnored) {
    Parse("[Application]\nDefPMGroup=NOCOMMA\n"
          "[Disks]\nno equals sign\n"
          "[Files]\nA,1,A,1,1\nX.BMP,1,X,1,1,Y\n"
          "[PM Info]\nNOCOMMA\nA,1,ICON\n");
    EXPECT_EQ(Text(kOpGroupFile, 0), "");
    EXPECT_EQ(Number(kOpDiskCount, 0), 0u);
    EXPECT_EQ(Number(kOpFileCount, 0), 0u);
    EXPECT_EQ(Number(kOpItemCount, 0), 0u);
}

TEST_F(ScriptTest, TextAfterEndIsNeverExamined) {
    Parse("[Disks]\n1=A\n[End]\n[Disks]\n2=B\n");
    EXPECT_EQ(Number(kOpDiskCount, 0), 1u);
}

TEST_F(ScriptTest, MissingEndAndLastLineWithoutLineEndStop) {
    Parse("[Disks]\n1=A\n2=B");
    ASSERT_EQ(Number(kOpDiskCount, 0), 2u);
    EXPECT_EQ(Text(kOpDiskName, 1), "B");
}

TEST_F(ScriptTest, LoneLineFeedsAreLineEnds) {
    Parse("[Disks]\n1=A\n2=B\n", false);
    ASSERT_EQ(Number(kOpDiskCount, 0), 2u);
    EXPECT_EQ(Text(kOpDiskName, 0), "A");
}

TEST_F(ScriptTest, CharacterAfterCarriageReturnIsSkippedUnexamined) {
    // "\rX" swallows the X: the next line reads "1=A".
    std::vector<char> text;
    const char raw[] = "[Disks]\rX1=A\r\n";
    text.assign(raw, raw + sizeof raw);
    ScriptParseText(text.data());
    ASSERT_EQ(Number(kOpDiskCount, 0), 1u);
    EXPECT_EQ(Number(kOpFindDisk, 1), 0u);
}

TEST_F(ScriptTest, OverlongLinesAndFieldsAreDropped) {
    std::string longName(50, 'N');  // one more than a destination name holds
    std::string longLine = "2=" + std::string(98, 'L');
    Parse("[Files]\n" + longName + ",1,A,1,1,N\nOK,1,B,1,1,N\n"
          "[Dirs]\n" + longLine + "\n1=" + std::string(29, 'D') + "\n");
    ASSERT_EQ(Number(kOpFileCount, 0), 1u);
    EXPECT_EQ(Text(kOpFileDestName, 0), "OK");
    ASSERT_EQ(Number(kOpDirCount, 0), 1u);
    EXPECT_EQ(Text(kOpDirName, 0), std::string(29, 'D'));
}

TEST_F(ScriptTest, FullTablesKeepTheirFirstRecords) {
    std::string text = "[Disks]\n";
    for (int i = 0; i < 20; ++i) text += std::to_string(i) + "=D" + std::to_string(i) + "\n";
    text += "[Dirs]\n";
    for (int i = 0; i < 40; ++i) text += std::to_string(i) + "=R" + std::to_string(i) + "\n";
    Parse(text);
    EXPECT_EQ(Number(kOpDiskCount, 0), 16u);
    EXPECT_EQ(Text(kOpDiskName, 15), "D15");
    EXPECT_EQ(Number(kOpDirCount, 0), 32u);
    EXPECT_EQ(Text(kOpDirName, 31), "R31");
}

TEST_F(ScriptTest, OnlyTheFirst20480BytesAreRead) {
    // Padding of comment lines pushes a record past the limit.
    std::string text = "[Dirs]\r\n1=A\r\n";
    while (text.size() < kScriptTextSize - 10) text += ";" + std::string(60, 'c') + "\r\n";
    text.resize(kScriptTextSize - 10, 'c');
    text += "\r\n2=BEYONDLIMIT\r\n";
    char path[] = "/tmp/tls-script-XXXXXX";
    int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    close(fd);
    char buf[kScriptBufferSize];
    std::snprintf(buf, sizeof buf, "%s", path);
    EXPECT_EQ(ScriptQuery(kOpLoad, 0, buf), 0u);
    unlink(path);
    ASSERT_EQ(Number(kOpDirCount, 0), 2u);
    EXPECT_EQ(Text(kOpDirName, 1), "BEYOND");  // the line is cut where the read stops
}

TEST_F(ScriptTest, LoadOfMissingFileReturns2) {
    char buf[kScriptBufferSize] = "/nonexistent/TLSETUP.INF";
    EXPECT_EQ(ScriptQuery(kOpLoad, 0, buf), 2u);
}

TEST_F(ScriptTest, ReloadResetsCountsAndApplicationValues) {
    Parse(kSample);
    Parse("[Disks]\n9=ONLY\n");
    EXPECT_EQ(Number(kOpDiskCount, 0), 1u);
    EXPECT_EQ(Number(kOpFileCount, 0), 0u);
    EXPECT_EQ(Text(kOpAppName, 0), "");
    EXPECT_EQ(Number(kOpSpaceNeeded, 0), 0u);
}

TEST_F(ScriptTest, LookupsByNumberAnswerTheLaterRecord) {
    Parse("[Disks]\n1=FIRST\n1=SECOND\n[Dirs]\n7=OLD\n7=NEW\n[Files]\nA,7,A,7,1,N\n");
    EXPECT_EQ(Number(kOpFindDisk, 1), 1u);
    EXPECT_EQ(Number(kOpFindDir, 7), 1u);
    EXPECT_EQ(Number(kOpFindDir, 8), kScriptNotFound);
    std::uint32_t r = 0;
    EXPECT_EQ(Text(kOpFileDisk, 0, &r), "SECOND");
    EXPECT_EQ(r, 1u);
}

TEST_F(ScriptTest, FileDirectoryQueriesReturnTheNumberNotThePosition) {
    Parse("[Dirs]\n1=ROOT\n7=SEVEN\n9=NINE\n[Files]\nA,9,A,7,1,N\n");
    std::uint32_t r = 0;
    EXPECT_EQ(Text(kOpFileSourceDir, 0, &r), "SEVEN");
    EXPECT_EQ(r, 7u);
    EXPECT_EQ(Text(kOpFileDestDir, 0, &r), "NINE");
    EXPECT_EQ(r, 9u);
}

TEST_F(ScriptTest, UnknownNumbersAndPositionsAnswerEmptyNames) {
    Parse("[Dirs]\n1=ROOT\n[Files]\nA,5,A,6,3,N\n");
    std::uint32_t r = 0;
    EXPECT_EQ(Text(kOpFileSourceDir, 0, &r), "");
    EXPECT_EQ(r, 6u);
    EXPECT_EQ(Text(kOpFileDisk, 0, &r), "");
    EXPECT_EQ(r, 3u);
    EXPECT_EQ(Text(kOpFileDestName, 1), "");
    EXPECT_EQ(Text(kOpDirName, 400), "");
    EXPECT_EQ(Text(kOpDiskName, 65535), "");
    EXPECT_EQ(Text(kOpItemFile, 0, &r), "");
    EXPECT_EQ(r, kScriptNotFound);
    EXPECT_EQ(Number(kOpFileExpand, 3), 0u);
}

TEST_F(ScriptTest, FindByNameIsFirstMatchWholeNameCaseBlind) {
    Parse("[Dirs]\n1=ONE\n2=TWO\n[Files]\nVIREO.EXE,1,V,1,1,N\nvireo.exe,1,V,2,1,N\n");
    EXPECT_EQ(FindName("Vireo.Exe"), 0u);
    EXPECT_EQ(FindName("VIREO"), kScriptNotFound);
    EXPECT_EQ(FindName("VIREO.EXE2"), kScriptNotFound);
}

TEST_F(ScriptTest, ItemIconPacksIndexAndDirectoryPosition) {
    Parse("[Dirs]\n1=A\n2=B\n3=C\n4=D\n"
          "[Files]\nPROG.EXE,1,P,1,1,N\nICONS.DLL,1,I,4,1,N\n"
          "[PM Info]\nPROG.EXE,0,ICONS.DLL,2\nPROG.EXE,0\nPROG.EXE,0,NONE.DLL,5\n");
    std::uint32_t r = 0;
    EXPECT_EQ(Text(kOpItemIcon, 0, &r), "ICONS.DLL");
    EXPECT_EQ(r, 0x00020003u);
    EXPECT_EQ(Text(kOpItemIcon, 1, &r), "PROG.EXE");  // no icon file: its own file
    EXPECT_EQ(r, 0x00000000u);
    EXPECT_EQ(Text(kOpItemIcon, 2, &r), "NONE.DLL");
    EXPECT_EQ(r, 0x0005FFFFu);
    EXPECT_EQ(Text(kOpItemFile, 0, &r), "PROG.EXE");
    EXPECT_EQ(r, 0u);
}

TEST_F(ScriptTest, ItemWithTwoFieldsHasNoIcon) {
    Parse("[PM Info]\nA.EXE, 1\nB.EXE,1, B.ICO , 7 \n");
    ASSERT_EQ(Number(kOpItemCount, 0), 2u);
    EXPECT_EQ(g_setupScript.items[0].iconFile[0], '\0');
    EXPECT_EQ(g_setupScript.items[0].iconIndex, 0u);
    EXPECT_STREQ(g_setupScript.items[1].iconFile, "B.ICO");
    EXPECT_EQ(g_setupScript.items[1].iconIndex, 7u);
}

TEST_F(ScriptTest, CountsBeforeLoadAreZeroAndUnknownOpsChangeNothing) {
    EXPECT_EQ(Number(kOpFileCount, 0), 0u);
    EXPECT_EQ(Number(kOpItemCount, 0), 0u);
    char buf[kScriptBufferSize] = "untouched";
    EXPECT_EQ(ScriptQuery(24, 0, buf), 0u);
    EXPECT_EQ(ScriptQuery(0xFFFFFFFFu, 3, buf), 0u);
    EXPECT_STREQ(buf, "untouched");
}

#if TLS_UNINSTALLER

TEST_F(ScriptTest, UninstallerKeepsDescriptionTextOf29Characters) {
    Parse("[PM Info]\nA.EXE, Print Manager \nB.EXE," + std::string(30, 'x') + "\nC.EXE," +
          std::string(29, 'y') + "\n");
    ASSERT_EQ(Number(kOpItemCount, 0), 2u);
    EXPECT_EQ(Text(kOpItemDescription, 0), "Print Manager");
    EXPECT_EQ(Text(kOpItemDescription, 1), std::string(29, 'y'));
}

TEST_F(ScriptTest, UninstallerGroupNameHolds29Characters) {
    Parse("[Application]\nDefPMGroup=G.GRP," + std::string(29, 'g') + "\n");
    EXPECT_EQ(Text(kOpGroupName, 0), std::string(29, 'g'));
    Parse("[Application]\nDefPMGroup=G.GRP," + std::string(30, 'g') + "\n");
    EXPECT_EQ(Text(kOpGroupName, 0), "");
}

#else

TEST_F(ScriptTest, DescriptionCodesAndPositions) {
    Parse("[PM Info]\n"
          "A,5\n"       // code 5
          "B,x\n"       // letter at position 1: code 1
          "C,\n"        // empty at position 2: code 2
          "D,Q\n"       // position 3: code 3
          "E,7\n"       // codes 6 to 9: empty
          "F,4 extra\n"
          "G,z\n");     // position 6: empty
    ASSERT_EQ(Number(kOpItemCount, 0), 7u);
    EXPECT_EQ(Text(kOpItemDescription, 0), "ORVAN Pelora 200/250 PS");
    EXPECT_EQ(Text(kOpItemDescription, 1), "ORVAN Pelora 200/250 TEST Program");
    EXPECT_EQ(Text(kOpItemDescription, 2), "ORVAN Pelora 200/250 Uninstall Utility");
    EXPECT_EQ(Text(kOpItemDescription, 3), "Vireo for Pelora 200/250");
    EXPECT_EQ(Text(kOpItemDescription, 4), "");
    EXPECT_EQ(Text(kOpItemDescription, 5), "ORVAN Pelora 200/250 PCL Control Panel");
    EXPECT_EQ(Text(kOpItemDescription, 6), "");
}

TEST_F(ScriptTest, InstallerGroupNameHolds63Characters) {
    Parse("[Application]\nDefPMGroup=GROUPFILE.GRP," + std::string(63, 'g') + "\n");
    EXPECT_EQ(Text(kOpGroupFile, 0), "GROUPFILE.GRP");
    EXPECT_EQ(Text(kOpGroupName, 0), std::string(63, 'g'));
}

#endif

}  // namespace
