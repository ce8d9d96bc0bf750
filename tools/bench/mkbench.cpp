// mkbench: writes the benchmark package, a large variant of the sample
// package, for mkdist to lay out as two diskettes.
//
//   mkbench OUT_DIR
//
// OUT_DIR/TLSETUP.INF is the sample package's script with two data folders
// added to [Dirs] and 420 data files added to [Files], half on each diskette,
// between the sample's own records (whose programs, progress-bar library,
// uninstaller and fonts stay, so that the whole installation and removal run
// through). OUT_DIR/input/DATA and OUT_DIR/input/DATA/LIB hold the data files,
// uncompressed: text-like and table-like contents that compress the way
// program files and help texts do. Everything is made from a fixed seed, so
// every run builds the same package.
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

namespace {

constexpr int kFilesPerDisk = 210;
constexpr std::size_t kMaxFileSize = 128 * 1024;

std::uint32_t g_seed = 0x2545F491u;

std::uint32_t Next() {
    g_seed ^= g_seed << 13;
    g_seed ^= g_seed >> 17;
    g_seed ^= g_seed << 5;
    return g_seed;
}

const char* const kWords[] = {
    "printer", "driver",  "paper",   "hopper", "font",    "spool",  "port",   "page",    "margin",
    "resolution", "dpi",  "toner",   "tray",   "status",  "error",  "ready",  "offline", "queue",
    "job",     "copies",  "duplex",  "letter", "legal",   "A4",     "envelope", "portrait", "landscape",
    "setup",   "options", "default", "Vireo",  "Pelora",  "panel",  "test",   "the",     "a",
    "of",      "to",      "and",     "is",     "for",     "when",   "with",   "on",      "this"};
constexpr int kWordCount = sizeof kWords / sizeof kWords[0];

std::uint8_t g_data[kMaxFileSize];

// Help-text-like lines of words and numbers.
std::size_t MakeText(std::size_t size) {
    std::size_t n = 0;
    while (n < size) {
        const char* word = kWords[Next() % kWordCount];
        char piece[32];
        int len = (Next() % 7 == 0) ? std::snprintf(piece, sizeof piece, "%u ", Next() % 10000)
                                    : std::snprintf(piece, sizeof piece, "%s%s", word, Next() % 11 == 0 ? ".\r\n" : " ");
        for (int i = 0; i < len && n < size; ++i) g_data[n++] = static_cast<std::uint8_t>(piece[i]);
    }
    return n;
}

// Program-like data: small records with repeating fields and a few random
// bytes each.
std::size_t MakeTable(std::size_t size) {
    std::size_t n = 0;
    std::uint32_t counter = Next() % 1000;
    while (n < size) {
        std::uint8_t record[16] = {0x55, 0x8B, 0xEC, 0x83, 0, 0, 0, 0, 0xC3, 0, 0, 0, 0, 0, 0, 0};
        record[4] = static_cast<std::uint8_t>(counter);
        record[5] = static_cast<std::uint8_t>(counter >> 8);
        if (Next() % 3 == 0) record[6] = static_cast<std::uint8_t>(Next());
        if (Next() % 5 == 0) record[12] = static_cast<std::uint8_t>(Next());
        ++counter;
        for (int i = 0; i < 16 && n < size; ++i) g_data[n++] = record[i];
    }
    return n;
}

bool WriteFile(const char* path, const std::uint8_t* data, std::size_t size) {
    std::FILE* f = std::fopen(path, "wb");
    if (!f) return false;
    bool ok = std::fwrite(data, 1, size, f) == size;
    ok = std::fclose(f) == 0 && ok;
    return ok;
}

struct Text {
    char buf[20480];
    std::size_t used;
    bool ok;
};
Text g_script;

void Line(const char* format, ...) __attribute__((format(printf, 1, 2)));
void Line(const char* format, ...) {
    char line[128];
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(line, sizeof line - 2, format, args);
    va_end(args);
    if (n < 0 || n > 99) {
        g_script.ok = false;
        return;
    }
    std::memcpy(line + n, "\r\n", 2);
    n += 2;
    if (g_script.used + static_cast<std::size_t>(n) > sizeof g_script.buf) {
        g_script.ok = false;
        return;
    }
    std::memcpy(g_script.buf + g_script.used, line, static_cast<std::size_t>(n));
    g_script.used += static_cast<std::size_t>(n);
}

const char* const kExtensions[] = {"DAT", "HLP", "TXT", "DLL", "BIN", "TBL"};

// Writes the data files of one diskette and their [Files] records; returns
// the bytes written or 0 on a failure.
std::size_t DataFiles(const char* outDir, int disk, int dirNumber, const char* folder) {
    std::size_t total = 0;
    for (int i = 0; i < kFilesPerDisk; ++i) {
        const char* ext = kExtensions[i % 6];
        char name[16];
        char diskName[16];
        std::snprintf(name, sizeof name, "B%d%03d.%s", disk, i, ext);
        std::snprintf(diskName, sizeof diskName, "B%d%03d.%.2s_", disk, i, ext);
        // One file in eight is shipped uncompressed.
        const bool compress = i % 8 != 7;
        Line("%s,%d,%s,%d,%d,%s", name, dirNumber, compress ? diskName : name, dirNumber, disk, compress ? "Y" : "N");
        std::size_t size = 16 * 1024 + Next() % (kMaxFileSize - 16 * 1024);
        std::size_t made = (i % 3 == 2) ? MakeTable(size) : MakeText(size);
        char path[1024];
        std::snprintf(path, sizeof path, "%s/input/%s/%s", outDir, folder, name);
        if (!WriteFile(path, g_data, made)) {
            std::fprintf(stderr, "mkbench: cannot write %s\n", path);
            return 0;
        }
        total += made;
    }
    return total;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: mkbench OUT_DIR\n");
        return 2;
    }
    const char* out = argv[1];
    char path[1024];
    mkdir(out, 0777);
    std::snprintf(path, sizeof path, "%s/input", out);
    mkdir(path, 0777);
    std::snprintf(path, sizeof path, "%s/input/DATA", out);
    mkdir(path, 0777);
    std::snprintf(path, sizeof path, "%s/input/DATA/LIB", out);
    mkdir(path, 0777);
    g_script.ok = true;

