// Creation of the destination tree and copying of the package's files, each
// inside the progress dialog, whose Cancel button, once disabled, asks the
// running step to stop at its next checkpoint.
#include "file_install.h"
#include "file_paths.h"
#include "font_names.h"
#include "full_path.h"
#include "messages.h"
#include "next_start.h"
#include "resource.h"
#include "script_engine.h"
#include "script_places.h"
#include "setup.h"
#include "textutil.h"

#include <lzexpand.h>

#include <cstring>

namespace {

constexpr UINT kStyleRetryCancel = 0x1045;  // MB_RETRYCANCEL | MB_ICONINFORMATION | MB_SYSTEMMODAL

// The progress dialog's controls, looked up once per step: the steps touch
// them before every directory and every file, and a lookup by id walks the
// dialog's children each time. A missing control stays null and is skipped,
// as the by-id calls would skip it.
struct StatusControls {
    HWND line1;
    HWND line2;
    HWND bar;
    HWND cancel;
};

StatusControls ControlsOf(HWND dlg) {
    return {GetDlgItem(dlg, IDC_STATUS_LINE1), GetDlgItem(dlg, IDC_STATUS_LINE2), GetDlgItem(dlg, IDC_STATUS_BAR),
            GetDlgItem(dlg, IDCANCEL)};
}

void SetLineText(HWND line, const char* text) {
    if (line) SetWindowTextA(line, text);
}

void SetLineFromTable(HWND line, UINT textId) {
    char text[256];
    if (LoadStringA(g_setup.hInstance, textId, text, sizeof text) <= 0) text[0] = '\0';
    SetLineText(line, text);
}

void SetBarRange(HWND bar, std::uint32_t maximum) {
    if (bar) SendMessageA(bar, kPercentSetRange, static_cast<WPARAM>(maximum), 0);
}

void SetBarPosition(HWND bar, std::uint32_t position) {
    if (bar) SendMessageA(bar, kPercentSetPosition, static_cast<WPARAM>(position), 0);
}

// The user confirmed a cancellation: the dialog has disabled its Cancel
// button. A dialog without the button never asks to stop.
bool CancelConfirmed(HWND cancel) { return cancel != nullptr && !IsWindowEnabled(cancel); }

// What the log adds about a directory, by DirectoryMade.
const char* const kMadeNotes[] = {
    "",
    "",
    ", closed to standard users",
    ", on a network drive: given no access list",
    ", on a file system without access lists: given none",
    ", a drive's root or holding other files: its access list stays as open as it was",
    ", a link: refused",
    ", owned by a standard user or not to be closed: refused",
    ", no administrator rights: refused",
};
static_assert(sizeof kMadeNotes / sizeof *kMadeNotes == int(DirectoryMade::kRefusedRights) + 1,
              "a note for each DirectoryMade");

// Enters the directory, creating it (one level) when it cannot be entered.
// The destination directory itself is made or checked and closed to
// standard users (PrepareDestination); the directories below it inherit
// its access list, but for SPOOL. Nothing is made through a link. Every
// directory used is taken off the lists of the next start of Windows, as
// is every file written.
bool EnterOrCreateDirectory(const char* path, bool destination = false) {
    const bool exists = SetCurrentDirectoryA(path) != FALSE;
    char spool[sizeof g_setup.destDir + 8];
    DirectoryMade made = DirectoryMade::kPlain;
    if (destination) {
        made = PrepareDestination(path, exists);
    } else if (IsLink(path) || ReachedThroughLink(path, g_setup.destDir)) {
        made = DirectoryMade::kRefusedLink;
    } else if (!exists && JoinPath(spool, g_setup.destDir, "SPOOL") && IsSamePath(path, spool)) {
        // Standard users add their files to SPOOL: its list is no closed one.
        made = CreatePackageDirectory(path, PackageList::kSpool);
        if (made == DirectoryMade::kClosed) made = DirectoryMade::kPlain;
    } else if (!exists && !CreateDirectoryA(path, nullptr)) {
        made = DirectoryMade::kFailed;
    }
    if (made == DirectoryMade::kFailed) {
        LogLine("Directory %s: cannot be created (system error %lu)", path, GetLastError());
        return false;
    }
    LogLine("Directory %s: %s%s", path, exists ? "exists" : "created", kMadeNotes[static_cast<int>(made)]);
    if (made >= DirectoryMade::kRefusedLink) return false;
    SetCurrentDirectoryA(path);
    CancelRestartDeletions(g_setup.windowsDir, path);
    return true;
}

// The destination texts of file record i.
struct FileTexts {
    char destName[kScriptBufferSize];
    char sourceName[kScriptBufferSize];
    char destDirName[kScriptBufferSize];
};

void ReadFileTexts(std::uint32_t i, FileTexts* texts) {
    const std::uint16_t position = static_cast<std::uint16_t>(i);
    ScriptQuery(kOpFileDestName, position, texts->destName);
    ScriptQuery(kOpFileSourceName, position, texts->sourceName);
    ScriptQuery(kOpFileDestDir, position, texts->destDirName);
}

// Size of a file in bytes, for the log; 0 when it cannot be found.
unsigned long FileBytes(const char* path) {
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA(path, &found);
    if (find == INVALID_HANDLE_VALUE) return 0;
    FindClose(find);
    return found.nFileSizeLow;
}

// The places of the copy step, with the fonts folder in `fonts`.
DestinationPlaces PlacesOf(char* fonts, std::size_t size) {
    FontDirectoryOf(fonts, size);
    return {g_setup.destDir, g_setup.windowsDir, g_setup.systemDir, fonts, g_setup.installType};
}

void ReportDirectoryFailure(const char* path) {
    SetExitCode(kExitDestination);
    ShowMessage(g_setup.hInstance, g_setup.hMainWnd, IDS_DIR_NOT_CREATED, g_setup.errorCaption, kStyleNotice, path);
}

// Runs the insert-disk prompt for the disk; true when the user pressed OK.
bool AskForDisk(HWND dlg, const char* diskName) {
    INT_PTR answer = DialogBoxParamA(g_setup.hInstance, MAKEINTRESOURCEA(IDD_INSERT_DISK), dlg, InsertDiskDlgProc,
                                     reinterpret_cast<LPARAM>(diskName));
    return answer == IDOK;
}

}  // namespace

