// Windows 95's profile cache on the Wine machine, for the tests of the steps
// that read, copy or rewrite INI files as files. Windows 95 holds WIN.INI and
// the most recently used private INI file in memory and writes them to disk
// later: when a program flushes the file (every other parameter NULL) or,
// for the private file, when another private file is used. Wine writes every
// change through at once, so a missing flush never shows under it.
//
// The stand-in keeps the image of each cached file as a file of its own in a
// folder of the Windows directory, on which the machine's own profile
// functions work: reads and writes through the profile functions see the
// cached state, file and LZ functions see the disk. The steps' profile calls
// go through the test program's import slots, which a Windows95ProfileCache
// swaps for its lifetime; its end writes out what is still cached, as Windows
// does sooner or later. Header only, like win95_profile.h.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "import_slot.h"

namespace win95 {

struct CachedFile {
    std::string disk;   // the file the program named, upper case, with its path
    std::string image;  // the cached image
    bool changed = false;
};

struct ProfileCache {
    CachedFile winIni;
    CachedFile privateFile;
    std::string folder;
    unsigned loads = 0;
    decltype(&GetPrivateProfileStringA) getString;
    decltype(&WritePrivateProfileStringA) writeString;
    decltype(&GetPrivateProfileIntA) getInt;
};
inline ProfileCache g_cache;

inline std::string WindowsDirectory() {
    char dir[MAX_PATH] = "";
    GetWindowsDirectoryA(dir, MAX_PATH);
    return dir;
}

// A profile file name without a path lies in the Windows directory.
inline std::string DiskName(const char* name) {
    std::string path = name;
    if (path.find('\\') == std::string::npos && path.find(':') == std::string::npos) {
        path = WindowsDirectory() + "\\" + path;
    }
    CharUpperA(&path[0]);
    return path;
}

inline CachedFile& SlotOf(const std::string& disk) {
    return disk == DiskName("WIN.INI") ? g_cache.winIni : g_cache.privateFile;
}

// Copies the bytes of `from` over `to`; a missing `from` leaves `to` missing.
inline void CopyBytes(const std::string& from, const std::string& to) {
    DeleteFileA(to.c_str());
    HANDLE in = CreateFileA(from.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (in == INVALID_HANDLE_VALUE) return;
    std::string bytes(GetFileSize(in, nullptr), '\0');
    DWORD got = 0;
    if (!bytes.empty()) ReadFile(in, &bytes[0], static_cast<DWORD>(bytes.size()), &got, nullptr);
    CloseHandle(in);
    HANDLE out = CreateFileA(to.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (out == INVALID_HANDLE_VALUE) {
        ADD_FAILURE() << "cannot write " << to << ", error " << GetLastError();
        return;
    }
    DWORD put = 0;
    WriteFile(out, bytes.data(), got, &put, nullptr);
    CloseHandle(out);
}

// Writes the image to disk when it changed, and forgets it.
inline void WriteOut(CachedFile& file) {
    if (file.changed) CopyBytes(file.image, file.disk);
    if (!file.image.empty()) DeleteFileA(file.image.c_str());
    file = CachedFile{};
}

// The image of the named file; another private file is written out first.
// Every load has an image path of its own, so that Wine's own cache of the
// profile files never serves an older image.
inline const char* Image(const char* name) {
    const std::string disk = DiskName(name ? name : "WIN.INI");
    CachedFile& slot = SlotOf(disk);
    if (slot.disk != disk) {
        WriteOut(slot);
        const std::string dir = g_cache.folder + "\\" + std::to_string(++g_cache.loads);
        CreateDirectoryA(dir.c_str(), nullptr);
        slot.disk = disk;
        slot.image = dir + disk.substr(disk.rfind('\\'));
        CopyBytes(disk, slot.image);
    }
    return slot.image.c_str();
}

inline DWORD WINAPI GetPrivateString(LPCSTR section, LPCSTR key, LPCSTR fallback, LPSTR out, DWORD size,
                                     LPCSTR file) {
    return g_cache.getString(section, key, fallback, out, size, Image(file));
}

inline UINT WINAPI GetPrivateInt(LPCSTR section, LPCSTR key, INT fallback, LPCSTR file) {
    return g_cache.getInt(section, key, fallback, Image(file));
}

// All of section, key and value NULL: the documented flush, which returns
// FALSE whatever it did.
inline BOOL WINAPI WritePrivateString(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR file) {
    if (!section && !key && !value) {
        const std::string disk = DiskName(file ? file : "WIN.INI");
        CachedFile& slot = SlotOf(disk);
        if (slot.disk == disk) WriteOut(slot);
        return FALSE;
    }
    const char* image = Image(file);
    BOOL written = g_cache.writeString(section, key, value, image);
    if (written) SlotOf(DiskName(file)).changed = true;
    return written;
}

inline DWORD WINAPI GetString(LPCSTR section, LPCSTR key, LPCSTR fallback, LPSTR out, DWORD size) {
    return GetPrivateString(section, key, fallback, out, size, "WIN.INI");
}

inline UINT WINAPI GetInt(LPCSTR section, LPCSTR key, INT fallback) {
    return GetPrivateInt(section, key, fallback, "WIN.INI");
}

inline BOOL WINAPI WriteString(LPCSTR section, LPCSTR key, LPCSTR value) {
    return WritePrivateString(section, key, value, "WIN.INI");
}

class Windows95ProfileCache {
public:
    Windows95ProfileCache() {
        g_cache = ProfileCache{};
        g_cache.folder = WindowsDirectory() + "\\PROFCACH";
        CreateDirectoryA(g_cache.folder.c_str(), nullptr);
        swaps_.Swap(g_getProfileStringSlot, GetString);
        swaps_.Swap(g_writeProfileStringSlot, WriteString);
        swaps_.Swap(g_getProfileIntSlot, GetInt);
        swaps_.Swap(g_getPrivateProfileStringSlot, GetPrivateString, &g_cache.getString);
        swaps_.Swap(g_writePrivateProfileStringSlot, WritePrivateString, &g_cache.writeString);
        swaps_.Swap(g_getPrivateProfileIntSlot, GetPrivateInt, &g_cache.getInt);
    }
    ~Windows95ProfileCache() {
        swaps_.Restore();
        WriteOut(g_cache.winIni);
        WriteOut(g_cache.privateFile);
        for (unsigned n = 1; n <= g_cache.loads; ++n) {
            RemoveDirectoryA((g_cache.folder + "\\" + std::to_string(n)).c_str());
        }
        RemoveDirectoryA(g_cache.folder.c_str());
    }
    Windows95ProfileCache(const Windows95ProfileCache&) = delete;
    Windows95ProfileCache& operator=(const Windows95ProfileCache&) = delete;
    bool swapped() const { return swaps_.swapped(); }

private:
    ImportSwaps swaps_;
};

}  // namespace win95
