// File helpers of the uninstaller's Win32 tests, beside the common ones.
#pragma once

#include <string>

#include "../machine/test_files.h"

bool FileExists(const std::string& path);  // a file, not a folder
void WriteBytes(const std::string& path, const std::string& bytes);  // gtest assertion on failure
std::string ReadBytes(const std::string& path);    // empty when missing
void MakeDir(const std::string& path);
