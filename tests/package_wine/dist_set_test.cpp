// The built distribution set: every compressed file expands with the system's
// LZ functions to its original bytes, every record's file lies where the
// installer reads it, and the fonts are TrueType fonts that GDI accepts.
#include <windows.h>
#include <lzexpand.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "package_dist.h"
#include "script_engine.h"

namespace {

struct ManifestLine {
    bool compressed;
    std::string diskPath;   // Windows path of the file on the diskette
    std::string original;   // Windows path of the original (drive Z:)
};

std::string ToWindows(const std::string& unixPath) {
    std::string s = unixPath;
    for (char& c : s)
        if (c == '/') c = '\\';
    return s;
}

std::vector<ManifestLine> ReadManifest() {
    std::vector<ManifestLine> lines;
    std::FILE* f = std::fopen(TLS_DIST_MANIFEST, "r");
    EXPECT_NE(f, nullptr) << "cannot open " << TLS_DIST_MANIFEST;
    if (!f) return lines;
    char buf[2048];
    while (std::fgets(buf, sizeof buf, f)) {
        std::string line(buf);
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
        std::size_t t1 = line.find('\t');
        std::size_t t2 = line.find('\t', t1 + 1);
        if (t1 == std::string::npos || t2 == std::string::npos) {
            ADD_FAILURE() << "malformed manifest line: " << line;
            continue;
        }
        ManifestLine m;
        m.compressed = line[0] == 'Y';
        m.diskPath = std::string(TLS_DIST_DIR) + "\\" + ToWindows(line.substr(t1 + 1, t2 - t1 - 1));
        m.original = std::string(TLS_DIST_DIR) + "\\" + ToWindows(line.substr(t2 + 1));
        lines.push_back(m);
    }
    std::fclose(f);
    return lines;
}

bool ReadBytes(const std::string& path, std::string* out) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD size = GetFileSize(h, nullptr);
    out->assign(size, '\0');
    DWORD got = 0;
    BOOL ok = size == 0 || ReadFile(h, &(*out)[0], size, &got, nullptr);
    CloseHandle(h);
    return ok && got == size;
}

bool HasSzddMagic(const std::string& bytes) {
    return bytes.size() >= 14 && std::memcmp(bytes.data(), "SZDD\x88\xF0\x27\x33", 8) == 0;
}

// A scratch folder in the prefix's temp directory, removed with its files.
class Scratch {
public:
    Scratch() {
        char tmp[MAX_PATH];
        GetTempPathA(sizeof tmp, tmp);
        dir_ = std::string(tmp) + "pkgtest" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(dir_.c_str(), nullptr);
    }
    ~Scratch() {
        for (const std::string& f : files_) {
            SetFileAttributesA(f.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(f.c_str());
        }
        RemoveDirectoryA(dir_.c_str());
    }
    std::string File(const std::string& name) {
        files_.push_back(dir_ + "\\" + name);
        return files_.back();
    }

private:
    std::string dir_;
    std::vector<std::string> files_;
};

// Expands `source` into `dest` with LZOpenFile and LZCopy; "" on success,
// otherwise what failed.
std::string LzExpand(const std::string& source, const std::string& dest) {
    OFSTRUCT ofs{}, ofd{};
    INT s = LZOpenFileA(const_cast<char*>(source.c_str()), &ofs, OF_READ);
    if (s < 0) return "LZOpenFile(read) gave " + std::to_string(s);
    INT d = LZOpenFileA(const_cast<char*>(dest.c_str()), &ofd, OF_CREATE | OF_WRITE);
    if (d < 0) {
        LZClose(s);
        return "LZOpenFile(create) gave " + std::to_string(d);
    }
    LONG copied = LZCopy(s, d);
    LZClose(s);
    LZClose(d);
    if (copied < 0) return "LZCopy gave " + std::to_string(copied);
    return "";
}

const char* Variant(const char* name) {
    if (lstrcmpiA(name, "VELMPS.WPD") == 0) return "VELMPS.200";
    if (lstrcmpiA(name, "VELMPS.PPD") == 0) return "PL200.PPD";
    return name;
}

void LoadScript() {
    g_scriptHopperCapacity = 200;
    ASSERT_EQ(ScriptLoadFile(TLS_DIST_DISK1 "\\TLSETUP.INF"), 0u) << "loading " << TLS_DIST_DISK1 "\\TLSETUP.INF";
}

TEST(PackageSet, CompressedFilesExpandToTheirOriginalsWithLz32) {
    std::vector<ManifestLine> lines = ReadManifest();
    Scratch scratch;
    int compressed = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const ManifestLine& m = lines[i];
        std::string packed, original;
        ASSERT_TRUE(ReadBytes(m.diskPath, &packed)) << "cannot read " << m.diskPath;
        ASSERT_TRUE(ReadBytes(m.original, &original)) << "cannot read " << m.original;
        if (!m.compressed) {
            EXPECT_TRUE(packed == original) << m.diskPath << " should be a plain copy of " << m.original;
            continue;
        }
        ++compressed;
        EXPECT_TRUE(HasSzddMagic(packed)) << m.diskPath << " is not in SZDD form";
        std::string out = scratch.File("x" + std::to_string(i) + ".out");
        std::string err = LzExpand(m.diskPath, out);
        ASSERT_EQ(err, "") << m.diskPath;
        std::string expanded;
        ASSERT_TRUE(ReadBytes(out, &expanded)) << out;
        EXPECT_EQ(expanded.size(), original.size()) << m.diskPath;
        EXPECT_TRUE(expanded == original) << m.diskPath << " does not expand to " << m.original;
        EXPECT_LT(packed.size(), original.size() + original.size() / 8 + 15) << m.diskPath;
    }
    EXPECT_GE(compressed, 20) << "the set should hold the programs, driver, bitmaps and fonts compressed";
}

