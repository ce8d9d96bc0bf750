// Pieces of the installer's shell used across its own files
// (main.cpp, sequence.cpp, ports.cpp, end_dialog.cpp).
#pragma once

#include <windows.h>

#include <cstdint>

// Start-up (main.cpp).
BOOL RegisterSetupClass(HINSTANCE instance);
BOOL InitSetupInstance(HINSTANCE instance, int showCommand);
void ReadSetupConfig();
extern "C" LRESULT CALLBACK MainWndProc(HWND, UINT, WPARAM, LPARAM);

// Loads the dialog templates 900-919 and the icons 950 and 951 once
// (sequence.cpp).
void PreloadResources();

// The restart prompt (end_dialog.cpp).
extern "C" INT_PTR CALLBACK EndDlgProc(HWND, UINT, WPARAM, LPARAM);

// Asks the system to restart Windows; true when the request was accepted.
// Enables the shutdown privilege first where the system has one
// (end_dialog.cpp).
BOOL RequestWindowsRestart();

// An accepted restart request does not end the session when another program
// refuses to end it: the system then tells every top-level window so
// (WM_ENDSESSION with FALSE), from inside a sent message, possibly before
// ExitWindowsEx has returned. The main window passes that on to
// NoteSessionGoesOn, which, when a restart request was made, posts
// kShowRestartPromptAgain to it; on that message, TakeCalledOffRestart is
// true once and the main window runs RunRestartPrompt again, outside every
// other dialog and sent message (end_dialog.cpp).
constexpr UINT kShowRestartPromptAgain = WM_APP;
void NoteSessionGoesOn(HWND hwnd);
bool TakeCalledOffRestart();

// The closing prompt loop, dialog 904 until "Exit Setup" (which ends the
// program) or an accepted restart request (sequence.cpp).
void RunRestartPrompt(HWND hwnd);

// Port counting with the enumeration call passed in, so that tests can watch
// the sizes it is given (ports.cpp). `enumPorts` has the signature of
// EnumPortsA.
typedef BOOL(WINAPI* EnumPortsFn)(LPSTR, DWORD, LPBYTE, DWORD, LPDWORD, LPDWORD);
uint32_t CountParallelPortsWith(EnumPortsFn enumPorts);

// Product word of the messages' %s.
inline constexpr const char kVireo[] = "Vireo";
