// Helpers of the Program Manager DDE tests: the stand-in Program Manager
// (PROGMAN.EXE), a quiet shell, setup scripts and message-box watching.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Registers the DDEClient class and fills the test's SetupState.
void InitDdeTest();

// Directory of the test program, with a trailing backslash.
std::string ProgramDir();

// A fresh path in the temporary directory.
std::string TempFile(const char* name);

// Writes `text` as the setup script and loads it with operation 0; the
// engine's answer (0 when loaded).
unsigned LoadScriptText(const std::string& text);

// Ends the DDE service of Wine's own shell in this session (it answers
// every initiate for "PROGMAN"), so that only the stand-in answers. Waits,
// bounded, for the shell's service to appear first. False, with the reason
// in *why, when a server still answers afterwards.
bool SilenceShellDde(std::string* why);

// Number of windows that answer a broadcast initiate for "PROGMAN".
int CountProgmanServers();

// Lines of a log file (empty when the file does not exist).
std::vector<std::string> ReadLines(const std::string& path);

// One running stand-in Program Manager.
class FixtureServer {
public:
    FixtureServer() = default;
    ~FixtureServer();
    FixtureServer(const FixtureServer&) = delete;
    FixtureServer& operator=(const FixtureServer&) = delete;

    // Starts PROGMAN.EXE with the options (beside --log and --ready) and
    // waits, bounded, until its window exists. False with the reason in *why.
    bool Start(const std::string& options, std::string* why);
    // Closes the window and waits, bounded, for the process; deletes the log.
    void Stop();

    std::vector<std::string> Log() const { return ReadLines(log_); }
    const std::string& LogPath() const { return log_; }
    HWND Window() const { return window_; }

private:
    std::string log_;
    HANDLE process_ = nullptr;
    DWORD pid_ = 0;
    HWND window_ = nullptr;
};

// The top-level window of a class owned by a process, 0 when none.
HWND FindProcessWindow(DWORD pid, const char* windowClass);

// Watches, from a thread of its own, for a message box of this process,
// notes its caption and text and presses its OK button. Bounded.
class BoxWatcher {
public:
    explicit BoxWatcher(DWORD timeoutMs);
    ~BoxWatcher();
    // Waits for the watching thread to end; true when a box was seen.
    bool Finish();
    int Count() const { return count_; }
    const std::string& Caption() const { return caption_; }
    const std::string& Text() const { return text_; }

private:
    static DWORD WINAPI Run(void* self);
    DWORD threadId_;
    DWORD timeoutMs_;
    HANDLE thread_ = nullptr;
    HANDLE stop_ = nullptr;
    volatile LONG count_ = 0;
    std::string caption_;
    std::string text_;
};

// Milliseconds a call took.
template <typename F>
DWORD TimeIt(F f) {
    const DWORD start = GetTickCount();
    f();
    return GetTickCount() - start;
}
