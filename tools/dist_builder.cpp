// Distribution set builder: plans where each file of the setup script goes
// with the same script engine as the installer, then writes the diskettes.
#include "dist_builder.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "clearable_dir.h"
#include "script_engine.h"
#include "szdd.h"
#include "textutil.h"

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kRelSize = 512;
constexpr std::size_t kMaxPlacements = 2 * kMaxFiles + kDistMaxNamedFiles + 8;
constexpr std::size_t kFloppyBytes = 1457664;   // a 1.44 MB diskette
constexpr std::uint32_t kInstallerHopper = 200;
constexpr std::uint32_t kOtherHopper = 50;

struct Placement {
    char rel[kRelSize];          // disk folder, subfolders and name, '/'-separated
    char input[kDistPathSize];   // the original file on the host
    bool compress;               // written in SZDD form
    char lastChar;               // for the SZDD header
    std::uint16_t disk;
};

Placement g_plan[kMaxPlacements];
std::size_t g_planCount;

struct VariantRow {
    const char* name;
    std::uint32_t hopper;
    const char* variant;
};

const VariantRow kVariants[] = {
    {"VELMPS.WPD", 200, "VELMPS.200"},
    {"VELMPS.PPD", 200, "PL200.PPD"},
    {"VELMPS.PPD", 50, "PL50.PPD"},
};

bool JoinHost(char* dst, std::size_t size, const char* a, const char* b) {
    if (!a[0]) return CopyText(dst, size, b);
    std::size_t la = std::strlen(a);
    int n = std::snprintf(dst, size, "%s%s%s", a, a[la - 1] == '/' ? "" : "/", b);
    return n >= 0 && static_cast<std::size_t>(n) < size;
}

bool IsFile(const char* path) {
    std::error_code ec;
    return fs::is_regular_file(fs::path(path), ec);
}

// Finds `name` in folder `dir` without regard to case (an exact match wins).
bool FindEntryNoCase(const char* dir, const char* name, char* out, std::size_t outSize) {
    char exact[kDistPathSize];
    if (!JoinHost(exact, sizeof exact, dir, name)) return false;
    std::error_code ec;
    if (fs::exists(fs::path(exact), ec)) return CopyText(out, outSize, exact);
    fs::directory_iterator it(fs::path(dir[0] ? dir : "."), ec);
    if (ec) return false;
    // Of several entries that differ only in case, the first in byte order,
    // whatever order the file system lists them in.
    std::string best;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec) return false;
        std::string entry = it->path().filename().string();
        if (CompareNoCase(entry.c_str(), name) == 0 && (best.empty() || entry < best)) best = entry;
    }
    return !best.empty() && JoinHost(out, outSize, dir, best.c_str());
}

// Resolves a '/'-separated relative path below dir, component by component,
// without regard to case; the result must be a regular file.
bool ResolveNoCase(const char* dir, const char* rel, char* out, std::size_t outSize) {
    char current[kDistPathSize];
    if (!CopyText(current, sizeof current, dir)) return false;
    char part[kDistPathSize];
    const char* p = rel;
    while (*p) {
        const char* slash = std::strchr(p, '/');
        std::size_t len = slash ? static_cast<std::size_t>(slash - p) : std::strlen(p);
        if (len > 0) {
            if (!CopyTextN(part, sizeof part, p, len)) return false;
            char next[kDistPathSize];
            if (!FindEntryNoCase(current, part, next, sizeof next)) return false;
            CopyText(current, sizeof current, next);
        }
        p += len;
        if (*p == '/') ++p;
    }
    if (!IsFile(current)) return false;
    return CopyText(out, outSize, current);
}

bool ReadWholeFile(const char* path, std::uint8_t** data, std::size_t* size) {
    *data = nullptr;
    *size = 0;
    std::FILE* f = std::fopen(path, "rb");
    if (!f) return false;
    std::fseek(f, 0, SEEK_END);
    long end = std::ftell(f);
    std::fseek(f, 0, SEEK_SET);
    if (end < 0) {
        std::fclose(f);
        return false;
    }
    std::size_t length = static_cast<std::size_t>(end);
    std::uint8_t* buffer = static_cast<std::uint8_t*>(std::malloc(length ? length : 1));
    if (!buffer) {
        std::fclose(f);
        return false;
    }
    std::size_t got = std::fread(buffer, 1, length, f);
    std::fclose(f);
    if (got != length) {
        std::free(buffer);
        return false;
    }
    *data = buffer;
    *size = length;
    return true;
}

