// The GUI robot: drives a Windows program of the test machine from a
// GoogleTest program running in the same Wine session. It starts the
// program, waits (always with a bound) for its windows, reads their texts and
// states, clicks, types and presses keys by posting the messages the program
// would get from the user, and keeps a transcript of every message box and
// dialog the program showed.
//
// Every wait and action returns a ::testing::AssertionResult, so that a test
// writes ASSERT_TRUE(robot.WaitWindow(...)) and, on failure, gtest prints what
// the robot waited for and every window that was on the screen instead.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace robot {

// One child control of a window.
struct ControlInfo {
    HWND hwnd = nullptr;
    int id = 0;
    std::string className;
    std::string text;
    LONG style = 0;
    bool visible = false;
    bool enabled = false;
    bool checked = false;  // buttons: BM_GETCHECK is BST_CHECKED
};

// A top-level window and its controls.
struct WindowInfo {
    HWND hwnd = nullptr;
    DWORD pid = 0;
    LONG style = 0;
    LONG exStyle = 0;
    RECT rect = {};
    bool visible = false;
    bool enabled = false;
    std::string className;
    std::string caption;
    std::vector<ControlInfo> controls;

    const ControlInfo* Control(int id) const;
    // The first control whose text, without '&', equals `text` (also without '&').
    const ControlInfo* ControlByText(const std::string& text) const;
};

// What a top-level window is waited for by. Empty texts and lists match all.
struct WindowQuery {
    std::string className;        // exact, case-insensitive ("#32770" for dialogs and message boxes)
    std::string caption;          // exact
    std::vector<int> controlIds;  // every one of these ids must be a child control
    std::string containsText;     // some control's text contains this (message box texts)
    bool messageBox = false;      // only message boxes (see ReadDialog)
    bool anyProcess = false;      // false: only windows of the robot's program

    static WindowQuery Class(const std::string& name);
    static WindowQuery Caption(const std::string& caption);
    // A dialog made from a template: class #32770, its caption (empty: any) and
    // control ids that identify the template.
    static WindowQuery Dialog(const std::string& caption, std::vector<int> controlIds);
    // A message box: class #32770 with the message-box text control, its caption.
    static WindowQuery MessageBox(const std::string& caption);
    std::string Describe() const;
};

// An icon of a message box, recognised by its handle.
enum class Icon { None, Information, Question, Warning, Error, Other };
const char* IconName(Icon icon);

// A message box or dialog as the robot saw it.
struct SeenDialog {
    HWND hwnd = nullptr;
    bool messageBox = false;
    std::string caption;
    std::string text;                  // the message text of a message box, or every static text joined by '|'
    std::vector<std::string> buttons;  // push-button texts in creation order
    Icon icon = Icon::None;
    bool topmost = false;  // WS_EX_TOPMOST: a system-modal message box
    std::vector<ControlInfo> controls;
    std::string Describe() const;
};

// The folder of the running test program (and of every built program), with
// a trailing backslash.
std::string BinDir();
// A fresh empty folder under `base` (default: the temporary directory), with
// a trailing backslash.
std::string MakeTempDir(const char* prefix, const char* base = nullptr);
// Removes a folder made by MakeTempDir, files first; bounded retries while a
// just-ended program still holds its files.
void RemoveTree(const std::string& dir);
bool CopyInto(const std::string& file, const std::string& dir, const char* newName = nullptr);

WindowInfo Inspect(HWND hwnd);
// Visible top-level windows, of one process or (pid 0) of every process.
std::vector<WindowInfo> TopLevelWindows(DWORD pid);
// Every visible top-level window with its class, caption and controls.
std::string DescribeScreen();
// A message-box or dialog record of a window (also used by the transcript).
SeenDialog ReadDialog(const WindowInfo& info);
std::string ReadText(HWND hwnd);

// Saves the whole screen as a 24-bit BMP file.
::testing::AssertionResult SaveScreenshot(const std::string& path);

class Robot {
public:
    Robot();
    ~Robot();  // ends the program if it still runs
    Robot(const Robot&) = delete;
    Robot& operator=(const Robot&) = delete;

    // Starts `exe` with `args` (the command line is "exe" args) in `workDir`
    // (empty: the robot's own current directory).
    ::testing::AssertionResult Start(const std::string& exe, const std::string& args = "",
                                     const std::string& workDir = "");
    DWORD Pid() const { return pid_; }
    HANDLE Process() const { return process_; }

