// Detection of a previous installation through PELORASD.INI and velm.ini,
// with real profile files and real candidate files.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "previous_version.h"
#include "setup.h"

SetupState g_setup;

namespace {

void WriteSetting(const char* file, const char* key, const char* value) {
    ASSERT_TRUE(WritePrivateProfileStringA("Applications", key, value, file)) << file << " " << key;
}

void MakeFile(const std::string& path) {
    CreateDirectoryA(path.substr(0, path.rfind('\\')).c_str(), nullptr);
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << "cannot create " << path;
    CloseHandle(h);
}

struct Found {
    bool found;
    std::string velmDir;
    std::string uninstaller;
};

Found Detect() {
    g_setup.previousDir[0] = '\0';
    char velmDir[256];
    char uninstaller[kCandidatePathSize];
    bool found = FindPreviousUninstaller(velmDir, uninstaller);
    return {found, velmDir, found ? uninstaller : ""};
}

TEST(PreviousVersion, NothingInstalledFindsNothing) {
    Found f = Detect();
    EXPECT_FALSE(f.found) << "found " << f.uninstaller;
    EXPECT_EQ(f.velmDir, "@");
    EXPECT_STREQ(g_setup.previousDir, "@");
}

TEST(PreviousVersion, FixedListFindsTldeleteInVireo) {
    WriteSetting("PELORASD.INI", "VelmDir", "C:\\VIREO");
    MakeFile("C:\\VIREO\\TLDELETE.EXE");
    Found f = Detect();
    EXPECT_TRUE(f.found);
    EXPECT_EQ(f.uninstaller, "C:\\VIREO\\TLDELETE.EXE");
    EXPECT_STREQ(g_setup.previousDir, "C:\\VIREO");
}

TEST(PreviousVersion, DirectoryOnlyInVelmIni) {
    WriteSetting("velm.ini", "VelmDir", "C:\\OLDVELM\\");
    MakeFile("C:\\OLDVELM\\MPDELETE.EXE");
    Found f = Detect();
    EXPECT_TRUE(f.found);
    EXPECT_EQ(f.uninstaller, "C:\\OLDVELM\\MPDELETE.EXE") << "one backslash between directory and name";
    EXPECT_STREQ(g_setup.previousDir, "C:\\OLDVELM\\");
}

TEST(PreviousVersion, AtValueCountsAsMissing) {
    WriteSetting("PELORASD.INI", "VelmDir", "@C:\\VIREO");
    WriteSetting("velm.ini", "VelmDir", "C:\\VELM");
    WriteSetting("PELORASD.INI", "DeleteFile", "@");
    WriteSetting("velm.ini", "DeleteFile", "QRDELETE.EXE");
    MakeFile("C:\\VELM\\QRDELETE.EXE");
    Found f = Detect();
    EXPECT_EQ(f.velmDir, "C:\\VELM");
    EXPECT_EQ(f.uninstaller, "C:\\VELM\\QRDELETE.EXE");
}

TEST(PreviousVersion, MissingDeleteFileDoesNotFallBackToTheList) {
    WriteSetting("PELORASD.INI", "VelmDir", "C:\\VIREO");
    WriteSetting("PELORASD.INI", "DeleteFile", "GONE.EXE");
    MakeFile("C:\\VIREO\\TLDELETE.EXE");
    Found f = Detect();
    EXPECT_FALSE(f.found) << "found " << f.uninstaller;
}

TEST(PreviousVersion, WithoutOfferTextNothingIsStarted) {
    WriteSetting("PELORASD.INI", "VelmDir", "C:\\VIREO");
    WriteSetting("PELORASD.INI", "DeleteFile", "TLDELET.EXE");
    MakeFile("C:\\VIREO\\TLDELET.EXE");
    MakeFile("C:\\VIREO\\TLSETUP.INF");
    g_setup.hInstance = GetModuleHandleA(nullptr);  // this program has no text 1066
    EXPECT_TRUE(RemovePreviousVersion(nullptr));
    EXPECT_NE(GetFileAttributesA("C:\\VIREO\\TLDELET.EXE"), INVALID_FILE_ATTRIBUTES) << "old uninstaller deleted";
    EXPECT_STREQ(g_setup.previousDir, "C:\\VIREO");
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
