// The demo's driver: runs the installer from the first diskette on the demo
// machine and then the installed uninstaller, either answering every screen
// with its default answer and photographing it (headless), or leaving the
// answers to the user (interactive). Around both runs it takes a snapshot of
// the machine (files, INI lines, registry keys, Start Menu, spooler) and
// writes what changed to report.txt in the output folder.
//
//   demo_driver.exe --out DIR [--setup A:\TLSETUP.EXE] [--disk2 B:\] [--swap]
//                   [--interactive] [--set TEXT]
//
// The report's first line names the build that ran: the 32-bit release set
// or the x86_64 build, after the installer's PE header, and --set (where the
// set comes from). A 32-bit set on this 64-bit machine writes HKLM\SOFTWARE
// under Wow6432Node and its system folder is SysWOW64: the snapshots read
// the registry view and the system folder that the programs use.
//
// --swap: when the installer asks for the second diskette, ask the host to
// put it into drive A: (the driver writes DIR\.swap-request and waits for
// DIR\.swap-done), as a user swapping diskettes would; without it, or when
// the host does not answer, the prompt is given the --disk2 path.
//
// Progress lines "demo: ..." go to standard output. Exit code: 0 when both
// programs got through, 1 when the installer did not, 2 when the
// uninstaller did not, 3 for a usage or output-folder error.
#include <windows.h>

#include <shlobj.h>
#include <winspool.h>

#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "installer_controls.h"
#include "robot.h"

namespace {

using robot::Robot;
using robot::SeenDialog;
using robot::WindowInfo;
using robot::WindowQuery;

constexpr DWORD kWindowBound = 60000;        // any one screen to appear
constexpr DWORD kInstallBound = 600000;      // the whole installation, headless
constexpr DWORD kRemovalBound = 300000;      // the whole removal, headless
constexpr DWORD kInteractiveBound = 3600000; // a user's session with either program
constexpr DWORD kSwapBound = 30000;          // the host's answer to a diskette swap
constexpr DWORD kPaintSettleMs = 300;        // for a screen to finish painting before its picture

const char kInstallDir[] = "C:\\VIREO";
const char kUninstaller[] = "C:\\VIREO\\TLDELET.EXE";
const char kDeviceKey[] = "Enum\\LPTENUM\\ROVOZIZUDAR_200_OREV766";
const char kUninstallRoot[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

using namespace tls_controls;

struct Options {
    std::string out;  // with a trailing backslash
    std::string setup = "A:\\TLSETUP.EXE";
    std::string disk2 = "B:\\";
    bool swap = false;
    bool interactive = false;
    std::string set;  // where the set comes from, for the report
};

// Whether the programs under demonstration are 32-bit ones (on this 64-bit
// machine: WoW64), after the installer's PE header.
bool g_programs32 = false;

bool Is32BitProgram(const std::string& path) {
    HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    BYTE head[512] = {};
    DWORD got = 0;
    ReadFile(f, head, sizeof head, &got, nullptr);
    CloseHandle(f);
    DWORD pe = 0;
    if (got >= 0x40) CopyMemory(&pe, head + 0x3c, 4);
    WORD machine = 0;
    if (pe + 6 <= got && head[pe] == 'P' && head[pe + 1] == 'E') CopyMemory(&machine, head + pe + 4, 2);
    return machine == IMAGE_FILE_MACHINE_I386;
}

// The registry view and the system folder of the programs.
REGSAM ProgramsView() { return g_programs32 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY; }

// Windows-1252 text as UTF-8, for the terminal and the report.
std::string Utf8(const std::string& text) {
    if (text.empty()) return text;
    int wide = MultiByteToWideChar(1252, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring w(static_cast<std::size_t>(wide), L'\0');
    MultiByteToWideChar(1252, 0, text.data(), static_cast<int>(text.size()), &w[0], wide);
    int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), wide, nullptr, 0, nullptr, nullptr);
    std::string u(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), wide, &u[0], n, nullptr, nullptr);
    return u;
}