bool WriteWholeFile(const char* path, const std::uint8_t* data, std::size_t size) {
    std::FILE* f = std::fopen(path, "wb");
    if (!f) return false;
    bool ok = std::fwrite(data, 1, size, f) == size;
    if (std::fclose(f) != 0) ok = false;
    return ok;
}

bool SameContents(const char* a, const char* b) {
    std::uint8_t* da = nullptr;
    std::uint8_t* db = nullptr;
    std::size_t sa = 0, sb = 0;
    bool same = ReadWholeFile(a, &da, &sa) && ReadWholeFile(b, &db, &sb) && sa == sb &&
                (sa == 0 || std::memcmp(da, db, sa) == 0);
    std::free(da);
    std::free(db);
    return same;
}

bool IsOptional(const DistConfig& config, const char* name) {
    for (int i = 0; i < config.optionalCount; ++i)
        if (CompareNoCase(config.optional[i], name) == 0) return true;
    return false;
}

// Looks a file up by name: the named files first, then each input folder, in
// the record's source subfolder and at the folder's top.
bool FindInput(const DistConfig& config, const char* name, const char* relDir, char* out, std::size_t outSize) {
    for (int i = 0; i < config.fileCount; ++i) {
        if (CompareNoCase(config.files[i].name, name) == 0 && IsFile(config.files[i].path))
            return CopyText(out, outSize, config.files[i].path);
    }
    char rel[kRelSize];
    for (int i = 0; i < config.inputDirCount; ++i) {
        if (relDir[0] && JoinHost(rel, sizeof rel, relDir, name) &&
            ResolveNoCase(config.inputDirs[i], rel, out, outSize))
            return true;
        if (ResolveNoCase(config.inputDirs[i], name, out, outSize)) return true;
    }
    return false;
}

// Adds a placement; the same disk path twice is accepted only for the same
// bytes written the same way.
int AddPlacement(const char* rel, const char* input, bool compress, char lastChar, std::uint16_t disk) {
    for (std::size_t i = 0; i < g_planCount; ++i) {
        Placement& p = g_plan[i];
        if (CompareNoCase(p.rel, rel) != 0) continue;
        if (p.compress == compress && (std::strcmp(p.input, input) == 0 || SameContents(p.input, input)))
            return kDistOk;
        std::fprintf(stderr, "mkdist: %s would hold both %s (%s) and %s (%s)\n", rel, p.input,
                     p.compress ? "compressed" : "copied", input, compress ? "compressed" : "copied");
        return kDistConflict;
    }
    if (g_planCount >= kMaxPlacements) {
        std::fprintf(stderr, "mkdist: too many files\n");
        return kDistBadScript;
    }
    Placement& p = g_plan[g_planCount];
    if (!CopyText(p.rel, rel) || !CopyText(p.input, input)) {
        std::fprintf(stderr, "mkdist: path too long: %s\n", rel);
        return kDistBadScript;
    }
    p.compress = compress;
    p.lastChar = lastChar;
    p.disk = disk;
    ++g_planCount;
    return kDistOk;
}

// The script text must reach the installer whole: it reads 20480 bytes and
// skips lines longer than 99 characters.
int CheckScriptText(const char* path) {
    std::uint8_t* text = nullptr;
    std::size_t size = 0;
    if (!ReadWholeFile(path, &text, &size)) {
        std::fprintf(stderr, "mkdist: cannot read %s\n", path);
        return kDistBadScript;
    }
    int result = kDistOk;
    if (size > kScriptTextSize) {
        std::fprintf(stderr, "mkdist: %s has %zu bytes; the installer reads only %zu\n", path, size,
                     kScriptTextSize);
        result = kDistBadScript;
    }
    std::size_t lineStart = 0;
    int lineNo = 1;
    for (std::size_t i = 0; i <= size && result == kDistOk; ++i) {
        if (i == size || text[i] == '\n') {
            std::size_t len = i - lineStart;
            if (len > 0 && text[i - 1] == '\r') --len;
            if (len >= kScriptLineSize) {
                std::fprintf(stderr, "mkdist: %s line %d is longer than %zu characters\n", path, lineNo,
                             kScriptLineSize - 1);
                result = kDistBadScript;
            }
            lineStart = i + 1;
            ++lineNo;
        }
    }
    std::free(text);
    return result;
}

