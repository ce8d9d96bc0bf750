// The package's companion programs: each opens one window of its class and
// closes it on the package's close request (message 0x221F with wParam
// 0x1E1F), on WM_CLOSE and on a WM_DESTROY posted to it by another program.
//
// Command-line options, for use as test fixtures:
//   /ignore      ignore every close request (the window stays)
//   /late:N      close N milliseconds after the first close request
//   /log:PATH    append one line per request received to PATH
//   /exit:N      close by itself after N milliseconds
//   /hidden      do not show the window
// Message kCompanionEndMessage always closes the window at once.
#pragma once

#include <windows.h>

constexpr UINT kPackageCloseMessage = 0x221F;
constexpr WPARAM kPackageCloseWParam = 0x1E1F;
constexpr UINT kCompanionEndMessage = WM_APP + 0x1F;

struct CompanionInfo {
    const char* className;
    const char* title;
};

// Runs the program: registers the class, creates and shows the window and
// pumps messages until it is closed. Returns the exit code.
int RunCompanion(HINSTANCE instance, const char* commandLine, int show, const CompanionInfo& info);
