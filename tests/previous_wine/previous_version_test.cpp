// Detection of a previous installation through PELORASD.INI and velm.ini,
// with real profile files and real candidate files; the removal, with a
// stand-in old uninstaller that reports the command line its entry point
// handed it.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "import_slot.h"
#include "previous_version.h"
#include "resource.h"
#include "setup.h"
#include "start_process.h"
#include "wake_mask.h"

SetupState g_setup;

namespace {

void WriteSetting(const char* file, const char* key, const char* value) {
    ASSERT_TRUE(WritePrivateProfileStringA("Applications", key, value, file)) << file << " " << key;
}

void MakeFile(const std::string& path) {
    CreateDirectoryA(path.substr(0, path.rfind('\\')).c_str(), nullptr);
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << "cannot create " << path;
    CloseHandle(h);
}

struct Found {
    bool found;
    std::string velmDir;
    std::string uninstaller;
};

std::string ReadWhole(const std::string& path) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return "<missing>";
    char buf[512];
    DWORD got = 0;
    ReadFile(h, buf, sizeof buf, &got, nullptr);
    CloseHandle(h);
    return std::string(buf, got);
}

std::string Beside(const char* name) {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    while (n > 0 && path[n - 1] != '\\') --n;
    return std::string(path, n) + name;
}

// The stand-in old uninstaller placed as dir\TLDELET.EXE, with the old
// version's script beside it. The directory's name holds bytes above 127,
// which only a single-byte code page keeps as they are.
void PlaceOldVersion(const std::string& dir) {
    CPINFO info{};
    ASSERT_TRUE(GetCPInfo(CP_ACP, &info) && info.MaxCharSize == 1) << "code page " << GetACP();
    ASSERT_TRUE(CreateDirectoryA(dir.c_str(), nullptr)) << dir << ", error " << GetLastError();
    ASSERT_TRUE(CopyFileA(Beside("old_uninstaller.exe").c_str(), (dir + "\\TLDELET.EXE").c_str(), FALSE))
        << "error " << GetLastError();
    MakeFile(dir + "\\TLSETUP.INF");
}

Found Detect() {
    g_setup.previousDir[0] = '\0';
    char velmDir[256];
    char uninstaller[kCandidatePathSize];
    bool found = FindPreviousUninstaller(velmDir, uninstaller);
    return {found, velmDir, found ? uninstaller : ""};
}

TEST(PreviousVersion, NothingInstalledFindsNothing) {
    Found f = Detect();
    EXPECT_FALSE(f.found) << "found " << f.uninstaller;
    EXPECT_EQ(f.velmDir, "@");
    EXPECT_STREQ(g_setup.previousDir, "@");
}

TEST(PreviousVersion, FixedListFindsTldeleteInVireo) {
    WriteSetting("PELORASD.INI", "VelmDir", "C:\\VIREO");
    MakeFile("C:\\VIREO\\TLDELETE.EXE");
    Found f = Detect();
    EXPECT_TRUE(f.found);
    EXPECT_EQ(f.uninstaller, "C:\\VIREO\\TLDELETE.EXE");
    EXPECT_STREQ(g_setup.previousDir, "C:\\VIREO");
}

TEST(PreviousVersion, DirectoryOnlyInVelmIni) {
    WriteSetting("velm.ini", "VelmDir", "C:\\OLDVELM\\");
    MakeFile("C:\\OLDVELM\\MPDELETE.EXE");
    Found f = Detect();
    EXPECT_TRUE(f.found);
    EXPECT_EQ(f.uninstaller, "C:\\OLDVELM\\MPDELETE.EXE") << "one backslash between directory and name";
    EXPECT_STREQ(g_setup.previousDir, "C:\\OLDVELM\\");
}

TEST(PreviousVersion, AtValueCountsAsMissing) {
    WriteSetting("PELORASD.INI", "VelmDir", "@C:\\VIREO");
    WriteSetting("velm.ini", "VelmDir", "C:\\VELM");
    WriteSetting("PELORASD.INI", "DeleteFile", "@");
    WriteSetting("velm.ini", "DeleteFile", "QRDELETE.EXE");
    MakeFile("C:\\VELM\\QRDELETE.EXE");
    Found f = Detect();
    EXPECT_EQ(f.velmDir, "C:\\VELM");
    EXPECT_EQ(f.uninstaller, "C:\\VELM\\QRDELETE.EXE");
}

TEST(PreviousVersion, MissingDeleteFileDoesNotFallBackToTheList) {
    WriteSetting("PELORASD.INI", "VelmDir", "C:\\VIREO");
    WriteSetting("PELORASD.INI", "DeleteFile", "GONE.EXE");
    MakeFile("C:\\VIREO\\TLDELETE.EXE");
    Found f = Detect();
    EXPECT_FALSE(f.found) << "found " << f.uninstaller;
}

