// Diskette images with mtools: the layout is measured here, the FAT12 file
// system is written by mformat, mmd and mcopy (with "-i IMAGE ::" paths, so
// that no drive of an mtools configuration is needed).
#include "disk_image.h"

#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "script_engine.h"
#include "textutil.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

// mformat's layouts of the three sizes: 1 reserved sector, two FATs, the
// root folder, then the clusters.
const DiskFormat kFormats[] = {
    {720, "720 KB", 737280, 1024, 713 * 1024, 112},
    {1440, "1.44 MB", 1474560, 512, 2847 * 512, 224},
    {2880, "2.88 MB", 2949120, 1024, 2863 * 1024, 240},
};

constexpr std::uint32_t kDirEntryBytes = 32;

// The folder in which a set is staged; messages name its folders relative to it.
fs::path g_stage;

std::string Shown(const fs::path& path) {
    return g_stage.empty() ? path.string() : path.lexically_relative(g_stage).string();
}

// Characters of a FAT short name or label besides letters and digits.
bool IsFatCharacter(char c) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) return true;
    return c != '\0' && std::strchr("!#$%&'()-@^_`{}~", c) != nullptr;
}

// An 8.3 name: 1-8 characters, optionally a dot and 1-3 more.
bool Is83Name(const std::string& name) {
    const std::size_t dot = name.find('.');
    const std::size_t base = dot == std::string::npos ? name.size() : dot;
    const std::size_t ext = dot == std::string::npos ? 0 : name.size() - dot - 1;
    if (base < 1 || base > 8 || ext > 3 || (dot != std::string::npos && ext == 0)) return false;
    for (std::size_t i = 0; i < name.size(); ++i)
        if (i != dot && !IsFatCharacter(name[i])) return false;
    return true;
}

std::string Upper(std::string text) {
    for (char& c : text) c = UpperAscii(c);
    return text;
}

std::uint64_t Clusters(std::uint64_t bytes, const DiskFormat& format) {
    return (bytes + format.clusterBytes - 1) / format.clusterBytes * format.clusterBytes;
}

// The folder's entry names, sorted; false (with a message) for names the
// diskette cannot hold as they are.
bool ListFolder(const fs::path& dir, std::vector<std::string>* names) {
    std::error_code ec;
    fs::directory_iterator it(dir, ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) names->push_back(it->path().filename().string());
    if (ec) {
        std::fprintf(stderr, "mkdist: cannot read the folder %s\n", Shown(dir).c_str());
        return false;
    }
    std::sort(names->begin(), names->end(), [](const std::string& a, const std::string& b) {
        return CompareNoCase(a.c_str(), b.c_str()) < 0;
    });
    for (std::size_t i = 0; i < names->size(); ++i) {
        const std::string& name = (*names)[i];
        if (!Is83Name(name)) {
            std::fprintf(stderr, "mkdist: %s: \"%s\" is not an 8.3 name; a diskette image cannot hold it\n",
                         Shown(dir).c_str(), name.c_str());
            return false;
        }
        if (i > 0 && CompareNoCase((*names)[i - 1].c_str(), name.c_str()) == 0) {
            std::fprintf(stderr, "mkdist: %s: \"%s\" and \"%s\" are one name on a diskette\n", Shown(dir).c_str(),
                         (*names)[i - 1].c_str(), name.c_str());
            return false;
        }
    }
    return true;
}

// Adds the clusters of a folder's files and subfolders to *bytes; *entries
// receives the folder's own entry count.
bool MeasureFolder(const fs::path& dir, const DiskFormat& format, std::uint64_t* bytes, std::uint32_t* entries) {
    std::vector<std::string> names;
    if (!ListFolder(dir, &names)) return false;
    *entries = static_cast<std::uint32_t>(names.size());
    for (const std::string& name : names) {
        const fs::path path = dir / name;
        std::error_code ec;
        if (fs::is_directory(path, ec)) {
            std::uint32_t inner = 0;
            if (!MeasureFolder(path, format, bytes, &inner)) return false;
            *bytes += Clusters((inner + 2ull) * kDirEntryBytes, format);   // with "." and ".."
        } else if (fs::is_regular_file(path, ec)) {
            const std::uintmax_t size = fs::file_size(path, ec);
            if (ec) return false;
            *bytes += Clusters(size, format);
        } else {
            std::fprintf(stderr, "mkdist: %s is neither a file nor a folder\n", Shown(path).c_str());
            return false;
        }
    }
    return true;
}

