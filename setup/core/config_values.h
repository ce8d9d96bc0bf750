// Names, numbers and values that the installer writes into the Windows
// configuration: INI backup numbering, the package settings, the registry
// values of the printer's device key and of the uninstall entry. Portable:
// no Windows headers.
#pragma once

#include <cstddef>
#include <cstdint>

// --- INI backups: SYSTEM.nnn and WIN.nnn in the Windows directory ---

constexpr std::uint32_t kMaxBackupNumber = 999;

// "<windowsDir>\<base>.nnn" with nnn three digits; false when it does not fit.
bool FormatBackupPath(char* out, std::size_t size, const char* windowsDir, const char* base, std::uint32_t number);

// Answers whether a file exists; context is the caller's.
typedef bool (*FileExistsFn)(void* context, const char* path);

// First n = 1, 2, ... whose "<base>.nnn" does not exist. The search stops at
// kMaxBackupNumber + 1, since any number above kMaxBackupNumber wraps to 1.
std::uint32_t FirstFreeBackupNumber(const char* windowsDir, const char* base, FileExistsFn exists, void* context);

// The common number of a backup pair: the larger of the two free numbers,
// 1 when that is above kMaxBackupNumber.
std::uint32_t CommonBackupNumber(std::uint32_t freeSystem, std::uint32_t freeWin);

// Both probes and the common number.
std::uint32_t ChooseBackupNumber(const char* windowsDir, FileExistsFn exists, void* context);

// --- package settings file PELORASD.INI ---

struct PackageSettings {
    char spoolDir[280];      // dest + "\SPOOL"
    char spoolFileName[280]; // dest + "\SPOOLER.QUE"
    char velmDir[264];       // dest without one trailing "\"
};

bool BuildPackageSettings(PackageSettings* settings, const char* destShortDir);

// --- registry ---

// The uninstall command: dest + "\" (unless it ends in one) + "tldelet.exe".
bool BuildUninstallCommand(char* out, std::size_t size, const char* destShortDir);
// The uninstall command for deployment tools: the command in double quotes
// followed by " /S", the uninstaller's quiet removal.
bool BuildQuietUninstallCommand(char* out, std::size_t size, const char* command);

// The port key: the hardware key with every "\" replaced by "&".
bool MakePortKey(char* out, std::size_t size, const char* hardwareKey);

// Text after the first "\" of a hardware identifier (all of it when it has
// none).
const char* DeviceNameOf(const char* hardwareId);

// Value types of the records, as the registry numbers them.
constexpr std::int32_t kValueString = 1;   // REG_SZ
constexpr std::int32_t kValueBinary = 3;   // REG_BINARY
constexpr std::int32_t kValueEnd = -1;     // closes a table

struct DeviceValue {
    std::int32_t type;
    const char* name;
    const void* data;
    std::uint32_t size;  // bytes written for non-string records
};

// The values of the printer's device key, closed by a kValueEnd record.
extern const DeviceValue kPrinterDeviceValues[];

// Record whose HardwareID names the device key ("HardwareID").
constexpr std::size_t kHardwareIdRecord = 4;

// Bytes written for a record: the text's length without its NUL for strings,
// the stored count otherwise.
std::uint32_t DeviceValueSize(const DeviceValue* value);
