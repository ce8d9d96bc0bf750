// The benchmark driver: in one session of the test machine it expands every
// file of the benchmark package with the bare LZ calls (twice), installs the
// package with the real installer, answering like a user who takes the
// defaults, removes it with the installed uninstaller in its silent mode,
// expands the package bare twice more, and prints the times, a time line of
// each run and the ratio (install time less fixed waits) / (bare expansion).
//
//   bench_driver.exe [--managed] SET_DIR
//
// SET_DIR holds DISK1, DISK2 and manifest.txt as mkdist made them. The
// dialogs are told apart by their control ids and answered by posted
// messages; the driver reads no window text of the installer while it copies,
// so that it does not slow the installer down.
#include <windows.h>

#include <lzexpand.h>

#include <cstdio>
#include <cstring>

#include "installer_controls.h"

namespace {

constexpr DWORD kRunBound = 900000;  // ms an installation or removal may take
constexpr int kMaxFiles = 600;
constexpr int kBareRuns = 4;
constexpr char kInstallDir[] = "C:\\VIREO";
constexpr char kScratchDir[] = "C:\\BENCHLZ";

using namespace tls_controls;

// The fixed waits of the design that an installation and a removal go
// through, as the code has them: each is one WaitTicks(1000) run once.
struct FixedWait {
    const char* where;
    DWORD ms;
    int hits;
};
const FixedWait kInstallWaits[] = {
    {"setup/files.cpp CreateDestinationTree, bar full", 1000, 1},
    {"setup/files.cpp CopyPackageFiles, bar full", 1000, 1},
};
const FixedWait kRemoveWaits[] = {
    {"uninstall/files.cpp RemovePackageFiles, bar full", 1000, 1},
    {"uninstall/files.cpp RemovePackageDirs, bar full", 1000, 1},
};

struct PackageFile {
    char source[MAX_PATH];
    char name[16];
    bool compressed;
};
PackageFile g_files[kMaxFiles];
int g_fileCount;
char g_setDir[MAX_PATH];

double g_frequency;

double Now() {
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / g_frequency;
}

// Reads manifest.txt: "Y|N <tab> DISKn/relative path <tab> original". The
// files placed beside the installer (not in [Files]) are left out.
bool ReadManifest() {
    char path[MAX_PATH];
    std::snprintf(path, sizeof path, "%s\\manifest.txt", g_setDir);
    std::FILE* f = std::fopen(path, "r");
    if (!f) {
        std::fprintf(stderr, "bench: cannot read %s\n", path);
        return false;
    }
    char line[1024];
    while (std::fgets(line, sizeof line, f) && g_fileCount < kMaxFiles) {
        char* tab1 = std::strchr(line, '\t');
        if (!tab1) continue;
        char* tab2 = std::strchr(tab1 + 1, '\t');
        if (!tab2) continue;
        *tab2 = '\0';
        const char* rel = tab1 + 1;
        if (!std::strcmp(rel, "DISK1/TLSETUP.EXE") || !std::strcmp(rel, "DISK1/PELORASD.INI")) continue;
        PackageFile& pf = g_files[g_fileCount];
        pf.compressed = line[0] == 'Y';
        int n = std::snprintf(pf.source, sizeof pf.source, "%s\\%s", g_setDir, rel);
        if (n < 0 || n >= static_cast<int>(sizeof pf.source)) continue;
        for (char* c = pf.source; *c; ++c) {
            if (*c == '/') *c = '\\';
        }
        const char* base = std::strrchr(pf.source, '\\') + 1;
        std::snprintf(pf.name, sizeof pf.name, "%s", base);
        ++g_fileCount;
    }
    std::fclose(f);
    return g_fileCount > 0;
}

// The same expansion the installer does for one file, and nothing else:
// LZOpenFile for a compressed file, OpenFile and LZInit for a plain one, then
// LZCopy.
bool BareCopy(const PackageFile& pf) {
    char source[MAX_PATH];
    char dest[MAX_PATH];
    std::snprintf(source, sizeof source, "%s", pf.source);
    std::snprintf(dest, sizeof dest, "%s\\%s", kScratchDir, pf.name);
    OFSTRUCT sourceInfo = {};
    OFSTRUCT destInfo = {};
    const bool lz = pf.compressed;
    INT from = lz ? LZOpenFileA(source, &sourceInfo, OF_READ) : OpenFile(source, &sourceInfo, OF_READ);
    if (from < 0) return false;  // HFILE_ERROR too
    INT to = lz ? LZOpenFileA(dest, &destInfo, OF_CREATE | OF_WRITE) : OpenFile(dest, &destInfo, OF_CREATE | OF_WRITE);
    if (to < 0) {
        if (lz) LZClose(from);
        else _lclose(from);
        return false;
    }
    if (!lz) from = LZInit(from);
    LONG copied = LZCopy(from, to);
    LZClose(from);
    LZClose(to);
    return copied >= 0;
}

void RemoveScratch() {
    for (int i = 0; i < g_fileCount; ++i) {
        char dest[MAX_PATH];
        std::snprintf(dest, sizeof dest, "%s\\%s", kScratchDir, g_files[i].name);
        DeleteFileA(dest);
    }
    RemoveDirectoryA(kScratchDir);
}

// Seconds for the bare expansion of every file, or a negative number.
double BareExpansion(long long* bytes) {
    RemoveScratch();
    CreateDirectoryA(kScratchDir, nullptr);
    double start = Now();
    for (int i = 0; i < g_fileCount; ++i) {
        if (!BareCopy(g_files[i])) {
            std::fprintf(stderr, "bench: bare expansion of %s failed\n", g_files[i].source);
            return -1;
        }
    }
    double seconds = Now() - start;
    *bytes = 0;
    for (int i = 0; i < g_fileCount; ++i) {
        char dest[MAX_PATH];
        std::snprintf(dest, sizeof dest, "%s\\%s", kScratchDir, g_files[i].name);
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (GetFileAttributesExA(dest, GetFileExInfoStandard, &data)) *bytes += data.nFileSizeLow;
    }
    RemoveScratch();
    return seconds;
}

// The time line of a run: when dialogs came up, how long the progress dialog
// was shown each time.
struct Event {
    const char* what;
    double at;
    double length;
};
Event g_events[64];
int g_eventCount;

void Note(const char* what, double at, double length) {
    if (g_eventCount < 64) g_events[g_eventCount++] = {what, at, length};
}

struct Program {
    PROCESS_INFORMATION pi;
};

bool Start(Program* p, const char* exe, const char* args, const char* dir) {
    char command[MAX_PATH * 2];
    std::snprintf(command, sizeof command, "\"%s\"%s%s", exe, args[0] ? " " : "", args);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    if (!CreateProcessA(exe, command, nullptr, nullptr, FALSE, 0, nullptr, dir, &si, &p->pi)) {
        std::fprintf(stderr, "bench: cannot start %s, error %lu\n", exe, GetLastError());
        return false;
    }
    CloseHandle(p->pi.hThread);
    return true;
}

struct WindowList {
    HWND windows[64];
    int count;
    DWORD pid;
};

BOOL CALLBACK CollectWindow(HWND hwnd, LPARAM lParam) {
    auto* list = reinterpret_cast<WindowList*>(lParam);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == list->pid && IsWindowVisible(hwnd) && list->count < 64) list->windows[list->count++] = hwnd;
    return TRUE;
}