// Runs an mtools command with its input from /dev/null (it never waits for
// an answer); true when it exits with 0.
bool RunTool(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        std::fprintf(stderr, "mkdist: cannot run %s: %s (mtools installed?)\n", argv[0], std::strerror(rc));
        return false;
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return false;
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return true;
    std::fprintf(stderr, "mkdist: %s failed:", argv[0]);
    for (const std::string& a : args) std::fprintf(stderr, " %s", a.c_str());
    std::fprintf(stderr, "\n");
    return false;
}

// Makes the folder's subfolders and copies its files into the image below
// `target` ("::" or "::/DRIVER"), under upper-case names. mcopy dates them
// from its clock (SOURCE_DATE_EPOCH), not from the files on the host.
bool CopyFolder(const fs::path& dir, const std::string& target, const std::string& image) {
    std::vector<std::string> names;
    if (!ListFolder(dir, &names)) return false;
    for (const std::string& name : names) {
        const fs::path path = dir / name;
        const std::string inside = target + "/" + Upper(name);
        std::error_code ec;
        if (fs::is_directory(path, ec)) {
            if (!RunTool({"mmd", "-i", image, inside}) || !CopyFolder(path, inside, image)) return false;
        } else if (!RunTool({"mcopy", "-i", image, path.string(), inside})) {
            return false;
        }
    }
    return true;
}

// mtools' settings for every command: no configured drive is used (images
// are named with -i), no geometry check, no long-name entries, names shown
// as they are stored. The files, folders and volume label that mtools writes
// carry `date` (SOURCE_DATE_EPOCH stands for mtools' clock), and a FAT
// time, which is local time, is written in UTC: the image does not depend
// on the clock, time zone or locale of the machine that makes it.
void SetToolEnvironment(std::int64_t date) {
    setenv("MTOOLSRC", "/dev/null", 1);
    setenv("MTOOLS_SKIP_CHECK", "1", 1);
    setenv("MTOOLS_NO_VFAT", "1", 1);
    setenv("MTOOLS_LOWER_CASE", "0", 1);
    // The host's own formatter: the programs' FormatText has no 64-bit conversion.
    char text[24];
    std::snprintf(text, sizeof text, "%lld", static_cast<long long>(date));
    setenv("SOURCE_DATE_EPOCH", text, 1);
    setenv("TZ", "UTC0", 1);
    setenv("LC_ALL", "C", 1);
}

// FNV-1a, 32 bits.
void HashBytes(std::uint32_t* hash, const void* data, std::size_t size) {
    const unsigned char* p = static_cast<const unsigned char*>(data);
    for (std::size_t i = 0; i < size; ++i) *hash = (*hash ^ p[i]) * 16777619u;
}

// Hashes a folder as the diskette holds it: each entry's name in upper case
// and, for a file, its size and bytes; subfolders in turn. Entries are taken
// in name order. False when something cannot be read.
bool HashFolder(const fs::path& dir, std::uint32_t* hash) {
    std::vector<std::string> names;
    if (!ListFolder(dir, &names)) return false;
    for (const std::string& name : names) {
        const fs::path path = dir / name;
        const std::string upper = Upper(name);
        HashBytes(hash, upper.c_str(), upper.size() + 1);
        std::error_code ec;
        if (fs::is_directory(path, ec)) {
            HashBytes(hash, "/", 1);
            if (!HashFolder(path, hash)) return false;
            HashBytes(hash, "", 1);
            continue;
        }
        std::FILE* f = std::fopen(path.c_str(), "rb");
        if (!f) return false;
        unsigned char buffer[8192];
        std::uint64_t size = 0;
        std::size_t got = 0;
        while ((got = std::fread(buffer, 1, sizeof buffer, f)) > 0) {
            HashBytes(hash, buffer, got);
            size += got;
        }
        const bool failed = std::ferror(f) != 0;
        std::fclose(f);
        if (failed) return false;
        unsigned char length[8];   // little-endian on every host
        for (int i = 0; i < 8; ++i) length[i] = static_cast<unsigned char>(size >> (8 * i));
        HashBytes(hash, length, sizeof length);
    }
    return true;
}