void Progress(const std::string& line) {
    std::printf("demo: %s\n", Utf8(line).c_str());
    std::fflush(stdout);
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// ---------------------------------------------------------------------------
// Snapshots of the machine: items of one kind, each a key and a value.

using Items = std::map<std::string, std::string>;

struct Snapshot {
    Items files;     // path -> size
    Items ini;       // "FILE [section] key" -> value
    Items registry;  // key path, or "key path : value name" -> data
    Items startMenu; // path -> ""
    Items spooler;   // "printer NAME" -> port and driver; "driver NAME" -> ""
};

std::string WindowsDir() {
    char dir[MAX_PATH];
    UINT n = GetWindowsDirectoryA(dir, sizeof dir);
    return std::string(dir, n < sizeof dir ? n : 0);
}

std::string SystemDir() {
    char dir[MAX_PATH];
    UINT n = g_programs32 ? GetSystemWow64DirectoryA(dir, sizeof dir) : GetSystemDirectoryA(dir, sizeof dir);
    return std::string(dir, n < sizeof dir ? n : 0);
}

std::string FolderPath(int csidl) {
    char path[MAX_PATH] = "";
    if (FAILED(SHGetFolderPathA(nullptr, csidl, nullptr, 0, path))) return "";
    return path;
}

void ListFiles(const std::string& dir, bool recurse, int depth, Items* out, bool sizes) {
    if (dir.empty() || depth > 8) return;
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA((dir + "\\*").c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        std::string name = fd.cFileName;
        if (name == "." || name == "..") continue;
        std::string path = dir + "\\" + name;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (recurse) {
                (*out)[path + "\\"] = sizes ? "folder" : "";
                ListFiles(path, recurse, depth + 1, out, sizes);
            }
        } else {
            (*out)[path] = sizes ? std::to_string(fd.nFileSizeLow) + " bytes" : "";
        }
    } while (FindNextFileA(find, &fd));
    FindClose(find);
}

// Keys of a profile section (WIN.INI when file is null), and their values.
void ReadSection(const char* file, const char* label, const std::string& section, Items* out) {
    std::vector<char> keys(32768);
    DWORD n = file ? GetPrivateProfileStringA(section.c_str(), nullptr, "", keys.data(), static_cast<DWORD>(keys.size()), file)
                   : GetProfileStringA(section.c_str(), nullptr, "", keys.data(), static_cast<DWORD>(keys.size()));
    for (DWORD at = 0; at < n && keys[at];) {
        std::string key = &keys[at];
        at += static_cast<DWORD>(key.size()) + 1;
        char value[2048] = "";
        if (file) {
            GetPrivateProfileStringA(section.c_str(), key.c_str(), "", value, sizeof value, file);
        } else {
            GetProfileStringA(section.c_str(), key.c_str(), "", value, sizeof value);
        }
        (*out)[std::string(label) + " [" + section + "] " + key] = value;
    }
}

std::vector<std::string> SectionNames(const char* file) {
    std::vector<char> names(32768);
    DWORD n = GetPrivateProfileSectionNamesA(names.data(), static_cast<DWORD>(names.size()), file);
    std::vector<std::string> result;
    for (DWORD at = 0; at < n && names[at];) {
        result.push_back(&names[at]);
        at += static_cast<DWORD>(result.back().size()) + 1;
    }
    return result;
}

void ReadIni(Items* out) {
    // WIN.INI: the sections the installer writes (some of them Wine keeps in
    // the registry, so they are named rather than only enumerated).
    // Section names are compared without regard to case, as the profile
    // functions do.
    std::vector<std::string> winSections = {"windows", "Fonts", "FontSubstitutes", "devices", "PrinterPorts",
                                            "PSCRIPT", "ORVAN Pelora 200,LPT1", "ORVAN Pelora 200,LPT2",
                                            "ORVAN Pelora 200,LPT3"};
    for (const std::string& s : SectionNames("win.ini")) {
        bool known = false;
        for (const std::string& k : winSections) known = known || lstrcmpiA(k.c_str(), s.c_str()) == 0;
        if (!known) winSections.push_back(s);
    }
    for (const std::string& s : winSections) ReadSection(nullptr, "WIN.INI", s, out);
    for (const std::string& s : SectionNames("system.ini")) ReadSection("system.ini", "SYSTEM.INI", s, out);
    for (const std::string& s : SectionNames("PELORASD.INI")) ReadSection("PELORASD.INI", "PELORASD.INI", s, out);
}

