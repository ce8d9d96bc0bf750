// The command-line options of both programs.
#include "command_line.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Parsed {
    CommandLineResult result;
    CommandOptions options;
    std::string bad;
};

Parsed Parse(decltype(&ParseInstallerCommandLine) parser, const char* line) {
    Parsed p{};
    char bad[64] = "x";
    p.result = parser(line, &p.options, bad, sizeof bad);
    p.bad = bad;
    return p;
}

Parsed Installer(const char* line) { return Parse(ParseInstallerCommandLine, line); }
Parsed Uninstaller(const char* line) { return Parse(ParseUninstallerCommandLine, line); }

TEST(InstallerCommandLine, NothingGivenIsNoOption) {
    for (const char* line : {"", "   ", "\t", static_cast<const char*>(nullptr)}) {
        Parsed p = Installer(line);
        EXPECT_EQ(p.result, CommandLineResult::kOk) << (line ? line : "(null)");
        EXPECT_FALSE(p.options.any) << "a run without options keeps exit code 0";
        EXPECT_FALSE(p.options.unattended);
        EXPECT_EQ(p.bad, "");
    }
}

TEST(InstallerCommandLine, OptionsInAnyCaseWithSlashOrDash) {
    Parsed p = Installer("/s -dir=D:\\TOOLS /Port=lpt2: -LOG=C:\\setup.log");
    ASSERT_EQ(p.result, CommandLineResult::kOk) << p.bad;
    EXPECT_TRUE(p.options.any);
    EXPECT_TRUE(p.options.unattended);
    EXPECT_TRUE(p.options.hasDir);
    EXPECT_STREQ(p.options.dir, "D:\\TOOLS");
    EXPECT_TRUE(p.options.hasPort);
    EXPECT_EQ(p.options.port, 2u);
    EXPECT_TRUE(p.options.hasLog);
    EXPECT_STREQ(p.options.log, "C:\\setup.log");
    EXPECT_FALSE(p.options.usage);

    EXPECT_TRUE(Installer("/?").options.usage);
    EXPECT_TRUE(Installer("-?").options.usage);
}

TEST(InstallerCommandLine, QuotedValuesKeepTheirBlanks) {
    Parsed p = Installer("/DIR=\"C:\\Program Files\\Vireo\" \"/LOG=C:\\My Logs\\a b.log\" /S");
    ASSERT_EQ(p.result, CommandLineResult::kOk) << p.bad;
    EXPECT_STREQ(p.options.dir, "C:\\Program Files\\Vireo");
    EXPECT_STREQ(p.options.log, "C:\\My Logs\\a b.log");
    EXPECT_TRUE(p.options.unattended);
}

TEST(InstallerCommandLine, PortValues) {
    EXPECT_EQ(Installer("/PORT=LPT1:").options.port, 1u);
    EXPECT_EQ(Installer("/PORT=lpt3").options.port, 3u);
    // Syntactically a port, but one the port step refuses: kept for it.
    EXPECT_EQ(Installer("/PORT=LPT4:").options.port, 4u);
    for (const char* line : {"/PORT=COM1:", "/PORT=LPT", "/PORT=LPT0:", "/PORT=LPT12:", "/PORT=LPT1::"}) {
        Parsed p = Installer(line);
        EXPECT_EQ(p.result, CommandLineResult::kOk) << line;
        EXPECT_TRUE(p.options.hasPort) << line;
        EXPECT_EQ(p.options.port, 0u) << line << ": names no LPT port";
    }
    EXPECT_EQ(Installer("/PORT=").result, CommandLineResult::kBadValue);
}

TEST(InstallerCommandLine, UnknownRepeatedOrEmptyOptionsAreRefusedAndNamed) {
    struct Case {
        const char* line;
        CommandLineResult result;
        const char* bad;
    } cases[] = {
        {"/X", CommandLineResult::kUnknownOption, "/X"},
        {"S", CommandLineResult::kUnknownOption, "S"},
        {"/SILENT", CommandLineResult::kUnknownOption, "/SILENT"},
        {"/S /S", CommandLineResult::kUnknownOption, "/S"},
        {"/DIR=A /DIR=B", CommandLineResult::kUnknownOption, "/DIR=B"},
        {"/DIR", CommandLineResult::kUnknownOption, "/DIR"},
        {"/DIR=", CommandLineResult::kBadValue, "/DIR="},
        {"/LOG=\"\"", CommandLineResult::kBadValue, "/LOG="},
        {"External", CommandLineResult::kUnknownOption, "External"},
    };
    for (const Case& c : cases) {
        Parsed p = Installer(c.line);
        EXPECT_EQ(p.result, c.result) << c.line;
        EXPECT_EQ(p.bad, c.bad) << c.line;
        EXPECT_TRUE(p.options.any) << c.line;
    }
}