TEST(PreviousVersion, WithoutOfferTextNothingIsStarted) {
    WriteSetting("PELORASD.INI", "VelmDir", "C:\\VIREO");
    WriteSetting("PELORASD.INI", "DeleteFile", "TLDELET.EXE");
    MakeFile("C:\\VIREO\\TLDELET.EXE");
    MakeFile("C:\\VIREO\\TLSETUP.INF");
    g_setup.hInstance = GetModuleHandleA(nullptr);  // this program has no text 1066
    EXPECT_TRUE(RemovePreviousVersion(nullptr));
    EXPECT_NE(GetFileAttributesA("C:\\VIREO\\TLDELET.EXE"), INVALID_FILE_ATTRIBUTES) << "old uninstaller deleted";
    EXPECT_STREQ(g_setup.previousDir, "C:\\VIREO");
}

// WinExec as Windows has it, for the removal's start of the old uninstaller
// (through the test program's import slot): the program gets its command
// line as written. Wine's own WinExec puts quotes around a program name with
// blanks before it hands the line on, which would hide an unquoted one. The
// program is the quoted name, or else the shortest part of the line up to a
// blank that names a file.
UINT WINAPI WinExecAsWindows(LPCSTR line, UINT show) {
    const std::string text = line;
    std::string program;
    if (text[0] == '"') {
        program = text.substr(1, text.find('"', 1) - 1);
    } else {
        for (std::size_t end = text.find(' '); program.empty(); end = text.find(' ', end + 1)) {
            const DWORD attributes = GetFileAttributesA(text.substr(0, end).c_str());
            if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
                program = text.substr(0, end);
            } else if (end == std::string::npos) {
                return ERROR_FILE_NOT_FOUND;
            }
        }
    }
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(show);
    PROCESS_INFORMATION process{};
    std::vector<char> commandLine(text.begin(), text.end());
    commandLine.push_back('\0');
    if (!CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        return ERROR_FILE_NOT_FOUND;
    }
    WaitForInputIdle(process.hProcess, 30000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return 33;
}

// The offer dialogs shown in this thread: each is read and answered from a
// timer inside its modal loop, "&Delete" the first time and "&Exit" after.
struct OfferAnswers {
    std::vector<std::string> texts;
};
OfferAnswers g_offers;

BOOL CALLBACK FindOffer(HWND hwnd, LPARAM found) {
    if (!GetDlgItem(hwnd, IDC_PREV_DELETE) || !IsWindowVisible(hwnd)) return TRUE;
    *reinterpret_cast<HWND*>(found) = hwnd;
    return FALSE;
}

void CALLBACK AnswerOffer(HWND, UINT, UINT_PTR, DWORD) {
    HWND dlg = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindOffer, reinterpret_cast<LPARAM>(&dlg));
    if (!dlg || GetPropA(dlg, "answered")) return;
    SetPropA(dlg, "answered", dlg);
    char text[512] = "";
    GetDlgItemTextA(dlg, IDC_PREV_TEXT, text, sizeof text);
    g_offers.texts.push_back(text);
    const int button = g_offers.texts.size() == 1 ? IDC_PREV_DELETE : IDC_PREV_EXIT;
    SendMessageA(GetDlgItem(dlg, button), BM_CLICK, 0, 0);
}

// The old uninstaller's main window, made in this thread: it stays for a
// few ticks after the old uninstaller has removed the script, as the real
// one's window outlives its removal.
std::string g_oldScript;
int g_ticksLeft;

