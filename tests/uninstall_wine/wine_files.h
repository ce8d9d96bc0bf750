// File helpers of the uninstaller's Win32 tests.
#pragma once

#include <string>

std::string WindowsDir();                          // no trailing backslash
std::string SystemDir();                           // no trailing backslash
bool FileExists(const std::string& path);
bool DirExists(const std::string& path);
void WriteBytes(const std::string& path, const std::string& bytes);  // gtest assertion on failure
std::string ReadBytes(const std::string& path);    // empty when missing
void MakeDir(const std::string& path);
// Deletes a directory tree (files and subdirectories); missing is fine.
void RemoveTree(const std::string& path);
