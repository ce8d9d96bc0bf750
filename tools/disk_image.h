// Diskette images of a distribution set: each disk folder (DISK1, DISK2, ...)
// written as the FAT12 image of a standard 3.5-inch diskette (DISK1.IMG, ...)
// with mtools: the folder's files and subfolders under their 8.3 names in
// upper case, the volume label made from the disk's [Disks] name. A set whose
// disk does not fit on the chosen diskette is refused before anything is
// written. Host code (POSIX: it runs mformat, mmd and mcopy).
#pragma once

#include <cstddef>
#include <cstdint>

#include "dist_builder.h"

// A standard 3.5-inch diskette and its FAT12 layout as mformat makes it.
struct DiskFormat {
    unsigned kilobytes;          // 720, 1440 or 2880 (mformat -f)
    const char* title;           // "1.44 MB"
    std::uint32_t imageBytes;    // the whole image
    std::uint32_t clusterBytes;  // the unit a file or subfolder takes
    std::uint32_t dataBytes;     // all clusters: what files and subfolders can take
    std::uint32_t rootEntries;   // slots of the root folder, the label's included
};

// mkdist results beyond those of BuildDistribution.
constexpr int kDistDoesNotFit = 5;    // a disk's files do not fit on the diskette
constexpr int kDistImageFailed = 6;   // an image could not be written

// The format of a diskette of that many kilobytes, or null.
const DiskFormat* DiskFormatFor(unsigned kilobytes);

// The volume label of a disk named `diskName` in [Disks]: upper case, cut to
// 11 characters, characters a FAT label cannot hold replaced by '_',
// trailing blanks dropped. `out` holds at least 12 bytes.
void DiskVolumeLabel(const char* diskName, char* out, std::size_t outSize);

// What a folder takes on the diskette: the clusters of its files and of its
// subfolders' directories (bytes), and the entries of its root folder.
struct DiskUsage {
    std::uint64_t bytes;
    std::uint32_t rootEntries;
};

// Measures a disk folder. False, with a message, when a name is not an 8.3
// name, two names differ only in case, or an entry is not a file or folder.
bool MeasureDiskFolder(const char* folder, const DiskFormat& format, DiskUsage* usage);

// The volume serial number of a disk's image: a hash of the label and of the
// folder's names and bytes, so that the same files give the same number and
// another set another. False when the folder cannot be read.
bool DiskSerialNumber(const char* folder, const char* label, std::uint32_t* serial);

// Writes `folder` as the image file `image` (replacing it), its files,
// folders and volume label all dated `date` (seconds since 1970, UTC; the
// folder's own files and subfolders are given that time too). kDistOk or
// kDistImageFailed (with a message; no image is left behind).
int WriteDiskImage(const char* folder, const char* image, const char* label, const DiskFormat& format,
                   std::int64_t date);

// BuildDistribution, followed by an image of each disk beside its folder
// (OUT_DIR/DISK<n>.IMG). The set is built in a folder of its own beside
// OUT_DIR first and moved into OUT_DIR only when every disk fits.
int BuildDistributionImages(const DistConfig& config, const DiskFormat& format);
