// The installer's program-wide state and the steps of its installation
// sequence. Each step lives in the file named beside it.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "command_line.h"
#include "exit_codes.h"
#include "run_log.h"
#include "companion.h"

struct SetupState {
    HINSTANCE hInstance;
    HWND hMainWnd;
    HWND hStatusLabel;        // static control 999 on the main window
    HWND hStatusDlg;          // modeless progress dialog 909
    char setupDir[66];        // installer's directory, trailing backslash
    char scriptPath[80];      // setupDir + "TLSETUP.INF"
    char windowsDir[66];
    char systemDir[66];
    char destDir[66];         // fully qualified destination directory
    char destShortDir[260];   // short (8.3) form of destDir
    char mainTitle[32];       // "ORVAN Vireo " + text 1060
    char errorCaption[112];   // "ORVAN Vireo " + text 1061
    char warningCaption[100]; // "ORVAN Vireo " + text 1062
    char versionSuffix[31];   // e.g. " 1.00"
    int32_t screenWidth;
    int32_t screenHeight;
    int32_t displayColors;    // -1 for more than 256 colours
    uint32_t installType;     // 119 local Windows, 120 network client
    uint32_t lptPortCount;    // LPT1:-LPT3: found, 0-3
    uint32_t selectedPort;    // 124 LPT1, 125 LPT2, 126 LPT3; 0 until chosen
    uint32_t iniBackupNumber; // nnn of SYSTEM.nnn and WIN.nnn
    char previousDir[256];    // directory of a previously installed version
    uint32_t hopperCapacity;  // 200
    char fontDir[256];        // where compressed fonts are expanded, no trailing backslash
    uint32_t installedKb;     // KB of the files installed, each rounded up
};

extern SetupState g_setup;

// The options of the command line (setup/run_options.cpp).
extern CommandOptions g_options;

// The exit code of the run: the first failure noted decides it; a run that
// ends without one ends as cancelled. Given only when the command line holds
// an option; a run without options ends with 0 (main.cpp).
void SetExitCode(int code);
// Sets the code of a run that got through, whatever was noted before.
void SetSuccessCode(int code);
// The code the program ends with: 0 without options, as always
// (setup/run_options.cpp).
int RunExitCode();

// Product words used in captions and messages.
inline constexpr const char kMakerWord[] = "ORVAN";
inline constexpr const char kProductWord[] = "Vireo";

// Message-box styles of the installation sequence.
constexpr UINT kStyleNotice = 0x1040;       // MB_ICONINFORMATION | MB_SYSTEMMODAL
constexpr UINT kStyleFinalNotice = 0x3040;  // ... | MB_TASKMODAL
constexpr UINT kStylePlainNotice = 0x0040;  // MB_ICONINFORMATION
constexpr UINT kStyleQuestion = 0x1024;     // MB_YESNO | MB_ICONQUESTION | MB_SYSTEMMODAL
constexpr UINT kStyleRetryQuestion = 0x1035;  // MB_RETRYCANCEL | MB_ICONEXCLAMATION | MB_SYSTEMMODAL

// --- shell (setup/main.cpp, setup/sequence.cpp) ---
void RunInstallation(HWND hwnd);
// Asks the companion programs to close; false when the user chose to leave
// Setup because one of them did not.
bool CloseCompanionPrograms();
// The question shown when a companion program has not closed within its
// bound: Retry or Cancel.
CompanionChoice AskAboutRunningCompanion(const char* title);
void SetStatusText(const char* text);       // status label 999
void SetStatusTextId(UINT id);              // status label from the string table

// --- previous version (setup/previous_version.cpp) ---
BOOL RemovePreviousVersion(HWND hwnd);
extern "C" INT_PTR CALLBACK PreviousVersionDlgProc(HWND, UINT, WPARAM, LPARAM);

// --- port selection (setup/ports.cpp) ---
uint32_t CountParallelPorts();
// Which of LPT1:-LPT3: the spooler knows: bit 0 for LPT1: and so on. Shows
// nothing on failure (0).
uint32_t ParallelPortsPresent();
extern "C" INT_PTR CALLBACK PortDlgProc(HWND, UINT, WPARAM, LPARAM);