TEST(PackageSet, ExpandedNameRestoresTheLastCharacter) {
    char name[MAX_PATH];
    std::string path = TLS_DIST_DISK1 "\\VIREO.EX_";
    ASSERT_EQ(GetExpandedNameA(const_cast<char*>(path.c_str()), name), 1) << path;
    std::string expanded(name);
    ASSERT_GE(expanded.size(), 9u) << expanded;
    EXPECT_EQ(lstrcmpiA(expanded.substr(expanded.size() - 9).c_str(), "VIREO.EXE"), 0) << expanded;
}

TEST(PackageSet, EveryRecordLiesWhereTheInstallerReadsIt) {
    LoadScript();
    const std::uint32_t n = ScriptQuery(kOpFileCount, 0, nullptr);
    ASSERT_GE(n, 25u);
    for (std::uint32_t i = 0; i < n; ++i) {
        char source[kScriptBufferSize], dir[kScriptBufferSize], disk[kScriptBufferSize];
        const std::uint16_t index = static_cast<std::uint16_t>(i);
        ScriptQuery(kOpFileSourceName, index, source);
        ScriptQuery(kOpFileSourceDir, index, dir);
        const std::uint32_t diskNumber = ScriptQuery(kOpFileDisk, index, disk);
        const bool expand = ScriptQuery(kOpFileExpand, index, nullptr) != 0;
        // What the installer builds once the user has pointed it at the diskette.
        std::string path = std::string(TLS_DIST_DIR) + "\\DISK" + std::to_string(diskNumber) + "\\" + dir + "\\" +
                           Variant(source);
        OFSTRUCT of{};
        HFILE h = OpenFile(path.c_str(), &of, OF_READ);
        EXPECT_NE(h, HFILE_ERROR) << "record " << i << " (" << source << ", disk \"" << disk << "\"): " << path;
        if (h == HFILE_ERROR) continue;
        char head[8] = {};
        UINT got = _lread(h, head, sizeof head);
        _lclose(h);
        const bool szdd = got == 8 && std::memcmp(head, "SZDD\x88\xF0\x27\x33", 8) == 0;
        EXPECT_EQ(szdd, expand) << path << ": compressed exactly when the record says Y";
    }
}

TEST(PackageSet, FilesBesideTheInstaller) {
    char value[64];
    GetPrivateProfileStringA("RevisionControl", "OEM_ProductVersion", "@", value, sizeof value,
                             TLS_DIST_DISK1 "\\PELORASD.INI");
    EXPECT_STREQ(value, "Version 2.10");
    OFSTRUCT of{};
    EXPECT_NE(OpenFile(TLS_DIST_DISK1 "\\TLSETUP.INF", &of, OF_EXIST), HFILE_ERROR);
    // The progress-bar library is loaded from the installer's folder, uncompressed.
    std::string zeroz;
    ASSERT_TRUE(ReadBytes(TLS_DIST_DISK1 "\\ZEROZ32.DLL", &zeroz)) << "ZEROZ32.DLL beside the installer";
    EXPECT_EQ(zeroz.substr(0, 2), "MZ");
    // The settings file variants carry the hopper that the uninstaller reads back.
    EXPECT_EQ(GetPrivateProfileIntA("PrinterStyle", "HopperCapacity", 0, TLS_DIST_DISK1 "\\PEL200.INI"), 200u);
    EXPECT_EQ(GetPrivateProfileIntA("PrinterStyle", "HopperCapacity", 0, TLS_DIST_DISK1 "\\PEL50.INI"), 50u);
}