bool IsDialog(HWND hwnd) {
    char name[32] = "";
    GetClassNameA(hwnd, name, sizeof name);
    return std::strcmp(name, "#32770") == 0;
}

void Press(HWND dlg, int id) {
    HWND button = GetDlgItem(dlg, id);
    if (button) PostMessageA(button, BM_CLICK, 0, 0);
}

// Types the second diskette's place into the insert-disk prompt. Its edit
// turns what is typed into upper case; it is cleared first, and the text is
// typed one character at a time as a user would.
bool AnswerDiskPrompt(HWND dlg) {
    HWND edit = GetDlgItem(dlg, kDiskEdit);
    char disk2[MAX_PATH];
    std::snprintf(disk2, sizeof disk2, "%s\\DISK2", g_setDir);
    CharUpperBuffA(disk2, static_cast<DWORD>(std::strlen(disk2)));
    SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
    for (const char* c = disk2; *c; ++c) PostMessageA(edit, WM_CHAR, static_cast<WPARAM>(static_cast<unsigned char>(*c)), 1);
    const DWORD start = GetTickCount();
    for (;;) {
        char text[MAX_PATH] = "";
        SendMessageA(edit, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
        if (std::strcmp(text, disk2) == 0) break;
        if (GetTickCount() - start > 10000) {
            std::fprintf(stderr, "bench: the disk prompt shows \"%s\", not \"%s\"\n", text, disk2);
            return false;
        }
        Sleep(5);
    }
    Press(dlg, IDOK);
    return true;
}

// Runs a program to its end, answering its dialogs with the defaults. Returns
// its run time in seconds from `from` (the start, or the first click on the
// main window of class `startClass`), or a negative number.
double RunProgram(const char* exe, const char* args, const char* dir, const char* startClass, DWORD* exitCode) {
    Program p;
    double start = Now();
    if (!Start(&p, exe, args, dir)) return -1;
    if (startClass) {
        HWND main = nullptr;
        const DWORD waitStart = GetTickCount();
        while (!main || !IsWindowVisible(main)) {
            main = FindWindowA(startClass, nullptr);
            if (GetTickCount() - waitStart > 60000) {
                std::fprintf(stderr, "bench: no %s window\n", startClass);
                TerminateProcess(p.pi.hProcess, 1);
                return -1;
            }
            Sleep(5);
        }
        // The welcome screen: a click starts the installation.
        start = Now();
        PostMessageA(main, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 100));
        PostMessageA(main, WM_LBUTTONUP, 0, MAKELPARAM(100, 100));
    }
    HWND answered[64];
    int answeredCount = 0;
    // The progress dialog's showings, for the time line.
    HWND progress = nullptr;
    bool progressShown = false;
    double shownAt = 0;
    g_eventCount = 0;
    const DWORD runStart = GetTickCount();
    while (WaitForSingleObject(p.pi.hProcess, 10) != WAIT_OBJECT_0) {
        if (GetTickCount() - runStart > kRunBound) {
            std::fprintf(stderr, "bench: %s still running after %lu s\n", exe, kRunBound / 1000);
            TerminateProcess(p.pi.hProcess, 1);
            CloseHandle(p.pi.hProcess);
            return -1;
        }
        if (progress && IsWindowVisible(progress) != (progressShown ? TRUE : FALSE)) {
            progressShown = !progressShown;
            if (progressShown) {
                shownAt = Now();
            } else {
                Note("progress dialog", shownAt - start, Now() - shownAt);
            }
        }
        WindowList list = {};
        list.pid = p.pi.dwProcessId;
        EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&list));
        for (int i = 0; i < list.count; ++i) {
            HWND w = list.windows[i];
            if (!IsDialog(w)) continue;
            bool seen = false;
            for (int j = 0; j < answeredCount; ++j) seen = seen || answered[j] == w;
            if (seen) continue;
            if (GetDlgItem(w, kSetupStatusLine) || GetDlgItem(w, kRemoveStatusLine)) {
                if (!progress) {
                    progress = w;
                    progressShown = true;
                    shownAt = Now();
                }
                continue;
            }
            const double seenAt = Now() - start;
            if (GetDlgItem(w, kExitSetup)) {
                Note("restart prompt, Exit Setup", seenAt, 0);
                Press(w, kExitSetup);
            } else if (GetDlgItem(w, kPreviousExit)) {
                Note("previous version found, Exit", seenAt, 0);
                Press(w, kPreviousExit);
            } else if (GetDlgItem(w, kPortConnect)) {
                Note("port dialog, Connect", seenAt, 0);
                Press(w, kPortConnect);
            } else if (GetDlgItem(w, kDiskEdit)) {
                Note("insert-disk prompt, second diskette typed", seenAt, 0);
                if (!AnswerDiskPrompt(w)) {
                    TerminateProcess(p.pi.hProcess, 1);
                    return -1;
                }
            } else if (GetDlgItem(w, kDestEdit)) {
                Note("destination dialog, OK", seenAt, 0);
                Press(w, IDOK);
            } else {
                // A message box: its default button, as Enter would.
                LRESULT def = SendMessageA(w, DM_GETDEFID, 0, 0);
                int id = HIWORD(def) == DC_HASDEFID ? LOWORD(def) : IDOK;
                Note("message box, default button", seenAt, 0);
                Press(w, id);
            }
            if (answeredCount < 64) answered[answeredCount++] = w;
        }
    }
    double seconds = Now() - start;
    if (progressShown) Note("progress dialog", shownAt - start, seconds - (shownAt - start));
    for (int i = 1; i < g_eventCount; ++i) {
        for (int j = i; j > 0 && g_events[j].at < g_events[j - 1].at; --j) {
            struct Event swap = g_events[j];
            g_events[j] = g_events[j - 1];
            g_events[j - 1] = swap;
        }
    }
    for (int i = 0; i < g_eventCount; ++i) {
        std::printf("  at %7.3f s: %s", g_events[i].at, g_events[i].what);
        if (g_events[i].length > 0) std::printf(", shown for %.3f s", g_events[i].length);
        std::printf("\n");
    }
    GetExitCodeProcess(p.pi.hProcess, exitCode);
    CloseHandle(p.pi.hProcess);
    return seconds;
}

