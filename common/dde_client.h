// Hidden DDEClient window that holds a DDE conversation with Program Manager.
#pragma once

#include <windows.h>

// Registers the DDEClient window class; false on failure.
BOOL RegisterDdeClientClass(HINSTANCE instance);

extern "C" LRESULT CALLBACK DDEClientWndProc(HWND, UINT, WPARAM, LPARAM);

// Builds a command block from text, executes it, returns 1 on a positive
// acknowledgement, else 0.
int SendProgmanCommand(HWND client, const char* command);

// Installer: group and items from the setup script; non-zero when all were
// acknowledged.
BOOL CreateProgmanGroup();

// Uninstaller: deletes the group; the execute result, or 0 when no client.
int DeleteProgmanGroup(HINSTANCE instance);