std::string RegValueText(DWORD type, const BYTE* data, DWORD size) {
    if (type == REG_SZ || type == REG_EXPAND_SZ) {
        std::string s(reinterpret_cast<const char*>(data), size);
        while (!s.empty() && s.back() == '\0') s.pop_back();
        return "\"" + s + "\"";
    }
    if (type == REG_DWORD && size >= 4) {
        DWORD v = 0;
        CopyMemory(&v, data, 4);
        char text[32];
        wsprintfA(text, "dword %lu", static_cast<unsigned long>(v));
        return text;
    }
    char text[32];
    wsprintfA(text, "%lu bytes", static_cast<unsigned long>(size));
    return text;
}

void ReadKey(HKEY root, const char* rootName, const std::string& path, int depth, Items* out) {
    HKEY key;
    if (depth > 8 || RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | ProgramsView(), &key) != ERROR_SUCCESS) return;
    std::string name = std::string(rootName) + "\\" + path;
    (*out)[name] = "";
    for (DWORD i = 0;; ++i) {
        char valueName[256];
        DWORD nameSize = sizeof valueName, type = 0, size = 0;
        BYTE data[1024];
        size = sizeof data;
        LONG rc = RegEnumValueA(key, i, valueName, &nameSize, nullptr, &type, data, &size);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        if (rc != ERROR_SUCCESS && rc != ERROR_MORE_DATA) break;
        (*out)[name + " : " + (valueName[0] ? valueName : "(default)")] =
            rc == ERROR_SUCCESS ? RegValueText(type, data, size) : "(long value)";
    }
    std::vector<std::string> subkeys;
    for (DWORD i = 0;; ++i) {
        char sub[256];
        DWORD subSize = sizeof sub;
        if (RegEnumKeyExA(key, i, sub, &subSize, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        subkeys.push_back(sub);
    }
    RegCloseKey(key);
    for (const std::string& sub : subkeys) ReadKey(root, rootName, path + "\\" + sub, depth + 1, out);
}

void ReadSpooler(Items* out) {
    // The drivers of the programs' environment.
    char* environment = const_cast<char*>(g_programs32 ? "Windows NT x86" : nullptr);
    DWORD needed = 0, count = 0;
    EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &needed, &count);
    std::vector<BYTE> buf(needed + 1);
    if (needed && EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, buf.data(), needed, &needed, &count)) {
        auto* info = reinterpret_cast<PRINTER_INFO_2A*>(buf.data());
        for (DWORD i = 0; i < count; ++i) {
            (*out)[std::string("printer \"") + info[i].pPrinterName + "\""] =
                std::string("on ") + (info[i].pPortName ? info[i].pPortName : "?") + ", driver \"" +
                (info[i].pDriverName ? info[i].pDriverName : "?") + "\"";
        }
    }
    needed = count = 0;
    EnumPrinterDriversA(nullptr, environment, 1, nullptr, 0, &needed, &count);
    std::vector<BYTE> drivers(needed + 1);
    if (needed && EnumPrinterDriversA(nullptr, environment, 1, drivers.data(), needed, &needed, &count)) {
        auto* info = reinterpret_cast<DRIVER_INFO_1A*>(drivers.data());
        for (DWORD i = 0; i < count; ++i) (*out)[std::string("driver \"") + info[i].pName + "\""] = "";
    }
}

