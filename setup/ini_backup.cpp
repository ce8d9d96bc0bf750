// Numbered backups SYSTEM.nnn and WIN.nnn of the two INI files, taken before
// the installer changes them.
#include "config_values.h"
#include "lzcopy.h"
#include "next_start.h"
#include "setup.h"
#include "system_cursor.h"
#include "textutil.h"

namespace {

// A backup name is taken when the file opens for reading.
bool BackupExists(void*, const char* path) {
    OFSTRUCT info;
    HFILE file = OpenFile(path, &info, OF_READ);
    if (file == HFILE_ERROR) return false;
    _lclose(file);
    return true;
}

char g_backupWindowsDir[MAX_PATH + 2];
char g_backupSource[MAX_PATH + 16];
char g_backupTarget[MAX_PATH + 16];

// Windows 95 keeps WIN.INI and the last private INI file in memory and
// writes them out later; a copy made before then would miss the latest
// changes (the fonts' [Fonts] lines among them). Flushing the file's cache
// first writes them out; the flush call always reports FALSE.
BOOL CopyIniFile(const char* iniName, const char* base, uint32_t number) {
    if (!JoinPath(g_backupSource, g_backupWindowsDir, iniName)) return FALSE;
    if (!FormatBackupPath(g_backupTarget, sizeof g_backupTarget, g_backupWindowsDir, base, number)) return FALSE;
    if (CompareNoCase(iniName, "WIN.INI") == 0) {
        WriteProfileStringA(nullptr, nullptr, nullptr);
    } else {
        WritePrivateProfileStringA(nullptr, nullptr, nullptr, g_backupSource);
    }
    BOOL copied = LzCopyFile(g_backupSource, g_backupTarget);
    CancelRestartDeletions(g_backupWindowsDir, g_backupTarget);
    LogLine("Backup of %s as %s: %s", g_backupSource, g_backupTarget, copied ? "made" : "failed");
    return copied;
}

}  // namespace

BOOL BackupIniFiles() {
    HCURSOR previous = SetCursor(SystemCursor(IDC_WAIT));
    BOOL ok = FALSE;
    UINT length = GetWindowsDirectoryA(g_backupWindowsDir, MAX_PATH);
    if (length > 0 && length < MAX_PATH && AppendBackslash(g_backupWindowsDir, sizeof g_backupWindowsDir)) {
        g_setup.iniBackupNumber = ChooseBackupNumber(g_backupWindowsDir, BackupExists, nullptr);
        ok = CopyIniFile("SYSTEM.INI", "SYSTEM", g_setup.iniBackupNumber) &&
             CopyIniFile("WIN.INI", "WIN", g_setup.iniBackupNumber);
    }
    SetCursor(previous);
    return ok;
}
