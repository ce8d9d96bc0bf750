// The distribution set builder: where each record's file lands, what is
// compressed, variants, hopper-tagged records, and the script checks.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "dist_builder.h"
#include "szdd.h"

namespace fs = std::filesystem;

namespace {

std::string ReadFile(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

void WriteFile(const fs::path& p, const std::string& bytes) {
    fs::create_directories(p.parent_path());
    std::ofstream f(p, std::ios::binary);
    f << bytes;
}

std::string Expand(const std::string& packed, char* lastChar = nullptr) {
    std::vector<std::uint8_t> out(1 << 20);
    std::size_t written = 0;
    std::uint32_t length = 0;
    int r = SzddExpand(reinterpret_cast<const std::uint8_t*>(packed.data()), packed.size(), out.data(), out.size(),
                       &written, &length, lastChar);
    EXPECT_EQ(r, kSzddOk) << "expanding " << packed.size() << " bytes";
    return std::string(out.begin(), out.begin() + static_cast<long>(written));
}

const char kScript[] =
    "[Application]\r\nAppName=Vireo\r\nDefDir=C:\\VIREO\r\n"
    "[Disks]\r\n1=#1 Programs\r\n2=#2 Driver\r\n"
    "[Dirs]\r\n1=.\r\n2=DRIVER\r\n3=DRIVER\\PS\r\n4=WINDOWS\r\n5=SYSTEM\r\n6=FONTS\r\n"
    "[Files]\r\n"
    "VIREO.EXE,1,VIREO.EX_,1,1,Y\r\n"
    "ZEROZ32.DLL,1,ZEROZ32.DLL,1,1,N\r\n"
    "TLSETUP.INF,1,TLSETUP.INF,1,1,N\r\n"
    "ORVPCL.DRV,5,ORVPCL.DR_,2,2,Y\r\n"
    "VELMPS.WPD,5,VELMPS.WPD,3,2,Y\r\n"
    "VELMPS.PPD,5,VELMPS.PPD,3,2,N\r\n"
    "PAPER.BMP,1,PAPER50.BM_,1,1,Y,50\r\n"
    "PAPER.BMP,1,PAPER200.BM_,1,1,Y,200\r\n"
    "VIREO.INI,4,VIREO.INI,1,1,N,ALL\r\n"
    "MARIGOLD.TTF,6,MARIGOLD.TT_,6,2,Y\r\n"
    "[PM Info]\r\nVIREO.EXE,3\r\n[End]\r\n";

class DistBuilder : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/mkdist-test-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root_ = pattern;
        in_ = root_ / "in";
        out_ = root_ / "out";
        WriteFile(in_ / "TLSETUP.INF", kScript);
        WriteFile(in_ / "vireo.exe", std::string(3000, 'V') + "MZ program");   // case differs
        WriteFile(in_ / "ZEROZ32.DLL", "progress bar library");
        WriteFile(in_ / "DRIVER" / "ORVPCL.DRV", "printer driver " + std::string(500, 'd'));
        WriteFile(in_ / "DRIVER" / "PS" / "VELMPS.200", "description for 200 sheets");
        WriteFile(in_ / "DRIVER" / "PS" / "PL200.PPD", "PPD 200");
        WriteFile(in_ / "DRIVER" / "PS" / "PL50.PPD", "PPD 50");
        WriteFile(in_ / "PAPER50.BMP", "BM paper 50");
        WriteFile(in_ / "PAPER200.BMP", "BM paper 200");
        WriteFile(in_ / "VIREO.INI", "[Vireo]\r\n");
        WriteFile(in_ / "FONTS" / "MARIGOLD.TTF", std::string("\0\1\0\0", 4) + std::string(2000, 'f'));
        WriteFile(root_ / "tlsetup.exe", "installer");
        config_ = DistConfig{};
        script_ = (in_ / "TLSETUP.INF").string();
        outDir_ = out_.string();
        inDir_ = in_.string();
        config_.scriptPath = script_.c_str();
        config_.outDir = outDir_.c_str();
        config_.inputDirs[0] = inDir_.c_str();
        config_.inputDirCount = 1;
        config_.quiet = true;
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(root_, ec);
    }
    // The set built from `script` as TLSETUP.INF.
    int BuildWithScript(const std::string& script) {
        WriteFile(in_ / "TLSETUP.INF", script);
        return BuildDistribution(config_);
    }
    fs::path root_, in_, out_;
    std::string script_, outDir_, inDir_;
    DistConfig config_{};
};

TEST_F(DistBuilder, PlacesEveryRecordWhereTheInstallerLooks) {
    ASSERT_EQ(BuildDistribution(config_), kDistOk);
    const fs::path d1 = out_ / "DISK1", d2 = out_ / "DISK2";
    EXPECT_EQ(ReadFile(d1 / "TLSETUP.INF"), kScript);
    EXPECT_EQ(ReadFile(d1 / "ZEROZ32.DLL"), "progress bar library") << "N records are copied unchanged";
    char last = 0;
    EXPECT_EQ(Expand(ReadFile(d1 / "VIREO.EX_"), &last), ReadFile(in_ / "vireo.exe"));
    EXPECT_EQ(last, 'E') << "the header keeps the destination name's last character";
    EXPECT_EQ(Expand(ReadFile(d2 / "DRIVER" / "ORVPCL.DR_")), ReadFile(in_ / "DRIVER" / "ORVPCL.DRV"));
    EXPECT_EQ(Expand(ReadFile(d2 / "FONTS" / "MARIGOLD.TT_")), ReadFile(in_ / "FONTS" / "MARIGOLD.TTF"));
    EXPECT_FALSE(fs::exists(d1 / "MARIGOLD.TT_")) << "a record goes on its own disk only";
}