Snapshot TakeSnapshot() {
    Snapshot s;
    ListFiles(kInstallDir, true, 0, &s.files, true);
    if (Exists(kInstallDir)) s.files[std::string(kInstallDir) + "\\"] = "folder";
    ListFiles(WindowsDir(), false, 0, &s.files, true);
    ListFiles(SystemDir(), false, 0, &s.files, true);
    ListFiles(FolderPath(CSIDL_FONTS), false, 0, &s.files, true);
    ReadIni(&s.ini);
    ReadKey(HKEY_LOCAL_MACHINE, "HKLM", "Enum\\LPTENUM", 0, &s.registry);
    ReadKey(HKEY_LOCAL_MACHINE, "HKLM", kUninstallRoot, 0, &s.registry);
    for (int csidl : {CSIDL_PROGRAMS, CSIDL_COMMON_PROGRAMS}) ListFiles(FolderPath(csidl), true, 0, &s.startMenu, false);
    ReadSpooler(&s.spooler);
    return s;
}

// What changed from `before` to `after` in one kind of item: "+" new,
// "-" gone, "~" another value.
int DiffItems(const char* title, const Items& before, const Items& after, std::string* report) {
    std::string lines;
    int changes = 0;
    for (const auto& item : after) {
        auto old = before.find(item.first);
        if (old == before.end()) {
            lines += "    + " + item.first + (item.second.empty() ? "" : "  " + item.second) + "\n";
            ++changes;
        } else if (old->second != item.second) {
            lines += "    ~ " + item.first + "  " + old->second + " -> " + item.second + "\n";
            ++changes;
        }
    }
    for (const auto& item : before) {
        if (!after.count(item.first)) {
            lines += "    - " + item.first + (item.second.empty() ? "" : "  " + item.second) + "\n";
            ++changes;
        }
    }
    *report += std::string("  ") + title + (changes ? ":\n" + lines : ": no change\n");
    return changes;
}

std::string DiffReport(const char* heading, const Snapshot& before, const Snapshot& after) {
    std::string report = std::string(heading) + "\n";
    DiffItems("Files (C:\\VIREO, Windows, system and fonts folders)", before.files, after.files, &report);
    DiffItems("INI lines (WIN.INI, SYSTEM.INI, PELORASD.INI)", before.ini, after.ini, &report);
    DiffItems("Registry (HKLM\\Enum\\LPTENUM, the Uninstall entries)", before.registry, after.registry, &report);
    DiffItems("Start Menu", before.startMenu, after.startMenu, &report);
    DiffItems("Spooler (printers and printer drivers)", before.spooler, after.spooler, &report);
    return report;
}

// ---------------------------------------------------------------------------
// Screens.

struct Shots {
    std::string out;
    int count = 0;
    std::vector<std::string> list;  // "NN-name.png  what it shows"
};

// Photographs the screen as NN-name.bmp (the host turns it into PNG).
void Photograph(Shots* shots, HWND window, const std::string& name, const std::string& what) {
    if (window) {
        if (GetForegroundWindow() != window) SetForegroundWindow(window);
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
        DWORD_PTR ignored = 0;
        SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored);
    }
    // The owner paints in its own time; a picture taken at once may miss it.
    Sleep(kPaintSettleMs);
    ++shots->count;
    char number[8];
    wsprintfA(number, "%02d", shots->count);
    std::string file = std::string(number) + "-" + name;
    ::testing::AssertionResult saved = robot::SaveScreenshot(shots->out + file + ".bmp");
    if (!saved) Progress("could not save the picture " + file + ": " + saved.message());
    shots->list.push_back(file + ".png  " + what);
}

std::string Oneline(std::string text) {
    for (char& c : text) {
        if (c == '\n' || c == '\r' || c == '|') c = ' ';
    }
    if (text.size() > 90) text = text.substr(0, 87) + "...";
    return text;
}

// Wine's shell answers Program Manager's commands by opening the group's
// folder in a window of its own, which comes up a moment later over the
// installer's next screens. It is photographed once and closed.
constexpr char kGroupFolder[] = "Pelora 200_250 Tools";
constexpr DWORD kGroupWindowBound = 15000;
bool g_groupShown = false;

