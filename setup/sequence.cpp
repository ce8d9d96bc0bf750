// The installation sequence: one straight run of steps inside the message
// that started it, with a message box for each failure. Ending the run means
// destroying the main window, which ends the program; nothing done before is
// undone.
#include <windows.h>

#include "companion.h"
#include "messages.h"
#include "resource.h"
#include "script_engine.h"
#include "setup.h"
#include "shell.h"
#include "shell_core.h"
#include "textutil.h"

namespace {

// Cleared when the sequence starts; every later start message is ignored.
bool g_setupStarted = true;
HMODULE g_percentLibrary;

// Repaints the welcome screen at once after a message box.
void RefreshMain() {
    if (g_setup.hMainWnd && IsWindow(g_setup.hMainWnd)) UpdateWindow(g_setup.hMainWnd);
}

void EndInstallation() {
    if (g_setup.hMainWnd && IsWindow(g_setup.hMainWnd)) DestroyWindow(g_setup.hMainWnd);
}

void DestroyStatusDialog() {
    if (g_setup.hStatusDlg && IsWindow(g_setup.hStatusDlg)) DestroyWindow(g_setup.hStatusDlg);
    g_setup.hStatusDlg = nullptr;
}

// The progress dialog goes first: its bar's window procedure lies in the
// library.
void UnloadPercentLibrary() {
    DestroyStatusDialog();
    if (g_percentLibrary) {
        FreeLibrary(g_percentLibrary);
        g_percentLibrary = nullptr;
    }
}

// Windows version as major * 256 + minor, read from the system itself.
bool WindowsVersionIsSupported() {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
    typedef LONG(WINAPI * RtlGetVersionFn)(OSVERSIONINFOW*);
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    RtlGetVersionFn rtlGetVersion =
        ntdll ? reinterpret_cast<RtlGetVersionFn>(reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")))
              : nullptr;
    if (rtlGetVersion) {
        OSVERSIONINFOW wide{};
        wide.dwOSVersionInfoSize = sizeof wide;
        if (rtlGetVersion(&wide) == 0) {
            return WindowsVersionSupported(wide.dwMajorVersion, wide.dwMinorVersion);
        }
    }
    if (!GetVersionExA(&info)) return true;  // a system that cannot tell is new enough to run this program
    return WindowsVersionSupported(info.dwMajorVersion, info.dwMinorVersion);
}

// Free kilobytes of a drive root; false when the system cannot tell.
bool DriveFreeKb(const char* root, uint32_t* kb) {
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
    if (!GetDiskFreeSpaceA(root, &sectorsPerCluster, &bytesPerSector, &freeClusters, &totalClusters)) {
        *kb = 0;
        return false;
    }
    *kb = FreeSpaceKb(sectorsPerCluster, bytesPerSector, freeClusters);
    return true;
}

// Step 12: the port dialog until a port is chosen. False when the user
// abandoned the installation (the program has then been ended).
bool ChoosePort(HWND hwnd) {
    for (;;) {
        INT_PTR result = DialogBoxParamA(g_setup.hInstance, MAKEINTRESOURCEA(IDD_PORT), hwnd, PortDlgProc, 0);
        if (result != IDCANCEL) return true;
        int answer = ShowMessage(g_setup.hInstance, nullptr, IDS_CANCEL_QUESTION, g_setup.warningCaption,
                                 kStyleQuestion);
        RefreshMain();
        if (answer == IDYES) {
            SetExitCode(kExitCancelled);
            ShowMessage(g_setup.hInstance, hwnd, IDS_NOT_INSTALLED, g_setup.warningCaption, kStyleFinalNotice,
                        kVireo);
            RefreshMain();
            EndInstallation();
            return false;
        }
    }
}

// Step 18: the destination loop. False when the user cancelled.
bool ChooseDestination(HWND hwnd, char windowsLetter) {
    uint32_t required = 0;
    uint32_t freeKb = 0;
    do {
        required = kRequiredSpaceKb;
        INT_PTR result =
            DialogBoxParamA(g_setup.hInstance, MAKEINTRESOURCEA(IDD_DESTINATION), hwnd, DestDlgProc, 0);
        if (result == IDCANCEL) {
            int answer = ShowMessage(g_setup.hInstance, g_setup.hStatusDlg, IDS_CANCEL_QUESTION,
                                     g_setup.warningCaption, kStyleQuestion);
            RefreshMain();
            if (answer == IDYES) return false;
            freeKb = 0;
            continue;
        }
        char root[4] = {g_setup.destDir[0], ':', '\\', '\0'};
        if (!DriveFreeKb(root, &freeKb)) {
            PlainMessageBox(nullptr, "GetDiskFreeSpace() fail !", root, MB_OK);
            RefreshMain();
            freeKb = 0;
        }
        required = DestinationRequiredKb(g_setup.destDir[0], windowsLetter);
        if (freeKb < required) {
            ShowMessage(g_setup.hInstance, hwnd, IDS_DRIVE_TOO_FULL, g_setup.warningCaption, kStylePlainNotice,
                        static_cast<int>(static_cast<unsigned char>(g_setup.destDir[0])), freeKb, required);
            RefreshMain();
            continue;
        }
        ShowWindow(g_setup.hStatusDlg, SW_SHOW);
        BOOL made = CreateDestinationTree(g_setup.hStatusDlg);
        DWORD n = GetShortPathNameA(g_setup.destDir, g_setup.destShortDir, sizeof g_setup.destShortDir);
        if (n == 0 || n >= sizeof g_setup.destShortDir) {
            // No short form (or none that fits): the long form, which fits.
            CopyText(g_setup.destShortDir, g_setup.destDir);
        }
        ShowWindow(g_setup.hStatusDlg, SW_HIDE);
        if (!made) freeKb = 0;
    } while (freeKb < required);
    return true;
}

// The port given on the command line, or in an unattended run the one the
// port dialog proposes (LPT1:, or the first of LPT2: and LPT3: that the
// spooler knows when it lacks LPT1:). False when the port given cannot be
// used (the program has then been ended).
bool TakeGivenPort(HWND hwnd) {
    const uint32_t present = ParallelPortsPresent();
    uint32_t port = 0;
    if (g_options.hasPort) {
        if (g_options.port >= 1 && g_options.port <= 3 && (present & (1u << (g_options.port - 1))) != 0) {
            port = g_options.port;
        }
    } else {
        for (uint32_t n = 1; n <= 3 && port == 0; ++n) {
            if (present & (1u << (n - 1))) port = n;
        }
        if (port == 0) port = 1;  // counted but not told apart: as the dialog
    }
    if (port == 0) {
        char given[16];
        FormatText(given, sizeof given, "LPT%u:", g_options.port);
        SetExitCode(kExitPort);
        ShowMessage(g_setup.hInstance, hwnd, IDS_PORT_UNUSABLE, g_setup.errorCaption, kStyleNotice,
                    g_options.hasPort && g_options.port == 0 ? "?" : given, kVireo);
        RefreshMain();
        EndInstallation();
        return false;
    }
    g_setup.selectedPort = 123 + port;
    LogLine("Port: LPT%u:", port);
    return true;
}

// The destination given on the command line, or in an unattended run the
// dialog's default, without the dialog: one attempt, and every failure ends
// the installation. False on failure (the caller ends the program).
bool TakeGivenDestination(HWND hwnd, char windowsLetter) {
    const char* wanted = g_options.hasDir ? g_options.dir : "C:\\VIREO";
    OFSTRUCT parsed = {};
    parsed.cBytes = sizeof parsed;
    // The Windows directory, the system directory and the fonts folder are
    // refused here as in the destination dialog.
    if (OpenFile(wanted, &parsed, OF_PARSE) == HFILE_ERROR || parsed.szPathName[0] == '\0' ||
        IsSystemsOwnDirectory(parsed.szPathName) || !CopyText(g_setup.destDir, parsed.szPathName)) {
        SetExitCode(kExitDestination);
        ShowMessage(g_setup.hInstance, hwnd, IDS_DIR_NOT_CREATED, g_setup.errorCaption, kStyleNotice, wanted);
        RefreshMain();
        return false;
    }
    LogLine("Destination: %s", g_setup.destDir);
    char root[4] = {g_setup.destDir[0], ':', '\\', '\0'};
    uint32_t freeKb = 0;
    if (!DriveFreeKb(root, &freeKb)) {
        PlainMessageBox(nullptr, "GetDiskFreeSpace() fail !", root, MB_OK);
        RefreshMain();
    }
    const uint32_t required = DestinationRequiredKb(g_setup.destDir[0], windowsLetter);
    LogLine("Free space on %s: %luK, required %luK", root, static_cast<unsigned long>(freeKb),
            static_cast<unsigned long>(required));
    if (freeKb < required) {
        SetExitCode(kExitDiskSpace);
        ShowMessage(g_setup.hInstance, hwnd, IDS_DRIVE_TOO_FULL, g_setup.warningCaption, kStylePlainNotice,
                    static_cast<int>(static_cast<unsigned char>(g_setup.destDir[0])), freeKb, required);
        RefreshMain();
        return false;
    }
    ShowWindow(g_setup.hStatusDlg, SW_SHOW);
    BOOL made = CreateDestinationTree(g_setup.hStatusDlg);
    DWORD n = GetShortPathNameA(g_setup.destDir, g_setup.destShortDir, sizeof g_setup.destShortDir);
    if (n == 0 || n >= sizeof g_setup.destShortDir) CopyText(g_setup.destShortDir, g_setup.destDir);
    ShowWindow(g_setup.hStatusDlg, SW_HIDE);
    if (!made) {
        SetExitCode(kExitDestination);
        return false;
    }
    return true;
}

}  // namespace

// Status label 999 of the main window.
void SetStatusText(const char* text) {
    if (g_setup.hStatusLabel) SetWindowTextA(g_setup.hStatusLabel, text);
}

void SetStatusTextId(UINT id) {
    char text[512];
    if (LoadStringA(g_setup.hInstance, id, text, sizeof text) <= 0) text[0] = '\0';
    SetStatusText(text);
}

void PreloadResources() {
    for (int id = 900; id <= 919; ++id) {
        HRSRC found = FindResourceA(g_setup.hInstance, MAKEINTRESOURCEA(id), RT_DIALOG);
        if (!found) continue;
        HGLOBAL res = LoadResource(g_setup.hInstance, found);
        if (res) LockResource(res);
    }
    LoadIconA(g_setup.hInstance, MAKEINTRESOURCEA(950));
    LoadIconA(g_setup.hInstance, MAKEINTRESOURCEA(951));
}

namespace {

constexpr UINT kPackageCloseMessage = 0x221F;
constexpr WPARAM kPackageCloseWParam = 0x1E1F;

// ZerODAClass is asked first without a wait, then again, with a wait, once
// the spooler has gone.
const CompanionRequest kCompanionRequests[] = {
    {"ZerODAClass", kPackageCloseMessage, kPackageCloseWParam, 1, false, false},
    {"SpoolerClass", kPackageCloseMessage, kPackageCloseWParam, 0, false, true},
    {"ZerODAClass", kPackageCloseMessage, kPackageCloseWParam, 0, false, true},
    {"PanelClass", kPackageCloseMessage, kPackageCloseWParam, 0, false, true},
};

}  // namespace

// The one place where the installer asks the user about a companion program
// that has not closed: Retry asks it again, Cancel leaves Setup.
CompanionChoice AskAboutRunningCompanion(const char* title) {
    // Unattended, nobody can close it, and Windows would refuse to replace
    // its running file half-way: the run ends before anything is changed.
    if (g_options.unattended) {
        LogLine("Program \"%s\" has not closed", title);
        return kCompanionCancel;
    }
    int answer = ShowMessage(g_setup.hInstance, g_setup.hMainWnd, IDS_COMPANION_RUNNING, g_setup.warningCaption,
                             kStyleRetryQuestion, title);
    RefreshMain();
    return answer == IDRETRY ? kCompanionRetry : kCompanionCancel;
}

bool CloseCompanionPrograms() {
    for (const CompanionRequest& request : kCompanionRequests) {
        if (!CloseCompanion(request, AskAboutRunningCompanion)) return false;
    }
    return true;
}

namespace {

// Closes the companion programs; false, with the run's code and message,
// when one of them stays (the user chose to leave Setup, or nobody is there
// to close it).
bool CloseProgramsOrLeave(HWND hwnd) {
    if (!CloseCompanionPrograms()) {
        SetExitCode(kExitProgramRunning);
        ShowMessage(g_setup.hInstance, hwnd, IDS_NOT_INSTALLED, g_setup.warningCaption, kStyleNotice, kVireo);
        RefreshMain();
        return false;
    }
    LogLine("Programs of the package closed");
    return true;
}

}  // namespace

void RunInstallation(HWND hwnd) {
    if (!g_setupStarted) return;
    g_setupStarted = false;

    PreloadResources();
    RECT desk;
    GetWindowRect(GetDesktopWindow(), &desk);
    ClipCursor(&desk);
    KillTimer(hwnd, 1);

    // Unattended, the programs are asked to close before the previous
    // version goes, so that one that stays ends the run with nothing changed.
    const bool closeFirst = g_options.unattended;
    if ((closeFirst && !CloseProgramsOrLeave(hwnd)) || !RemovePreviousVersion(hwnd) ||
        (!closeFirst && !CloseProgramsOrLeave(hwnd))) {
        EndInstallation();
        return;
    }
    RemovePreviousPrinter();
    LogLine("Previous printer, its driver, its port key and VAZAZUD.DLL removed where present");

    SetStatusTextId(IDS_CHECK_WINDOWS);
    if (!WindowsVersionIsSupported()) {
        SetExitCode(kExitUnsuitableSystem);
        ShowMessage(g_setup.hInstance, hwnd, IDS_WINDOWS_TOO_OLD, g_setup.warningCaption, kStyleNotice, kVireo,
                    kVireo);
        RefreshMain();
        EndInstallation();
        return;
    }
    SetStatusText(" ");
    SetStatusTextId(IDS_CHECK_CPU);
    SetStatusTextId(IDS_CHECK_RAM);
    SetStatusText(" ");

    g_setup.lptPortCount = CountParallelPorts();
    LogLine("Parallel ports LPT1: to LPT3: found: %u", g_setup.lptPortCount);
    if (g_setup.lptPortCount == 0) {
        SetExitCode(kExitUnsuitableSystem);
        ShowMessage(g_setup.hInstance, hwnd, IDS_NO_PARALLEL_PORT, g_setup.warningCaption, kStyleNotice, kVireo);
        RefreshMain();
        EndInstallation();
        return;
    }
    if (g_options.hasPort || g_options.unattended) {
        if (!TakeGivenPort(hwnd)) return;
    } else if (!ChoosePort(hwnd)) {
        return;
    }

    g_setup.installType = InstallTypeOf(g_setup.windowsDir, g_setup.systemDir);

    char libraryPath[MAX_PATH];
    JoinPath(libraryPath, g_setup.setupDir, "ZEROZ32.DLL");
    g_percentLibrary = LoadLibraryA(libraryPath);
    if (!g_percentLibrary) {
        SetExitCode(kExitProgressLibrary);
        ShowMessage(g_setup.hInstance, hwnd, IDS_PERCENT_DLL_FAILED, g_setup.errorCaption, kStyleNotice, kVireo);
        RefreshMain();
        EndInstallation();
        return;
    }

    uint32_t loaded = ScriptQuery(kOpLoad, 0, g_setup.scriptPath);
    LogLine("Setup script %s: %s", g_setup.scriptPath, loaded == 0 ? "loaded" : "not loaded");
    if (loaded != 0) {
        SetExitCode(kExitScript);
        if (loaded == 1) {
            ShowMessage(g_setup.hInstance, hwnd, IDS_NO_MEMORY, g_setup.errorCaption, kStyleNotice);
        } else {
            ShowMessage(g_setup.hInstance, hwnd, IDS_SCRIPT_FAILED, g_setup.errorCaption, kStyleNotice,
                        g_setup.scriptPath, kVireo);
        }
        RefreshMain();
        UnloadPercentLibrary();
        EndInstallation();
        return;
    }

    // An edited script could have the installer, which runs with full
    // rights, write anywhere: a record that leads out of its place stops
    // the installation before anything of the package is written.
    char outside[kScriptBufferSize * 2];
    if (!ScriptStaysInItsPlaces(outside, sizeof outside)) {
        SetExitCode(kExitScript);
        ShowMessage(g_setup.hInstance, hwnd, IDS_SCRIPT_OUTSIDE, g_setup.errorCaption, kStyleNotice,
                    g_setup.scriptPath, outside, kVireo);
        RefreshMain();
        UnloadPercentLibrary();
        EndInstallation();
        return;
    }

    const char windowsLetter = g_setup.windowsDir[0];

    g_setup.hStatusDlg =
        CreateDialogParamA(g_setup.hInstance, MAKEINTRESOURCEA(IDD_STATUS), hwnd, StatusDlgProc, 0);
    if (!g_setup.hStatusDlg) {
        // Without a usable Percent control the progress dialog cannot exist.
        SetExitCode(kExitProgressLibrary);
        ShowMessage(g_setup.hInstance, hwnd, IDS_PERCENT_DLL_FAILED, g_setup.errorCaption, kStyleNotice, kVireo);
        RefreshMain();
        UnloadPercentLibrary();
        EndInstallation();
        return;
    }

    // Unattended, nobody could answer the cancel question: the dialog shows
    // the progress without its Cancel button.
    if (g_options.unattended) ShowWindow(GetDlgItem(g_setup.hStatusDlg, IDCANCEL), SW_HIDE);

    if (g_options.hasDir || g_options.unattended) {
        if (!TakeGivenDestination(hwnd, windowsLetter)) {
            ShowMessage(g_setup.hInstance, hwnd, IDS_NOT_INSTALLED, g_setup.warningCaption, kStyleNotice, kVireo);
            RefreshMain();
            UnloadPercentLibrary();
            EndInstallation();
            return;
        }
    } else if (!ChooseDestination(hwnd, windowsLetter)) {
        SetExitCode(kExitCancelled);
        ShowMessage(g_setup.hInstance, hwnd, IDS_NOT_INSTALLED, g_setup.warningCaption, kStyleNotice, kVireo);
        RefreshMain();
        UnloadPercentLibrary();
        EndInstallation();
        return;
    }

    if (g_setup.destDir[0] != windowsLetter) {
        char root[4] = {windowsLetter, ':', '\\', '\0'};
        uint32_t freeKb = 0;
        if (DriveFreeKb(root, &freeKb) && freeKb < kWindowsDriveSpaceKb) {
            SetExitCode(kExitDiskSpace);
            ShowMessage(g_setup.hInstance, hwnd, IDS_WINDOWS_DRIVE_FULL, g_setup.warningCaption, kStylePlainNotice,
                        static_cast<int>(static_cast<unsigned char>(windowsLetter)), freeKb, kWindowsDriveSpaceKb,
                        kVireo);
            RefreshMain();
            UnloadPercentLibrary();
            EndInstallation();
            return;
        }
    }

    SetCurrentDirectoryA(g_setup.destDir);

    ShowWindow(g_setup.hStatusDlg, SW_SHOW);
    BOOL copied = CopyPackageFiles(g_setup.hStatusDlg);
    ShowWindow(g_setup.hStatusDlg, SW_HIDE);
    if (!copied) {
        SetExitCode(kExitFileCopy);
        ShowMessage(g_setup.hInstance, hwnd, IDS_NOT_INSTALLED, g_setup.warningCaption, kStyleNotice, kVireo);
        RefreshMain();
        UnloadPercentLibrary();
        EndInstallation();
        return;
    }

    if (!BackupIniFiles()) {
        SetExitCode(kExitIniFiles);
        ShowMessage(g_setup.hInstance, hwnd, IDS_INI_BACKUP_FAILED, g_setup.errorCaption, kStyleNotice, kVireo);
        RefreshMain();
        EndInstallation();
        return;
    }
    SetStatusTextId(IDS_WRITE_INI);
    ClearPrinterSections();
    if (!RegisterPrinter()) {
        SetExitCode(kExitIniFiles);
        ShowMessage(g_setup.hInstance, hwnd, IDS_INI_WRITE_FAILED, g_setup.errorCaption, kStyleNotice, kVireo);
        RefreshMain();
        EndInstallation();
        return;
    }

    char systemBackup[16];
    char winBackup[16];
    FormatText(systemBackup, sizeof systemBackup, "SYSTEM.%03u", g_setup.iniBackupNumber);
    FormatText(winBackup, sizeof winBackup, "WIN.%03u", g_setup.iniBackupNumber);
    SetStatusText(" ");
    ShowMessage(g_setup.hInstance, hwnd, IDS_INI_MODIFIED, g_setup.mainTitle, kStyleNotice, systemBackup,
                winBackup);
    RefreshMain();

    if (!WritePackageSettings()) {
        SetExitCode(kExitSettingsFile);
        ShowMessage(g_setup.hInstance, hwnd, IDS_SETTINGS_FAILED, g_setup.errorCaption, kStyleNotice, kVireo);
        RefreshMain();
        EndInstallation();
        return;
    }

    SetStatusTextId(IDS_ADD_GROUP);
    BOOL groupCreated = CreateProgmanGroup();
    LogLine("Program Manager group \"%s\": %s", "ORVAN Pelora 200/250 Tools", groupCreated ? "created" : "not created");
    WriteUninstallEntry();
    SetStatusText(" ");
    if (groupCreated) {
        ShowMessage(g_setup.hInstance, hwnd, IDS_GROUP_ADDED, g_setup.mainTitle, kStyleNotice, kVireo);
    } else {
        ShowMessage(g_setup.hInstance, hwnd, IDS_GROUP_NOT_ADDED, g_setup.warningCaption, kStyleNotice, kVireo);
    }
    RefreshMain();

    WriteStartupBatch();
    LogLine("Start-up batch file prepared");

    // Installed: the start-up batch file and the driver take effect when
    // Windows restarts. An unattended run never restarts Windows.
    SetSuccessCode(kExitRestartNeeded);
    LogLine("Installed; Windows must be restarted");
    if (g_options.unattended) {
        EndInstallation();
        return;
    }
    RunRestartPrompt(hwnd);
}

// An accepted request leaves the main window as it is while Windows shuts
// down; if the session goes on after all, the main window runs this again.
void RunRestartPrompt(HWND hwnd) {
    for (;;) {
        INT_PTR result = DialogBoxParamA(g_setup.hInstance, MAKEINTRESOURCEA(IDD_RESTART), hwnd, EndDlgProc, 0);
        if (result != IDC_RESTART_WINDOWS) {
            // "Exit Setup" (or a prompt that could not be shown) ends here.
            SetSuccessCode(kExitRestartNeeded);
            EndInstallation();
            return;
        }
        if (RequestWindowsRestart()) {
            SetSuccessCode(kExitSuccess);
            LogLine("Windows is restarting");
            return;
        }
    }
}
