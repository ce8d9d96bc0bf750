// The package settings file PELORASD.INI in the Windows directory: where the
// package lies, its spool directory and file, its uninstaller and running
// mode. The printer's port device key is registered on the way.
#include "config_values.h"
#include "next_start.h"
#include "setup.h"
#include "textutil.h"

namespace {

char g_settingsPath[MAX_PATH + 16];
PackageSettings g_settings;

BOOL WriteSetting(const char* section, const char* key, const char* value) {
    BOOL written = WritePrivateProfileStringA(section, key, value, g_settingsPath);
    if (key) {
        LogLine("%s [%s] %s=%s: %s", g_settingsPath, section, key, value ? value : "", written ? "written" : "not written");
    } else {
        LogLine("%s [%s]: %s", g_settingsPath, section, written ? "removed" : "not removed");
    }
    return written;
}

}  // namespace

BOOL WritePackageSettings() {
    if (!JoinPath(g_settingsPath, g_setup.windowsDir, "PELORASD.INI")) return FALSE;
    if (!BuildPackageSettings(&g_settings, g_setup.destShortDir)) return FALSE;
    CancelRestartDeletions(g_setup.windowsDir, g_settingsPath);
    if (!WriteSetting("Spooler", "SpoolDir", g_settings.spoolDir) ||
        !WriteSetting("Spooler", "SpoolFileName", g_settings.spoolFileName)) {
        return FALSE;
    }
    if (!WriteSetting("Applications", "VelmDir", g_settings.velmDir) ||
        !WriteSetting("Applications", "DeleteFile", "TLDELET.EXE")) {
        return FALSE;
    }
    RegisterPortDevice();
    if (!WriteSetting("Options", "RunningMode", "3")) return FALSE;
    // A removal cut short keeps its progress in section [Uninstall] of this
    // file, for the run that completes it; the new installation starts anew.
    // The result is not looked at: the section is mostly not there.
    WriteSetting("Uninstall", nullptr, nullptr);
    return TRUE;
}
