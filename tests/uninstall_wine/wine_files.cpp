#include "wine_files.h"

#include <windows.h>

#include <gtest/gtest.h>

bool FileExists(const std::string& path) { return Exists(path) && !DirExists(path); }

void WriteBytes(const std::string& path, const std::string& bytes) {
    const long written = WriteFileBytes(path, bytes);
    ASSERT_NE(written, -1) << "cannot create " << path << ", error " << GetLastError();
    ASSERT_EQ(written, static_cast<long>(bytes.size())) << "short write to " << path;
}

std::string ReadBytes(const std::string& path) {
    std::string bytes;
    ReadWhole(path, &bytes);
    return bytes;
}

void MakeDir(const std::string& path) {
    BOOL made = CreateDirectoryA(path.c_str(), nullptr);
    ASSERT_TRUE(made || GetLastError() == ERROR_ALREADY_EXISTS) << "cannot create " << path;
}
