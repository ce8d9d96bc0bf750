// The printer's device key under Enum\LPTENUM, below the hardware key of the
// chosen parallel port, and the package's entry in the list of installed
// software.
#include "config_steps.h"
#include "full_path.h"
#include "setup.h"
#include "textutil.h"

static_assert(kValueString == REG_SZ, "string records are REG_SZ");
static_assert(kValueBinary == REG_BINARY, "binary records are REG_BINARY");

namespace {

const char kDeviceKey[] = "Enum\\LPTENUM\\ROVOZIZUDAR_200_OREV766";
const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const char kUninstallSubkey[] = "ORVAN Pelora 200/250";
const char kUninstallName[] = "ORVAN Pelora 200/250 Uninstall Utility";

// Levels of keys below the device key that its removal goes through.
constexpr int kKeyTreeDepth = 8;

// Reads a value into a buffer of size bytes, NUL-terminated; false when it is
// missing or does not fit.
bool ReadValue(HKEY key, const char* name, char* buffer, DWORD size, DWORD* type) {
    DWORD bytes = size - 1;
    if (RegQueryValueExA(key, name, nullptr, type, reinterpret_cast<BYTE*>(buffer), &bytes) != ERROR_SUCCESS) {
        return false;
    }
    buffer[bytes < size ? bytes : size - 1] = '\0';
    return true;
}

// Text values are written with their length without the NUL.
void SetText(HKEY key, const char* name, const char* text) {
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), lstrlenA(text));
}

void SetNumber(HKEY key, const char* name, DWORD value) {
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

// Does the device whose HardWareKey is hardwareKey have PortName portName?
bool IsPort(const char* hardwareKey, const char* portName) {
    char path[80];
    if (!JoinPath(path, "Enum", hardwareKey)) return false;
    HKEY device;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &device) != ERROR_SUCCESS) return false;
    char name[60];
    DWORD type = 0;
    bool found = ReadValue(device, "PortName", name, sizeof name, &type) && type == REG_SZ &&
                 CompareNoCase(name, portName) == 0;
    RegCloseKey(device);
    return found;
}