BOOL CreateDestinationTree(HWND dlg) {
    const StatusControls controls = ControlsOf(dlg);
    SetLineFromTable(controls.line1, IDS_CREATING_TREE);
    std::uint32_t n = TreeDirectoryCount(ScriptQuery(kOpDirCount, 0, nullptr));
    SetBarPosition(controls.bar, 0);
    SetBarRange(controls.bar, n);
    SetLineText(controls.line2, g_setup.destDir);

    // A script whose paths would lead out of the chosen destination is
    // refused before anything is created, like a destination that cannot
    // be used.
    char outside[MAX_PATH];
    const bool inside = PathsStayInTheirPlaces(outside, sizeof outside);
    if (!inside) LogLine("The script's path %s lies outside its place", outside);
    if (!inside || !EnterOrCreateDirectory(g_setup.destDir, true)) {
        ReportDirectoryFailure(g_setup.destDir);
        return FALSE;
    }

    SetBarPosition(controls.bar, 1);
    BOOL result = TRUE;
    std::uint32_t i = 0;
    for (; i < n; ++i) {
        SetBarPosition(controls.bar, i);
        PumpMessages();
        if (CancelConfirmed(controls.cancel)) {
            SetExitCode(kExitCancelled);
            result = FALSE;
            break;
        }
        char name[kScriptBufferSize];
        ScriptQuery(kOpDirName, static_cast<std::uint16_t>(i), name);
        // Joined in a buffer wide enough for any destDir and name, so that a
        // path beyond the tree's limit can be named in the message.
        char path[sizeof g_setup.destDir + kScriptBufferSize];
        JoinPath(path, g_setup.destDir, name);
        SetLineText(controls.line2, path);
        if (lstrlenA(path) >= static_cast<int>(kTreePathSize) || !EnterOrCreateDirectory(path)) {
            ReportDirectoryFailure(path);
            result = FALSE;
            break;
        }
    }

    // The spooler's queue file, which standard users write: made here so
    // that nobody needs to add files to the installation directory.
    char queue[sizeof g_setup.destDir + 16];
    if (result && JoinPath(queue, g_setup.destDir, "SPOOLER.QUE") && !IsLink(queue)) {
        CreatePackageDirectory(queue, PackageList::kQueue);
        CancelRestartDeletions(g_setup.windowsDir, queue);
    }
    SetBarPosition(controls.bar, i);
    WaitTicks(kProgressHoldMs);
    return result;
}