    Line("; Benchmark package: the sample package and 420 data files, two diskettes.");
    Line("[Application]");
    Line("AppName=Vireo");
    Line("DefDir=C:\\VIREO");
    Line("SpaceNeeded=30000");
    Line("DefPMGroup=PELORA.GRP,ORVAN Pelora 200/250 Tools");
    Line("[Disks]");
    Line("1=#1 - Programs");
    Line("2=#2 - Printer Driver and Fonts");
    Line("[Dirs]");
    Line("1=.");
    Line("2=SPOOL");
    Line("3=DRIVER");
    Line("4=DRIVER\\PS");
    Line("5=BITMAPS");
    Line("6=DATA");
    Line("7=DATA\\LIB");
    Line("8=WINDOWS");
    Line("9=SYSTEM");
    Line("10=FONTS");
    Line("[Files]");
    static const char* const disk1[] = {
        "PELORASD.EXE,1,PELORASD.EX_,1,1,Y", "VIREO.EXE,1,VIREO.EX_,1,1,Y",   "PLSPOOL.EXE,1,PLSPOOL.EX_,1,1,Y",
        "PLTEST.EXE,1,PLTEST.EX_,1,1,Y",     "PLPANEL.EXE,1,PLPANEL.EX_,1,1,Y", "TLDELET.EXE,1,TLDELET.EX_,1,1,Y",
        "ZEROZ32.DLL,1,ZEROZ32.DLL,1,1,N",   "TLSETUP.INF,1,TLSETUP.INF,1,1,N", "README.TXT,1,README.TXT,1,1,N",
        "VIREO.INI,1,VIREO.INI,1,1,N,ALL",   "PLPANEL.INI,1,PANEL50.INI,1,1,N,50",
        "PLPANEL.INI,1,PANEL200.INI,1,1,N,200", "PELORASD.INI,8,PEL50.INI,1,1,N,50",
        "PELORASD.INI,8,PEL200.INI,1,1,N,200", "PLSPOOL.HLP,8,PLSPOOL.HL_,1,1,Y", "LOGO.BMP,5,LOGO.BM_,5,1,Y,ALL",
        "PAPER.BMP,5,PAPER50.BM_,5,1,Y,50",  "PAPER.BMP,5,PAPER200.BM_,5,1,Y,200"};
    for (const char* r : disk1) Line("%s", r);
    std::size_t bytes = DataFiles(out, 1, 6, "DATA");
    static const char* const disk2[] = {
        "ORVPCL.DRV,9,ORVPCL.DR_,3,2,Y",    "ORVPCL.HLP,9,ORVPCL.HL_,3,2,Y",    "ORVPCLF.DLL,9,ORVPCLF.DL_,3,2,Y",
        "ORVPCLFL.DLL,9,ORVPCLFL.DL_,3,2,Y", "ORVPCLS.DLL,9,ORVPCLS.DL_,3,2,Y", "VAZAZUD.TMP,9,VAZAZUD.TM_,3,2,Y",
        "PELORA.INF,3,PELORA.INF,3,2,N",    "VELMPS.WPD,4,VELMPS.WPD,4,2,Y",    "VELMPS.PPD,4,VELMPS.PPD,4,2,N",
        "FONTS.TXT,1,FONTS.TXT,10,2,N"};
    for (const char* r : disk2) Line("%s", r);
    std::size_t bytes2 = bytes ? DataFiles(out, 2, 7, "DATA/LIB") : 0;
    // The fonts last: their names come from the end of the typeface table.
    Line("LTRGOTH.TTF,10,LTRGOTH.TT_,10,2,Y");
    Line("LTRGOTHB.TTF,10,LTRGOTHB.TT_,10,2,Y");
    Line("LTRGOTHI.TTF,10,LTRGOTHI.TT_,10,2,Y");
    Line("MARIGOLD.TTF,10,MARIGOLD.TT_,10,2,Y");
    Line("[PM Info]");
    Line("PLSPOOL.EXE,0");
    Line("PLTEST.EXE,1");
    Line("TLDELET.EXE,2");
    Line("VIREO.EXE,3,VIREO.EXE,0");
    Line("PLPANEL.EXE,4");
    Line("[End]");
    if (!bytes || !bytes2) return 1;
    if (!g_script.ok) {
        std::fprintf(stderr, "mkbench: the script does not fit the installer's limits\n");
        return 1;
    }
    std::snprintf(path, sizeof path, "%s/TLSETUP.INF", out);
    if (!WriteFile(path, reinterpret_cast<const std::uint8_t*>(g_script.buf), g_script.used)) {
        std::fprintf(stderr, "mkbench: cannot write %s\n", path);
        return 1;
    }
    std::printf("mkbench: %d data files, %zu bytes, script %zu bytes\n", 2 * kFilesPerDisk, bytes + bytes2,
                g_script.used);
    return 0;
}
