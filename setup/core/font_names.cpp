#include "font_names.h"

#include <cstring>

#include "textutil.h"

const char* const FontNameTable[kFontTableSize] = {
    "Univers Condensed",
    "Univers Condensed Bold",
    "Univers Condensed Bold Italic",
    "Univers Condensed Italic",
    "Univers",
    "Univers Bold",
    "Univers Bold Italic",
    "Univers Italic",
    "Albertus Extra Bold",
    "Albertus Medium",
    "Antique Olive",
    "Antique Olive Bold",
    "Antique Olive Italic",
    "CG Omega",
    "CG Omega Bold",
    "CG Omega Bold Italic",
    "CG Omega Italic",
    "CG Times",
    "CG Times Bold",
    "CG Times Bold Italic",
    "CG Times Italic",
    "Clarendon Condensed Bold",
    "Coronet Italic",
    "Garamond Antiqua",
    "Garamond Halbfett",
    "Garamond Kursiv Halbfett",
    "Garamond Kursiv",
    "Letter Gothic",
    "Letter Gothic Bold",
    "Letter Gothic Italic",
    "Marigold",
};

const char* FontTypeface(std::uint32_t position, std::uint32_t fileCount) {
    if (position >= fileCount) return nullptr;
    std::uint32_t fromEnd = fileCount - position;  // 1 for the last record
    if (fromEnd > kFontTableSize) return nullptr;
    return FontNameTable[kFontTableSize - fromEnd];
}

bool BuildFontKey(char* dst, std::size_t size, std::uint32_t position, std::uint32_t fileCount) {
    if (size == 0) return false;
    dst[0] = '\0';
    const char* face = FontTypeface(position, fileCount);
    if (face == nullptr || !CopyText(dst, size, face) || !AppendText(dst, size, " (TrueType)")) {
        dst[0] = '\0';
        return false;
    }
    return true;
}

bool BuildFontResourcePath(char* dst, std::size_t size, const char* fontPath) {
    if (size == 0) return false;
    const char* name = std::strrchr(fontPath, '\\');
    name = name ? name + 1 : fontPath;
    const char* dot = std::strrchr(name, '.');
    std::size_t keep = dot ? static_cast<std::size_t>(dot - fontPath) : std::strlen(fontPath);
    if (!CopyTextN(dst, size, fontPath, keep) || !AppendText(dst, size, ".fot")) {
        dst[0] = '\0';
        return false;
    }
    return true;
}

bool BuildFontResourceName(char* dst, std::size_t size, const char* sourceName) {
    if (size == 0) return false;
    const char* dot = std::strrchr(sourceName, '.');
    std::size_t keep = dot ? static_cast<std::size_t>(dot - sourceName) : std::strlen(sourceName);
    if (!CopyTextN(dst, size, sourceName, keep) || !AppendText(dst, size, ".FOT")) {
        dst[0] = '\0';
        return false;
    }
    return true;
}

bool BuildFontRegistryValue(char* dst, std::size_t size, const char* fontPath) {
    if (size == 0) return false;
    const char* name = std::strrchr(fontPath, '\\');
    name = name ? name + 1 : fontPath;
    if (name[0] == '\0' || !CopyText(dst, size, name)) {
        dst[0] = '\0';
        return false;
    }
    return true;
}

bool BuildFontDirectory(char* dst, std::size_t size, const char* windowsDir) {
    if (size == 0) return false;
    if (windowsDir[0] == '\0' || !JoinPath(dst, size, windowsDir, "FONTS")) {
        dst[0] = '\0';
        return false;
    }
    return true;
}