// Moves a file or folder to `to`, replacing it, across file systems too.
bool MoveOver(const fs::path& from, const fs::path& to) {
    std::error_code ec;
    fs::remove_all(to, ec);
    fs::create_directories(to.parent_path(), ec);
    fs::rename(from, to, ec);
    if (!ec) return true;
    ec.clear();
    fs::copy(from, to, fs::copy_options::recursive, ec);
    if (ec) {
        std::fprintf(stderr, "mkdist: cannot move %s to %s: %s\n", from.c_str(), to.c_str(), ec.message().c_str());
        return false;
    }
    return true;
}

// Checks that every disk of the staged set fits, naming each one that does not.
int CheckDisksFit(const fs::path& stage, const DiskFormat& format) {
    int result = kDistOk;
    for (std::uint16_t d = 0; d < g_setupScript.diskCount && d < kMaxDisks; ++d) {
        const DiskRecord& disk = g_setupScript.disks[d];
        char folder[32];
        FormatText(folder, sizeof folder, "DISK%u", disk.number);
        DiskUsage usage = {};
        if (!MeasureDiskFolder((stage / folder).c_str(), format, &usage)) return kDistBadScript;
        if (usage.bytes > format.dataBytes) {
            std::fprintf(stderr,
                         "mkdist: %s (%s) does not fit on a %s diskette: its files and folders need %llu bytes, "
                         "the diskette holds %lu bytes\n",
                         folder, disk.name, format.title, static_cast<unsigned long long>(usage.bytes),
                         static_cast<unsigned long>(format.dataBytes));
            result = kDistDoesNotFit;
        }
        if (usage.rootEntries > format.rootEntries) {
            std::fprintf(stderr,
                         "mkdist: %s (%s) does not fit on a %s diskette: its root folder needs %lu entries "
                         "with the label, the diskette's holds %lu\n",
                         folder, disk.name, format.title, static_cast<unsigned long>(usage.rootEntries),
                         static_cast<unsigned long>(format.rootEntries));
            result = kDistDoesNotFit;
        }
    }
    if (result == kDistDoesNotFit && format.kilobytes != 2880)
        std::fprintf(stderr, "mkdist: nothing written (--capacity 720 or 2880 chooses another diskette)\n");
    else if (result == kDistDoesNotFit)
        std::fprintf(stderr, "mkdist: nothing written\n");
    return result;
}

}  // namespace

const DiskFormat* DiskFormatFor(unsigned kilobytes) {
    for (const DiskFormat& f : kFormats)
        if (f.kilobytes == kilobytes) return &f;
    return nullptr;
}

void DiskVolumeLabel(const char* diskName, char* out, std::size_t outSize) {
    std::size_t n = 0;
    for (const char* p = diskName; *p && n < 11 && n + 1 < outSize; ++p, ++n) {
        const char c = UpperAscii(*p);
        out[n] = c == ' ' || IsFatCharacter(c) ? c : '_';
    }
    while (n > 0 && out[n - 1] == ' ') --n;
    if (outSize > 0) out[n < outSize ? n : outSize - 1] = '\0';
}

bool MeasureDiskFolder(const char* folder, const DiskFormat& format, DiskUsage* usage) {
    usage->bytes = 0;
    usage->rootEntries = 0;
    if (!MeasureFolder(fs::path(folder), format, &usage->bytes, &usage->rootEntries)) return false;
    ++usage->rootEntries;   // the volume label
    return true;
}

bool DiskSerialNumber(const char* folder, const char* label, std::uint32_t* serial) {
    std::uint32_t hash = 2166136261u;
    HashBytes(&hash, label, std::strlen(label) + 1);
    if (!HashFolder(fs::path(folder), &hash)) return false;
    *serial = hash;
    return true;
}

