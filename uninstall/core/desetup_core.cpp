#include "desetup_core.h"

#include <cstring>

#include "script_places.h"
#include "textutil.h"

namespace {

bool IsTrimmed(char c) { return c == ' ' || c == '\t' || c == '\n'; }

// A view of part of a line.
struct Span {
    const char* text;
    std::size_t length;
};

Span TrimSpan(const char* text, std::size_t length) {
    std::size_t start = 0;
    while (start < length && IsTrimmed(text[start])) ++start;
    std::size_t end = length;
    while (end > start && IsTrimmed(text[end - 1])) --end;
    return Span{text + start, end - start};
}

bool SpanEqualsNoCase(Span span, const char* word) {
    std::size_t n = std::strlen(word);
    return span.length == n && CompareNoCaseN(span.text, word, n) == 0;
}

}  // namespace

bool IsExternalCommandLine(const char* tail) { return tail && CompareNoCase(tail, "External") == 0; }

bool IsColourDisplay(int numColors) { return static_cast<unsigned int>(numColors) > 2u; }

const char* VersionTail(const char* versionText) {
    static const char kDefaultVersion[] = "Version 1.00";
    const char* text = (versionText[0] == '@') ? kDefaultVersion : versionText;
    const char* blank = std::strchr(text, ' ');
    return blank ? blank : text + std::strlen(text);
}

LayoutCase ChooseLayout(bool colour, int horzRes, int vertRes) {
    if (!colour) return kLayoutMono;
    if (horzRes >= 440 && vertRes >= 400) return kLayoutWindowed;
    return kLayoutTall;
}

LayoutRect MainWindowLayout(LayoutCase layout, int horzRes, int deskLeft, int deskTop, int deskRight,
                            int deskBottom) {
    int dw = deskRight - deskLeft;
    int dh = deskBottom - deskTop;
    switch (layout) {
        case kLayoutWindowed: {
            int w = horzRes <= 640 ? 440 : 500;
            return LayoutRect{(dw - w) / 2, (dh - 400) / 2, w, 400};
        }
        case kLayoutTall:
            return LayoutRect{(dw - 500) / 2, deskTop, 500, dh};
        case kLayoutMono:
        default:
            return LayoutRect{deskLeft + 110, deskTop, dw - 200, dh};
    }
}

LayoutRect StatusLineLayout(LayoutCase layout, int mainLeft, int /*mainTop*/, int mainRight, int mainBottom) {
    int width = mainRight - mainLeft;
    switch (layout) {
        case kLayoutWindowed:
            return LayoutRect{20, 350, width - 40, 30};
        case kLayoutTall:
            return LayoutRect{(500 - 380) / 2, mainBottom - 50, 380, 30};
        case kLayoutMono:
        default:
            return LayoutRect{75, mainBottom - 50, width - 100, 30};
    }
}

void TrimLine(char* text) {
    std::size_t start = 0;
    while (IsTrimmed(text[start])) ++start;
    std::size_t length = std::strlen(text + start);
    if (start > 0) std::memmove(text, text + start, length + 1);
    while (length > 0 && IsTrimmed(text[length - 1])) text[--length] = '\0';
}

bool IsProtectedFileName(const char* name) {
    struct Prefix {
        const char* text;
        std::size_t length;
    };
    // Shared printer drivers and their helpers stay for the printer that
    // remains installed.
    static const Prefix kPrefixes[] = {
        {"HPPCL", 5}, {"UNIDRV", 6}, {"FINSTALL", 8}, {"ORVPCL", 6}, {"PSCRIPT", 7},
    };
    for (const Prefix& p : kPrefixes) {
        if (CompareNoCaseN(name, p.text, p.length) == 0) return true;
    }
    // VAZAZUD.DLL, one of the driver's dependent files, stays by its whole
    // name; other files of that stem (VAZAZUD.TMP) go with the package.
    // Windows opens "VAZAZUD.DLL. " as VAZAZUD.DLL.
    const std::size_t length = OpenedNameLength(name);
    return length == 11 && (CompareNoCaseN(name, "VAZAZUD.DLL", 11) == 0 || CompareNoCaseN(name, "TLDELET.EXE", 11) == 0);
}

