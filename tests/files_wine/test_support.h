// What the file-installation tests put around the installer's code: the
// program-wide state, recording stand-ins for the message helpers and the
// progress bar, a robot that answers modal dialogs from inside their own
// message loop, and file helpers.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "test_files.h"

// --- message boxes: every ShowMessage call is recorded and answered ---
struct MessageCall {
    UINT id;
    HWND owner;
    std::string caption;
    UINT style;
    std::string text;  // the formatted text
};
extern std::vector<MessageCall> g_messages;
// Answers a call; when empty, 1005 is answered Yes and everything else Cancel.
extern std::function<int(const MessageCall&)> g_messageAnswer;

// --- the recording Percent bar of the test progress dialog ---
struct BarEvent {
    UINT msg;      // kPercentSetRange or kPercentSetPosition
    WPARAM value;
};
extern std::vector<BarEvent> g_barEvents;
// When the bar is set to this position its dialog's Cancel button is
// disabled, as the progress dialog does when the user confirms a cancel.
extern long g_disableCancelAtPosition;
void RegisterTestPercentClass();
HWND CreateTestStatusDialog();

// --- waits ---
struct WaitCall {
    DWORD requested;
    DWORD elapsed;
    WPARAM barPosition;  // the bar's last position when the wait began
};
extern std::vector<WaitCall> g_waits;
// WaitTicks waits the time asked only while this is set; otherwise it
// records the call and returns after one pump.
extern bool g_waitInFull;
extern int g_pumpCount;

// --- modal-dialog robot ---
// Runs `action` once for every newly shown dialog of this thread that holds
// a control with `controlId`. Driven by a thread timer, so it works inside the
// modal loops of DialogBox and of the copy step.
using DialogAction = std::function<void(HWND dlg)>;
void StartDialogRobot(int controlId, DialogAction action);
void StopDialogRobot();
extern int g_robotRuns;
void ClickButton(HWND dlg, int id);
std::string ControlText(HWND dlg, int id);

// --- files (beside those of test_files.h) ---
inline bool FileExists(const std::string& path) { return Exists(path); }  // a file or a folder
// The name under which the file is stored in its directory, "" when absent.
std::string StoredName(const std::string& dir, const std::string& name);
void MakeDirectory(const std::string& path);
// SZDD ("compress -r" style) data that LZ expansion turns back into `data`;
// `lastChar` is the last character of the name the file had before.
std::string SzddEncode(const std::string& data, char lastChar);
std::string TestContent(const std::string& name, size_t length = 3000);
