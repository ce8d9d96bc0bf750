#include "config_values.h"

#include <cstring>

#include "textutil.h"

bool FormatBackupPath(char* out, std::size_t size, const char* windowsDir, const char* base, std::uint32_t number) {
    char name[32];
    if (!FormatText(name, sizeof name, "%s.%03u", base, static_cast<unsigned>(number))) return false;
    return JoinPath(out, size, windowsDir, name);
}

std::uint32_t FirstFreeBackupNumber(const char* windowsDir, const char* base, FileExistsFn exists, void* context) {
    char path[300];
    std::uint32_t n = 1;
    for (; n <= kMaxBackupNumber; ++n) {
        if (!FormatBackupPath(path, sizeof path, windowsDir, base, n)) break;
        if (!exists(context, path)) break;
    }
    return n;
}

std::uint32_t CommonBackupNumber(std::uint32_t freeSystem, std::uint32_t freeWin) {
    std::uint32_t n = freeSystem > freeWin ? freeSystem : freeWin;
    return n > kMaxBackupNumber ? 1 : n;
}

std::uint32_t ChooseBackupNumber(const char* windowsDir, FileExistsFn exists, void* context) {
    return CommonBackupNumber(FirstFreeBackupNumber(windowsDir, "SYSTEM", exists, context),
                              FirstFreeBackupNumber(windowsDir, "WIN", exists, context));
}

bool BuildPackageSettings(PackageSettings* s, const char* dest) {
    bool ok = JoinPath(s->spoolDir, dest, "SPOOL");
    ok = JoinPath(s->spoolFileName, dest, "SPOOLER.QUE") && ok;
    ok = CopyText(s->velmDir, dest) && ok;
    std::size_t n = std::strlen(s->velmDir);
    if (n > 0 && s->velmDir[n - 1] == '\\') s->velmDir[n - 1] = '\0';
    return ok;
}

bool BuildUninstallCommand(char* out, std::size_t size, const char* dest) {
    return JoinPath(out, size, dest, "tldelet.exe");
}

bool BuildQuietUninstallCommand(char* out, std::size_t size, const char* command) {
    return FormatText(out, size, "\"%s\" /S", command);
}

bool MakePortKey(char* out, std::size_t size, const char* hardwareKey) {
    bool ok = CopyText(out, size, hardwareKey);
    for (char* p = out; *p; ++p) {
        if (*p == '\\') *p = '&';
    }
    return ok;
}

const char* DeviceNameOf(const char* hardwareId) {
    const char* slash = std::strchr(hardwareId, '\\');
    return slash ? slash + 1 : hardwareId;
}

namespace {
const unsigned char kConfigFlags[4] = {0x40, 0x00, 0x00, 0x00};
}

const DeviceValue kPrinterDeviceValues[] = {
    {kValueString, "Model", "ORVAN Pelora 200", 0},
    {kValueString, "Manufacturer", "ORVAN", 0},
    {kValueString, "DeviceDesc", "ORVAN Pelora 200", 0},
    {kValueString, "Class", "PRINTER", 0},
    {kValueString, "HardwareID", "LPTENUM\\ROVOZIZUDAR_200_OREV766", 0},
    {kValueBinary, "ConfigFlags", kConfigFlags, sizeof kConfigFlags},
    {kValueEnd, nullptr, nullptr, 0},
};

std::uint32_t DeviceValueSize(const DeviceValue* value) {
    if (value->type == kValueString) return static_cast<std::uint32_t>(std::strlen(static_cast<const char*>(value->data)));
    return value->size;
}
