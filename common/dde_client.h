// Hidden DDEClient window that holds a DDE conversation with Program Manager.
#pragma once

#include <windows.h>

// Name of the package's Program Manager group, the same in both programs.
inline constexpr const char kProgmanGroupName[] = "ORVAN Pelora 200/250 Tools";

// DDE application (service) and topic name of Program Manager.
inline constexpr const char kProgmanService[] = "PROGMAN";

// Longest wait for each window that receives the initiate (5000; defined in
// bounds_win.cpp, which the quick test variants replace).
extern const DWORD kDdeInitiateTimeout;

// Longest wait for the acknowledgement of one command, and for the server's
// terminate when the conversation ends.
constexpr DWORD kDdeExecuteTimeout = 15000;
constexpr DWORD kDdeTerminateTimeout = 3000;

// Creation parameter of a DDEClient window: the atoms of the initiate (the
// application atom in the low 16 bits, the topic atom in the high 16 bits)
// and the window the initiate goes to, HWND_BROADCAST for every top-level
// window.
struct DdeClientParams {
    LPARAM atoms;
    HWND initiateTarget;
};

// Whether a client that nobody answers starts the service's program
// (PROGMAN.EXE) and asks once more; true unless a run set it false.
extern bool g_ddeStartsServer;

// Registers the DDEClient window class; false on failure. A class already
// registered by this instance counts as registered.
BOOL RegisterDdeClientClass(HINSTANCE instance);

extern "C" LRESULT CALLBACK DDEClientWndProc(HWND, UINT, WPARAM, LPARAM);

// Adds the two "PROGMAN" atoms, creates a DDEClient window that initiates
// with `initiateTarget` and deletes the atoms again. The window exists with
// or without a partner; 0 when it cannot be created.
HWND OpenProgmanClient(HINSTANCE instance, HWND initiateTarget);

// The server window the client talks to, 0 when it has none.
HWND DdeClientPartner(HWND client);

// Builds a command block from text, executes it, returns 1 on a positive
// acknowledgement, else 0 (no partner, negative acknowledgement, or no
// acknowledgement within kDdeExecuteTimeout).
int SendProgmanCommand(HWND client, const char* command);

// Installer: group and items from the setup script; non-zero when all were
// acknowledged.
BOOL CreateProgmanGroup();

// Uninstaller: deletes the group; the execute result, or 0 when no client.
int DeleteProgmanGroup(HINSTANCE instance);

// Uninstaller: the Program Manager window that DeleteProgmanGroup found, 0
// when there is none (the initiate is then broadcast).
extern HWND DdeInitiateTarget;
