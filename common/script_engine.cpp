#include "script_engine.h"

#include <cstring>

#include "textutil.h"

SetupScript g_setupScript;
std::uint32_t g_scriptHopperCapacity = 200;

namespace {

enum class Section { None, Application, Disks, Dirs, Files, PmInfo, End };

#if !TLS_UNINSTALLER
// Item titles chosen by the description code of a [PM Info] line.
constexpr const char* kItemDescriptions[] = {
    "ORVAN Pelora 200/250 Print Manager",
    "ORVAN Pelora 200/250 TEST Program",
    "ORVAN Pelora 200/250 Uninstall Utility",
    "Vireo for Pelora 200/250",
    "ORVAN Pelora 200/250 PCL Control Panel",
    "ORVAN Pelora 200/250 PS",
};
#endif

// Copies a field into its record slot; a field longer than the slot refuses
// the whole line (the caller drops it) rather than storing a cut name.
template <std::size_t N>
bool StoreField(char (&slot)[N], const char* value) {
    if (std::strlen(value) >= N) return false;
    return CopyText(slot, N, value);
}

// Takes the next comma-separated field: the field ends at the next comma,
// which is replaced by a NUL; the field is trimmed. *rest is set to the text
// after the comma, or nullptr when the line had no further comma.
char* NextField(char* text, char** rest) {
    char* comma = std::strchr(text, ',');
    if (comma) {
        *comma = '\0';
        *rest = comma + 1;
    } else {
        *rest = nullptr;
    }
    return TrimBlanks(text);
}

bool IsBitmapOrIni(const char* name) {
    return std::strstr(name, ".BMP") || std::strstr(name, ".bmp") || std::strstr(name, ".INI") ||
           std::strstr(name, ".ini");
}

void ParseApplication(const char* key, char* value) {
    ApplicationInfo& app = g_setupScript.app;
    if (CompareNoCase(key, "AppName") == 0) {
        StoreField(app.appName, value);
    } else if (CompareNoCase(key, "DefDir") == 0) {
        StoreField(app.defDir, value);
    } else if (CompareNoCase(key, "SpaceNeeded") == 0) {
        app.spaceNeeded = ReadDecimal(value);
    } else if (CompareNoCase(key, "DefPMGroup") == 0) {
        char* rest = nullptr;
        char* first = NextField(value, &rest);
        if (!rest) return;  // no comma: not a group value
        char* second = TrimBlanks(rest);
        if (std::strlen(first) >= sizeof app.groupFile || std::strlen(second) >= sizeof app.groupName) return;
        CopyText(app.groupFile, first);
        CopyText(app.groupName, second);
    }
}

void ParseDisk(const char* key, const char* value) {
    if (g_setupScript.diskCount >= kMaxDisks) return;
    DiskRecord& rec = g_setupScript.disks[g_setupScript.diskCount];
    if (!StoreField(rec.name, value)) return;
    rec.number = static_cast<std::uint16_t>(ReadDecimal(key));
    ++g_setupScript.diskCount;
}

void ParseDir(const char* key, const char* value) {
    if (g_setupScript.dirCount >= kMaxDirs) return;
    DirRecord& rec = g_setupScript.dirs[g_setupScript.dirCount];
    if (!StoreField(rec.name, value)) return;
    rec.number = static_cast<std::uint16_t>(ReadDecimal(key));
    ++g_setupScript.dirCount;
}

void ParseFile(char* line) {
    if (g_setupScript.fileCount >= kMaxFiles) return;
    // Parse into a scratch record so that a refused line leaves nothing behind.
    FileRecord rec{};
    char* rest = nullptr;
    char* fields[5];
    char* text = line;
    for (int i = 0; i < 5; ++i) {
        fields[i] = NextField(text, &rest);
        if (!rest) return;  // fewer than five commas
        text = rest;
    }
    if (!StoreField(rec.destName, fields[0])) return;
    rec.destDir = static_cast<std::uint16_t>(ReadDecimal(fields[1]));
    if (!StoreField(rec.sourceName, fields[2])) return;
    rec.sourceDir = static_cast<std::uint16_t>(ReadDecimal(fields[3]));
    rec.disk = static_cast<std::uint16_t>(ReadDecimal(fields[4]));
    char* remainder = TrimBlanks(text);
    rec.expand = (remainder[0] == 'Y' || remainder[0] == 'y') ? 1u : 0u;
    if (IsBitmapOrIni(rec.destName)) {
        char* comma = std::strchr(remainder, ',');
        if (!comma) return;  // a bitmap or INI record needs its hopper tag
        const char* tag = TrimBlanks(comma + 1);
        const char* hopperTag = g_scriptHopperCapacity == 50 ? "50" : "200";
        if (CompareNoCase(tag, "ALL") != 0 && CompareNoCase(tag, hopperTag) != 0) return;
    }
    g_setupScript.files[g_setupScript.fileCount++] = rec;
}

void ParseItem(char* line) {
    if (g_setupScript.itemCount >= kMaxItems) return;
    ItemRecord rec{};
    char* rest = nullptr;
    char* fileName = NextField(line, &rest);
    if (!rest) return;  // an item needs at least two fields
    char* code = NextField(rest, &rest);
    char* iconFile = nullptr;
    char* iconIndex = nullptr;
    if (rest) {
        iconFile = NextField(rest, &rest);
        if (!rest) return;  // an icon file needs its index
        iconIndex = TrimBlanks(rest);
    }
    if (!StoreField(rec.fileName, fileName)) return;
#if TLS_UNINSTALLER
    if (!StoreField(rec.description, code)) return;
#else
    const std::size_t position = g_setupScript.itemCount;
    std::size_t digit = (code[0] >= '0' && code[0] <= '9') ? static_cast<std::size_t>(code[0] - '0') : position;
    if (digit < sizeof kItemDescriptions / sizeof kItemDescriptions[0]) {
        CopyText(rec.description, kItemDescriptions[digit]);
    }
#endif
    if (iconFile) {
        if (!StoreField(rec.iconFile, iconFile)) return;
        rec.iconIndex = static_cast<std::uint16_t>(ReadDecimal(iconIndex));
    }
    g_setupScript.items[g_setupScript.itemCount++] = rec;
}

Section HeaderSection(const char* line) {
    static constexpr struct {
        const char* header;
        Section section;
    } kHeaders[] = {
        {"[End]", Section::End},     {"[Application]", Section::Application},
        {"[Disks]", Section::Disks}, {"[Dirs]", Section::Dirs},
        {"[Files]", Section::Files}, {"[PM Info]", Section::PmInfo},
    };
    for (const auto& h : kHeaders) {
        if (CompareNoCase(line, h.header) == 0) return h.section;
    }
    return Section::None;
}

void HandleLine(Section section, char* line) {
    if (section == Section::Files) {
        ParseFile(line);
        return;
    }
    if (section == Section::PmInfo) {
        ParseItem(line);
        return;
    }
    char* eq = std::strchr(line, '=');
    if (!eq) return;  // key-value sections need an "="
    *eq = '\0';
    char* key = TrimBlanks(line);
    char* value = TrimBlanks(eq + 1);
    switch (section) {
        case Section::Application: ParseApplication(key, value); break;
        case Section::Disks: ParseDisk(key, value); break;
        case Section::Dirs: ParseDir(key, value); break;
        default: break;
    }
}

// Positions beyond a table's count answer an empty name.
void CopyOrEmpty(char* buffer, const char* text) {
    if (buffer) CopyText(buffer, kScriptBufferSize, text ? text : "");
}

std::uint32_t FindDisk(std::uint16_t number) {
    for (std::uint32_t i = g_setupScript.diskCount; i-- > 0;) {
        if (g_setupScript.disks[i].number == number) return i;
    }
    return kScriptNotFound;
}

std::uint32_t FindDir(std::uint16_t number) {
    for (std::uint32_t i = g_setupScript.dirCount; i-- > 0;) {
        if (g_setupScript.dirs[i].number == number) return i;
    }
    return kScriptNotFound;
}

const char* DirNameOrNull(std::uint32_t position) {
    return position < g_setupScript.dirCount ? g_setupScript.dirs[position].name : nullptr;
}

std::uint32_t FindFileDir(const char* name) {
    if (!name) return kScriptNotFound;
    for (std::uint32_t i = 0; i < g_setupScript.fileCount; ++i) {
        if (CompareNoCase(g_setupScript.files[i].destName, name) == 0) {
            return FindDir(g_setupScript.files[i].sourceDir);
        }
    }
    return kScriptNotFound;
}

}  // namespace