    // Waits up to `timeoutMs` for a visible top-level window of the query.
    ::testing::AssertionResult WaitWindow(const WindowQuery& query, DWORD timeoutMs, HWND* found = nullptr);
    // Waits for the first window that matches any of the queries; `which`
    // receives the index of the query it matched.
    ::testing::AssertionResult WaitAnyWindow(const std::vector<WindowQuery>& queries, DWORD timeoutMs,
                                             std::size_t* which, HWND* found);
    // Waits for a message box of that caption and returns what it shows.
    ::testing::AssertionResult WaitMessageBox(const std::string& caption, DWORD timeoutMs, SeenDialog* seen = nullptr,
                                              HWND* found = nullptr);
    // Waits until the window is gone or hidden.
    ::testing::AssertionResult WaitGone(HWND hwnd, DWORD timeoutMs);
    // Waits until the query matches no window.
    ::testing::AssertionResult WaitNoWindow(const WindowQuery& query, DWORD timeoutMs);
    // Waits for the program to end and reads its exit code.
    ::testing::AssertionResult WaitExit(DWORD timeoutMs, DWORD* exitCode = nullptr);
    // Checks that the program is still running after `ms` (a bounded watch:
    // fails at once when it ends earlier).
    ::testing::AssertionResult StaysRunning(DWORD ms);
    // Ends the program at once.
    void Kill();
    // Ends the running program at once with TerminateProcess, the way a power
    // cut or a user ending a task would, and waits until it is gone. Fails
    // when the program has already ended (so nothing was cut short) or does
    // not end within the bound.
    ::testing::AssertionResult Terminate(DWORD timeoutMs = 10000);

    // Presses a button of a window: posted BM_CLICK, so that a button whose
    // command opens another modal box does not block the robot. Fails when
    // the control is missing, hidden or disabled.
    ::testing::AssertionResult Click(HWND window, int controlId);
    // Presses the button whose text (ignoring '&') is `text`.
    ::testing::AssertionResult ClickText(HWND window, const std::string& text);
    // Posts WM_COMMAND(id, BN_CLICKED) to the window, as a button would.
    ::testing::AssertionResult Command(HWND window, int id);
    // Types into an edit control one posted WM_CHAR at a time and waits until
    // the edit has taken them all; `result` receives the edit's text. A window
    // that closes in reaction to a character typed has taken the input
    // (`result` is then empty).
    ::testing::AssertionResult Type(HWND edit, const std::string& text, std::string* result = nullptr);
    // Posts a key press (WM_KEYDOWN/WM_KEYUP) to the window's focused control,
    // or to the window itself when its focus lies elsewhere. A window that
    // closes in reaction to the key-down (a message box ending on Enter) has
    // taken the key: the key-up it no longer gets is no failure. The same
    // holds for AltKey and the clicks; a window gone before the press fails.
    ::testing::AssertionResult Key(HWND window, UINT vk);
    ::testing::AssertionResult Enter(HWND window) { return Key(window, VK_RETURN); }
    ::testing::AssertionResult Escape(HWND window) { return Key(window, VK_ESCAPE); }
    // Alt held with a key: WM_SYSKEYDOWN/WM_SYSKEYUP with the context bit.
    ::testing::AssertionResult AltKey(HWND window, UINT vk);
    // Posts a mouse click at client coordinates (button: 0 left, 1 right, 2 middle).
    ::testing::AssertionResult ClickClient(HWND window, int x, int y, int button = 0);
    // Posts a left click on the window's frame (outside its client area).
    ::testing::AssertionResult ClickNonClient(HWND window);
    // Reading.
    std::string Caption(HWND window);
    std::string ControlText(HWND window, int id);
    bool Enabled(HWND window, int id);
    bool Checked(HWND window, int id);

    // Every message box and dialog (with at least one push button) of the
    // program seen so far, in order.
    std::vector<SeenDialog> Transcript();
    std::string TranscriptText();
    // Looks at the program's windows now (the transcript also does this by
    // itself every few milliseconds).
    void Observe();

private:
    static DWORD WINAPI WatchThread(LPVOID self);
    ::testing::AssertionResult PressKey(HWND window, UINT vk, bool alt);
    bool Matches(const WindowInfo& info, const WindowQuery& query) const;
    std::string ProgramState();

    HANDLE process_ = nullptr;
    DWORD pid_ = 0;
    std::string exe_;
    CRITICAL_SECTION lock_;
    std::vector<SeenDialog> transcript_;
    // Dialogs of the transcript still on screen, with their transcript index.
    std::vector<std::pair<HWND, std::size_t>> open_;
    HANDLE watcher_ = nullptr;
    HANDLE stopEvent_ = nullptr;
};

}  // namespace robot
