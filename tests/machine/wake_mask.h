// MsgWaitForMultipleObjects as the systems before Windows 8 have it, for the
// tests of the waits that keep the programs' windows alive. Windows 95 and
// NT 4.0 know the wake bits of QS_ALLINPUT as their headers define it
// (0x00FF); Windows XP added QS_RAWINPUT (0x0400), Windows 8 QS_TOUCH and
// QS_POINTER (0x0800, 0x1000). A system given a bit it does not know fails
// the call at once (WAIT_FAILED, ERROR_INVALID_PARAMETER), so a wait loop
// built on it spins. Wine passes any bit. The stand-in refuses every bit
// outside 0x00FF and counts the calls of the thread that installed it; the
// code under test calls through the test program's import slot, which a
// StrictWakeMask swaps for its lifetime. Header only.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include "import_slot.h"

namespace win95 {

constexpr DWORD kKnownWakeBits = 0x00FF;

struct WakeMaskCounts {
    unsigned calls = 0;
    unsigned refused = 0;
    DWORD refusedMask = 0;
};

inline decltype(&MsgWaitForMultipleObjects) g_realMsgWait;
inline DWORD g_strictThread;
inline WakeMaskCounts g_wakeCounts;

inline DWORD WINAPI MsgWaitKnownBitsOnly(DWORD count, const HANDLE* handles, BOOL all, DWORD ms, DWORD mask) {
    if (GetCurrentThreadId() == g_strictThread) {
        ++g_wakeCounts.calls;
        if (mask & ~kKnownWakeBits) {
            ++g_wakeCounts.refused;
            g_wakeCounts.refusedMask = mask;
            SetLastError(ERROR_INVALID_PARAMETER);
            return WAIT_FAILED;
        }
    }
    return g_realMsgWait(count, handles, all, ms, mask);
}

class StrictWakeMask {
public:
    StrictWakeMask() {
        g_wakeCounts = WakeMaskCounts{};
        g_strictThread = GetCurrentThreadId();
        swaps_.Swap(g_msgWaitSlot, MsgWaitKnownBitsOnly, &g_realMsgWait);
    }
    StrictWakeMask(const StrictWakeMask&) = delete;
    StrictWakeMask& operator=(const StrictWakeMask&) = delete;
    const WakeMaskCounts& Counts() const { return g_wakeCounts; }

private:
    ImportSwaps swaps_;
};

}  // namespace win95