void CloseGroupWindows(DWORD programPid, Shots* shots) {
    for (const WindowInfo& w : robot::TopLevelWindows(0)) {
        if (w.pid == programPid || w.pid == GetCurrentProcessId() || w.className == "#32770") continue;
        if (w.caption.find(kGroupFolder) == std::string::npos) continue;
        if (!g_groupShown) {
            g_groupShown = true;
            Progress("installing (screen " + std::to_string(shots->count + 1) + ": the new Start Menu group)...");
            Photograph(shots, w.hwnd, "start-menu-group",
                       "the Start Menu group \"" + w.caption + "\", opened by Wine's shell for Program Manager");
        }
        PostMessageA(w.hwnd, WM_CLOSE, 0, 0);
    }
}

// The group's folder window comes up a while after the group is made, about
// when the restart prompt does: waited for (bounded) and closed before the
// prompt's picture, so that it does not cover the prompt.
void WaitGroupWindow(DWORD programPid, Shots* shots) {
    for (const DWORD start = GetTickCount(); !g_groupShown && GetTickCount() - start < kGroupWindowBound;) {
        CloseGroupWindows(programPid, shots);
        if (!g_groupShown) Sleep(100);
    }
}

// Asks the host to put the second diskette into drive A:.
bool SwapDiskette(const Options& o) {
    std::string request = o.out + ".swap-request", done = o.out + ".swap-done";
    DeleteFileA(done.c_str());
    HANDLE f = CreateFileA(request.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    CloseHandle(f);
    const DWORD start = GetTickCount();
    while (!Exists(done)) {
        if (GetTickCount() - start > kSwapBound) {
            DeleteFileA(request.c_str());
            return false;
        }
        Sleep(100);
    }
    DeleteFileA(done.c_str());
    return true;
}

// One turn of a headless run's watch: closes the group's folder window and,
// when `program` has run longer than `bound` ms, ends it. Returns the failure
// then, else an empty text.
std::string Overdue(Robot* r, DWORD start, DWORD bound, const char* program, Shots* shots) {
    CloseGroupWindows(r->Pid(), shots);
    if (GetTickCount() - start <= bound) return "";
    std::string screen = robot::DescribeScreen();
    r->Kill();
    return std::string(program) + " was still running after " + std::to_string(bound / 1000) + " s:\n" + screen;
}

// The installer, answered like a user who takes the defaults. Returns an
// empty text on success, else what went wrong.
std::string RunInstallerHeadless(const Options& o, Shots* shots) {
    Robot r;
    std::string dir = o.setup.substr(0, o.setup.find_last_of('\\') + 1);
    ::testing::AssertionResult ok = r.Start(o.setup, "", dir);
    if (!ok) return ok.message();
    HWND main = nullptr;
    ok = r.WaitWindow(WindowQuery::Class("SetupWinClass"), kWindowBound, &main);
    if (!ok) return "the welcome screen did not appear: " + std::string(ok.message());
    Progress("installing (screen 1: welcome screen)...");
    Photograph(shots, main, "welcome", "the installer's welcome screen");
    ok = r.ClickClient(main, 100, 100);
    if (!ok) return ok.message();

    std::set<HWND> answered;
    bool progressShown = false;
    for (const DWORD start = GetTickCount(); WaitForSingleObject(r.Process(), 100) != WAIT_OBJECT_0;) {
        std::string late = Overdue(&r, start, kInstallBound, "the installer", shots);
        if (!late.empty()) return late;
        for (const WindowInfo& w : robot::TopLevelWindows(r.Pid())) {
            if (w.className != "#32770" || answered.count(w.hwnd)) continue;
            SeenDialog seen = robot::ReadDialog(w);
            std::string screenNo = "screen " + std::to_string(shots->count + 1) + ": ";
            if (w.Control(kStatusBar) && !w.Control(kDiskEdit)) {
                if (!progressShown) {
                    Progress("installing (" + screenNo + "copying files)...");
                    Photograph(shots, w.hwnd, "progress", "the progress dialog while the files are copied");
                    progressShown = true;
                }
                continue;  // the progress dialog needs no answer
            }
            if (w.Control(kExitSetup)) {
                WaitGroupWindow(r.Pid(), shots);
                screenNo = "screen " + std::to_string(shots->count + 1) + ": ";
                Progress("installing (" + screenNo + "restart prompt: Exit Setup)...");
                Photograph(shots, w.hwnd, "restart-prompt", "the restart prompt, answered Exit Setup");
                ok = r.Click(w.hwnd, kExitSetup);
            } else if (w.Control(kPortConnect)) {
                Progress("installing (" + screenNo + "port selection: LPT1)...");
                Photograph(shots, w.hwnd, "port-selection", "the port dialog, answered Connect on LPT1:");
                ok = r.Click(w.hwnd, kPortConnect);
            } else if (w.Control(kDestEdit)) {
                Progress("installing (" + screenNo + "destination: " + r.ControlText(w.hwnd, kDestEdit) + ")...");
                Photograph(shots, w.hwnd, "destination", "the destination dialog, answered OK");
                ok = r.Click(w.hwnd, IDOK);
            } else if (w.Control(kDiskEdit)) {
                Progress("installing (" + screenNo + "insert-disk prompt)...");
                Photograph(shots, w.hwnd, "insert-disk", "the prompt for the second diskette");
                HWND edit = w.Control(kDiskEdit)->hwnd;
                std::string answer = o.disk2;
                if (o.swap) {
                    if (SwapDiskette(o)) {
                        Progress("the second diskette is now in drive A:");
                        answer = "A:\\";
                    } else {
                        Progress("no diskette swap; answering " + o.disk2);
                    }
                }
                // The edit upper-cases what is typed; it comes filled in.
                DWORD_PTR ignored = 0;
                SendMessageTimeoutA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""), SMTO_ABORTIFHUNG, 5000, &ignored);
                ok = r.Type(edit, answer);
                if (ok) ok = r.Click(w.hwnd, IDOK);
            } else if (w.Control(kPreviousDelete)) {
                Progress("installing (" + screenNo + "previous version: Delete)...");
                Photograph(shots, w.hwnd, "previous-version", "the offer to remove the previous version, answered Delete");
                ok = r.Click(w.hwnd, kPreviousDelete);
            } else if (seen.messageBox) {
                Progress("installing (" + screenNo + "message \"" + Oneline(seen.text) + "\")...");
                Photograph(shots, w.hwnd, "message", "message box \"" + seen.caption + "\": " + Oneline(seen.text));
                ok = r.Enter(w.hwnd);
            } else {
                continue;
            }
            if (!ok) {
                r.Kill();
                return std::string(ok.message()) + "\n" + r.TranscriptText();
            }
            answered.insert(w.hwnd);
        }
    }
    WaitGroupWindow(r.Pid(), shots);
    DWORD code = 1;
    GetExitCodeProcess(r.Process(), &code);
    if (code != 0) return "the installer ended with exit code " + std::to_string(code) + ":\n" + r.TranscriptText();
    if (!Exists(kUninstaller)) return std::string("the installer left no ") + kUninstaller + ":\n" + r.TranscriptText();
    return "";
}

