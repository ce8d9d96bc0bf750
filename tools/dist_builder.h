// Builds a distribution set of the package: one folder per diskette (DISK1,
// DISK2, ... after the [Disks] numbers of the setup script), each file of
// [Files] under its source name in the source-directory subfolder that its
// record names, where the installer looks for it, LZ-compressed (SZDD) when
// the record is marked "Y". The setup script and the files that must sit
// beside the installer go to the root of the first diskette.
// Portable host code: no Windows headers.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr int kDistMaxInputDirs = 8;
constexpr int kDistMaxNamedFiles = 64;
constexpr std::size_t kDistPathSize = 1024;

// The time a set's files carry when none is given: 2000-01-01 00:00:00 UTC.
// A diskette's file system holds times from 1980 to 2107.
constexpr std::int64_t kDistDefaultDate = 946684800;
constexpr std::int64_t kDistEarliestDate = 315532800;   // 1980-01-01 00:00:00 UTC
constexpr std::int64_t kDistLatestDate = 4354819199;    // 2107-12-31 23:59:59 UTC

// A file given by name: `name` is looked up like a file of an input folder.
struct DistNamedFile {
    char name[64];
    char path[kDistPathSize];
};

struct DistConfig {
    const char* scriptPath;                      // the TLSETUP.INF to ship
    const char* outDir;                          // receives DISK<n> folders
    const char* inputDirs[kDistMaxInputDirs];    // searched in order
    int inputDirCount;
    DistNamedFile files[kDistMaxNamedFiles];     // searched before the folders
    int fileCount;
    DistNamedFile beside[kDistMaxNamedFiles];    // root of the first diskette, copied as they are
    int besideCount;
    char optional[kDistMaxNamedFiles][64];       // names whose absence is only reported
    int optionalCount;
    const char* manifestPath;                    // optional list of what was written
    const char* manifestBase;                    // folder its originals are named relative to;
                                                 // null: the manifest's own folder
    bool quiet;                                  // no summary on stdout
    std::int64_t date;                           // time of every file and folder written
                                                 // (seconds since 1970, UTC); 0: kDistDefaultDate
};

// The time the set's files carry: config.date, or kDistDefaultDate.
std::int64_t DistDate(const DistConfig& config);

// Gives every file and folder below `folder`, and the folder itself, the
// time `date` (seconds since 1970, UTC) rather than the time they were
// written. kDistOk or kDistWriteFailed (with a message).
int DistStampFolder(const char* folder, std::int64_t date);

// Results of BuildDistribution (messages go to stderr).
enum DistResult : int {
    kDistOk = 0,
    kDistBadScript = 1,     // unreadable, too long or inconsistent script
    kDistMissingInput = 2,  // a file the installer reads is not among the inputs
    kDistWriteFailed = 3,   // an output folder or file could not be written
    kDistConflict = 4,      // two different files would land on one disk path
};

int BuildDistribution(const DistConfig& config);

// The file the installer reads in place of `sourceName` for the given
// paper-hopper capacity, or sourceName itself.
const char* DistSourceVariant(const char* sourceName, std::uint32_t hopperCapacity);

// Turns a [Dirs] name into a '/'-separated path relative to a diskette's
// root ("." and empty parts dropped, "\" taken as separator). False for names
// that cannot lie below a diskette root (drive letters, "..", rooted paths).
bool DistRelativeDir(const char* dirName, char* out, std::size_t outSize);
