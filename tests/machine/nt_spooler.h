// The printer deletion of Windows NT on the Wine machine, for the tests of
// the removal of an earlier printer. NT deletes a printer only through a
// handle opened with DELETE access (PRINTER_ALL_ACCESS holds it; a handle
// opened without defaults has PRINTER_ACCESS_USE) and refuses to delete a
// driver that a printer still uses; Windows 95 and Wine check neither. The
// steps' spooler calls go through the test program's import slots, which an
// NtPrinterDeletion swaps for its lifetime; the machine's spooler does the
// rest. Header only.
#pragma once

#include <windows.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <map>
#include <string>

extern "C" {
extern decltype(&OpenPrinterA) __imp_OpenPrinterA;
extern decltype(&ClosePrinter) __imp_ClosePrinter;
extern decltype(&DeletePrinter) __imp_DeletePrinter;
extern decltype(&DeletePrinterDriverA) __imp_DeletePrinterDriverA;
}

namespace nt {

struct SpoolerSlots {
    decltype(&OpenPrinterA) open;
    decltype(&ClosePrinter) close;
    decltype(&DeletePrinter) deletePrinter;
    decltype(&DeletePrinterDriverA) deleteDriver;
};
inline SpoolerSlots g_real;
inline std::map<HANDLE, ACCESS_MASK> g_access;
inline unsigned g_refusedDeletions;

inline BOOL WINAPI OpenPrinterRecordingAccess(LPSTR name, LPHANDLE handle, LPPRINTER_DEFAULTSA defaults) {
    if (!g_real.open(name, handle, defaults)) return FALSE;
    g_access[*handle] = defaults ? defaults->DesiredAccess : PRINTER_ACCESS_USE;
    return TRUE;
}

inline BOOL WINAPI ClosePrinterForgettingAccess(HANDLE handle) {
    g_access.erase(handle);
    return g_real.close(handle);
}

inline BOOL WINAPI DeletePrinterWithDeleteAccessOnly(HANDLE handle) {
    auto found = g_access.find(handle);
    if (found == g_access.end() || (found->second & DELETE) == 0) {
        ++g_refusedDeletions;
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return g_real.deletePrinter(handle);
}

// Refused while any printer of the machine uses the driver.
inline BOOL WINAPI DeleteUnusedPrinterDriver(LPSTR server, LPSTR environment, LPSTR driver) {
    DWORD needed = 0, count = 0;
    EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &needed, &count);
    if (needed > 0) {
        std::string buffer(needed, '\0');
        if (EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, reinterpret_cast<BYTE*>(&buffer[0]), needed, &needed,
                          &count)) {
            auto* info = reinterpret_cast<PRINTER_INFO_2A*>(&buffer[0]);
            for (DWORD i = 0; i < count; ++i) {
                if (info[i].pDriverName && driver && lstrcmpiA(info[i].pDriverName, driver) == 0) {
                    SetLastError(ERROR_PRINTER_DRIVER_IN_USE);
                    return FALSE;
                }
            }
        }
    }
    return g_real.deleteDriver(server, environment, driver);
}

template <typename Slot>
bool Writable(Slot& slot) {
    DWORD protection = 0;
    return VirtualProtect(&slot, sizeof slot, PAGE_READWRITE, &protection) != FALSE;
}

class NtPrinterDeletion {
public:
    NtPrinterDeletion() {
        if (!Writable(__imp_OpenPrinterA) || !Writable(__imp_ClosePrinter) || !Writable(__imp_DeletePrinter) ||
            !Writable(__imp_DeletePrinterDriverA)) {
            ADD_FAILURE() << "import slots not writable, error " << GetLastError();
            return;
        }
        swapped_ = true;
        g_real = {__imp_OpenPrinterA, __imp_ClosePrinter, __imp_DeletePrinter, __imp_DeletePrinterDriverA};
        g_access.clear();
        g_refusedDeletions = 0;
        __imp_OpenPrinterA = OpenPrinterRecordingAccess;
        __imp_ClosePrinter = ClosePrinterForgettingAccess;
        __imp_DeletePrinter = DeletePrinterWithDeleteAccessOnly;
        __imp_DeletePrinterDriverA = DeleteUnusedPrinterDriver;
    }
    ~NtPrinterDeletion() {
        if (!swapped_) return;
        __imp_OpenPrinterA = g_real.open;
        __imp_ClosePrinter = g_real.close;
        __imp_DeletePrinter = g_real.deletePrinter;
        __imp_DeletePrinterDriverA = g_real.deleteDriver;
    }
    NtPrinterDeletion(const NtPrinterDeletion&) = delete;
    NtPrinterDeletion& operator=(const NtPrinterDeletion&) = delete;
    unsigned RefusedDeletions() const { return g_refusedDeletions; }

private:
    bool swapped_ = false;
};

}  // namespace nt
