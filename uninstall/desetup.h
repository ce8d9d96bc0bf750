// The uninstaller's program-wide state and the steps of its removal
// sequence. Each step lives in the file named beside it.
#pragma once

#include <windows.h>

#include <cstdint>

#include "companion.h"
#include "messages.h"

#include "lzcopy.h"
#include "exit_codes.h"
#include "run_log.h"

struct DesetupState {
    HINSTANCE hInstance;
    HWND hMainWnd;
    HWND hStatusLine;         // static control 999 at the bottom of the main window
    HWND hStatusDlg;          // modeless progress dialog 500
    int screenWidth;          // HORZRES
    int screenHeight;         // VERTRES
    int displayColors;        // NUMCOLORS, -1 for more than 256 colours
    // Directories are held whole, whatever their length: a path cut short
    // would name another directory, whose files would then be deleted.
    char windowsDir[MAX_PATH];
    char systemDir[MAX_PATH];
    char programDir[MAX_PATH];  // the uninstaller's own directory, trailing backslash
    char installDir[MAX_PATH];  // VelmDir of PELORASD.INI
    uint32_t hopperCapacity;  // [PrinterStyle] HopperCapacity, default 0
    char versionText[31];     // [RevisionControl] OEM_ProductVersion, default "@"
    const char* versionTail;  // from the first blank of the version text on
    bool silentMode;          // command line "External"
    bool exitCodes;           // "External" or /LOG given: the exit code tells how it went
    int exitCode;             // kExitSuccess until a step fails
    bool systemIniChanged;    // [386Enh] rewritten, which Windows 95 reads only when it starts
    bool nothingToUninstall;  // VelmDir empty
    bool systemFilesInWindowsDir;
    char titleText[64];       // "ORVAN Vireo " + text 1050
    char errorCaption[64];    // "ORVAN Vireo " + text 1051
    char warningCaption[64];  // "ORVAN Vireo " + text 1052
    HBRUSH greyBrush;
    HBRUSH tealBrush;
};

extern DesetupState g_desetup;

// Product words used in captions and messages.
inline constexpr const char kMakerWord[] = "ORVAN";
inline constexpr const char kProductWord[] = "Vireo";

// Message-box styles of the uninstaller.
constexpr UINT kStyleNotice = 0x1040;    // MB_ICONINFORMATION | MB_SYSTEMMODAL
constexpr UINT kStyleQuestion = 0x0024;  // MB_YESNO | MB_ICONQUESTION
constexpr UINT kStyleRetryQuestion = 0x1035;  // MB_RETRYCANCEL | MB_ICONEXCLAMATION | MB_SYSTEMMODAL

// Group of Program Manager and uninstall key that the installer created.
inline constexpr const char kUninstallKeyPath[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ORVAN Pelora 200/250";

// --- main window (uninstall/main.cpp; status line helpers in sequence.cpp) ---
extern "C" LRESULT CALLBACK MainWndProc(HWND, UINT, WPARAM, LPARAM);
void SetStatusLine(const char* text);
void SetStatusLineId(UINT id);
// Loads text id of the string table into buffer (empty when missing).
void LoadTextId(UINT id, char* buffer, int size);

// --- sequence (uninstall/sequence.cpp) ---
int RunUninstall();
// Asks the companion programs to close; false when the user chose to stop
// the removal because one of them did not.
bool CloseCompanionPrograms();
// The question shown when a companion program has not closed within its
// bound; passed over in the unattended removal.
CompanionChoice AskAboutRunningCompanion(const char* title);

// --- files and directories (uninstall/files.cpp) ---
// Deletes the script's files except the settings file, the setup script and
// the progress-bar library, which it leaves to RemoveKeptFiles.
int RemovePackageFiles(HWND hStatusDlg);
int RemovePackageDirs(HWND hStatusDlg);
void ClearDirectory(const char* dir);
// Deletes the files that RemovePackageFiles passed over because a second run
// needs them, the settings file first: without it the package counts as
// removed.
void RemoveKeptFiles();

// --- files left to the next start of Windows (uninstall/restart_removal.cpp) ---
// Deletes a file of the package, its read-only attribute cleared first. A
// file that still cannot be deleted is scheduled for deletion at the next
// start of Windows, and the package directories that hold it are noted.
void DeletePackageFile(const char* path);
// Schedules a file, or a directory that will be empty by then, for deletion
// at the next start of Windows; false when the system took no note of it
// (Windows 95 keeps directories, and no system reaches a network drive then).
bool ScheduleRemovalAtRestart(const char* path, bool directory);
// Schedules the noted directories that still exist, deepest first; called
// once the removal has removed what it could.
void ScheduleLeftDirectories();
// Files scheduled so far, and files that could be neither deleted nor
// scheduled.
int FilesLeftForRestart();
int FilesThatStay();
// MoveFileExA, looked up at run time (Windows 95 has it, but it does nothing
// there); null where the system has none.
typedef BOOL(WINAPI* MoveFileExFn)(LPCSTR, LPCSTR, DWORD);
MoveFileExFn SystemMoveFileEx();

// --- marks of a removal (uninstall/removal_marks.cpp) ---
// A removal's progress, in the package's settings file; 0 when not marked.
int RemovalMark(const char* mark);
// Sets a mark; 0 removes it.
void SetRemovalMark(const char* mark, int value);
inline constexpr char kMarkSystemIniSaved[] = "SystemIniSaved";         // SYSTEM.000 written
inline constexpr char kMarkPrintersLowered[] = "ExternalPrintersDone";  // External Printers lowered
inline constexpr char kMarkDirsTried[] = "DirsTried";                   // [Dirs] entries tried so far

// --- INI files (uninstall/ini_restore.cpp) ---
int RemoveIniBackups();
int RestoreIniFiles();
int RestoreSystemIni();
int RestoreWinIni();