LRESULT CALLBACK OldUninstallerWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_TIMER && GetFileAttributesA(g_oldScript.c_str()) == INVALID_FILE_ATTRIBUTES &&
        --g_ticksLeft <= 0) {
        DestroyWindow(hwnd);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

// DeleteFileA as Windows has it for the program file of a process that is
// still ending: refused (ERROR_ACCESS_DENIED) until a moment after the first
// attempt. Wine deletes a running program's file at once.
decltype(&DeleteFileA) g_realDeleteFile;
std::string g_endingProgram;
DWORD g_firstRefusal;
int g_refusedDeletions;

BOOL WINAPI DeleteFileOfAnEndingProgram(LPCSTR path) {
    if (lstrcmpiA(path, g_endingProgram.c_str()) == 0) {
        if (g_refusedDeletions == 0) g_firstRefusal = GetTickCount();
        if (GetTickCount() - g_firstRefusal < 300) {
            ++g_refusedDeletions;
            SetLastError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
    }
    return g_realDeleteFile(path);
}

TEST(PreviousVersion, RemovalStartsTheOldUninstallerUnattendedFromAPathWithABlank) {
    // The long path, as on a volume without short names; its name holds a
    // letter above 127 right after the blank, which the unquoted command
    // line of old lost as well.
    const std::string dir = "C:\\PELORA \xC4LTER";
    PlaceOldVersion(dir);
    if (HasFatalFailure()) return;
    WriteSetting("PELORASD.INI", "VelmDir", dir.c_str());
    WriteSetting("PELORASD.INI", "DeleteFile", "TLDELET.EXE");
    HMODULE offerVariant = LoadLibraryExA(Beside("tlsetup_offer.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(offerVariant, nullptr) << "error " << GetLastError();
    g_setup.hInstance = offerVariant;
    g_offers = {};
    ImportSwaps swaps;
    ASSERT_TRUE(swaps.Swap(g_winExecSlot, WinExecAsWindows));
    WNDCLASSA wc{};
    wc.lpfnWndProc = OldUninstallerWindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "DeSetupWinClass";
    ASSERT_TRUE(RegisterClassA(&wc));
    g_oldScript = dir + "\\TLSETUP.INF";
    g_ticksLeft = 3;
    HWND oldWindow = CreateWindowExA(0, "DeSetupWinClass", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                     wc.hInstance, nullptr);
    ASSERT_TRUE(oldWindow);
    SetTimer(oldWindow, 1, 100, nullptr);
    ASSERT_TRUE(swaps.Swap(g_deleteFileSlot, DeleteFileOfAnEndingProgram, &g_realDeleteFile));
    g_endingProgram = dir + "\\TLDELET.EXE";
    g_refusedDeletions = 0;
    UINT_PTR timer = SetTimer(nullptr, 0, 30, AnswerOffer);
    BOOL goOn = FALSE;
    win95::WakeMaskCounts waits;
    DWORD waited = GetTickCount();
    {
        // A system that knows only the wake bits of Windows 95 and NT 4.0.
        win95::StrictWakeMask strict;
        goOn = RemovePreviousVersion(nullptr);
        waits = strict.Counts();
    }
    waited = GetTickCount() - waited;
    KillTimer(nullptr, timer);
    swaps.Restore();
    FreeLibrary(offerVariant);
    EXPECT_FALSE(IsWindow(oldWindow)) << "the removal waited for the old uninstaller's window to go";
    EXPECT_EQ(waits.refused, 0u) << "wake mask refused: 0x" << std::hex << waits.refusedMask;
    EXPECT_LE(waits.calls, waited / 10 + 20) << "calls of the wait in " << waited << " ms";

    const std::string tail = ReadWhole(dir + "\\TAIL.TXT");
    EXPECT_EQ(tail, "External") << "the old uninstaller's command-line tail";
    ASSERT_EQ(g_offers.texts.size(), 1u) << "offers shown; the old uninstaller got \"" << tail << "\"";
    EXPECT_NE(g_offers.texts[0].find(dir), std::string::npos) << g_offers.texts[0];
    EXPECT_TRUE(goOn);
    EXPECT_EQ(GetFileAttributesA((dir + "\\TLDELET.EXE").c_str()), INVALID_FILE_ATTRIBUTES)
        << "the old uninstaller is deleted once its script is gone (refused " << g_refusedDeletions
        << " times while it was ending)";
}

// The entry point skips the program's name, quoted or not, and the blanks
// behind it; bytes above 127 are letters, in the name and in the argument.
TEST(CommandLine, LettersAbove127AreNoBlanks) {
    const std::string dir = "C:\\B\xDCRO";
    PlaceOldVersion(dir);
    if (HasFatalFailure()) return;
    struct Case {
        std::string line, tail;
    };
    for (const Case& c : {Case{dir + "\\TLDELET.EXE \xC4rger", "\xC4rger"},
                          Case{"\"" + dir + "\\TLDELET.EXE\"\t \xE9t\xE9 External", "\xE9t\xE9 External"}}) {
        DeleteFileA((dir + "\\TAIL.TXT").c_str());
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        std::vector<char> line(c.line.begin(), c.line.end());
        line.push_back('\0');
        ASSERT_TRUE(StartProcess(nullptr, line.data(), 0, nullptr, &startup, &process))
            << c.line << ": error " << GetLastError();
        const DWORD waited = WaitForSingleObject(process.hProcess, 30000);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        ASSERT_EQ(waited, WAIT_OBJECT_0) << c.line << " did not end";
        EXPECT_EQ(ReadWhole(dir + "\\TAIL.TXT"), c.tail) << "started as " << c.line;
    }
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