int CountFiles(const char* dir) {
    char pattern[MAX_PATH];
    std::snprintf(pattern, sizeof pattern, "%s\\*", dir);
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA(pattern, &fd);
    if (find == INVALID_HANDLE_VALUE) return 0;
    int n = 0;
    do n += (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? 0 : 1;
    while (FindNextFileA(find, &fd));
    FindClose(find);
    return n;
}

double SumWaits(const FixedWait* waits, int count, const char* run) {
    double total = 0;
    for (int i = 0; i < count; ++i) {
        std::printf("  fixed wait (%s): %s, %lu ms x %d\n", run, waits[i].where, waits[i].ms, waits[i].hits);
        total += waits[i].ms * waits[i].hits / 1000.0;
    }
    return total;
}

}  // namespace

int main(int argc, char** argv) {
    const bool managed = argc == 3 && std::strcmp(argv[1], "--managed") == 0;
    if (argc != 2 && !managed) {
        std::fprintf(stderr, "usage: bench_driver [--managed] SET_DIR\n");
        return 2;
    }
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    g_frequency = static_cast<double>(f.QuadPart);
    std::snprintf(g_setDir, sizeof g_setDir, "%s", argv[argc - 1]);
    if (!ReadManifest()) return 1;
    // The test display has no window manager. For a managed top-level
    // window Wine then waits up to two seconds for a withdrawal that never
    // comes each time one is hidden or closed, nine times in an installation.
    // Unmanaged windows (Wine's X11 setting "Managed"=N, read by every
    // program started later in the session) leave that out; --managed keeps
    // Wine's default.
    std::printf("bench: Wine X11 windows %s\n", managed ? "managed (Wine's default)" : "unmanaged");
    if (!managed) {
        HKEY key;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\X11 Driver", 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                            nullptr) == ERROR_SUCCESS) {
            RegSetValueExA(key, "Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>("N"), 2);
            RegCloseKey(key);
        }
    }

    long long compressed = 0;
    for (int i = 0; i < g_fileCount; ++i) {
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (GetFileAttributesExA(g_files[i].source, GetFileExInfoStandard, &data)) compressed += data.nFileSizeLow;
    }
    long long expanded = 0;
    std::printf("bench: %d files, %.1f MB on the diskettes\n", g_fileCount, compressed / 1048576.0);
    // The bare expansion runs twice before the installation and twice after
    // the removal; the mean is the reference.
    double bare[kBareRuns];
    for (int run = 0; run < kBareRuns / 2; ++run) {
        bare[run] = BareExpansion(&expanded);
        if (bare[run] < 0) return 1;
        std::printf("bench: bare expansion: %.3f s, %.1f MB written\n", bare[run], expanded / 1048576.0);
    }

    char exe[MAX_PATH];
    char disk1[MAX_PATH];
    std::snprintf(disk1, sizeof disk1, "%s\\DISK1", g_setDir);
    std::snprintf(exe, sizeof exe, "%s\\TLSETUP.EXE", disk1);
    DWORD code = 1;
    double install = RunProgram(exe, "", disk1, "SetupWinClass", &code);
    if (install < 0) return 1;
    char data[MAX_PATH];
    std::snprintf(data, sizeof data, "%s\\DATA", kInstallDir);
    int dataFiles = CountFiles(data);
    std::snprintf(data, sizeof data, "%s\\DATA\\LIB", kInstallDir);
    dataFiles += CountFiles(data);
    std::printf("bench: installed, exit code %lu, %d data files in %s\\DATA\n", code, dataFiles, kInstallDir);
    if (code != 0 || dataFiles != 420) {
        std::fprintf(stderr, "bench: the installation did not complete\n");
        return 1;
    }

    std::snprintf(exe, sizeof exe, "%s\\TLDELET.EXE", kInstallDir);
    double removal = RunProgram(exe, "External", kInstallDir, nullptr, &code);
    if (removal < 0) return 1;
    std::printf("bench: removed, exit code %lu, %s %s\n", code, kInstallDir,
                GetFileAttributesA(kInstallDir) == INVALID_FILE_ATTRIBUTES ? "gone" : "still there");

    for (int run = kBareRuns / 2; run < kBareRuns; ++run) {
        bare[run] = BareExpansion(&expanded);
        if (bare[run] < 0) return 1;
        std::printf("bench: bare expansion: %.3f s\n", bare[run]);
    }

    std::printf("\n");
    double installWaits = SumWaits(kInstallWaits, 2, "install");
    double removeWaits = SumWaits(kRemoveWaits, 2, "removal");
    double bareSum = 0;
    for (double b : bare) bareSum += b;
    const double bareMean = bareSum / kBareRuns;
    std::printf("install time:            %8.3f s (from the click on the welcome screen to the end)\n", install);
    std::printf("removal time:            %8.3f s\n", removal);
    std::printf("fixed waits:             %8.3f s install, %.3f s removal\n", installWaits, removeWaits);
    std::printf("bare LZ expansion:       %8.3f s (mean of %d runs)\n", bareMean, kBareRuns);
    std::printf("install less waits:      %8.3f s\n", install - installWaits);
    std::printf("ratio (install - waits) / bare expansion: %.2f\n", (install - installWaits) / bareMean);
    return 0;
}