BOOL CopyPackageFiles(HWND dlg) {
    const StatusControls controls = ControlsOf(dlg);
    PumpMessages();
    PrepareFontDirectory();
    SetLineFromTable(controls.line1, IDS_COPY_FILES);
    std::uint32_t n = ScriptQuery(kOpFileCount, 0, nullptr);
    SetBarPosition(controls.bar, 0);
    SetBarRange(controls.bar, n);

    const DestinationPlaces places = {g_setup.destDir, g_setup.windowsDir, g_setup.systemDir, g_setup.fontDir,
                                      g_setup.installType};
    bool stopped = false;
    std::uint32_t i = 0;
    for (; i < n && !stopped; ++i) {
        std::uint16_t position = static_cast<std::uint16_t>(i);
        FileTexts texts;
        ReadFileTexts(i, &texts);
        const char* sourceName = texts.sourceName;
        char sourceDirName[kScriptBufferSize];
        char diskName[kScriptBufferSize];
        ScriptQuery(kOpFileSourceDir, position, sourceDirName);
        ScriptQuery(kOpFileDisk, position, diskName);
        SetLineText(controls.line2, texts.destName);

        // A file reached through a link is refused like one that cannot be
        // created.
        char destPath[kCopyPathSize];
        const bool destFits =
            BuildDestinationPath(destPath, sizeof destPath, places, texts.destDirName, texts.destName, sourceName) &&
            !ReachedThroughLink(destPath, DestinationPlace(places, texts.destDirName, sourceName));
        const BOOL expand = ScriptQuery(kOpFileExpand, position, nullptr) != 0;

        std::uint32_t failedCopies = 0;
        for (;;) {
            SetBarPosition(controls.bar, i);
            PumpMessages();
            if (CancelConfirmed(controls.cancel)) {
                SetExitCode(kExitCancelled);
                stopped = true;
                break;
            }
            // A path that does not fit its buffer is refused like a
            // destination that cannot be created.
            char sourcePath[kCopyPathSize] = "";
            int result = kCopyNoDestination;
            if (destFits && BuildSourcePath(sourcePath, sizeof sourcePath, g_setup.setupDir, sourceDirName,
                                            sourceName, g_setup.hopperCapacity)) {
                if (IsFontSource(sourceName)) ReleaseEarlierFont(destPath);
                result = CopyOrExpandFile(sourcePath, destPath, expand);
            }

            bool askCancel = false;
            AttemptAction action = NextAttemptAction(result, &failedCopies);
            if (action == AttemptAction::kDone) {
                const unsigned long bytes = FileBytes(destPath);
                g_setup.installedKb += static_cast<uint32_t>((bytes + 1023) / 1024);
                CancelRestartDeletions(g_setup.windowsDir, destPath);
                LogLine("%s %s to %s: %lu bytes", expand ? "Expanded" : "Copied", sourcePath, destPath, bytes);
                break;
            }
            // Unattended, nobody can insert a diskette or answer Retry: a
            // file that is not with the others, or that cannot be written,
            // ends the copying.
            if (g_options.unattended && action != AttemptAction::kRetrySilently) {
                if (action == AttemptAction::kAskForDisk) {
                    LogLine("Source file %s of disk \"%s\" not found (system error %lu)",
                            sourcePath[0] ? sourcePath : sourceName, diskName, GetLastError());
                    SetExitCode(kExitSourceMissing);
                } else {
                    LogLine("File %s cannot be written (system error %lu)", destPath, GetLastError());
                    ShowMessage(g_setup.hInstance, dlg, IDS_CANNOT_CREATE_FILE, g_setup.errorCaption,
                                kStyleRetryCancel);
                    SetExitCode(kExitFileCopy);
                }
                stopped = true;
                break;
            }
            if (action == AttemptAction::kAskForDisk) {
                askCancel = !AskForDisk(dlg, diskName);
            } else if (action == AttemptAction::kAskRetry) {
                askCancel = ShowMessage(g_setup.hInstance, dlg, IDS_CANNOT_CREATE_FILE, g_setup.errorCaption,
                                        kStyleRetryCancel) != IDRETRY;
            }
            if (askCancel) {
                if (ShowMessage(g_setup.hInstance, dlg, IDS_CANCEL_QUESTION, g_setup.warningCaption,
                                kStyleQuestion) == IDYES) {
                    SetExitCode(kExitCancelled);
                    stopped = true;
                    break;
                }
                InvalidateRect(dlg, nullptr, TRUE);
                UpdateWindow(dlg);
                PumpMessages();
            }
        }
        if (stopped) break;

        if (IsFontSource(sourceName)) {
            if (!RegisterTrueTypeFont(i, n, destPath, sourceName)) {
                LogLine("Font %s: not registered (system error %lu)", destPath, GetLastError());
                SetExitCode(kExitFileCopy);
                return FALSE;
            }
            LogLine("Font %s: registered", destPath);
        }
    }

    SetBarPosition(controls.bar, i);
    WaitTicks(kProgressHoldMs);
    return stopped ? FALSE : TRUE;
}

