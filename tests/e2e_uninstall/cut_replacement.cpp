// Stand-ins of the test variant tldesetup_cut.exe: the removal is cut short,
// as by a power cut, between the two renames with which Windows 95 replaces
// SYSTEM.INI. The system's MoveFileEx is hidden (the KERNEL32 lookup finds no
// module), so the uninstaller takes the two-rename path; the first rename,
// the one that moves SYSTEM.INI aside, ends the process as soon as it is
// done.
//
// The uninstaller's objects call GetModuleHandleA and MoveFileA through
// their import slots; this file defines those slots, so the linker takes
// them in place of KERNEL32's. Linked like the uninstaller: no C runtime.
#include <windows.h>

#include "../machine/import_slot.h"

namespace {

FARPROC RealKernelFunction(const char* name) {
    return GetProcAddress(GetModuleHandleW(L"KERNEL32.DLL"), name);
}

HMODULE WINAPI ModuleWithoutKernel(LPCSTR name) {
    if (name && lstrcmpiA(name, "KERNEL32.DLL") == 0) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    auto real = reinterpret_cast<decltype(&GetModuleHandleA)>(
        reinterpret_cast<void*>(RealKernelFunction("GetModuleHandleA")));
    return real ? real(name) : nullptr;
}

bool EndsWith(const char* text, const char* tail) {
    const int length = lstrlenA(text);
    const int tailLength = lstrlenA(tail);
    return length >= tailLength && lstrcmpiA(text + length - tailLength, tail) == 0;
}

BOOL WINAPI MoveThenCut(LPCSTR from, LPCSTR to) {
    auto real = reinterpret_cast<decltype(&MoveFileA)>(reinterpret_cast<void*>(RealKernelFunction("MoveFileA")));
    BOOL moved = real ? real(from, to) : FALSE;
    if (moved && EndsWith(from, "\\SYSTEM.INI")) TerminateProcess(GetCurrentProcess(), 3);
    return moved;
}

}  // namespace

TLS_IMPORT_SLOT_DECL(GetModuleHandleA, 4, g_getModuleHandleSlot);
decltype(&GetModuleHandleA) g_getModuleHandleSlot = ModuleWithoutKernel;
TLS_IMPORT_SLOT_DECL(MoveFileA, 8, g_moveFileSlot);
decltype(&MoveFileA) g_moveFileSlot = MoveThenCut;