TEST(PackageSet, ScriptLayoutMatchesThePrograms) {
    LoadScript();
    char buf[kScriptBufferSize];
    ASSERT_EQ(ScriptQuery(kOpDiskCount, 0, nullptr), 2u);
    // [Dirs]: the destination itself first, then WINDOWS, SYSTEM and the
    // fonts' folder last (the installer creates all but the last three).
    const std::uint32_t dirs = ScriptQuery(kOpDirCount, 0, nullptr);
    ASSERT_GE(dirs, 5u);
    ScriptQuery(kOpDirName, 0, buf);
    EXPECT_STREQ(buf, ".");
    ScriptQuery(kOpDirName, static_cast<std::uint16_t>(dirs - 3), buf);
    EXPECT_STREQ(buf, "WINDOWS");
    ScriptQuery(kOpDirName, static_cast<std::uint16_t>(dirs - 2), buf);
    EXPECT_STREQ(buf, "SYSTEM");
    ScriptQuery(kOpDirName, 1, buf);
    EXPECT_STREQ(buf, "SPOOL") << "the uninstaller empties the folder of [Dirs] entry 1";
    ScriptQuery(kOpGroupName, 0, buf);
    EXPECT_STREQ(buf, "ORVAN Pelora 200/250 Tools");

    // The fonts are the last records; the uninstaller and the installer's own
    // script are installed.
    const std::uint32_t files = ScriptQuery(kOpFileCount, 0, nullptr);
    for (std::uint32_t i = files - 4; i < files; ++i) {
        ScriptQuery(kOpFileSourceName, static_cast<std::uint16_t>(i), buf);
        EXPECT_NE(std::strstr(buf, ".TT_"), nullptr) << "record " << i << " is " << buf;
    }
    std::strcpy(buf, "TLDELET.EXE");
    EXPECT_NE(ScriptQuery(kOpFindFileDir, 0, buf), kScriptNotFound);
    std::strcpy(buf, "TLSETUP.INF");
    EXPECT_NE(ScriptQuery(kOpFindFileDir, 0, buf), kScriptNotFound);

    // Subdirectories are listed parent first; files go to WINDOWS and SYSTEM.
    for (std::uint32_t i = 1; i + 3 < dirs; ++i) {
        ScriptQuery(kOpDirName, static_cast<std::uint16_t>(i), buf);
        std::string name(buf);
        std::size_t slash = name.find_last_of('\\');
        if (slash == std::string::npos) continue;
        bool parentFirst = false;
        for (std::uint32_t j = 0; j < i; ++j) {
            char parent[kScriptBufferSize];
            ScriptQuery(kOpDirName, static_cast<std::uint16_t>(j), parent);
            parentFirst = parentFirst || name.substr(0, slash) == parent;
        }
        EXPECT_TRUE(parentFirst) << name << " is listed before its parent";
    }
    int toWindows = 0, toSystem = 0;
    for (std::uint32_t i = 0; i < files; ++i) {
        ScriptQuery(kOpFileDestDir, static_cast<std::uint16_t>(i), buf);
        toWindows += lstrcmpiA(buf, "WINDOWS") == 0;
        toSystem += lstrcmpiA(buf, "SYSTEM") == 0;
    }
    EXPECT_GT(toWindows, 0);
    EXPECT_GT(toSystem, 0);

    // Every item names an installed program; descriptions come from the codes.
    const std::uint32_t items = ScriptQuery(kOpItemCount, 0, nullptr);
    ASSERT_EQ(items, 5u);
    for (std::uint32_t i = 0; i < items; ++i) {
        std::uint32_t dirPos = ScriptQuery(kOpItemFile, static_cast<std::uint16_t>(i), buf);
        EXPECT_NE(dirPos, kScriptNotFound) << buf;
        char dirName[kScriptBufferSize];
        ScriptQuery(kOpDirName, static_cast<std::uint16_t>(dirPos), dirName);
        EXPECT_STREQ(dirName, ".") << buf << " is started from the destination directory";
        ScriptQuery(kOpItemDescription, static_cast<std::uint16_t>(i), buf);
        EXPECT_NE(buf[0], '\0') << "item " << i;
    }
}