void ScriptParseText(char* text) {
    ApplicationInfo& app = g_setupScript.app;
    app.appName[0] = '\0';
    app.defDir[0] = '\0';
    app.groupFile[0] = '\0';
    app.groupName[0] = '\0';
    app.spaceNeeded = 0;
    g_setupScript.diskCount = g_setupScript.dirCount = 0;
    g_setupScript.fileCount = g_setupScript.itemCount = 0;

    Section section = Section::None;
    char* pos = text;
    char line[kScriptLineSize];
    while (section != Section::End && *pos != '\0') {
        // A line ends at a carriage return (whose following character is
        // skipped unexamined) or at a lone line feed; a last line without a
        // line end ends the text.
        char* end = pos + std::strcspn(pos, "\r\n");
        char* next = end;
        if (*end == '\r') {
            next = end + 1;
            if (*next != '\0') ++next;
        } else if (*end == '\n') {
            next = end + 1;
        }
        const std::size_t length = static_cast<std::size_t>(end - pos);
        *end = '\0';
        // Lines longer than the line buffer are outside the format: skipped.
        if (length < kScriptLineSize) {
            std::memcpy(line, pos, length + 1);
            char* trimmed = TrimBlanks(line);
            if (trimmed[0] == '[') {
                section = HeaderSection(trimmed);
            } else if (trimmed[0] != '\0' && trimmed[0] != ';' && section != Section::None) {
                HandleLine(section, trimmed);
            }
        }
        pos = next;
    }
}