bool SystemFilesBelongInWindowsDir(const char* windowsDir, const char* systemDir) {
    char expected[300];
    char actual[300];
    JoinPath(expected, windowsDir, "SYSTEM\\");
    CopyText(actual, systemDir);
    AppendBackslash(actual, sizeof actual);
    return CompareNoCase(expected, actual) != 0;
}

bool RemoveRunEntry(char* value, const char* program) {
    if (!program[0]) return false;
    const std::size_t length = std::strlen(program);
    // Only a whole entry counts: "C:\VIREO\PELORASD.EXEC" or
    // "X:\C:\VIREO\PELORASD.EXE" is another program's entry.
    char* hit = std::strstr(value, program);
    while (hit && !((hit == value || IsBlank(hit[-1])) && (hit[length] == '\0' || IsBlank(hit[length])))) {
        hit = std::strstr(hit + 1, program);
    }
    if (!hit) return false;
    char* after = hit + length;
    TrimLine(after);
    std::memmove(hit, after, std::strlen(after) + 1);
    return true;
}

SystemIniAction ClassifySystemIniLine(SystemIniSection* state, const char* line, std::size_t length) {
    Span k = TrimSpan(line, length);
    if (SpanEqualsNoCase(k, "[386Enh]")) {
        *state = kIniInside386Enh;
        return kIniKeepLine;
    }
    if (*state != kIniInside386Enh) return kIniKeepLine;
    if (k.length > 0 && k.text[0] == '[') {
        *state = kIniAfter386Enh;
        return kIniKeepLine;
    }
    const char* equals = static_cast<const char*>(std::memchr(line, '=', length));
    if (!equals) return kIniKeepLine;
    Span key = TrimSpan(line, static_cast<std::size_t>(equals - line));
    Span value = TrimSpan(equals + 1, length - static_cast<std::size_t>(equals - line) - 1);
    Span fileName = value;
    for (std::size_t i = value.length; i > 0; --i) {
        if (value.text[i - 1] == '\\') {
            fileName = Span{value.text + i, value.length - i};
            break;
        }
    }
    if (SpanEqualsNoCase(key, ";device") && SpanEqualsNoCase(fileName, "vpd.386")) return kIniEnableVpd;
    if (SpanEqualsNoCase(key, "PeloraLPT")) return kIniDropLine;
    return kIniKeepLine;
}

std::size_t SystemIniRewriteCapacity(std::size_t inLength) {
    // A replaced line was at least ";device=vpd.386" (15 bytes) and becomes
    // 14 bytes and a line end of at most 2, so it grows by at most one byte.
    return inLength + inLength / 15 + 2;
}

std::size_t RewriteSystemIniText(const char* in, std::size_t inLength, char* out, std::size_t outCapacity) {
    static const char kVpdLine[] = "device=vpd.386";
    SystemIniSection state = kIniBefore386Enh;
    std::size_t used = 0;
    std::size_t pos = 0;
    while (pos < inLength) {
        const char* line = in + pos;
        const char* lf = static_cast<const char*>(std::memchr(line, '\n', inLength - pos));
        std::size_t whole = lf ? static_cast<std::size_t>(lf - line) + 1 : inLength - pos;
        std::size_t content = lf ? whole - 1 : whole;
        if (content > 0 && line[content - 1] == '\r') --content;
        SystemIniAction action = ClassifySystemIniLine(&state, line, content);
        const char* piece = line;
        std::size_t pieceLength = whole;
        const char* ending = nullptr;
        std::size_t endingLength = 0;
        if (action == kIniDropLine) {
            pieceLength = 0;
        } else if (action == kIniEnableVpd) {
            piece = kVpdLine;
            pieceLength = sizeof kVpdLine - 1;
            ending = line + content;
            endingLength = whole - content;
            if (endingLength == 0) {
                ending = "\r\n";
                endingLength = 2;
            }
        }
        if (pieceLength + endingLength > outCapacity - used) return kRewriteTooSmall;
        if (pieceLength) std::memcpy(out + used, piece, pieceLength);
        used += pieceLength;
        if (endingLength) std::memcpy(out + used, ending, endingLength);
        used += endingLength;
        pos += whole;
    }
    return used;
}
