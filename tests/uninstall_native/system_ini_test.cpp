// The SYSTEM.INI [386Enh] rewrite over whole texts and single lines.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "desetup_core.h"

namespace {

std::string Rewrite(const std::string& in) {
    std::vector<char> out(SystemIniRewriteCapacity(in.size()) + 1, '\x7f');
    std::size_t n = RewriteSystemIniText(in.data(), in.size(), out.data(), out.size() - 1);
    EXPECT_NE(n, kRewriteTooSmall) << "capacity too small for:\n" << in;
    if (n == kRewriteTooSmall) return "<too small>";
    EXPECT_EQ(out[out.size() - 1], '\x7f') << "wrote beyond the capacity";
    return std::string(out.data(), n);
}

SystemIniAction ClassifyInside(const char* line) {
    SystemIniSection state = kIniInside386Enh;
    return ClassifySystemIniLine(&state, line, std::strlen(line));
}

}  // namespace

TEST(SystemIni, CommentedVpdLineIsPutInForce) {
    EXPECT_EQ(Rewrite("[386Enh]\r\n;device=C:\\WINDOWS\\SYSTEM\\VPD.386\r\nEMMExclude=C000-CFFF\r\n"),
              "[386Enh]\r\ndevice=vpd.386\r\nEMMExclude=C000-CFFF\r\n");
    EXPECT_EQ(Rewrite("[386Enh]\r\n;device=vpd.386\r\n"), "[386Enh]\r\ndevice=vpd.386\r\n");
    EXPECT_EQ(Rewrite("[386Enh]\r\n  ;DEVICE  =  c:\\win\\Vpd.386  \r\n"), "[386Enh]\r\ndevice=vpd.386\r\n")
        << "key and file name in any case, blanks around them";
}

TEST(SystemIni, OtherDeviceLinesStay) {
    const std::string in =
        "[386Enh]\r\ndevice=vpd.386\r\n;device=C:\\WINDOWS\\SYSTEM\\LPT.386\r\n; device=vpd.386\r\n"
        ";device=C:\\VPD.386\\OTHER.386\r\n;device=myvpd.386\r\n";
    EXPECT_EQ(Rewrite(in), in);
}

TEST(SystemIni, PortLineGoesInAnyCase) {
    EXPECT_EQ(Rewrite("[386Enh]\r\nPeloraLPT=1\r\npeloralpt = 2\r\n  PELORALPT\t=3\r\nkeep=1\r\n"),
              "[386Enh]\r\nkeep=1\r\n");
    EXPECT_EQ(Rewrite("[386Enh]\r\nPeloraLPTX=1\r\nPelora LPT=1\r\n"), "[386Enh]\r\nPeloraLPTX=1\r\nPelora LPT=1\r\n");
}

TEST(SystemIni, OtherSectionsAreLeftAlone) {
    const std::string in =
        "[boot]\r\nPeloraLPT=1\r\n;device=vpd.386\r\n[386Enh]\r\nPeloraLPT=2\r\n[drivers]\r\nPeloraLPT=3\r\n"
        ";device=vpd.386\r\n";
    EXPECT_EQ(Rewrite(in), "[boot]\r\nPeloraLPT=1\r\n;device=vpd.386\r\n[386Enh]\r\n[drivers]\r\nPeloraLPT=3\r\n"
                           ";device=vpd.386\r\n");
}

TEST(SystemIni, HeaderInAnyCaseAndSpacingIsRecognised) {
    EXPECT_EQ(Rewrite("[boot]\r\n  [386ENH]  \r\nPeloraLPT=1\r\n"), "[boot]\r\n  [386ENH]  \r\n");
    EXPECT_EQ(Rewrite("\t[386enh]\r\nPeloraLPT=1\r\n"), "\t[386enh]\r\n");
    EXPECT_EQ(Rewrite("[ 386Enh ]\r\nPeloraLPT=1\r\n"), "[ 386Enh ]\r\nPeloraLPT=1\r\n")
        << "blanks inside the brackets make another section";
}

TEST(SystemIni, SecondSectionIsTreatedLikeTheFirst) {
    EXPECT_EQ(Rewrite("[386Enh]\r\nPeloraLPT=1\r\n[boot]\r\nPeloraLPT=1\r\n[386Enh]\r\n;device=vpd.386\r\n"
                      "PeloraLPT=2\r\n"),
              "[386Enh]\r\n[boot]\r\nPeloraLPT=1\r\n[386Enh]\r\ndevice=vpd.386\r\n");
}

TEST(SystemIni, LinesWithoutEqualsAndCommentsStay) {
    const std::string in = "[386Enh]\r\n; a comment\r\nJustAWord\r\n\r\n;PeloraLPT=1\r\n";
    EXPECT_EQ(Rewrite(in), in) << "a commented port line is not the port line";
}