TEST_F(DistBuilder, OfNamesDifferingOnlyInCaseTakesTheFirstInByteOrder) {
    // Neither "VIREO.EX_" nor "VIREO.EXE" exists as spelt: of the two inputs
    // that match, the choice must not follow the file system's listing order.
    WriteFile(in_ / "Vireo.exe", "upper-case V");
    ASSERT_EQ(BuildDistribution(config_), kDistOk);
    EXPECT_EQ(Expand(ReadFile(out_ / "DISK1" / "VIREO.EX_")), "upper-case V")
        << "\"Vireo.exe\" comes before \"vireo.exe\" in byte order";
}

TEST_F(DistBuilder, ShipsTheVariantsTheInstallerReadsInstead) {
    ASSERT_EQ(BuildDistribution(config_), kDistOk);
    const fs::path ps = out_ / "DISK2" / "DRIVER" / "PS";
    EXPECT_EQ(Expand(ReadFile(ps / "VELMPS.200")), "description for 200 sheets");
    EXPECT_EQ(ReadFile(ps / "PL200.PPD"), "PPD 200");
    EXPECT_EQ(ReadFile(ps / "PL50.PPD"), "PPD 50") << "the 50-sheet variant is shipped when the inputs have it";
    EXPECT_FALSE(fs::exists(ps / "VELMPS.WPD")) << "no input VELMPS.WPD, and the installer never reads it";
}

TEST_F(DistBuilder, ShipsBothHopperVariantsOfTaggedRecords) {
    ASSERT_EQ(BuildDistribution(config_), kDistOk);
    EXPECT_EQ(Expand(ReadFile(out_ / "DISK1" / "PAPER200.BM_")), "BM paper 200");
    EXPECT_EQ(Expand(ReadFile(out_ / "DISK1" / "PAPER50.BM_")), "BM paper 50");
    EXPECT_EQ(ReadFile(out_ / "DISK1" / "VIREO.INI"), "[Vireo]\r\n");
}

TEST_F(DistBuilder, PutsBesideFilesOnTheFirstDiskAndWritesAManifest) {
    std::snprintf(config_.beside[0].path, sizeof config_.beside[0].path, "%s", (root_ / "tlsetup.exe").c_str());
    std::snprintf(config_.beside[0].name, sizeof config_.beside[0].name, "TLSETUP.EXE");
    config_.besideCount = 1;
    std::string manifest = (root_ / "manifest.txt").string();
    config_.manifestPath = manifest.c_str();
    ASSERT_EQ(BuildDistribution(config_), kDistOk);
    EXPECT_EQ(ReadFile(out_ / "DISK1" / "TLSETUP.EXE"), "installer");
    std::string text = ReadFile(manifest);
    EXPECT_NE(text.find("Y\tDISK1/VIREO.EX_\t"), std::string::npos) << text;
    EXPECT_NE(text.find("N\tDISK1/TLSETUP.EXE\t"), std::string::npos) << text;
    EXPECT_NE(text.find("Y\tDISK2/DRIVER/PS/VELMPS.200\t"), std::string::npos) << text;
}

TEST_F(DistBuilder, NamedFilesComeBeforeTheFolders) {
    WriteFile(root_ / "built.exe", "freshly built");
    std::snprintf(config_.files[0].name, sizeof config_.files[0].name, "VIREO.EXE");
    std::snprintf(config_.files[0].path, sizeof config_.files[0].path, "%s", (root_ / "built.exe").c_str());
    config_.fileCount = 1;
    ASSERT_EQ(BuildDistribution(config_), kDistOk);
    EXPECT_EQ(Expand(ReadFile(out_ / "DISK1" / "VIREO.EX_")), "freshly built");
}

TEST_F(DistBuilder, RebuildRemovesStaleFiles) {
    ASSERT_EQ(BuildDistribution(config_), kDistOk);
    WriteFile(out_ / "DISK2" / "OLD.TXT", "stale");
    ASSERT_EQ(BuildDistribution(config_), kDistOk);
    EXPECT_FALSE(fs::exists(out_ / "DISK2" / "OLD.TXT"));
}

TEST_F(DistBuilder, AlreadyCompressedInputIsNotCompressedTwice) {
    std::vector<std::uint8_t> packed(SzddMaxCompressedSize(5));
    std::size_t n = SzddCompress(reinterpret_cast<const std::uint8_t*>("hello"), 5, 'E', packed.data(), packed.size());
    fs::remove(in_ / "vireo.exe");
    WriteFile(in_ / "VIREO.EX_", std::string(packed.begin(), packed.begin() + static_cast<long>(n)));
    ASSERT_EQ(BuildDistribution(config_), kDistOk);
    EXPECT_EQ(Expand(ReadFile(out_ / "DISK1" / "VIREO.EX_")), "hello");
}

