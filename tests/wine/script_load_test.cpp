// Operation 0 of the setup-script engine with the real Windows file functions.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "script_engine.h"

namespace {

std::string TempPath(const char* name) {
    char dir[MAX_PATH];
    GetTempPathA(sizeof dir, dir);
    return std::string(dir) + name;
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << "cannot create " << path << ", error " << GetLastError();
    DWORD written = 0;
    WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(h);
    ASSERT_EQ(written, bytes.size());
}

TEST(ScriptLoad, ReadsARealFile) {
    std::string path = TempPath("TLSETUP.INF");
    WriteFileBytes(path,
                   "[Application]\r\nAppName=Vireo\r\n[Disks]\r\n1=Disk 1\r\n[Dirs]\r\n1=.\r\n"
                   "[Files]\r\nVIREO.EXE,1,VIREO.EX_,1,1,Y\r\n[PM Info]\r\nVIREO.EXE,3\r\n[End]\r\n");
    char buf[kScriptBufferSize];
    ASSERT_LT(path.size(), sizeof buf);
    std::strcpy(buf, path.c_str());
    EXPECT_EQ(ScriptQuery(kOpLoad, 0, buf), 0u) << "loading " << path;
    EXPECT_EQ(ScriptQuery(kOpFileCount, 0, nullptr), 1u);
    EXPECT_EQ(ScriptQuery(kOpItemCount, 0, nullptr), 1u);
    ScriptQuery(kOpAppName, 0, buf);
    EXPECT_STREQ(buf, "Vireo");
    char item[kScriptBufferSize];
    EXPECT_EQ(ScriptQuery(kOpItemFile, 0, item), 0u) << "directory position of the item's file";
    EXPECT_STREQ(item, "VIREO.EXE");
    DeleteFileA(path.c_str());
}

TEST(ScriptLoad, MissingFileAnswers2AndKeepsCounts) {
    char buf[kScriptBufferSize] = "C:\\NOWHERE\\TLSETUP.INF";
    EXPECT_EQ(ScriptQuery(kOpLoad, 0, buf), 2u);
}

TEST(ScriptLoad, EmptyFileIsAnEmptyScript) {
    std::string path = TempPath("EMPTY.INF");
    WriteFileBytes(path, "");
    char buf[kScriptBufferSize];
    std::strcpy(buf, path.c_str());
    EXPECT_EQ(ScriptQuery(kOpLoad, 0, buf), 0u);
    EXPECT_EQ(ScriptQuery(kOpFileCount, 0, nullptr), 0u);
    DeleteFileA(path.c_str());
}

}  // namespace