// The number of the line on which [Dirs] entry `position` stands: the first
// line after which the engine's reading of the text holds that entry. 0 when
// none does. Leaves the engine's tables holding that part of the script.
int DirEntryLine(const char* path, std::uint32_t position) {
    std::uint8_t* text = nullptr;
    std::size_t size = 0;
    if (!ReadWholeFile(path, &text, &size)) return 0;
    if (size > kScriptTextSize) size = kScriptTextSize;
    char* part = static_cast<char*>(std::malloc(size + 1));
    int found = 0;
    int lineNo = 0;
    for (std::size_t i = 0; part && i <= size && !found; ++i) {
        if (i < size && text[i] != '\n') continue;
        ++lineNo;
        std::size_t length = i < size ? i + 1 : size;
        std::memcpy(part, text, length);
        part[length] = '\0';
        ScriptParseText(part);
        if (g_setupScript.dirCount > position) found = lineNo;
    }
    std::free(part);
    std::free(text);
    return found;
}

// The uninstaller empties the directory of [Dirs] entry 1 and passes over
// one that could be anything but a subdirectory of the installation
// directory (the Windows directory, the installation directory, a path
// elsewhere): such a script is refused.
int CheckClearedDir(const char* path) {
    if (ScriptQuery(kOpDirCount, 0, nullptr) < 2) return kDistOk;
    char entry[kScriptBufferSize] = "";
    ScriptQuery(kOpDirName, 1, entry);
    if (IsClearableDirText(entry)) return kDistOk;
    std::fprintf(stderr,
                 "mkdist: %s line %d: [Dirs] entry \"%s\" is the directory that the uninstaller empties; it must "
                 "name a subdirectory of the installation directory\n",
                 path, DirEntryLine(path, 1), entry);
    return kDistBadScript;
}

