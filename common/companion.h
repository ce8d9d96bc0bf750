// Asking the package's companion programs to close, and waiting for them,
// with bounds: a program that hangs or does not close leaves a choice to the
// caller instead of freezing this one.
#pragma once

#include <windows.h>

// One request: the message sent (or posted) to every top-level window of a
// class, and whether to wait until the windows and their processes are gone.
struct CompanionRequest {
    const char* windowClass;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    bool post;  // posted rather than sent
    bool wait;  // wait until no window of the class and none of their processes is left
};

// Bounds of a close request. Windows itself counts a window as hung when it
// has not read its messages for 5 seconds, so a sent request waits as long
// for each window before it is given up. A program asked to close may save
// its state and unload; on a 386 with 4 MB that swaps, this takes seconds,
// so the windows and their processes get 30 seconds to go before the user
// is asked. Defined in bounds_win.cpp, a unit of their own, so that
// a test variant of a program can link shorter ones in their place.
extern const DWORD kCompanionSendBound;   // 5000
extern const DWORD kCompanionCloseBound;  // 30000
// Interval between looks while waiting; messages are handled meanwhile.
constexpr DWORD kCompanionLookInterval = 50;

// What to do about a program still running after the bound.
enum CompanionChoice {
    kCompanionRetry = 0,     // ask it again and wait again
    kCompanionCancel = 1,    // the caller ends, with nothing changed yet
    kCompanionPassOver = 2,  // go on without it
};

// Decides about the program whose window carries `title` (its class name
// when it has no title); each program supplies its own.
typedef CompanionChoice (*CompanionStillRunningFn)(const char* title);

// Sends or posts the request to every window of the class and, when the
// request waits, waits up to `bound` ms for the windows and their processes
// to go. True when none is left (or the request does not wait); otherwise
// false, with the title of a window still there in `title` (empty when only
// a process is left).
bool RequestCompanionClose(const CompanionRequest& request, DWORD bound, char* title, int titleSize);

// RequestCompanionClose with the bounds above, asking `stillRunning` each
// time the bound is reached. False only when it chose to cancel.
bool CloseCompanion(const CompanionRequest& request, CompanionStillRunningFn stillRunning);

// Waits, keeping this program's windows alive, while a top-level window of
// the class exists, for at most `bound` ms. True when none is left.
bool WaitWhileWindowOfClass(const char* windowClass, DWORD bound);
