#include "machine_state.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

const char* const kLpt1HardwareKey = "BIOS\\*PNP0400\\0D";
const char* const kLpt2HardwareKey = "BIOS\\*PNP0400\\0E";
const char* const kLongSystemIniKey = "device";
const char* const kLongSystemIniValue =
    "C:\\PROGRA~1\\PRINTERS\\SHARED\\DRIVERS\\VIRTUAL\\PARALLEL\\PORTS\\MONITOR\\"
    "BIDIRECTIONAL\\LEGACY\\ECPLPT.386";

namespace {

bool SetString(HKEY key, const char* name, const char* value) {
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                          static_cast<DWORD>(std::strlen(value) + 1)) == ERROR_SUCCESS;
}

bool CreateKeyWithString(HKEY root, const char* path, const char* name, const char* value) {
    HKEY key;
    if (RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    bool ok = name ? SetString(key, name, value) : true;
    RegCloseKey(key);
    return ok;
}

// Spooler ports live in the local monitor's registry list.
bool SeedSpoolerPorts(int lptPorts) {
    HKEY key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows NT\\CurrentVersion\\Ports", 0, nullptr, 0,
                        KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    bool ok = true;
    for (int n = 1; n <= 3; ++n) {
        char name[8];
        std::snprintf(name, sizeof name, "LPT%d:", n);
        if (n <= lptPorts) {
            ok = SetString(key, name, "") && ok;
        } else {
            RegDeleteValueA(key, name);
        }
    }
    RegCloseKey(key);
    return ok;
}

bool SeedEnum(bool lptEnum) {
    bool ok = CreateKeyWithString(HKEY_LOCAL_MACHINE, "Enum\\BIOS\\*PNP0400\\0D", "PortName", "LPT1") &&
              CreateKeyWithString(HKEY_LOCAL_MACHINE, "Enum\\BIOS\\*PNP0400\\0E", "PortName", "LPT2") &&
              CreateKeyWithString(HKEY_LOCAL_MACHINE, "Enum\\Root\\*PNP0C01\\0000", "DeviceDesc", "System board");
    if (lptEnum) {
        ok = CreateKeyWithString(HKEY_LOCAL_MACHINE, "Enum\\LPTENUM", nullptr, nullptr) && ok;
    } else {
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Enum\\LPTENUM");
    }
    return ok;
}

bool SeedWinIni() {
    bool ok = WriteProfileStringA("windows", "run", "C:\\WINDOWS\\CLOCK.EXE") &&
              WriteProfileStringA("windows", "device", "Generic / Text Only,TTY,LPT1:") &&
              WriteProfileStringA("Fonts", "Courier 10,12,15", "COURE.FON") &&
              WriteProfileStringA("PSCRIPT", "External Printers", "1");
    return ok;
}

bool SeedSystemIni() {
    // Whole sections, so that the commented device line stays a line of its own.
    static const char kBoot[] = "shell=Explorer.exe\0system.drv=system.drv\0drivers=mmsystem.dll\0";
    char enh[512];
    int n = std::snprintf(enh, sizeof enh,
                          "device=*vpicd\n;device=C:\\WINDOWS\\SYSTEM\\VPD.386\n%s=%s\nEMMExclude=C000-CFFF\n",
                          kLongSystemIniKey, kLongSystemIniValue);
    if (n <= 0 || n >= static_cast<int>(sizeof enh) - 1) return false;
    enh[n + 1] = '\0';
    for (char* p = enh; *p; ++p) {
        if (*p == '\n') *p = '\0';
    }
    return WritePrivateProfileSectionA("boot", kBoot, "system.ini") &&
           WritePrivateProfileSectionA("386Enh", enh, "system.ini");
}

}  // namespace

int SeedDynamicData() {
    struct Device {
        const char* subkey;
        const char* hardwareKey;
    };
    static const Device kDevices[] = {
        {"C29A0100", "Root\\*PNP0C01\\0000"},
        {"C29A0200", "BIOS\\*PNP0400\\0D"},
        {"C29A0300", "BIOS\\*PNP0400\\0E"},
    };
    for (const Device& d : kDevices) {
        char path[128];
        std::snprintf(path, sizeof path, "Config Manager\\Enum\\%s", d.subkey);
        if (!CreateKeyWithString(HKEY_DYN_DATA, path, "HardWareKey", d.hardwareKey)) return 1;
    }
    return 0;
}

int SeedMachine(const MachineOptions& options) {
    if (SeedDynamicData() != 0) return 1;
    if (options.volatileOnly) return 0;
    if (!SeedSpoolerPorts(options.lptPorts)) return 2;
    if (!SeedEnum(options.lptEnum)) return 3;
    if (!SeedWinIni()) return 4;
    if (!SeedSystemIni()) return 5;
    return 0;
}
