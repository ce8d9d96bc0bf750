// The file calls of stricter systems than Wine run as root, for the tests of
// the steps that replace, delete or schedule files. Windows refuses to open a
// read-only file with OF_CREATE and to delete it (Wine as root does both),
// and the MoveFileExA of Windows 95 does nothing but fail with
// ERROR_CALL_NOT_IMPLEMENTED. The steps' calls go through the test
// program's import slots (MoveFileExA through the GetProcAddress that looks
// it up), which a StrictFiles swaps for its lifetime. Header only, like
// win95_profile.h.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>

#include "import_slot.h"

namespace strict {

struct RealCalls {
    decltype(&OpenFile) openFile;
    decltype(&DeleteFileA) deleteFile;
    decltype(&GetProcAddress) getProcAddress;
};
inline RealCalls g_real;

inline bool ReadOnly(LPCSTR path) {
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
}

inline HFILE WINAPI OpenFileRefusingReadOnly(LPCSTR path, LPOFSTRUCT of, UINT style) {
    if ((style & OF_CREATE) && ReadOnly(path)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return HFILE_ERROR;
    }
    return g_real.openFile(path, of, style);
}

inline BOOL WINAPI DeleteFileRefusingReadOnly(LPCSTR path) {
    if (ReadOnly(path)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return g_real.deleteFile(path);
}

inline BOOL WINAPI MoveFileExOfWindows95(LPCSTR, LPCSTR, DWORD) {
    SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return FALSE;
}

inline FARPROC WINAPI GetProcAddressOfWindows95(HMODULE module, LPCSTR name) {
    if (reinterpret_cast<ULONG_PTR>(name) > 0xFFFF && std::strcmp(name, "MoveFileExA") == 0) {
        return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(MoveFileExOfWindows95));
    }
    return g_real.getProcAddress(module, name);
}

// Read-only files are refused; with windows95 set, MoveFileExA is that of
// Windows 95 as well.
class StrictFiles {
public:
    explicit StrictFiles(bool windows95) {
        swaps_.Swap(g_openFileSlot, OpenFileRefusingReadOnly, &g_real.openFile);
        swaps_.Swap(g_deleteFileSlot, DeleteFileRefusingReadOnly, &g_real.deleteFile);
        if (windows95) swaps_.Swap(g_getProcAddressSlot, GetProcAddressOfWindows95, &g_real.getProcAddress);
    }
    bool swapped() const { return swaps_.swapped(); }

private:
    ImportSwaps swaps_;
};

}  // namespace strict
