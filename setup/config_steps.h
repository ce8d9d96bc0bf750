// Windows-configuration helpers beside the steps declared in setup.h: the
// port search and device key writer of the registry step, the batch-file
// search, and the spooler records of the printer registration.
#pragma once

#include <windows.h>
#include <winspool.h>

#include <cstddef>

#include "config_values.h"

// Looks for the parallel port LPTn (n 1 to 3) in the dynamic configuration;
// 1 with the port's hardware key ("&" for "\") in portKey when found, else 0.
int FindPortHardwareKey(int portNumber, char* portKey, std::size_t portKeySize);

// Writes the device key "Enum\LPTENUM\<device>\<portKey>" with the values of
// table (closed by a kValueEnd record); nothing when Enum\LPTENUM is missing.
// Always 1.
int WritePortDevice(const DeviceValue* table, const char* portKey);

// Reads the open file byte by byte from its current position and returns the
// number of bytes read before the end of the first line that begins with text
// (case-blind), or -1 when no line does or reading fails. lineStart, when
// given, receives the offset of that line's first byte.
long FindBatchLine(HFILE file, const char* text, long* lineStart);

// The records given to AddPrinterDriver (level 3) and AddPrinter (level 2).
void FillDriverInfo(DRIVER_INFO_3A* info);
void FillPrinterInfo(PRINTER_INFO_2A* info);

// Names of the printer and its driver.
extern const char kPrinterName[];
