// Path building and per-file decisions of the installer's copy steps.
// Portable: no Windows headers. Every path is built into a caller's fixed
// buffer and a path that does not fit is refused (false), never cut.
#pragma once

#include <cstddef>
#include <cstdint>

// Longest directory path the tree step builds, and longest source or
// destination path (or destination directory) of the copy step.
constexpr std::size_t kTreePathSize = 68;   // 67 characters and the NUL
constexpr std::size_t kCopyPathSize = 80;   // 79 characters and the NUL

// Install types kept in SetupState::installType.
constexpr std::uint32_t kInstallLocal = 119;
constexpr std::uint32_t kInstallNetwork = 120;

// Results of CopyOrExpandFile.
constexpr int kCopyDone = 0;
constexpr int kCopyNoSource = 2;
constexpr int kCopyNoDestination = 3;
constexpr int kCopyFailed = 5;

// Number of [Dirs] records below the destination directory that the tree step
// creates: every record but the last three (WINDOWS, SYSTEM and "." close the
// section of a package).
std::uint32_t TreeDirectoryCount(std::uint32_t dirCount);

// True when the source name names a compressed TrueType font (".TT_",
// case-sensitive).
bool IsFontSource(const char* sourceName);

// The file read in place of sourceName for the given paper-hopper capacity,
// or sourceName itself when no variant applies.
const char* SourceVariant(const char* sourceName, std::uint32_t hopperCapacity);

// Where the copy step puts the files of a record.
struct DestinationPlaces {
    const char* destDir;     // the chosen destination directory
    const char* windowsDir;
    const char* systemDir;
    const char* fontDir;     // no trailing backslash
    std::uint32_t installType;
};

// Destination path of a record: the font directory for compressed fonts,
// the Windows or system directory for the names WINDOWS and SYSTEM (the
// Windows directory for SYSTEM on a network client), else destDir joined with
// the directory's name; then the destination name. False when it does not fit.
bool BuildDestinationPath(char* dst, std::size_t size, const DestinationPlaces& places,
                          const char* destDirName, const char* destName, const char* sourceName);

// The directory a record's file must stay in: the font directory, the
// Windows or system directory (as BuildDestinationPath chooses), else destDir.
const char* DestinationPlace(const DestinationPlaces& places, const char* destDirName, const char* sourceName);

// True when the record's destination texts can only lead into its place:
// its destination name and, unless it is a font (whose directory's name is
// not used), its directory's name pass IsScriptTextInside; in the Windows,
// system and fonts directories the name is a plain file name.
bool DestinationTextsInside(const char* destDirName, const char* destName, const char* sourceName);

// Source path of a record: setupDir, the source directory's name and the
// source name or its variant. False when it does not fit.
bool BuildSourcePath(char* dst, std::size_t size, const char* setupDir, const char* sourceDirName,
                     const char* sourceName, std::uint32_t hopperCapacity);

// What the copy loop does after an attempt that ended with `result`.
enum class AttemptAction {
    kDone,          // the file is in place
    kAskForDisk,    // the insert-disk prompt
    kAskRetry,      // message 1012 with Retry and Cancel
    kRetrySilently, // try again at once
};

// Number of failed copies in a row that are retried without a word before the
// user is asked (a copy that keeps failing must not spin for ever).
constexpr std::uint32_t kSilentCopyRetries = 3;

// Decides the next step; `failedCopies` counts the results 5 in a row of the
// current file and is reset by every other result and when the user is asked.
AttemptAction NextAttemptAction(int result, std::uint32_t* failedCopies);
