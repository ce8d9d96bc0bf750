// The setup-script engine: parses TLSETUP.INF into fixed tables and answers
// numbered questions about it. Portable: no Windows headers. Compiled twice,
// with TLS_UNINSTALLER 0 for the installer and 1 for the uninstaller, whose
// item descriptions and group name are narrower.
#pragma once

#include <cstddef>
#include <cstdint>

#ifndef TLS_UNINSTALLER
#define TLS_UNINSTALLER 0
#endif

constexpr std::size_t kScriptTextSize = 20480;   // bytes read of the script
constexpr std::size_t kScriptLineSize = 100;     // line buffer, NUL included
constexpr std::size_t kScriptBufferSize = 64;    // a caller's buffer holds every field
constexpr std::uint32_t kScriptNotFound = 0xFFFFFFFFu;

#if TLS_UNINSTALLER
constexpr std::size_t kGroupNameSize = 30;
constexpr std::size_t kItemDescriptionSize = 30;
#else
constexpr std::size_t kGroupNameSize = 64;
constexpr std::size_t kItemDescriptionSize = 64;
#endif

struct ApplicationInfo {
    char appName[40];
    char defDir[66];
    std::uint32_t spaceNeeded;
    char groupFile[14];              // "DefPMGroup" before the comma
    char groupName[kGroupNameSize];  // "DefPMGroup" after the comma
};

struct DiskRecord {
    std::uint16_t number;
    char name[50];
};

struct DirRecord {
    std::uint16_t number;
    char name[30];
};

struct FileRecord {
    char destName[50];
    char sourceName[14];
    std::uint16_t sourceDir;
    std::uint16_t disk;
    std::uint16_t destDir;
    std::uint32_t expand;
};

struct ItemRecord {
    char fileName[14];
    char description[kItemDescriptionSize];
    char iconFile[14];
    std::uint16_t iconIndex;
};

constexpr std::size_t kMaxDisks = 16;
constexpr std::size_t kMaxDirs = 32;
constexpr std::size_t kMaxFiles = 512;
constexpr std::size_t kMaxItems = 32;

struct SetupScript {
    ApplicationInfo app;
    std::uint16_t diskCount;
    std::uint16_t dirCount;
    std::uint16_t fileCount;
    std::uint16_t itemCount;
    DiskRecord disks[kMaxDisks];
    DirRecord dirs[kMaxDirs];
    FileRecord files[kMaxFiles];
    ItemRecord items[kMaxItems];
};

extern SetupScript g_setupScript;

// Paper-hopper capacity that selects the bitmap and INI records ("50" when 50,
// "200" otherwise). 200 unless the uninstaller read another from its settings.
extern std::uint32_t g_scriptHopperCapacity;

// Operation codes of ScriptQuery.
enum ScriptOp : std::uint32_t {
    kOpLoad = 0,
    kOpAppName = 1,
    kOpDefDir = 2,
    kOpSpaceNeeded = 3,
    kOpDiskCount = 4,
    kOpDiskName = 5,
    kOpFindDisk = 6,
    kOpDirCount = 7,
    kOpDirName = 8,
    kOpFindDir = 9,
    kOpFileCount = 10,
    kOpFileDestName = 11,
    kOpFileSourceName = 12,
    kOpFileSourceDir = 13,
    kOpFileDestDir = 14,
    kOpFileDisk = 15,
    kOpFileExpand = 16,
    kOpFindFileDir = 17,
    kOpGroupName = 18,
    kOpGroupFile = 19,
    kOpItemCount = 20,
    kOpItemFile = 21,
    kOpItemDescription = 22,
    kOpItemIcon = 23,
};

// The engine's single entry. buffer is the script path for operation 0, the
// name to look up for operation 17, and otherwise receives a text field; it
// must hold kScriptBufferSize bytes when a field is copied into it.
std::uint32_t ScriptQuery(std::uint32_t op, std::uint16_t index, char* buffer);

// Parses a NUL-terminated script text in place into g_setupScript (resets the
// [Application] values and the counts first). Never fails.
void ScriptParseText(char* text);

// Operation 0: reads at most kScriptTextSize bytes of the file at path and
// parses them. 0 loaded, 1 no memory, 2 cannot open. Implemented by the
// platform layer (Windows file functions in the programs).
std::uint32_t ScriptLoadFile(const char* path);