// The bitmap and INI records come in ALL, 50 and 200 variants: both readings
// hold the same number of records, with other sources for one destination.
std::string SourceOf(const char* destName) {
    const std::uint32_t n = ScriptQuery(kOpFileCount, 0, nullptr);
    char buf[kScriptBufferSize];
    for (std::uint32_t i = 0; i < n; ++i) {
        ScriptQuery(kOpFileDestName, static_cast<std::uint16_t>(i), buf);
        if (lstrcmpiA(buf, destName) == 0) {
            ScriptQuery(kOpFileSourceName, static_cast<std::uint16_t>(i), buf);
            return buf;
        }
    }
    return "";
}

TEST(PackageSet, HopperTaggedRecordsHaveBothVariants) {
    g_scriptHopperCapacity = 50;
    ASSERT_EQ(ScriptLoadFile(TLS_DIST_DISK1 "\\TLSETUP.INF"), 0u);
    const std::uint32_t files50 = ScriptQuery(kOpFileCount, 0, nullptr);
    const std::string paper50 = SourceOf("PAPER.BMP"), settings50 = SourceOf("PELORASD.INI");
    const std::string logo50 = SourceOf("LOGO.BMP");
    LoadScript();
    EXPECT_EQ(ScriptQuery(kOpFileCount, 0, nullptr), files50);
    EXPECT_EQ(paper50, "PAPER50.BM_");
    EXPECT_EQ(SourceOf("PAPER.BMP"), "PAPER200.BM_");
    EXPECT_EQ(settings50, "PEL50.INI");
    EXPECT_EQ(SourceOf("PELORASD.INI"), "PEL200.INI");
    EXPECT_EQ(logo50, "LOGO.BM_") << "a record tagged ALL is in both";
    EXPECT_EQ(SourceOf("LOGO.BMP"), "LOGO.BM_");
}

TEST(PackageSet, FontsAreTrueTypeFontsThatGdiAccepts) {
    LoadScript();
    Scratch scratch;
    const std::uint32_t n = ScriptQuery(kOpFileCount, 0, nullptr);
    int fonts = 0;
    for (std::uint32_t i = 0; i < n; ++i) {
        char source[kScriptBufferSize], dest[kScriptBufferSize], dir[kScriptBufferSize];
        ScriptQuery(kOpFileSourceName, static_cast<std::uint16_t>(i), source);
        if (!std::strstr(source, ".TT_")) continue;
        ++fonts;
        ScriptQuery(kOpFileDestName, static_cast<std::uint16_t>(i), dest);
        ScriptQuery(kOpFileSourceDir, static_cast<std::uint16_t>(i), dir);
        std::string packed = std::string(TLS_DIST_DISK2) + "\\" + dir + "\\" + source;
        std::string ttf = scratch.File(dest);
        ASSERT_EQ(LzExpand(packed, ttf), "") << packed;
        std::string bytes;
        ASSERT_TRUE(ReadBytes(ttf, &bytes));
        ASSERT_GE(bytes.size(), 12u);
        EXPECT_EQ(bytes.substr(0, 4), std::string("\0\1\0\0", 4)) << dest << " is not a TrueType file";
        int added = AddFontResourceA(ttf.c_str());
        EXPECT_GT(added, 0) << "AddFontResource(" << ttf << ")";
        if (added > 0) {
            EXPECT_TRUE(RemoveFontResourceA(ttf.c_str())) << ttf;
        }
        // The way the installer registers them: a font resource file beside
        // the font, added to the system.
        std::string fot = ttf.substr(0, ttf.size() - 3) + "fot";
        scratch.File(fot.substr(fot.find_last_of('\\') + 1));
        EXPECT_TRUE(CreateScalableFontResourceA(0, fot.c_str(), ttf.c_str(), nullptr)) << fot;
        added = AddFontResourceA(fot.c_str());
        EXPECT_GT(added, 0) << "AddFontResource(" << fot << ")";
        if (added > 0) {
            EXPECT_TRUE(RemoveFontResourceA(fot.c_str())) << fot;
        }
    }
    EXPECT_EQ(fonts, 4);
}

}  // namespace
