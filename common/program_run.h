// The start and the end of a run, the same in both programs: one run of
// either program at a time on the machine, the message loop, and the exit
// code written to the log.
#pragma once

#include <windows.h>

// Exit code of a run that found another installation or removal of the
// package in progress: deployment tools know it and try again later.
constexpr int kExitAnotherRun = 1618;

// Takes the one lock that the installer and the uninstaller share, for as
// long as this process runs. False when another run of either program holds
// it. A lock left by a run that ended without releasing it counts as taken
// by this one; a lock that another account created and this one may not
// open (a standard user's, seen from an administrator's run) stops nothing.
// The uninstaller that the installer itself starts to remove the previous
// version goes on when it can take the installer's hand-over
// (OpenRemovalHandOver), which only one such uninstaller can.
bool TakeRunLock(bool uninstaller);

// The installer's hand-over to the uninstaller it starts: open from before
// the uninstaller starts until it has ended.
HANDLE OpenRemovalHandOver();

// Removes, translates and dispatches messages until WM_QUIT; its code, or
// 0 when the loop fails.
int RunMessageLoop();

// Writes the exit code to the log ("<g_logExitCodeWords> <code>"), closes the
// log and returns the code.
int EndRun(int code);
extern const char* g_logExitCodeWords;

// Reads the display's width, height and colour count (NUMCOLORS, -1 past 256
// colours) and registers the program's main window class: MainWndProc, the
// icon "SetupIcon", the arrow, and a grey background on a colour display
// (as isColour judges the count), black otherwise (main_window_win.cpp).
BOOL RegisterMainClass(HINSTANCE instance, const char* className, int* width, int* height, int* colours,
                       bool (*isColour)(int));
