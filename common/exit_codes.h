// Exit codes of both programs, given when their command line holds one of the
// administrators' options (and by the uninstaller's "External" mode). A run
// without any option ends with 0, as it always did.
#pragma once

constexpr int kExitSuccess = 0;            // done; nothing more is needed
constexpr int kExitUsage = 1;              // command line not understood, or /? shown
constexpr int kExitCancelled = 2;          // the user cancelled, or answered No
constexpr int kExitUnsuitableSystem = 3;   // Windows older than 3.1, or no parallel port
constexpr int kExitPort = 4;               // the port given cannot be used
constexpr int kExitProgressLibrary = 5;    // ZEROZ32.DLL cannot be loaded
constexpr int kExitScript = 6;             // the setup script cannot be loaded
constexpr int kExitDestination = 7;        // the destination cannot be used or created
constexpr int kExitDiskSpace = 8;          // not enough free disk space
constexpr int kExitSourceMissing = 9;      // a package file is not where the set's files are
constexpr int kExitFileCopy = 10;          // a file cannot be copied, expanded or registered
constexpr int kExitIniFiles = 11;          // WIN.INI or SYSTEM.INI cannot be backed up, written or restored
constexpr int kExitSettingsFile = 12;      // the package settings file cannot be written
constexpr int kExitPreviousVersion = 13;   // the previous version cannot be removed
constexpr int kExitProgramRunning = 14;    // a program of the package did not close and the user cancelled
constexpr int kExitRemoval = 15;           // files or directories cannot be removed
constexpr int kExitLog = 16;               // the log file cannot be created
constexpr int kExitRestartNeeded = 3010;   // done; Windows must be restarted