TEST_F(DistBuilder, MissingInputFailsUnlessOptional) {
    fs::remove(in_ / "DRIVER" / "ORVPCL.DRV");
    EXPECT_EQ(BuildDistribution(config_), kDistMissingInput);
    std::snprintf(config_.optional[0], sizeof config_.optional[0], "ORVPCL.DRV");
    config_.optionalCount = 1;
    EXPECT_EQ(BuildDistribution(config_), kDistOk);
    EXPECT_FALSE(fs::exists(out_ / "DISK2" / "DRIVER" / "ORVPCL.DR_"));
}

TEST_F(DistBuilder, MissingVariantFails) {
    fs::remove(in_ / "DRIVER" / "PS" / "VELMPS.200");
    WriteFile(in_ / "DRIVER" / "PS" / "VELMPS.WPD", "generic");
    EXPECT_EQ(BuildDistribution(config_), kDistMissingInput)
        << "the installer reads VELMPS.200; VELMPS.WPD does not stand in for it";
}

TEST_F(DistBuilder, UnknownDiskOrDirectoryIsAScriptError) {
    std::string script = kScript;
    script.replace(script.find("VIREO.EXE,1,VIREO.EX_,1,1,Y"), 27, "VIREO.EXE,1,VIREO.EX_,1,7,Y");
    EXPECT_EQ(BuildWithScript(script), kDistBadScript) << "disk 7";
    script = kScript;
    script.replace(script.find("VIREO.EXE,1,VIREO.EX_,1,1,Y"), 27, "VIREO.EXE,1,VIREO.EX_,9,1,Y");
    EXPECT_EQ(BuildWithScript(script), kDistBadScript) << "source directory 9";
}

TEST_F(DistBuilder, ItemWithoutFileRecordIsAScriptError) {
    std::string script = kScript;
    script.replace(script.find("VIREO.EXE,3"), 11, "PANEL.EXE,4");
    EXPECT_EQ(BuildWithScript(script), kDistBadScript);
}

TEST_F(DistBuilder, LongLineIsAScriptError) {
    std::string script = kScript;
    script.insert(script.find("[End]"), "; " + std::string(98, 'x') + "\r\n");
    EXPECT_EQ(BuildWithScript(script), kDistBadScript) << "a line the installer would skip";
}

TEST_F(DistBuilder, FirstDirectoryTheUninstallerCouldNotEmptyIsAScriptError) {
    std::string script = kScript;
    script.replace(script.find("2=DRIVER"), 8, "; the uninstaller empties entry 1\r\n2=windows");
    WriteFile(in_ / "TLSETUP.INF", script);
    testing::internal::CaptureStderr();
    EXPECT_EQ(BuildDistribution(config_), kDistBadScript);
    const std::string message = testing::internal::GetCapturedStderr();
    EXPECT_NE(message.find(script_ + " line 10: [Dirs] entry \"windows\""), std::string::npos) << message;
}

TEST_F(DistBuilder, TwoFilesOnOneDiskPathConflict) {
    std::string script = kScript;
    script.insert(script.find("[PM Info]"), "OTHER.DLL,1,ZEROZ32.DLL,1,1,Y\r\n");
    EXPECT_EQ(BuildWithScript(script), kDistConflict) << "ZEROZ32.DLL both plain and compressed";
}

TEST(DistPaths, RelativeDirectories) {
    char out[64];
    ASSERT_TRUE(DistRelativeDir(".", out, sizeof out));
    EXPECT_STREQ(out, "");
    ASSERT_TRUE(DistRelativeDir("DRIVER\\PS", out, sizeof out));
    EXPECT_STREQ(out, "DRIVER/PS");
    ASSERT_TRUE(DistRelativeDir(".\\A\\.\\B\\", out, sizeof out));
    EXPECT_STREQ(out, "A/B");
    EXPECT_FALSE(DistRelativeDir("..\\X", out, sizeof out));
    EXPECT_FALSE(DistRelativeDir("C:\\X", out, sizeof out));
    EXPECT_FALSE(DistRelativeDir("\\ROOT", out, sizeof out));
    EXPECT_FALSE(DistRelativeDir("ABCDEFGHIJ", out, 8)) << "does not fit";
}

TEST(DistPaths, SourceVariants) {
    EXPECT_STREQ(DistSourceVariant("velmps.wpd", 200), "VELMPS.200");
    EXPECT_STREQ(DistSourceVariant("VELMPS.PPD", 200), "PL200.PPD");
    EXPECT_STREQ(DistSourceVariant("VELMPS.PPD", 50), "PL50.PPD");
    EXPECT_STREQ(DistSourceVariant("VELMPS.WPD", 50), "VELMPS.WPD");
    EXPECT_STREQ(DistSourceVariant("OTHER.PPD", 200), "OTHER.PPD");
}

}  // namespace
