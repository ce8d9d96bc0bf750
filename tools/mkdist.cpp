// mkdist: builds a distribution set (DISK1, DISK2, ...) of the package from a
// folder of files and a setup script. See usage below and the README.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "disk_image.h"
#include "dist_builder.h"
#include "textutil.h"

namespace {

DistConfig g_config;
char g_defaultScript[kDistPathSize];
bool g_images;
unsigned g_capacityKb = 1440;

void Usage() {
    std::fprintf(stderr,
                 "usage: mkdist [options] SOURCE_DIR OUT_DIR\n"
                 "       mkdist --script TLSETUP.INF --out OUT_DIR [--input DIR]... [options]\n"
                 "Builds one folder per diskette (OUT_DIR/DISK<n>) as the setup script's\n"
                 "[Disks] and [Files] say, compressing the records marked Y (SZDD).\n"
                 "  --script FILE        setup script (default SOURCE_DIR/TLSETUP.INF)\n"
                 "  --input DIR          folder of the package's files (repeatable)\n"
                 "  --file NAME=PATH     take PATH as the file NAME (repeatable)\n"
                 "  --beside PATH[=NAME] put PATH beside the installer on the first diskette\n"
                 "  --optional NAME      a missing input NAME is only reported\n"
                 "  --manifest FILE      list every written file and its original (named\n"
                 "                       relative to FILE's folder)\n"
                 "  --images             also write OUT_DIR/DISK<n>.IMG, a FAT12 diskette image of\n"
                 "                       each disk (mtools); a disk that does not fit is refused\n"
                 "                       before anything is written\n"
                 "  --capacity KB        the images' diskette: 720, 1440 (default) or 2880 KB;\n"
                 "                       implies --images\n"
                 "  --date SECONDS       the time (seconds since 1970, UTC) that every file and\n"
                 "                       folder of the set and of its images carries; default\n"
                 "                       SOURCE_DATE_EPOCH, else 2000-01-01 00:00:00 UTC\n"
                 "  --quiet              no summary\n");
}

// Reads a time in seconds since 1970 that a diskette can hold; false
// (with a message naming `what`) otherwise.
bool ReadDate(const char* text, const char* what, std::int64_t* date) {
    std::int64_t value = 0;
    const char* p = text;
    for (; *p >= '0' && *p <= '9' && value <= kDistLatestDate; ++p) value = value * 10 + (*p - '0');
    if (p == text || *p != '\0' || value < kDistEarliestDate || value > kDistLatestDate) {
        std::fprintf(stderr, "mkdist: %s \"%s\" is not a time from 1980 to 2107 in seconds since 1970\n", what,
                     text);
        return false;
    }
    *date = value;
    return true;
}

// Splits "NAME=PATH" (name first) or "PATH=NAME" (path first) into a named file.
bool SplitNamed(const char* arg, bool nameFirst, DistNamedFile* out) {
    const char* eq = nameFirst ? std::strchr(arg, '=') : std::strrchr(arg, '=');
    if (!eq) {
        if (nameFirst) return false;
        const char* slash = std::strrchr(arg, '/');
        return CopyText(out->path, arg) && CopyText(out->name, slash ? slash + 1 : arg);
    }
    const std::size_t left = static_cast<std::size_t>(eq - arg);
    if (nameFirst)
        return CopyTextN(out->name, sizeof out->name, arg, left) && CopyText(out->path, eq + 1);
    return CopyTextN(out->path, sizeof out->path, arg, left) && CopyText(out->name, eq + 1);
}

// One more --file or --beside into `list`; false, with a message, when the
// list is full or the argument is not NAME=PATH.
bool AddNamed(const char* option, const char* arg, bool nameFirst, DistNamedFile* list, int* count) {
    if (*count >= kDistMaxNamedFiles || !SplitNamed(arg, nameFirst, &list[*count])) {
        std::fprintf(stderr, "mkdist: bad %s %s\n", option, arg);
        return false;
    }
    ++*count;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const char* positional[2] = {nullptr, nullptr};
    int positionalCount = 0;
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (std::strcmp(a, "--quiet") == 0) {
            g_config.quiet = true;
        } else if (std::strcmp(a, "--help") == 0 || std::strcmp(a, "-h") == 0) {
            Usage();
            return 0;
        } else if (std::strcmp(a, "--script") == 0 && hasValue) {
            g_config.scriptPath = argv[++i];
        } else if (std::strcmp(a, "--out") == 0 && hasValue) {
            g_config.outDir = argv[++i];
        } else if (std::strcmp(a, "--images") == 0) {
            g_images = true;
        } else if (std::strcmp(a, "--capacity") == 0 && hasValue) {
            g_capacityKb = static_cast<unsigned>(ReadDecimal(argv[++i]));
            if (!DiskFormatFor(g_capacityKb)) {
                std::fprintf(stderr, "mkdist: --capacity takes 720, 1440 or 2880, not %s\n", argv[i]);
                return 1;
            }
            g_images = true;
        } else if (std::strcmp(a, "--date") == 0 && hasValue) {
            if (!ReadDate(argv[++i], "--date", &g_config.date)) return 1;
        } else if (std::strcmp(a, "--manifest") == 0 && hasValue) {
            g_config.manifestPath = argv[++i];
        } else if (std::strcmp(a, "--input") == 0 && hasValue) {
            if (g_config.inputDirCount >= kDistMaxInputDirs) {
                std::fprintf(stderr, "mkdist: too many --input folders\n");
                return 1;
            }
            g_config.inputDirs[g_config.inputDirCount++] = argv[++i];
        } else if (std::strcmp(a, "--file") == 0 && hasValue) {
            if (!AddNamed(a, argv[++i], true, g_config.files, &g_config.fileCount)) return 1;
        } else if (std::strcmp(a, "--beside") == 0 && hasValue) {
            if (!AddNamed(a, argv[++i], false, g_config.beside, &g_config.besideCount)) return 1;
        } else if (std::strcmp(a, "--optional") == 0 && hasValue) {
            if (g_config.optionalCount >= kDistMaxNamedFiles ||
                !CopyText(g_config.optional[g_config.optionalCount], argv[++i])) {
                std::fprintf(stderr, "mkdist: bad --optional %s\n", argv[i]);
                return 1;
            }
            ++g_config.optionalCount;
        } else if (a[0] == '-' && a[1] == '-') {
            std::fprintf(stderr, "mkdist: unknown option %s\n", a);
            Usage();
            return 1;
        } else if (positionalCount < 2) {
            positional[positionalCount++] = a;
        } else {
            Usage();
            return 1;
        }
    }
    if (positionalCount == 2) {
        if (g_config.inputDirCount >= kDistMaxInputDirs) return 1;
        g_config.inputDirs[g_config.inputDirCount++] = positional[0];
        if (!g_config.outDir) g_config.outDir = positional[1];
        if (!g_config.scriptPath) {
            std::snprintf(g_defaultScript, sizeof g_defaultScript, "%s/TLSETUP.INF", positional[0]);
            g_config.scriptPath = g_defaultScript;
        }
    } else if (positionalCount != 0) {
        Usage();
        return 1;
    }
    if (!g_config.scriptPath || !g_config.outDir) {
        Usage();
        return 1;
    }
    const char* epoch = std::getenv("SOURCE_DATE_EPOCH");
    if (g_config.date == 0 && epoch && epoch[0] && !ReadDate(epoch, "SOURCE_DATE_EPOCH", &g_config.date)) return 1;
    if (g_images) return BuildDistributionImages(g_config, *DiskFormatFor(g_capacityKb));
    return BuildDistribution(g_config);
}