std::uint32_t ScriptQuery(std::uint32_t op, std::uint16_t index, char* buffer) {
    const SetupScript& s = g_setupScript;
    switch (op) {
        case kOpLoad: return ScriptLoadFile(buffer);
        case kOpAppName: CopyOrEmpty(buffer, s.app.appName); return 0;
        case kOpDefDir: CopyOrEmpty(buffer, s.app.defDir); return 0;
        case kOpSpaceNeeded: return s.app.spaceNeeded;
        case kOpDiskCount: return s.diskCount;
        case kOpDiskName: CopyOrEmpty(buffer, index < s.diskCount ? s.disks[index].name : nullptr); return 0;
        case kOpFindDisk: return FindDisk(index);
        case kOpDirCount: return s.dirCount;
        case kOpDirName: CopyOrEmpty(buffer, DirNameOrNull(index)); return 0;
        case kOpFindDir: return FindDir(index);
        case kOpFileCount: return s.fileCount;
        case kOpFileDestName: CopyOrEmpty(buffer, index < s.fileCount ? s.files[index].destName : nullptr); return 0;
        case kOpFileSourceName:
            CopyOrEmpty(buffer, index < s.fileCount ? s.files[index].sourceName : nullptr);
            return 0;
        case kOpFileSourceDir:
        case kOpFileDestDir: {
            if (index >= s.fileCount) {
                CopyOrEmpty(buffer, nullptr);
                return 0;
            }
            const std::uint16_t number = op == kOpFileSourceDir ? s.files[index].sourceDir : s.files[index].destDir;
            CopyOrEmpty(buffer, DirNameOrNull(FindDir(number)));
            return number;
        }
        case kOpFileDisk: {
            if (index >= s.fileCount) {
                CopyOrEmpty(buffer, nullptr);
                return 0;
            }
            const std::uint16_t number = s.files[index].disk;
            const std::uint32_t found = FindDisk(number);
            CopyOrEmpty(buffer, found < s.diskCount ? s.disks[found].name : nullptr);
            return number;
        }
        case kOpFileExpand: return index < s.fileCount ? s.files[index].expand : 0;
        case kOpFindFileDir: return FindFileDir(buffer);
        case kOpGroupName: CopyOrEmpty(buffer, s.app.groupName); return 0;
        case kOpGroupFile: CopyOrEmpty(buffer, s.app.groupFile); return 0;
        case kOpItemCount: return s.itemCount;
        case kOpItemFile:
            if (index >= s.itemCount) {
                CopyOrEmpty(buffer, nullptr);
                return kScriptNotFound;
            }
            CopyOrEmpty(buffer, s.items[index].fileName);
            return FindFileDir(s.items[index].fileName);
        case kOpItemDescription:
            CopyOrEmpty(buffer, index < s.itemCount ? s.items[index].description : nullptr);
            return 0;
        case kOpItemIcon: {
            if (index >= s.itemCount) {
                CopyOrEmpty(buffer, nullptr);
                return 0xFFFFu;
            }
            const ItemRecord& item = s.items[index];
            const char* icon = item.iconFile[0] ? item.iconFile : item.fileName;
            CopyOrEmpty(buffer, icon);
            return (static_cast<std::uint32_t>(item.iconIndex) << 16) | (FindFileDir(icon) & 0xFFFFu);
        }
        default: return 0;
    }
}
