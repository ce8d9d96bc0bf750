// Helpers of the Windows-configuration tests: a known SetupState, files and
// registry values read back as they are.
#pragma once

#include <windows.h>

#include <string>

#include "setup.h"
#include "test_files.h"

// Fills g_setup as the sequence has it when these steps run: directories of
// the Windows prefix, destination C:\VIREO, port LPT1.
void ResetSetupState();

std::string InWindows(const char* name);

inline bool FileExists(const std::string& path) { return Exists(path); }
inline std::string ReadBytes(const std::string& path) { return ReadFileBytes(path); }  // "<missing>" when unreadable
inline bool WriteBytes(const std::string& path, const std::string& bytes) {
    return WriteFileBytes(path, bytes) == static_cast<long>(bytes.size());
}
void RemoveFile(const std::string& path);         // clears read-only first

// Puts a directory where a file was, so that every write to the file is
// refused (read-only attributes do not stop a Wine run as root); puts the
// file back when it goes out of scope.
class BlockedFile {
public:
    explicit BlockedFile(const std::string& path);
    ~BlockedFile();
    bool blocked() const { return blocked_; }
private:
    std::string path_, aside_;
    bool hadFile_ = false;
    bool blocked_ = false;
};

std::string ProfileString(const char* section, const char* key, const char* file = nullptr);

// A registry value: type, raw bytes; ok false when missing.
struct RegValue {
    bool ok = false;
    DWORD type = 0;
    std::string bytes;
};
RegValue ReadRegValue(HKEY root, const std::string& path, const char* name);
bool KeyExists(HKEY root, const std::string& path);
