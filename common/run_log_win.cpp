// The run log: a file opened once and written line by line, each line
// flushed to the disk at once.
#include "run_log.h"

#include <cstdarg>

#include "textutil.h"

const char* g_logMessageWord = "Message";
const char* g_logSystemErrorWords = "system error";
bool g_messagesQuiet = false;

namespace {

HANDLE g_log = INVALID_HANDLE_VALUE;

// Longest line; a longer one is cut.
constexpr int kLogLineSize = 1024;

}  // namespace

bool LogOpen(const char* path) {
    LogClose();
    // Others may read the log while the run goes on.
    g_log = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    return g_log != INVALID_HANDLE_VALUE;
}

void LogClose() {
    if (g_log != INVALID_HANDLE_VALUE) {
        FlushFileBuffers(g_log);
        CloseHandle(g_log);
    }
    g_log = INVALID_HANDLE_VALUE;
}

bool LogActive() { return g_log != INVALID_HANDLE_VALUE; }

void LogLine(const char* format, ...) {
    if (g_log == INVALID_HANDLE_VALUE) return;
    // The line is built before the call's own error code can change, and
    // the caller's error code is given back afterwards.
    const DWORD error = GetLastError();
    char line[kLogLineSize];
    va_list args;
    va_start(args, format);
    FormatTextV(line, sizeof line - 2, format, args);
    va_end(args);
    int length = 0;
    for (char* p = line; *p; ++p, ++length) {
        if (*p == '\r' || *p == '\n') *p = ' ';
    }
    line[length++] = '\r';
    line[length++] = '\n';
    DWORD written = 0;
    WriteFile(g_log, line, static_cast<DWORD>(length), &written, nullptr);
    FlushFileBuffers(g_log);
    SetLastError(error);
}

int PlainMessageBox(HWND owner, const char* text, const char* caption, UINT style) {
    LogLine("%s: %s", caption, text);
    if (g_messagesQuiet) return 0;
    return MessageBoxA(owner, text, caption, style);
}
