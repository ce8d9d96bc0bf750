// Import slots: the one way the tests put a stand-in in place of a system
// function, whether the code under test runs inside the test program or in a
// test variant of a shipped program.
//
// Every call of our objects to a system function goes through the calling
// module's import slot, a pointer variable named __imp_<name> (on i386
// __imp__<name>@<argument bytes>, the stdcall decoration).
//
// - In a test variant, link time: define the slot yourself and the linker
//   takes it in place of the system library's:
//       TLS_IMPORT_SLOT_DECL(MoveFileA, 8, g_moveFile);  // declaration
//       decltype(&MoveFileA) g_moveFile = MoveThenCut;   // the stand-in
//   (TLS_IMPORT_SLOT alone is the asm label, for declarations of your own.)
//
// - Inside a Win32 test program, run time: an ImportSwaps replaces slots for
//   its lifetime and puts the real functions back at its end, in reverse
//   order; it reports an unwritable slot as a test failure:
//       TLS_IMPORT_SLOT_DECL(DeleteFileA, 4, g_deleteFileSlot);
//       ImportSwaps swaps;
//       swaps.Swap(g_deleteFileSlot, DeleteFileRefusing, &g_realDeleteFile);
#pragma once

#if defined(__i386__)
#define TLS_IMPORT_SLOT(name, argBytes) __asm__("__imp__" #name "@" #argBytes)
#else
#define TLS_IMPORT_SLOT(name, argBytes) __asm__("__imp_" #name)
#endif

// Declares `var`, of the function's pointer type, bound to its import slot.
#define TLS_IMPORT_SLOT_DECL(name, argBytes, var) extern decltype(&name) var TLS_IMPORT_SLOT(name, argBytes)

// The run-time swaps, in the test programs that link GoogleTest.
#if __has_include(<gtest/gtest.h>)
#include <windows.h>
#include <lzexpand.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <string>

TLS_IMPORT_SLOT_DECL(_hwrite, 12, g_hwriteSlot);
TLS_IMPORT_SLOT_DECL(CreateProcessA, 40, g_createProcessSlot);
TLS_IMPORT_SLOT_DECL(DeleteFileA, 4, g_deleteFileSlot);
TLS_IMPORT_SLOT_DECL(GetProcAddress, 8, g_getProcAddressSlot);
TLS_IMPORT_SLOT_DECL(GetVersionExA, 4, g_getVersionExSlot);
TLS_IMPORT_SLOT_DECL(MsgWaitForMultipleObjects, 20, g_msgWaitSlot);
TLS_IMPORT_SLOT_DECL(OpenFile, 12, g_openFileSlot);
TLS_IMPORT_SLOT_DECL(WinExec, 8, g_winExecSlot);
// Profiles.
TLS_IMPORT_SLOT_DECL(GetProfileStringA, 20, g_getProfileStringSlot);
TLS_IMPORT_SLOT_DECL(WriteProfileStringA, 12, g_writeProfileStringSlot);
TLS_IMPORT_SLOT_DECL(GetProfileIntA, 12, g_getProfileIntSlot);
TLS_IMPORT_SLOT_DECL(GetPrivateProfileStringA, 24, g_getPrivateProfileStringSlot);
TLS_IMPORT_SLOT_DECL(WritePrivateProfileStringA, 16, g_writePrivateProfileStringSlot);
TLS_IMPORT_SLOT_DECL(GetPrivateProfileIntA, 16, g_getPrivateProfileIntSlot);
TLS_IMPORT_SLOT_DECL(WritePrivateProfileSectionA, 12, g_writePrivateProfileSectionSlot);
// Fonts and the spooler.
TLS_IMPORT_SLOT_DECL(LZOpenFileA, 12, g_lzOpenFileSlot);
TLS_IMPORT_SLOT_DECL(RemoveFontResourceA, 4, g_removeFontResourceSlot);
TLS_IMPORT_SLOT_DECL(OpenPrinterA, 12, g_openPrinterSlot);
TLS_IMPORT_SLOT_DECL(ClosePrinter, 4, g_closePrinterSlot);
TLS_IMPORT_SLOT_DECL(DeletePrinter, 4, g_deletePrinterSlot);
TLS_IMPORT_SLOT_DECL(DeletePrinterDriverA, 12, g_deletePrinterDriverSlot);
// Volumes and links.
TLS_IMPORT_SLOT_DECL(GetDriveTypeA, 4, g_getDriveTypeSlot);
TLS_IMPORT_SLOT_DECL(GetFileAttributesA, 4, g_getFileAttributesSlot);
TLS_IMPORT_SLOT_DECL(GetVolumeInformationA, 32, g_getVolumeInformationSlot);

// Swaps import slots for its lifetime (run-time stand-ins in test programs).
class ImportSwaps {
public:
    ImportSwaps() = default;
    ~ImportSwaps() { Restore(); }
    ImportSwaps(const ImportSwaps&) = delete;
    ImportSwaps& operator=(const ImportSwaps&) = delete;

    // Puts standIn into slot; the function it held goes to *real when given.
    // False, with a test failure, when the slot cannot be made writable or
    // the table is full.
    template <typename Fn>
    bool Swap(Fn& slot, Fn standIn, Fn* real = nullptr) {
        static_assert(sizeof(Fn) == sizeof(void*), "an import slot holds one pointer");
        DWORD protection = 0;
        if (count_ == kMaxSwaps || !VirtualProtect(&slot, sizeof slot, PAGE_READWRITE, &protection)) {
            Failed(count_ == kMaxSwaps ? 0 : GetLastError());
            return false;
        }
        Saved& saved = saved_[count_++];
        saved.slot = &slot;
        std::memcpy(saved.bytes, &slot, sizeof slot);
        if (real) *real = slot;
        slot = standIn;
        return true;
    }
    // True when every Swap so far succeeded and at least one was made.
    bool swapped() const { return count_ > 0 && !failed_; }
    void Restore() {
        while (count_ > 0) {
            Saved& saved = saved_[--count_];
            std::memcpy(saved.slot, saved.bytes, sizeof(void*));
        }
    }

private:
    void Failed(DWORD error) {
        failed_ = true;
        if (error) {
            ADD_FAILURE() << "import slot not writable, error " << error;
        } else {
            ADD_FAILURE() << "more than " << kMaxSwaps << " import slots swapped at once";
        }
    }
    static constexpr std::size_t kMaxSwaps = 16;
    struct Saved {
        void* slot;
        unsigned char bytes[sizeof(void*)];
    };
    Saved saved_[kMaxSwaps]{};
    std::size_t count_ = 0;
    bool failed_ = false;
};

// A GetFileAttributesA that reports g_junctionPath as a junction (Wine 8.0
// makes none): swaps.Swap(g_getFileAttributesSlot, JunctionAttributes,
// &g_realGetFileAttributes).
inline std::string g_junctionPath;
inline decltype(&GetFileAttributesA) g_realGetFileAttributes;
inline DWORD WINAPI JunctionAttributes(LPCSTR path) {
    const DWORD attributes = g_realGetFileAttributes(path);
    return lstrcmpiA(path, g_junctionPath.c_str()) == 0 ? attributes | FILE_ATTRIBUTE_REPARSE_POINT : attributes;
}
#endif
