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

#include "import_slot.h"

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

class NtPrinterDeletion {
public:
    NtPrinterDeletion() {
        g_access.clear();
        g_refusedDeletions = 0;
        swaps_.Swap(g_openPrinterSlot, OpenPrinterRecordingAccess, &g_real.open);
        swaps_.Swap(g_closePrinterSlot, ClosePrinterForgettingAccess, &g_real.close);
        swaps_.Swap(g_deletePrinterSlot, DeletePrinterWithDeleteAccessOnly, &g_real.deletePrinter);
        swaps_.Swap(g_deletePrinterDriverSlot, DeleteUnusedPrinterDriver, &g_real.deleteDriver);
    }
    NtPrinterDeletion(const NtPrinterDeletion&) = delete;
    NtPrinterDeletion& operator=(const NtPrinterDeletion&) = delete;
    unsigned RefusedDeletions() const { return g_refusedDeletions; }

private:
    ImportSwaps swaps_;
};

}  // namespace nt
