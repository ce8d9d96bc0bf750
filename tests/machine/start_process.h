// Starting a program of the test machine from a test.
//
// Wine's CreateProcess fails with ERROR_INTERNAL_ERROR (1359) when the new
// process ends inside Wine's own start-up, before any code of the program has
// run: the Unix process that was to become it exited or died before it told
// the wineserver that its start-up was done (a failed fork or exec of Wine's
// loader, or the loader ending early). Nothing of the program ran, so such a
// start says nothing about the program under test. StartProcess repeats it
// once, after a fresh look at the machine (the program file is still there,
// and no new process runs that image), and says so on standard output. A
// start that fails in any other way, or twice, is returned as it failed.
#pragma once

#include <windows.h>

#include <string>

// CreateProcessA(exe, commandLine, no inheritance, flags, workDir) with the
// one repetition described above. On failure GetLastError() tells the
// error of the last attempt; `note`, when given, receives what happened.
BOOL StartProcess(const char* exe, char* commandLine, DWORD flags, const char* workDir, STARTUPINFOA* si,
                  PROCESS_INFORMATION* pi, std::string* note = nullptr);

// How many running processes have the image file name of `exe` (its last
// path component, compared without regard to case).
int CountProcessesOf(const char* exe);