// Plans the files of one reading of the script (one hopper capacity).
int PlanRecords(const DistConfig& config, std::uint32_t hopper, bool required) {
    g_scriptHopperCapacity = hopper;
    if (ScriptLoadFile(config.scriptPath) != 0) {
        std::fprintf(stderr, "mkdist: cannot load %s\n", config.scriptPath);
        return kDistBadScript;
    }
    const std::uint32_t count = ScriptQuery(kOpFileCount, 0, nullptr);
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint16_t index = static_cast<std::uint16_t>(i);
        char dest[kScriptBufferSize], source[kScriptBufferSize], sourceDir[kScriptBufferSize];
        char destDir[kScriptBufferSize], diskName[kScriptBufferSize];
        ScriptQuery(kOpFileDestName, index, dest);
        ScriptQuery(kOpFileSourceName, index, source);
        std::uint32_t sourceDirNumber = ScriptQuery(kOpFileSourceDir, index, sourceDir);
        std::uint32_t destDirNumber = ScriptQuery(kOpFileDestDir, index, destDir);
        std::uint32_t disk = ScriptQuery(kOpFileDisk, index, diskName);
        const bool expand = ScriptQuery(kOpFileExpand, index, nullptr) != 0;
        if (ScriptQuery(kOpFindDir, static_cast<std::uint16_t>(sourceDirNumber), nullptr) == kScriptNotFound ||
            ScriptQuery(kOpFindDir, static_cast<std::uint16_t>(destDirNumber), nullptr) == kScriptNotFound) {
            std::fprintf(stderr, "mkdist: %s: [Files] names a directory that [Dirs] does not list\n", dest);
            return kDistBadScript;
        }
        if (ScriptQuery(kOpFindDisk, static_cast<std::uint16_t>(disk), nullptr) == kScriptNotFound) {
            std::fprintf(stderr, "mkdist: %s: disk %u is not in [Disks]\n", dest, disk);
            return kDistBadScript;
        }
        char relDir[kRelSize];
        if (!DistRelativeDir(sourceDir, relDir, sizeof relDir)) {
            std::fprintf(stderr, "mkdist: %s: source directory \"%s\" cannot lie on a diskette\n", dest, sourceDir);
            return kDistBadScript;
        }
        const char* diskFile = DistSourceVariant(source, hopper);
        const bool isVariant = diskFile != source;
        char input[kDistPathSize];
        // The input is found under the name on the diskette, then under that
        // name with the character a compressed name lost ("VIREO.EX_" read
        // as "VIREO.EXE"), then, unless a variant is read, under the
        // destination name.
        bool found = FindInput(config, diskFile, relDir, input, sizeof input);
        std::size_t destLen = std::strlen(dest);
        char lastChar = destLen ? dest[destLen - 1] : '\0';
        std::size_t diskLen = std::strlen(diskFile);
        if (!found && diskLen > 0 && diskFile[diskLen - 1] == '_' && lastChar) {
            char restored[kScriptBufferSize];
            CopyText(restored, diskFile);
            restored[diskLen - 1] = lastChar;
            found = FindInput(config, restored, relDir, input, sizeof input);
        }
        if (!found && !isVariant) found = FindInput(config, dest, relDir, input, sizeof input);
        if (!found && CompareNoCase(diskFile, "TLSETUP.INF") == 0)
            found = CopyText(input, sizeof input, config.scriptPath);
        if (!found) {
            if (!required) {
                if (!config.quiet)
                    std::printf("mkdist: note: %s (hopper %u only) not among the inputs, left out\n", diskFile,
                                hopper);
                continue;
            }
            if (IsOptional(config, dest) || IsOptional(config, diskFile)) {
                std::fprintf(stderr, "mkdist: warning: %s not among the inputs, left out of the set\n", diskFile);
                continue;
            }
            std::fprintf(stderr, "mkdist: no input file for %s (record %s)\n", diskFile, dest);
            return kDistMissingInput;
        }
        char diskDir[32];
        FormatText(diskDir, sizeof diskDir, "DISK%u", disk);
        char rel[kRelSize], tail[kRelSize];
        if (!JoinHost(tail, sizeof tail, relDir, diskFile) || !JoinHost(rel, sizeof rel, diskDir, tail)) {
            std::fprintf(stderr, "mkdist: path too long for %s\n", diskFile);
            return kDistBadScript;
        }
        int r = AddPlacement(rel, input, expand, lastChar, static_cast<std::uint16_t>(disk));
        if (r != kDistOk) return r;
    }
    return kDistOk;
}

// Checks of the script that do not stop the build.
void WarnAboutLayout() {
    const std::uint32_t count = ScriptQuery(kOpFileCount, 0, nullptr);
    bool fontSeen = false;
    for (std::uint32_t i = 0; i < count; ++i) {
        char source[kScriptBufferSize];
        ScriptQuery(kOpFileSourceName, static_cast<std::uint16_t>(i), source);
        const bool font = std::strstr(source, ".TT_") != nullptr;
        if (font && count - i > 31)
            std::fprintf(stderr, "mkdist: warning: font %s lies more than 31 records before the end of [Files]\n",
                         source);
        if (!font && fontSeen)
            std::fprintf(stderr, "mkdist: warning: %s follows a font; fonts are named from the end of [Files]\n",
                         source);
        fontSeen = fontSeen || font;
    }
}

int CheckItems() {
    const std::uint32_t items = ScriptQuery(kOpItemCount, 0, nullptr);
    for (std::uint32_t i = 0; i < items; ++i) {
        char file[kScriptBufferSize];
        if (ScriptQuery(kOpItemFile, static_cast<std::uint16_t>(i), file) == kScriptNotFound) {
            std::fprintf(stderr, "mkdist: [PM Info] item %s is not a [Files] destination\n", file);
            return kDistBadScript;
        }
    }
    return kDistOk;
}

