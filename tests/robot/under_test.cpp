#include "under_test.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "package_dist.h"
#include "robot.h"

namespace robot {

namespace {

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

// A host path as a program under Wine names it (drive Z: is the host's root).
std::string WinePath(const std::string& host) {
    if (host.empty() || host[0] != '/') return host;
    std::string out = "Z:" + host;
    for (char& c : out) {
        if (c == '/') c = '\\';
    }
    return out;
}

std::string WithoutTrailingSlash(std::string dir) {
    while (dir.size() > 3 && (dir.back() == '\\' || dir.back() == '/')) dir.pop_back();
    return dir;
}

bool IsDir(const std::string& path) {
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

// Says once which build the run uses, fails every test when that build is
// missing, and marks each failure with the build it happened in.
class UnderTestEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        std::printf("[ build    ] %s programs from %s, distribution set %s\n", BuildUnderTest().c_str(),
                    ProgramsDir().c_str(), DistDir().c_str());
        std::fflush(stdout);
        ASSERT_TRUE(IsDir(ProgramsDir()) && IsDir(DistDisk1()))
            << "the " << BuildUnderTest() << " build is missing (programs " << ProgramsDir() << ", set "
            << DistDisk1() << "): build its preset first";
    }
};

class UnderTestListener : public ::testing::EmptyTestEventListener {
    void OnTestPartResult(const ::testing::TestPartResult& result) override {
        if (result.failed()) {
            std::printf("[ build    ] the failure above is in the run of the %s build\n", BuildUnderTest().c_str());
            std::fflush(stdout);
        }
    }
};

const bool registered = [] {
    ::testing::AddGlobalTestEnvironment(new UnderTestEnvironment);
    ::testing::UnitTest::GetInstance()->listeners().Append(new UnderTestListener);
    return true;
}();

}  // namespace

std::string BuildUnderTest() {
    return Env("TLS_UNDER_TEST") == "win32" ? "win32" : "win64";
}

bool Testing32Bit() {
    return BuildUnderTest() == "win32";
}

std::string ProgramsDir() {
    std::string dir = Env("TLS_UNDER_TEST_BIN");
    if (dir.empty()) return BinDir();
    return WithoutTrailingSlash(WinePath(dir)) + "\\";
}

std::string OfferVariant() {
    std::string path = Env("TLS_UNDER_TEST_OFFER");
    return path.empty() ? BinDir() + "tlsetup_offer.exe" : WinePath(path);
}

std::string TestVariant(const std::string& name) {
    const std::string offer = OfferVariant();
    return offer.substr(0, offer.find_last_of('\\') + 1) + name;
}

std::string DistDir() {
    std::string dir = Env("TLS_UNDER_TEST_DIST");
    if (dir.empty()) return TLS_DIST_DIR;
    return WithoutTrailingSlash(WinePath(dir));
}

std::string DistDisk1() {
    return DistDir() + "\\DISK1";
}

std::string DistDisk2() {
    return DistDir() + "\\DISK2";
}

std::string DistManifest() {
    return DistDir() + "\\manifest.txt";
}

DWORD ScaledBound(DWORD ms) {
    const long percent = std::strtol(Env("TLS_TIMEOUT_PERCENT").c_str(), nullptr, 10);
    if (percent <= 100 || percent > 1000) return ms;
    return static_cast<DWORD>(static_cast<unsigned long long>(ms) * static_cast<unsigned long long>(percent) / 100);
}

REGSAM ProgramRegView() {
    return Testing32Bit() ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
}

}  // namespace robot
