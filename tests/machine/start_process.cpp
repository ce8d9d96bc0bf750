#include "start_process.h"

#include <tlhelp32.h>

#include <cstdio>
#include <cstring>

namespace {

const char* BaseName(const char* path) {
    const char* base = path;
    for (const char* p = path; *p; ++p) {
        if (*p == '\\' || *p == '/' || *p == ':') base = p + 1;
    }
    return base;
}

}  // namespace

int CountProcessesOf(const char* exe) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return -1;
    int count = 0;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
        if (lstrcmpiA(BaseName(entry.szExeFile), BaseName(exe)) == 0) ++count;
    }
    CloseHandle(snapshot);
    return count;
}

BOOL StartProcess(const char* exe, char* commandLine, DWORD flags, const char* workDir, STARTUPINFOA* si,
                  PROCESS_INFORMATION* pi, std::string* note) {
    // The command line is modified in place by CreateProcess: each attempt
    // gets the caller's text.
    std::string line = commandLine ? commandLine : "";
    // Without a program name the program is the command line's first word.
    std::string image = exe ? exe : "";
    if (!exe) {
        std::size_t start = line.find_first_not_of(' ');
        if (start != std::string::npos && line[start] == '"') {
            image = line.substr(start + 1, line.find('"', start + 1) - start - 1);
        } else if (start != std::string::npos) {
            image = line.substr(start, line.find(' ', start) - start);
        }
    }
    for (int attempt = 1;; ++attempt) {
        int before = CountProcessesOf(image.c_str());
        if (commandLine) std::memcpy(commandLine, line.c_str(), line.size() + 1);
        if (CreateProcessA(exe, commandLine, nullptr, nullptr, FALSE, flags, nullptr, workDir, si, pi)) return TRUE;
        DWORD error = GetLastError();
        if (error != ERROR_INTERNAL_ERROR || attempt > 1) {
            SetLastError(error);
            return FALSE;
        }
        int after = CountProcessesOf(image.c_str());
        DWORD attributes = GetFileAttributesA(image.c_str());
        char text[1024];
        bool again = after == before && attributes != INVALID_FILE_ATTRIBUTES;
        std::snprintf(text, sizeof text,
                      "Wine could not start %s (error 1359: the new process ended inside Wine's own start-up, "
                      "before any code of the program ran); the program file is %s, processes of that image "
                      "before and after: %d and %d; %s",
                      image.c_str(), attributes == INVALID_FILE_ATTRIBUTES ? "missing" : "there", before, after,
                      again ? "starting it once more" : "not starting it again");
        std::printf("start_process: %s\n", text);
        std::fflush(stdout);
        if (note) *note = text;
        if (!again) {
            SetLastError(error);
            return FALSE;
        }
    }
}