TEST(SystemIni, LongLinesAreHandledWhole) {
    std::string longValue(300, 'A');
    // A 300-character line whose tail would look like a port line or a
    // section header if it were read in pieces.
    std::string tricky = "device=" + std::string(92, 'x') + "PeloraLPT=1" + std::string(200, 'y');
    std::string header = "note=" + std::string(94, 'z') + "[boot]";
    std::string in = "[386Enh]\r\nlong=" + longValue + "\r\n" + tricky + "\r\n" + header + "\r\nPeloraLPT=1\r\n";
    EXPECT_EQ(Rewrite(in), "[386Enh]\r\nlong=" + longValue + "\r\n" + tricky + "\r\n" + header + "\r\n");
    std::string longPort = "PeloraLPT=" + std::string(300, '1');
    EXPECT_EQ(Rewrite("[386Enh]\r\n" + longPort + "\r\nx=1\r\n"), "[386Enh]\r\nx=1\r\n");
    std::string longVpd = ";device=C:\\" + std::string(290, 'D') + "\\vpd.386";
    EXPECT_EQ(Rewrite("[386Enh]\r\n" + longVpd + "\r\n"), "[386Enh]\r\ndevice=vpd.386\r\n");
}

TEST(SystemIni, LastLineWithoutLineEnd) {
    EXPECT_EQ(Rewrite("[386Enh]\r\nPeloraLPT=1"), "[386Enh]\r\n");
    EXPECT_EQ(Rewrite("[386Enh]\r\n;device=vpd.386"), "[386Enh]\r\ndevice=vpd.386\r\n");
    EXPECT_EQ(Rewrite("[386Enh]\r\nkeep=1"), "[386Enh]\r\nkeep=1");
}

TEST(SystemIni, LineEndsAreKept) {
    EXPECT_EQ(Rewrite("[386Enh]\n;device=vpd.386\nPeloraLPT=1\nx=1\n"), "[386Enh]\ndevice=vpd.386\nx=1\n");
    EXPECT_EQ(Rewrite("[boot]\r\nshell=Explorer.exe\n[386Enh]\r\n;device=vpd.386\r\n"),
              "[boot]\r\nshell=Explorer.exe\n[386Enh]\r\ndevice=vpd.386\r\n");
}

TEST(SystemIni, EmptyTextStaysEmpty) {
    EXPECT_EQ(Rewrite(""), "");
}

TEST(SystemIni, ManyReplacedLinesFitTheCapacity) {
    std::string in = "[386Enh]\r\n";
    for (int i = 0; i < 200; ++i) in += ";device=vpd.386";
    // No line ends: one long line whose value is not a plain vpd.386.
    in += "\r\n";
    for (int i = 0; i < 200; ++i) in += ";device=vpd.386\n";
    in += ";device=vpd.386";
    std::string out = Rewrite(in);
    // Each of the 200 lines loses its semicolon; the last one also gains CR LF.
    EXPECT_EQ(out.size(), in.size() - 200 + 1);
    EXPECT_EQ(out.substr(out.size() - 31), "device=vpd.386\ndevice=vpd.386\r\n");
}

TEST(SystemIni, TooSmallOutputIsRefused) {
    const char in[] = "[386Enh]\r\n;device=vpd.386";
    char out[20];
    EXPECT_EQ(RewriteSystemIniText(in, sizeof in - 1, out, sizeof out), kRewriteTooSmall);
}

TEST(SystemIniLine, StateMovesThroughTheSections) {
    SystemIniSection state = kIniBefore386Enh;
    EXPECT_EQ(ClassifySystemIniLine(&state, "PeloraLPT=1", 11), kIniKeepLine);
    EXPECT_EQ(state, kIniBefore386Enh);
    EXPECT_EQ(ClassifySystemIniLine(&state, "[386Enh]", 8), kIniKeepLine);
    EXPECT_EQ(state, kIniInside386Enh);
    EXPECT_EQ(ClassifySystemIniLine(&state, "PeloraLPT=1", 11), kIniDropLine);
    EXPECT_EQ(ClassifySystemIniLine(&state, "[x", 2), kIniKeepLine);
    EXPECT_EQ(state, kIniAfter386Enh);
    EXPECT_EQ(ClassifySystemIniLine(&state, "PeloraLPT=1", 11), kIniKeepLine);
}

TEST(SystemIniLine, OnlyTheFirstEqualsSplits) {
    EXPECT_EQ(ClassifyInside(";device=x=\\vpd.386"), kIniEnableVpd);
    EXPECT_EQ(ClassifyInside("PeloraLPT==1"), kIniDropLine);
    EXPECT_EQ(ClassifyInside("=PeloraLPT"), kIniKeepLine);
    EXPECT_EQ(ClassifyInside(";device="), kIniKeepLine);
    EXPECT_EQ(ClassifyInside(";device=\\"), kIniKeepLine);
}