void FontDirectoryOf(char* dir, std::size_t size) {
    if (!CopyText(dir, size, g_setup.fontDir) || (dir[0] == '\0' && !BuildFontDirectory(dir, size, g_setup.windowsDir))) {
        if (size > 0) dir[0] = '\0';
    }
}

bool ScriptStaysInItsPlaces(char* record, std::size_t size) {
    const std::uint32_t dirs = TreeDirectoryCount(ScriptQuery(kOpDirCount, 0, nullptr));
    for (std::uint32_t i = 0; i < dirs; ++i) {
        char name[kScriptBufferSize];
        ScriptQuery(kOpDirName, static_cast<std::uint16_t>(i), name);
        if (!IsScriptTextInside(name)) {
            CopyText(record, size, name);
            return false;
        }
    }
    const std::uint32_t files = ScriptQuery(kOpFileCount, 0, nullptr);
    for (std::uint32_t i = 0; i < files; ++i) {
        FileTexts texts;
        ReadFileTexts(i, &texts);
        if (!DestinationTextsInside(texts.destDirName, texts.destName, texts.sourceName)) {
            FormatText(record, size, "%s\\%s", texts.destDirName, texts.destName);
            return false;
        }
    }
    return true;
}

bool PathsStayInTheirPlaces(char* path, std::size_t size) {
    char fonts[sizeof g_setup.fontDir];
    const DestinationPlaces places = PlacesOf(fonts, sizeof fonts);
    char fullDest[MAX_PATH];
    if (!FullLongPath(g_setup.destDir, fullDest, sizeof fullDest)) {
        CopyText(path, size, g_setup.destDir);
        return false;
    }
    const std::uint32_t dirs = TreeDirectoryCount(ScriptQuery(kOpDirCount, 0, nullptr));
    for (std::uint32_t i = 0; i < dirs; ++i) {
        char name[kScriptBufferSize];
        ScriptQuery(kOpDirName, static_cast<std::uint16_t>(i), name);
        char dir[sizeof g_setup.destDir + kScriptBufferSize];
        JoinPath(dir, g_setup.destDir, name);
        // The tree's first entry is usually the destination itself (".").
        char full[MAX_PATH];
        if (!FullLongPath(dir, full, sizeof full) || !(IsSamePath(full, fullDest) || IsPathBelow(full, fullDest))) {
            CopyText(path, size, dir);
            return false;
        }
    }
    const std::uint32_t files = ScriptQuery(kOpFileCount, 0, nullptr);
    for (std::uint32_t i = 0; i < files; ++i) {
        FileTexts texts;
        ReadFileTexts(i, &texts);
        // A path that does not fit is refused later, file by file.
        char destPath[kCopyPathSize];
        if (!BuildDestinationPath(destPath, sizeof destPath, places, texts.destDirName, texts.destName,
                                  texts.sourceName)) {
            continue;
        }
        if (!IsFullPathBelow(destPath, DestinationPlace(places, texts.destDirName, texts.sourceName))) {
            CopyText(path, size, destPath);
            return false;
        }
    }
    return true;
}

