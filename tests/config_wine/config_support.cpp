#include "config_support.h"

#include <cstring>

#include "textutil.h"

SetupState g_setup;

std::string InWindows(const char* name) { return WindowsDir() + "\\" + name; }

void ResetSetupState() {
    std::memset(&g_setup, 0, sizeof g_setup);
    g_setup.hInstance = GetModuleHandleA(nullptr);
    CopyText(g_setup.windowsDir, WindowsDir().c_str());
    CopyText(g_setup.systemDir, SystemDir().c_str());
    CopyText(g_setup.destDir, "C:\\VIREO");
    CopyText(g_setup.destShortDir, "C:\\VIREO");
    g_setup.selectedPort = 124;
    g_setup.hopperCapacity = 200;
    g_setup.installType = 119;
}

void RemoveFile(const std::string& path) {
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(path.c_str());
}

std::string ProfileString(const char* section, const char* key, const char* file) {
    static char value[8192];
    if (file) {
        GetPrivateProfileStringA(section, key, "<none>", value, sizeof value, file);
    } else {
        GetProfileStringA(section, key, "<none>", value, sizeof value);
    }
    return value;
}

RegValue ReadRegValue(HKEY root, const std::string& path, const char* name) {
    RegValue result;
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return result;
    char data[1024];
    DWORD size = sizeof data;
    if (RegQueryValueExA(key, name, nullptr, &result.type, reinterpret_cast<BYTE*>(data), &size) == ERROR_SUCCESS) {
        result.ok = true;
        result.bytes.assign(data, size);
    }
    RegCloseKey(key);
    return result;
}

bool KeyExists(HKEY root, const std::string& path) {
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

BlockedFile::BlockedFile(const std::string& path) : path_(path), aside_(path + ".aside") {
    hadFile_ = MoveFileA(path_.c_str(), aside_.c_str()) != 0;
    blocked_ = CreateDirectoryA(path_.c_str(), nullptr) != 0;
}

BlockedFile::~BlockedFile() {
    RemoveDirectoryA(path_.c_str());
    if (hadFile_) MoveFileA(aside_.c_str(), path_.c_str());
}