// --- file installation (setup/files.cpp, setup/dest_dialog.cpp,
//     setup/insert_disk.cpp, setup/fonts.cpp) ---
extern "C" INT_PTR CALLBACK DestDlgProc(HWND, UINT, WPARAM, LPARAM);
extern "C" LRESULT CALLBACK EditProc(HWND, UINT, WPARAM, LPARAM);
extern "C" INT_PTR CALLBACK InsertDiskDlgProc(HWND, UINT, WPARAM, LPARAM);
BOOL CreateDestinationTree(HWND hStatusDlg);
BOOL CopyPackageFiles(HWND hStatusDlg);
// True when every record of the loaded script that the installation writes
// (the tree's directories, every file record) names its place with texts
// that cannot lead out of it; otherwise false, with the first record that
// does in `record` ("directory\name", or the directory's name).
bool ScriptStaysInItsPlaces(char* record, std::size_t size);
// True when the full path of every such directory and file, built with the
// chosen destination, lies below its place; otherwise false, with the
// first path that does not in `path`.
bool PathsStayInTheirPlaces(char* path, std::size_t size);
// The fonts folder, also before the copy step has set SetupState::fontDir;
// empty when it does not fit.
void FontDirectoryOf(char* dir, std::size_t size);
// True for a destination the package must not go to: the Windows
// directory, the fonts folder, the system directory and any directory below
// it (a removal would empty or remove what Windows keeps there).
bool IsSystemsOwnDirectory(const char* path);

// --- directory security (setup/dir_security.cpp) ---
// What became of a directory of the package, in the order of the log's
// notes (setup/files.cpp); from kRefusedLink on it is not used.
enum class DirectoryMade {
    kFailed, kPlain, kClosed, kRemote, kNoLists, kAsItWas, kRefusedLink, kRefusedOwner, kRefusedRights
};
// The lists of the package's places on systems with file security: the
// directory and all below it (Administrators and SYSTEM change, Users read
// and run), SPOOL (Users add files, which their creators change and
// delete) and SPOOLER.QUE (Users write it).
enum class PackageList { kClosed, kSpool, kQueue };
// Creates a directory of the package (one level), or with kQueue the file
// SPOOLER.QUE (kept when it exists). On systems with file security and a
// local volume that keeps access lists it is given the list; elsewhere it
// is made plainly, and the result says why.
DirectoryMade CreatePackageDirectory(const char* path, PackageList list = PackageList::kClosed);
// The destination directory, made or, when it exists, checked: on systems
// with file security a run without administrator rights is refused; an
// existing directory that is a link, or that a standard user owns and is
// not the previous installation's, is refused; one that holds nothing but
// the package's files and folders is closed, all below included; a drive's
// root or one with other content is used as it was.
DirectoryMade PrepareDestination(const char* path, bool exists);
// True for the full path of a file or folder below the destination that
// belongs to the package: a [Dirs] directory, a record's file, SPOOLER.QUE
// or a file in SPOOL (setup/files.cpp).
bool IsPackageEntry(const char* path, bool folder);
// The descriptor CreatePackageDirectory gives: `sd` with its access list in
// `acl` (kClosedAclSize bytes, DWORD-aligned, which must outlive `sd`).
// False where the system has no file security or lacks the calls.
constexpr std::size_t kClosedAclSize = 160;
bool BuildClosedDirectorySecurity(SECURITY_DESCRIPTOR* sd, void* acl, std::size_t aclSize,
                                  PackageList list = PackageList::kClosed);

// --- Windows configuration (setup/ini_backup.cpp, setup/printer.cpp,
//     setup/registry.cpp, setup/startup_batch.cpp, setup/settings.cpp) ---
BOOL BackupIniFiles();
void RemovePreviousPrinter();   // printer and driver, then RemovePortDevice, then VAZAZUD.DLL
void ClearPrinterSections();
BOOL RegisterPrinter();
void RemovePortDevice();
int RegisterPortDevice();
void WriteUninstallEntry();
BOOL WritePackageSettings();
void WriteStartupBatch();

// --- Program Manager (setup/progman_group.cpp, over common/dde_client_win.cpp) ---
BOOL CreateProgmanGroup();