bool IsPackageEntry(const char* path, bool folder) {
    char full[MAX_PATH], place[MAX_PATH], placeFull[MAX_PATH];
    if (!FullLongPath(path, full, sizeof full)) return false;
    if (folder) {
        const std::uint32_t dirs = TreeDirectoryCount(ScriptQuery(kOpDirCount, 0, nullptr));
        for (std::uint32_t i = 0; i < dirs; ++i) {
            char name[kScriptBufferSize];
            ScriptQuery(kOpDirName, static_cast<std::uint16_t>(i), name);
            if (JoinPath(place, g_setup.destDir, name) && FullLongPath(place, placeFull, sizeof placeFull) &&
                IsSamePath(full, placeFull)) {
                return true;
            }
        }
        return false;
    }
    // The spooler's files: its queue and what SPOOL holds.
    const char* const kSpoolerPlaces[] = {"SPOOLER.QUE", "SPOOL"};
    for (const char* name : kSpoolerPlaces) {
        if (JoinPath(place, g_setup.destDir, name) && FullLongPath(place, placeFull, sizeof placeFull) &&
            (IsSamePath(full, placeFull) || IsPathBelow(full, placeFull))) {
            return true;
        }
    }
    char fonts[sizeof g_setup.fontDir];
    const DestinationPlaces places = PlacesOf(fonts, sizeof fonts);
    const std::uint32_t files = ScriptQuery(kOpFileCount, 0, nullptr);
    for (std::uint32_t i = 0; i < files; ++i) {
        FileTexts texts;
        ReadFileTexts(i, &texts);
        // Only a record whose name ends the path is looked at closely.
        const int tail = lstrlenA(full) - lstrlenA(texts.destName);
        if (tail <= 0 || CompareNoCase(full + tail, texts.destName) != 0) continue;
        if (BuildDestinationPath(place, sizeof place, places, texts.destDirName, texts.destName, texts.sourceName) &&
            FullLongPath(place, placeFull, sizeof placeFull) && IsSamePath(full, placeFull)) {
            return true;
        }
    }
    return false;
}

namespace {

bool IsIniFile(const char* path) {
    const std::size_t length = std::strlen(path);
    return length >= 4 && CompareNoCase(path + length - 4, ".INI") == 0;
}

// A file that is a link, or that has other names (hard links), is deleted
// so that a new file takes its name rather than the copy being written
// through to what it shares. False when it stays.
bool ReplaceLinkedFile(const char* path) {
    bool linked = IsLink(path);
    HANDLE file = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        BY_HANDLE_FILE_INFORMATION info;
        linked = linked || (GetFileInformationByHandle(file, &info) && info.nNumberOfLinks > 1);
        CloseHandle(file);
    }
    return !linked || DeleteFileA(path);
}

}  // namespace

int CopyOrExpandFile(const char* sourcePath, char* destPath, BOOL expand) {
    UpperCaseText(destPath);
    if (CompareNoCase(sourcePath, destPath) == 0) return kCopyDone;

    // Windows 95 keeps the last private INI file used (PELORASD.INI, read by
    // the search for a previous version) in its profile cache. An INI file
    // read or replaced here is flushed first: the copy takes its latest
    // text, and the next profile call reads the new file rather than
    // writing an older image over it. The flush call always reports FALSE.
    if (IsIniFile(sourcePath)) WritePrivateProfileStringA(nullptr, nullptr, nullptr, sourcePath);
    if (IsIniFile(destPath)) WritePrivateProfileStringA(nullptr, nullptr, nullptr, destPath);

    // The LZ functions take writable names; the paths are short.
    char source[kCopyPathSize];
    char dest[kCopyPathSize];
    if (!CopyText(source, sourcePath)) return kCopyNoSource;
    if (!CopyText(dest, destPath) || !ReplaceLinkedFile(dest)) return kCopyNoDestination;

    OFSTRUCT sourceInfo = {};
    OFSTRUCT destInfo = {};
    INT from;
    INT to;
    if (expand) {
        from = LZOpenFileA(source, &sourceInfo, OF_READ);
        if (from < 0) return kCopyNoSource;
        to = LZOpenFileA(dest, &destInfo, OF_CREATE | OF_WRITE);
        if (to < 0) {
            LZClose(from);
            return kCopyNoDestination;
        }
    } else {
        HFILE plain = OpenFile(source, &sourceInfo, OF_READ);
        if (plain == HFILE_ERROR) return kCopyNoSource;
        HFILE created = OpenFile(dest, &destInfo, OF_CREATE | OF_WRITE);
        if (created == HFILE_ERROR) {
            _lclose(plain);
            return kCopyNoDestination;
        }
        // LZCopy takes an LZ handle; given a plain one it would make and
        // close its own, closing the file under us. LZInit gives back the
        // plain handle for an ordinary file.
        from = LZInit(plain);
        to = created;
        if (from < 0) {
            _lclose(plain);
            _lclose(created);
            return kCopyFailed;
        }
    }
    LONG copied = LZCopy(from, to);
    LZClose(from);
    LZClose(to);
    return copied < 0 ? kCopyFailed : kCopyDone;
}
