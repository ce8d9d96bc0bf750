// The options of both programs' command lines. Portable: no Windows headers.
//
// Installer: /S (unattended), /DIR=path, /PORT=LPTn:, /LOG=path and /?.
// Uninstaller: "External" (the unattended mode that older installers start),
// /S (the quiet removal), /LOG=path and /?.
// Options are case-blind and may start with "-" as well as "/"; a value may
// stand in double quotes, and so may a whole option. Options are separated
// by blanks.
#pragma once

#include <cstddef>
#include <cstdint>

// A path given on the command line, NUL included.
constexpr std::size_t kOptionPathSize = 260;

struct CommandOptions {
    bool any;          // an option of this kind was given (not for "External" alone)
    bool unattended;   // /S (either program)
    bool usage;        // /?
    bool external;     // the uninstaller's "External"
    bool hasDir;
    char dir[kOptionPathSize];
    bool hasPort;
    std::uint32_t port;  // n of LPTn, 1-9; 0 when the value names no LPT port
    bool hasLog;
    char log[kOptionPathSize];
};

enum class CommandLineResult {
    kOk,
    kUnknownOption,  // an option the program does not know, or one given twice
    kBadValue,       // an option without its value, or a path too long
};

// Parses the installer's command line (the tail after the program's name).
// `bad` receives the first option that was not understood (may be null).
CommandLineResult ParseInstallerCommandLine(const char* line, CommandOptions* out, char* bad,
                                            std::size_t badSize);

// Parses the uninstaller's command line. A line that holds none of /S, /?
// and /LOG is judged as it always was: silent exactly when the whole line is
// "External" (any case, nothing else), and never an error. With one of
// them, the other words may only be those options and "External".
CommandLineResult ParseUninstallerCommandLine(const char* line, CommandOptions* out, char* bad,
                                              std::size_t badSize);

// True for the uninstaller's "External": the whole line, case-blind.
bool IsExternalWord(const char* line);
