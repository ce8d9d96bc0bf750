// Puts a Wine prefix into the state of "a Windows 95-like machine" that the
// tests rely on. Used by seed_machine.exe (run by the test wrapper) and by
// tests that need to reset or vary the state.
#pragma once

struct MachineOptions {
    int lptPorts = 3;          // LPT1: .. LPTn: known to the spooler (0-3)
    bool lptEnum = true;       // HKLM\Enum\LPTENUM exists
    bool volatileOnly = false; // only HKEY_DYN_DATA (rebuilt every session)
};

// Seeds everything the options select; returns 0 on success or the number of
// the first step that failed.
int SeedMachine(const MachineOptions& options);

// Only the dynamic configuration under HKEY_DYN_DATA.
int SeedDynamicData();

// Hardware keys below HKLM\Enum of the two parallel ports the machine has.
extern const char* const kLpt1HardwareKey;  // "BIOS\*PNP0400\0D", PortName LPT1
extern const char* const kLpt2HardwareKey;  // "BIOS\*PNP0400\0E", PortName LPT2

// The long [386Enh] line (more than 99 characters) seeded into SYSTEM.INI.
extern const char* const kLongSystemIniKey;
extern const char* const kLongSystemIniValue;
