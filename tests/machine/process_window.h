// The top-level windows of a process, for the Win32 tests that look for what
// a program or the code under test shows. Header only.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

struct TopWindowSearch {
    DWORD pid;
    const std::function<bool(HWND)>* is;
    HWND found;
};

inline BOOL CALLBACK TopWindowOfProcess(HWND hwnd, LPARAM param) {
    auto* search = reinterpret_cast<TopWindowSearch*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != search->pid || !(*search->is)(hwnd)) return TRUE;
    search->found = hwnd;
    return FALSE;
}

// The first top-level window of process pid that `is` accepts; null when none.
inline HWND TopWindowOf(DWORD pid, const std::function<bool(HWND)>& is) {
    TopWindowSearch search{pid, &is, nullptr};
    EnumWindows(TopWindowOfProcess, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

inline std::string ClassOf(HWND hwnd) {
    char cls[64] = "";
    GetClassNameA(hwnd, cls, sizeof cls);
    return cls;
}