// The uninstaller in its interactive mode: Yes to the question, OK to the
// closing messages.
std::string RunUninstallerHeadless(Shots* shots) {
    Robot r;
    ::testing::AssertionResult ok = r.Start(kUninstaller, "", kInstallDir);
    if (!ok) return ok.message();
    std::set<HWND> answered;
    bool progressShown = false;
    int boxes = 0;
    for (const DWORD start = GetTickCount(); WaitForSingleObject(r.Process(), 100) != WAIT_OBJECT_0;) {
        std::string late = Overdue(&r, start, kRemovalBound, "the uninstaller", shots);
        if (!late.empty()) return late;
        for (const WindowInfo& w : robot::TopLevelWindows(r.Pid())) {
            // The uninstaller's own window shows behind its boxes.
            std::string screenNo = "screen " + std::to_string(shots->count + 1) + ": ";
            if (w.className != "#32770" || answered.count(w.hwnd)) continue;
            SeenDialog seen = robot::ReadDialog(w);
            if (!seen.messageBox) {
                if (!progressShown && w.Control(kStatusBar)) {
                    progressShown = true;
                    Progress("removing (" + screenNo + "removing files)...");
                    Photograph(shots, w.hwnd, "uninstall-progress", "the uninstaller's progress dialog");
                }
                continue;
            }
            ++boxes;
            if (w.Control(IDYES)) {
                Progress("removing (" + screenNo + "confirmation: Yes)...");
                Photograph(shots, w.hwnd, "uninstall-confirmation",
                           "the uninstaller's question \"" + seen.caption + "\", answered Yes: " + Oneline(seen.text));
                ok = r.Click(w.hwnd, IDYES);
            } else {
                Progress("removing (" + screenNo + "closing message: OK)...");
                Photograph(shots, w.hwnd, boxes <= 2 ? "uninstall-closing-message" : "uninstall-message",
                           "the uninstaller's message \"" + seen.caption + "\", answered OK: " + Oneline(seen.text));
                ok = w.Control(IDOK) ? r.Click(w.hwnd, IDOK) : r.Enter(w.hwnd);
            }
            if (!ok) {
                r.Kill();
                return std::string(ok.message()) + "\n" + r.TranscriptText();
            }
            answered.insert(w.hwnd);
        }
    }
    DWORD code = 1;
    GetExitCodeProcess(r.Process(), &code);
    if (boxes == 0) return "the uninstaller showed no question:\n" + r.TranscriptText();
    if (Exists(std::string(kInstallDir) + "\\VIREO.EXE")) {
        return "the uninstaller ended (exit code " + std::to_string(code) + ") but C:\\VIREO\\VIREO.EXE is still there:\n" +
               r.TranscriptText();
    }
    return "";
}

