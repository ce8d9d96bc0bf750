// Message helpers shared by both programs: string-table message boxes and
// the waits that keep the single-threaded programs responsive.
#pragma once

#include <windows.h>

// Loads text `id` (at most 511 characters), formats it wsprintf-style with the
// further arguments and shows it in a message box owned by `owner`. Returns
// the box's result, or 0 (and shows nothing) when the text does not exist.
int ShowMessage(HINSTANCE instance, HWND owner, UINT id, const char* caption, UINT style, ...);

// Removes, translates and dispatches every waiting message; never waits.
// Keyboard messages of g_modelessDialog go through the dialog manager.
int PumpMessages();

// The modeless dialog whose keys (Escape, Enter) PumpMessages lets the dialog
// manager turn into its commands, or null; the progress dialog sets it for
// as long as it exists.
extern HWND g_modelessDialog;

// The wake mask of every wait that keeps a window alive: any message. The
// headers' QS_ALLINPUT carries QS_RAWINPUT (Windows XP) even when they
// describe Windows 95, and Windows before 8 fails a wait at once for a bit it
// does not know, so the waits would spin; these bits are the ones that
// Windows 95 and NT 4.0 know.
constexpr DWORD kWakeOnAnyMessage =
    QS_KEY | QS_MOUSEMOVE | QS_MOUSEBUTTON | QS_POSTMESSAGE | QS_TIMER | QS_PAINT | QS_SENDMESSAGE | QS_HOTKEY;
static_assert(kWakeOnAnyMessage == 0x00FF, "the wake bits of Windows 95 and NT 4.0");

// Waits `milliseconds`, draining the queue meanwhile; safe across the wrap of
// the tick counter.
void WaitTicks(DWORD milliseconds);

// How long a progress dialog stays at its full bar once a step is done, so
// that the user sees the step end (1000; defined in bounds_win.cpp).
extern const DWORD kProgressHoldMs;

// Asks Windows to fail a call on a drive that is not ready (no diskette, an
// unreadable one) and a file that cannot be opened, instead of showing its
// own "not ready" or "cannot find" box first: the programs' own prompts (the
// insert-disk dialog, the copy's retry message) then come at once. Called
// once at start-up; later programs started by this one inherit the mode.
void UseOwnDrivePrompts();

// Centres a window on the screen without changing its size or z-order.
void CentreWindow(HWND hwnd);

// Title used as caption by the shared progress dialog; set by each program.
extern char g_statusDialogTitle[64];
// Instance whose string table holds the cancel question 1005.
extern HINSTANCE g_statusDialogInstance;

// The progress dialog of both programs (templates 909 and 500).
extern "C" INT_PTR CALLBACK StatusDlgProc(HWND, UINT, WPARAM, LPARAM);

// Messages of the Percent progress-bar control (ZEROZ32.DLL).
constexpr UINT kPercentSetRange = WM_USER;
constexpr UINT kPercentSetPosition = WM_USER + 2;
constexpr UINT kPercentColorRequest = WM_USER + 4;