int WriteDiskImage(const char* folder, const char* image, const char* label, const DiskFormat& format,
                   std::int64_t date) {
    SetToolEnvironment(date);
    std::error_code ec;
    fs::remove(fs::path(image), ec);
    std::uint32_t serial = 0;
    if (DistStampFolder(folder, date) != kDistOk || !DiskSerialNumber(folder, label, &serial)) {
        std::fprintf(stderr, "mkdist: cannot write the diskette image %s\n", image);
        return kDistImageFailed;
    }
    char size[16], serialText[16];
    FormatText(size, sizeof size, "%u", format.kilobytes);
    FormatText(serialText, sizeof serialText, "%08lx", static_cast<unsigned long>(serial));
    std::vector<std::string> args = {"mformat", "-C", "-f", size, "-N", serialText};
    if (label[0]) {
        args.push_back("-v");
        args.push_back(label);
    }
    args.push_back("-i");
    args.push_back(image);
    args.push_back("::");
    if (RunTool(args) && CopyFolder(fs::path(folder), "::", image) &&
        fs::file_size(fs::path(image), ec) == format.imageBytes && !ec)
        return kDistOk;
    std::fprintf(stderr, "mkdist: cannot write the diskette image %s\n", image);
    fs::remove(fs::path(image), ec);
    return kDistImageFailed;
}

int BuildDistributionImages(const DistConfig& config, const DiskFormat& format) {
    std::error_code ec;
    fs::path out = fs::absolute(fs::path(config.outDir), ec).lexically_normal();
    if (!out.has_filename()) out = out.parent_path();   // a trailing '/'
    if (ec || out.filename().empty()) {
        std::fprintf(stderr, "mkdist: cannot use %s as the output folder\n", config.outDir);
        return kDistWriteFailed;
    }
    // The set is built beside the output folder first.
    fs::create_directories(out.parent_path(), ec);
    std::string stageName = (out.parent_path() / ("." + out.filename().string() + ".mkdist-XXXXXX")).string();
    if (!mkdtemp(&stageName[0])) {
        std::fprintf(stderr, "mkdist: cannot create a folder beside %s\n", out.c_str());
        return kDistWriteFailed;
    }
    const fs::path stage(stageName);
    const std::string stagedManifest = (stage / "manifest.txt").string();
    DistConfig staged = config;
    staged.outDir = stageName.c_str();
    // The manifest is written in the stage and names the originals relative
    // to the folder it is moved to.
    std::string manifestBase;
    if (config.manifestPath) {
        staged.manifestPath = stagedManifest.c_str();
        manifestBase = fs::absolute(fs::path(config.manifestPath), ec).lexically_normal().parent_path().string();
        if (!config.manifestBase) staged.manifestBase = manifestBase.c_str();
    }

    int result = BuildDistribution(staged);
    if (result == kDistOk && ScriptLoadFile(config.scriptPath) != 0) result = kDistBadScript;
    g_stage = stage;
    if (result == kDistOk) result = CheckDisksFit(stage, format);
    g_stage.clear();
    // Into place: each disk folder, its old image removed, the manifest.
    for (std::uint16_t d = 0; result == kDistOk && d < g_setupScript.diskCount && d < kMaxDisks; ++d) {
        char folder[32], imageName[32];
        FormatText(folder, sizeof folder, "DISK%u", g_setupScript.disks[d].number);
        FormatText(imageName, sizeof imageName, "DISK%u.IMG", g_setupScript.disks[d].number);
        fs::remove(out / imageName, ec);
        if (!MoveOver(stage / folder, out / folder)) result = kDistWriteFailed;
    }
    if (result == kDistOk && config.manifestPath && !MoveOver(fs::path(stagedManifest), fs::path(config.manifestPath)))
        result = kDistWriteFailed;
    fs::remove_all(stage, ec);

    for (std::uint16_t d = 0; result == kDistOk && d < g_setupScript.diskCount && d < kMaxDisks; ++d) {
        const DiskRecord& disk = g_setupScript.disks[d];
        char folder[32], imageName[32], label[12];
        FormatText(folder, sizeof folder, "DISK%u", disk.number);
        FormatText(imageName, sizeof imageName, "DISK%u.IMG", disk.number);
        DiskVolumeLabel(disk.name, label, sizeof label);
        result = WriteDiskImage((out / folder).c_str(), (out / imageName).c_str(), label, format, DistDate(config));
        DiskUsage usage = {};
        if (result == kDistOk && !config.quiet && MeasureDiskFolder((out / folder).c_str(), format, &usage))
            std::printf("mkdist: %s: %s diskette \"%s\", %llu of %lu bytes used\n", imageName, format.title, label,
                        static_cast<unsigned long long>(usage.bytes), static_cast<unsigned long>(format.dataBytes));
    }
    return result;
}
