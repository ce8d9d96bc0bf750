// GetSystemDirectoryA of the test variants tlsetup_win95.exe and
// tldesetup_win95.exe: the system directory of Windows 95, the SYSTEM
// subdirectory of the Windows directory, where Wine always answers its
// system32 or syswow64. Both programs then take the branch of a local
// Windows installation, as on Windows 95.
//
// The programs' objects call GetSystemDirectoryA through its import slot;
// this file defines that slot, so the linker takes it in place of kernel32's.
// Linked like the programs: no C runtime.
#include <windows.h>

#include "../machine/import_slot.h"

namespace {

constexpr char kWindows95SystemDir[] = "C:\\WINDOWS\\SYSTEM";

// As the system's: the length without the NUL, or the size needed with it
// when the buffer is too small.
UINT WINAPI Windows95SystemDirectory(LPSTR buffer, UINT size) {
    const UINT length = sizeof kWindows95SystemDir - 1;
    if (!buffer || size <= length) return length + 1;
    lstrcpyA(buffer, kWindows95SystemDir);
    return length;
}

}  // namespace

TLS_IMPORT_SLOT_DECL(GetSystemDirectoryA, 8, g_getSystemDirectorySlot);
decltype(&GetSystemDirectoryA) g_getSystemDirectorySlot = Windows95SystemDirectory;