// Deletes a key with every key below it. Windows 95 deletes the subkeys
// with the key; Windows NT refuses a key that still has subkeys, so they
// go first, deepest first. depth bounds the recursion; a subkey that
// cannot be deleted ends the walk, and the key then stays.
bool DeleteKeyTree(HKEY parent, const char* name, int depth) {
    HKEY key;
    if (depth < kKeyTreeDepth && RegOpenKeyExA(parent, name, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        char child[256];
        for (;;) {
            DWORD length = sizeof child;
            if (RegEnumKeyExA(key, 0, child, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
            if (!DeleteKeyTree(key, child, depth + 1)) break;
        }
        RegCloseKey(key);
    }
    return RegDeleteKeyA(parent, name) == ERROR_SUCCESS;
}

}  // namespace

void RemovePortDevice() {
    DeleteKeyTree(HKEY_LOCAL_MACHINE, kDeviceKey, 0);
}

int FindPortHardwareKey(int portNumber, char* portKey, std::size_t portKeySize) {
    char portName[16];
    FormatText(portName, sizeof portName, "LPT%d", portNumber);
    HKEY devices;
    if (RegOpenKeyExA(HKEY_DYN_DATA, "Config Manager\\Enum", 0, KEY_READ, &devices) != ERROR_SUCCESS) return 0;
    int found = 0;
    for (DWORD index = 0; !found; ++index) {
        char subkey[59];
        DWORD length = sizeof subkey;
        LONG rc = RegEnumKeyExA(devices, index, subkey, &length, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_MORE_DATA) continue;  // a name longer than the buffer is not one of ours
        if (rc != ERROR_SUCCESS) break;
        HKEY device;
        if (RegOpenKeyExA(devices, subkey, 0, KEY_READ, &device) != ERROR_SUCCESS) continue;
        char hardwareKey[60];
        DWORD type = 0;
        if (ReadValue(device, "HardWareKey", hardwareKey, sizeof hardwareKey, &type) && IsPort(hardwareKey, portName)) {
            found = MakePortKey(portKey, portKeySize, hardwareKey) ? 1 : 0;
        }
        RegCloseKey(device);
    }
    RegCloseKey(devices);
    return found;
}

int WritePortDevice(const DeviceValue* table, const char* portKey) {
    HKEY enumerator;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Enum\\LPTENUM", 0, KEY_ALL_ACCESS, &enumerator) != ERROR_SUCCESS) return 1;
    const char* deviceName = DeviceNameOf(static_cast<const char*>(table[kHardwareIdRecord].data));
    HKEY device;
    if (RegCreateKeyExA(enumerator, deviceName, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &device, nullptr) !=
        ERROR_SUCCESS) {
        RegCloseKey(enumerator);
        return 1;
    }
    HKEY port;
    if (RegCreateKeyExA(device, portKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &port, nullptr) != ERROR_SUCCESS) {
        RegCloseKey(device);
        RegCloseKey(enumerator);
        return 1;
    }
    for (const DeviceValue* value = table; value->type != kValueEnd; ++value) {
        RegSetValueExA(port, value->name, 0, static_cast<DWORD>(value->type), static_cast<const BYTE*>(value->data),
                       DeviceValueSize(value));
    }
    RegCloseKey(port);
    RegCloseKey(device);
    RegCloseKey(enumerator);
    return 1;
}

int RegisterPortDevice() {
    int portNumber = static_cast<int>(g_setup.selectedPort) - 123;
    if (portNumber < 1 || portNumber > 3) return 0;
    char portKey[64];
    if (!FindPortHardwareKey(portNumber, portKey, sizeof portKey)) return 0;
    WritePortDevice(kPrinterDeviceValues, portKey);
    LogLine("Registry HKLM\\%s\\%s: device values written", kDeviceKey, portKey);
    return 1;
}

void WriteUninstallEntry() {
    char command[300];
    if (!BuildUninstallCommand(command, sizeof command, g_setup.destShortDir)) return;
    // The list of installed software is created when the machine lacks it:
    // a 32-bit program on 64-bit Windows sees it under Wow6432Node, which a
    // machine may not have yet, and without an entry the package could not
    // be removed from the list.
    HKEY list;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &list, nullptr) !=
        ERROR_SUCCESS) {
        return;
    }
    HKEY entry;
    if (RegCreateKeyExA(list, kUninstallSubkey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &entry, nullptr) !=
        ERROR_SUCCESS) {
        RegCloseKey(list);
        return;
    }
    SetText(entry, "DisplayName", kUninstallName);
    SetText(entry, "UninstallString", command);
    char quiet[sizeof command + 16];
    if (BuildQuietUninstallCommand(quiet, sizeof quiet, command)) SetText(entry, "QuietUninstallString", quiet);
    // What deployment and inventory tools read: the version the programs
    // show (without its blank), the maker, where the package lies, its main
    // program's icon and its size; it is removed whole, never changed.
    const char* version = g_setup.versionSuffix;
    while (*version == ' ') ++version;
    SetText(entry, "DisplayVersion", version);
    SetText(entry, "Publisher", kMakerWord);
    char location[MAX_PATH] = "";
    char icon[MAX_PATH];
    if (FullLongPath(g_setup.destShortDir, location, sizeof location)) {
        SetText(entry, "InstallLocation", location);
        if (JoinPath(icon, location, "VIREO.EXE")) SetText(entry, "DisplayIcon", icon);
    }
    SetNumber(entry, "EstimatedSize", g_setup.installedKb);
    SetNumber(entry, "NoModify", 1);
    SetNumber(entry, "NoRepair", 1);
    LogLine("Registry HKLM\\%s\\%s: DisplayName \"%s\", UninstallString \"%s\", QuietUninstallString \"%s\"",
            kUninstallKey, kUninstallSubkey, kUninstallName, command, quiet);
    LogLine("DisplayVersion \"%s\", InstallLocation \"%s\", EstimatedSize %lu KB", version, location,
            static_cast<unsigned long>(g_setup.installedKb));
    RegCloseKey(entry);
    RegCloseKey(list);
}