// Interactive: the user answers. The driver only swaps the diskette when the
// installer asks for it, and waits for each program to end.
std::string RunInteractive(const Options& o, const char* exe, const std::string& dir, bool installer) {
    Robot r;
    ::testing::AssertionResult ok = r.Start(exe, "", dir);
    if (!ok) return ok.message();
    std::set<HWND> seenPrompts;
    const DWORD start = GetTickCount();
    while (WaitForSingleObject(r.Process(), 200) != WAIT_OBJECT_0) {
        if (GetTickCount() - start > kInteractiveBound) {
            r.Kill();
            return std::string(exe) + " was still running after an hour; ended";
        }
        if (!installer) continue;
        // The group's folder window that Wine's shell opens would hide the
        // installer's last screens: it is closed (the report lists the group).
        for (const WindowInfo& w : robot::TopLevelWindows(0)) {
            if (w.pid == r.Pid() || w.pid == GetCurrentProcessId() || w.className == "#32770") continue;
            if (w.caption.find(kGroupFolder) == std::string::npos || !seenPrompts.insert(w.hwnd).second) continue;
            Progress("Wine's shell opened the new Start Menu group \"" + w.caption + "\" in a window; closing it");
            PostMessageA(w.hwnd, WM_CLOSE, 0, 0);
            for (const WindowInfo& d : robot::TopLevelWindows(r.Pid())) {
                if (d.className == "#32770") SetForegroundWindow(d.hwnd);
            }
        }
        for (const WindowInfo& w : robot::TopLevelWindows(r.Pid())) {
            if (w.className != "#32770" || !w.Control(kDiskEdit) || !seenPrompts.insert(w.hwnd).second) continue;
            if (o.swap && SwapDiskette(o)) {
                Progress("the installer asks for the second diskette: it is now in drive A:, press OK");
            } else {
                Progress("the installer asks for the second diskette: type " + o.disk2 + " and press OK");
            }
        }
    }
    DWORD code = 1;
    GetExitCodeProcess(r.Process(), &code);
    if (installer && !Exists(kUninstaller)) return "the installation did not get through (nothing installed)";
    return "";
}