TEST(InstallerCommandLine, UnattendedIsSeenAfterAFaultToo) {
    // No usage box may appear in an unattended run, wherever the fault is.
    Parsed p = Installer("/BOGUS /S");
    EXPECT_EQ(p.result, CommandLineResult::kUnknownOption);
    EXPECT_EQ(p.bad, "/BOGUS");
    EXPECT_TRUE(p.options.unattended);
    EXPECT_FALSE(Installer("/BOGUS /SS").options.unattended);
}

TEST(InstallerCommandLine, PathsThatDoNotFitAreRefusedNotCut) {
    std::string longPath(kOptionPathSize, 'A');
    Parsed fits = Installer(("/DIR=" + longPath.substr(0, kOptionPathSize - 1)).c_str());
    EXPECT_EQ(fits.result, CommandLineResult::kOk);
    EXPECT_EQ(std::string(fits.options.dir).size(), kOptionPathSize - 1);
    Parsed cut = Installer(("/LOG=" + longPath).c_str());
    EXPECT_EQ(cut.result, CommandLineResult::kBadValue);
    Parsed huge = Installer(("/DIR=" + longPath + longPath).c_str());
    EXPECT_EQ(huge.result, CommandLineResult::kBadValue);
    EXPECT_LT(huge.bad.size(), 64u) << "the name of the fault is bounded too";
}

TEST(UninstallerCommandLine, WithoutLogTheLineMeansWhatItAlwaysMeant) {
    struct Case {
        const char* line;
        bool external;
    } cases[] = {{"External", true}, {"EXTERNAL", true}, {"external", true}, {"", false},
                 {"External now", false}, {" External", false}, {"/X", false}, {"Externals", false}};
    for (const Case& c : cases) {
        Parsed p = Uninstaller(c.line);
        EXPECT_EQ(p.result, CommandLineResult::kOk) << c.line << ": never an error without /LOG";
        EXPECT_EQ(p.options.external, c.external) << c.line;
        EXPECT_FALSE(p.options.any) << c.line;
        EXPECT_FALSE(p.options.hasLog) << c.line;
    }
}

TEST(UninstallerCommandLine, LogBesideExternal) {
    for (const char* line : {"External /LOG=C:\\r.log", "-log=C:\\r.log external", "  EXTERNAL   /Log=C:\\r.log "}) {
        Parsed p = Uninstaller(line);
        ASSERT_EQ(p.result, CommandLineResult::kOk) << line;
        EXPECT_TRUE(p.options.external) << line;
        EXPECT_TRUE(p.options.any) << line;
        EXPECT_STREQ(p.options.log, "C:\\r.log") << line;
    }
    Parsed alone = Uninstaller("/LOG=\"C:\\a b\\r.log\"");
    ASSERT_EQ(alone.result, CommandLineResult::kOk);
    EXPECT_FALSE(alone.options.external) << "an interactive removal with a log";
    EXPECT_STREQ(alone.options.log, "C:\\a b\\r.log");

    Parsed other = Uninstaller("External /LOG=C:\\r.log /DIR=C:\\x");
    EXPECT_EQ(other.result, CommandLineResult::kUnknownOption);
    EXPECT_EQ(other.bad, "/DIR=C:\\x") << "the installer's own options are not the uninstaller's";
    EXPECT_EQ(Uninstaller("External External /LOG=x").result, CommandLineResult::kUnknownOption);
    EXPECT_EQ(Uninstaller("/LOG=a /LOG=b").result, CommandLineResult::kUnknownOption);
}

TEST(UninstallerCommandLine, QuietRemovalAndUsage) {
    struct Case {
        const char* line;
        CommandLineResult result;
        bool unattended, usage, hasLog;
        const char* bad;
    } cases[] = {
        {"/S", CommandLineResult::kOk, true, false, false, ""},
        {"-s /LOG=\"C:\\a b\\r.log\"", CommandLineResult::kOk, true, false, true, ""},
        {"External /S", CommandLineResult::kOk, true, false, false, ""},
        {"/?", CommandLineResult::kOk, false, true, false, ""},
        {"/S /S", CommandLineResult::kUnknownOption, true, false, false, "/S"},
        {"/S now", CommandLineResult::kUnknownOption, true, false, false, "now"},
        {"/S /PORT=LPT1", CommandLineResult::kUnknownOption, true, false, false, "/PORT=LPT1"},
    };
    for (const Case& c : cases) {
        Parsed p = Uninstaller(c.line);
        EXPECT_EQ(p.result, c.result) << c.line;
        EXPECT_EQ(p.options.unattended, c.unattended) << c.line;
        EXPECT_EQ(p.options.usage, c.usage) << c.line;
        EXPECT_EQ(p.options.hasLog, c.hasLog) << c.line;
        EXPECT_TRUE(p.options.any) << c.line << ": a run that gives exit codes";
        EXPECT_EQ(p.bad, c.bad) << c.line;
    }
}

}  // namespace