int WritePlacement(const DistConfig& config, const Placement& p, std::FILE* manifest, std::size_t* bytes) {
    char out[kDistPathSize];
    if (!JoinHost(out, sizeof out, config.outDir, p.rel)) return kDistWriteFailed;
    std::error_code ec;
    fs::create_directories(fs::path(out).parent_path(), ec);
    if (ec) {
        std::fprintf(stderr, "mkdist: cannot create the folder of %s\n", out);
        return kDistWriteFailed;
    }
    std::uint8_t* data = nullptr;
    std::size_t size = 0;
    if (!ReadWholeFile(p.input, &data, &size)) {
        std::fprintf(stderr, "mkdist: cannot read %s\n", p.input);
        return kDistMissingInput;
    }
    // An input that is already in SZDD form is shipped as it is.
    const bool compress = p.compress && !SzddHasHeader(data, size);
    int result = kDistOk;
    std::size_t written = size;
    if (compress) {
        std::size_t cap = SzddMaxCompressedSize(size);
        std::uint8_t* packed = static_cast<std::uint8_t*>(std::malloc(cap));
        written = packed ? SzddCompress(data, size, p.lastChar, packed, cap) : 0;
        if (written == 0 || !WriteWholeFile(out, packed, written)) result = kDistWriteFailed;
        std::free(packed);
    } else if (!WriteWholeFile(out, data, size)) {
        result = kDistWriteFailed;
    }
    std::free(data);
    if (result != kDistOk) {
        std::fprintf(stderr, "mkdist: cannot write %s\n", out);
        return result;
    }
    *bytes += written;
    if (manifest) {
        // The original relative to the manifest's folder, so that the
        // manifest does not depend on where the trees lie.
        std::error_code aec;
        fs::path abs = fs::absolute(fs::path(p.input), aec).lexically_normal();
        const char* baseText = config.manifestBase ? config.manifestBase : config.manifestPath;
        fs::path base = fs::absolute(fs::path(baseText), aec).lexically_normal();
        if (!config.manifestBase) base = base.parent_path();
        fs::path rel = abs.lexically_relative(base);
        std::fprintf(manifest, "%c\t%s\t%s\n", compress ? 'Y' : 'N', p.rel,
                     aec || rel.empty() ? p.input : rel.generic_string().c_str());
    }
    return kDistOk;
}

// Gives a file or folder the set's time as its modification and access time.
bool StampEntry(const fs::path& path, std::int64_t date) {
    struct timespec times[2];
    times[0].tv_sec = static_cast<time_t>(date);
    times[0].tv_nsec = 0;
    times[1] = times[0];
    return utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW) == 0;
}

}  // namespace

int DistStampFolder(const char* folder, std::int64_t date) {
    std::error_code ec;
    bool ok = true;
    fs::recursive_directory_iterator it(fs::path(folder), ec);
    for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
        ok = StampEntry(it->path(), date) && ok;
    if (ec || !ok || !StampEntry(fs::path(folder), date)) {
        std::fprintf(stderr, "mkdist: cannot set the times of the files in %s\n", folder);
        return kDistWriteFailed;
    }
    return kDistOk;
}

std::int64_t DistDate(const DistConfig& config) { return config.date > 0 ? config.date : kDistDefaultDate; }

const char* DistSourceVariant(const char* sourceName, std::uint32_t hopperCapacity) {
    const std::uint32_t hopper = hopperCapacity == 50 ? 50 : 200;
    for (const VariantRow& row : kVariants)
        if (row.hopper == hopper && CompareNoCase(row.name, sourceName) == 0) return row.variant;
    return sourceName;
}

bool DistRelativeDir(const char* dirName, char* out, std::size_t outSize) {
    if (!out || outSize == 0) return false;
    out[0] = '\0';
    if (!dirName || dirName[0] == '\\' || dirName[0] == '/' || std::strchr(dirName, ':')) return false;
    std::size_t used = 0;
    const char* p = dirName;
    while (*p) {
        std::size_t len = std::strcspn(p, "\\/");
        if (len == 2 && p[0] == '.' && p[1] == '.') return false;
        if (len > 0 && !(len == 1 && p[0] == '.')) {
            if (used + len + 2 > outSize) return false;
            if (used) out[used++] = '/';
            std::memcpy(out + used, p, len);
            used += len;
            out[used] = '\0';
        }
        p += len;
        if (*p) ++p;
    }
    return true;
}