bool WriteText(const std::string& path, const std::string& text) {
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = WriteFile(f, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(f);
    return ok && written == text.size();
}

bool ParseArgs(int argc, char** argv, Options* o) {
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--out" && i + 1 < argc) {
            o->out = argv[++i];
        } else if (a == "--setup" && i + 1 < argc) {
            o->setup = argv[++i];
        } else if (a == "--disk2" && i + 1 < argc) {
            o->disk2 = argv[++i];
        } else if (a == "--swap") {
            o->swap = true;
        } else if (a == "--interactive") {
            o->interactive = true;
        } else if (a == "--set" && i + 1 < argc) {
            o->set = argv[++i];
        } else {
            return false;
        }
    }
    if (o->out.empty()) return false;
    if (o->out.back() != '\\') o->out += '\\';
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    if (!ParseArgs(argc, argv, &o)) {
        std::fprintf(stderr, "usage: demo_driver --out DIR [--setup A:\\TLSETUP.EXE] [--disk2 B:\\] [--swap] [--interactive] "
                             "[--set TEXT]\n");
        return 3;
    }
    CreateDirectoryA(o.out.c_str(), nullptr);
    if (!Exists(o.out)) {
        std::fprintf(stderr, "demo: cannot make the output folder %s\n", o.out.c_str());
        return 3;
    }
    Shots shots;
    shots.out = o.out;
    g_programs32 = Is32BitProgram(o.setup);
    std::string build = std::string("Build: ") + (g_programs32 ? "32-bit release set" : "x86_64 build") +
                        (o.set.empty() ? "" : " (" + o.set + ")");
    Progress(build);
    if (g_programs32) {
        build += "\n  32-bit programs: registry read in their view (HKLM\\SOFTWARE under Wow6432Node), system folder " +
                 SystemDir();
    }

    Progress("taking a snapshot of the machine before the installation...");
    Snapshot before = TakeSnapshot();
    std::string failure;
    int rc = 0;
    Progress("running " + o.setup + (o.interactive ? " (it is yours to answer)..." : "..."));
    failure = o.interactive ? RunInteractive(o, o.setup.c_str(), o.setup.substr(0, o.setup.find_last_of('\\') + 1), true)
                            : RunInstallerHeadless(o, &shots);
    Snapshot installed = TakeSnapshot();
    Snapshot removed = installed;
    bool removalRun = false;
    if (!failure.empty()) {
        rc = 1;
        failure = "the installer did not get through: " + failure;
    } else if (o.interactive) {
        int answer = MessageBoxA(nullptr,
                                 "The installation has ended.\n\nRun the installed uninstaller C:\\VIREO\\TLDELET.EXE now?",
                                 "Demo", MB_YESNO | MB_ICONQUESTION | MB_SETFOREGROUND);
        if (answer == IDYES) {
            Progress(std::string("running ") + kUninstaller + " (it is yours to answer)...");
            failure = RunInteractive(o, kUninstaller, kInstallDir, false);
            removed = TakeSnapshot();
            removalRun = true;
        }
    } else {
        Progress(std::string("running ") + kUninstaller + "...");
        failure = RunUninstallerHeadless(&shots);
        removed = TakeSnapshot();
        removalRun = true;
        if (!failure.empty()) {
            rc = 2;
            failure = "the uninstaller did not get through: " + failure;
        }
    }
    if (!failure.empty() && rc == 0) rc = 2;

    std::string report = build + "\n\nWhat the demo did\n";
    if (!shots.list.empty()) {
        report += "\nScreens (pictures in the output folder)\n";
        for (const std::string& s : shots.list) report += "  " + s + "\n";
    }
    report += "\n" + DiffReport("After the installation (compared with the machine before it)", before, installed);
    if (removalRun) {
        report += "\n" + DiffReport("After the removal (compared with the machine after the installation)", installed, removed);
        report += "\n" + DiffReport("Left on the machine (after the removal compared with before the installation)", before,
                                    removed);
    }
    if (!failure.empty()) report += "\nFAILED: " + failure + "\n";
    report = Utf8(report);
    if (!WriteText(o.out + "report.txt", report)) {
        std::fprintf(stderr, "demo: cannot write %sreport.txt\n", o.out.c_str());
        if (rc == 0) rc = 3;
    }
    if (!failure.empty()) Progress(failure);
    return rc;
}