int BuildDistribution(const DistConfig& config) {
    g_planCount = 0;
    int result = CheckScriptText(config.scriptPath);
    if (result != kDistOk) return result;
    if (ScriptLoadFile(config.scriptPath) != 0 || ScriptQuery(kOpDiskCount, 0, nullptr) == 0) {
        std::fprintf(stderr, "mkdist: %s names no [Disks]\n", config.scriptPath);
        return kDistBadScript;
    }
    result = CheckClearedDir(config.scriptPath);
    if (result != kDistOk) return result;
    const std::uint16_t firstDisk = g_setupScript.disks[0].number;
    char firstDir[32];
    FormatText(firstDir, sizeof firstDir, "DISK%u", firstDisk);

    // Beside the installer: the script, then the files asked for.
    char rel[kRelSize];
    JoinHost(rel, sizeof rel, firstDir, "TLSETUP.INF");
    result = AddPlacement(rel, config.scriptPath, false, 'F', firstDisk);
    for (int i = 0; result == kDistOk && i < config.besideCount; ++i) {
        if (!IsFile(config.beside[i].path)) {
            std::fprintf(stderr, "mkdist: %s does not exist\n", config.beside[i].path);
            return kDistMissingInput;
        }
        if (!JoinHost(rel, sizeof rel, firstDir, config.beside[i].name)) return kDistBadScript;
        result = AddPlacement(rel, config.beside[i].path, false, '\0', firstDisk);
    }
    // What the installer reads (hopper 200), then what only a reading for
    // the 50-sheet hopper names, when the inputs have it.
    if (result == kDistOk) result = PlanRecords(config, kInstallerHopper, true);
    if (result == kDistOk) result = CheckItems();
    if (result == kDistOk) WarnAboutLayout();
    if (result == kDistOk) result = PlanRecords(config, kOtherHopper, false);
    g_scriptHopperCapacity = kInstallerHopper;
    if (result != kDistOk) return result;

    // Write: every diskette folder anew.
    ScriptLoadFile(config.scriptPath);
    const std::uint32_t disks = ScriptQuery(kOpDiskCount, 0, nullptr);
    std::error_code ec;
    fs::create_directories(fs::path(config.outDir), ec);
    for (std::uint32_t d = 0; d < disks; ++d) {
        char diskDir[32], path[kDistPathSize];
        FormatText(diskDir, sizeof diskDir, "DISK%u", g_setupScript.disks[d].number);
        if (!JoinHost(path, sizeof path, config.outDir, diskDir)) return kDistWriteFailed;
        fs::remove_all(fs::path(path), ec);
        fs::create_directories(fs::path(path), ec);
        if (ec) {
            std::fprintf(stderr, "mkdist: cannot create %s\n", path);
            return kDistWriteFailed;
        }
    }
    std::FILE* manifest = nullptr;
    if (config.manifestPath) {
        manifest = std::fopen(config.manifestPath, "w");
        if (!manifest) {
            std::fprintf(stderr, "mkdist: cannot write %s\n", config.manifestPath);
            return kDistWriteFailed;
        }
    }
    std::size_t diskBytes[kMaxDisks] = {};
    for (std::size_t i = 0; i < g_planCount && result == kDistOk; ++i) {
        std::size_t bytes = 0;
        result = WritePlacement(config, g_plan[i], manifest, &bytes);
        for (std::uint32_t d = 0; d < disks && d < kMaxDisks; ++d)
            if (g_setupScript.disks[d].number == g_plan[i].disk) diskBytes[d] += bytes;
    }
    if (manifest && std::fclose(manifest) != 0 && result == kDistOk) result = kDistWriteFailed;
    for (std::uint32_t d = 0; d < disks && result == kDistOk; ++d) {
        char diskDir[32], path[kDistPathSize];
        FormatText(diskDir, sizeof diskDir, "DISK%u", g_setupScript.disks[d].number);
        if (!JoinHost(path, sizeof path, config.outDir, diskDir)) return kDistWriteFailed;
        result = DistStampFolder(path, DistDate(config));
    }
    if (result != kDistOk) return result;
    for (std::uint32_t d = 0; d < disks && d < kMaxDisks; ++d) {
        if (!config.quiet)
            std::printf("mkdist: DISK%u (%s): %zu bytes\n", g_setupScript.disks[d].number,
                        g_setupScript.disks[d].name, diskBytes[d]);
        if (diskBytes[d] > kFloppyBytes)
            std::fprintf(stderr, "mkdist: warning: DISK%u holds more than a 1.44 MB diskette\n",
                         g_setupScript.disks[d].number);
    }
    return kDistOk;
}
