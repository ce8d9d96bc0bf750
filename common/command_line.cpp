#include "command_line.h"

#include "textutil.h"

namespace {

// Longest option word, the value included.
constexpr std::size_t kTokenSize = kOptionPathSize + 16;

// Copies the next blank-separated word of *cursor into token, dropping the
// double quotes (a quoted part may hold blanks). False at the end of the
// line; a word that does not fit is cut and reported by *tooLong.
bool NextToken(const char** cursor, char* token, std::size_t size, bool* tooLong) {
    const char* p = *cursor;
    while (IsBlank(*p)) ++p;
    if (*p == '\0') {
        *cursor = p;
        return false;
    }
    std::size_t used = 0;
    bool quoted = false;
    *tooLong = false;
    for (; *p != '\0' && (quoted || !IsBlank(*p)); ++p) {
        if (*p == '"') {
            quoted = !quoted;
            continue;
        }
        if (used + 1 < size) {
            token[used++] = *p;
        } else {
            *tooLong = true;
        }
    }
    token[used] = '\0';
    *cursor = p;
    return true;
}

// The value of "NAME=value" when the word (after its / or -) is that option.
const char* ValueOf(const char* word, const char* name) {
    std::size_t n = 0;
    while (name[n] != '\0') ++n;
    if (CompareNoCaseN(word, name, n) != 0 || word[n] != '=') return nullptr;
    return word + n + 1;
}

// n of "LPTn" or "LPTn:" with one digit 1-9, else 0.
std::uint32_t PortNumberOf(const char* value) {
    if (CompareNoCaseN(value, "LPT", 3) != 0) return 0;
    char digit = value[3];
    if (digit < '1' || digit > '9') return 0;
    const char* rest = value + 4;
    if (*rest == ':') ++rest;
    return *rest == '\0' ? static_cast<std::uint32_t>(digit - '0') : 0;
}

CommandLineResult Refuse(CommandLineResult result, const char* token, char* bad, std::size_t badSize) {
    if (bad && badSize > 0) CopyText(bad, badSize, token);
    return result;
}

bool StorePath(char* dst, const char* value) {
    return value[0] != '\0' && CopyText(dst, kOptionPathSize, value);
}

// One option word of either program; `installer` admits /DIR and /PORT.
CommandLineResult TakeOption(const char* token, bool installer, CommandOptions* out) {
    if (token[0] != '/' && token[0] != '-') return CommandLineResult::kUnknownOption;
    const char* word = token + 1;
    const char* value = nullptr;
    if ((value = ValueOf(word, "LOG")) != nullptr) {
        if (out->hasLog) return CommandLineResult::kUnknownOption;
        out->hasLog = true;
        return StorePath(out->log, value) ? CommandLineResult::kOk : CommandLineResult::kBadValue;
    }
    if (CompareNoCase(word, "S") == 0) {
        if (out->unattended) return CommandLineResult::kUnknownOption;
        out->unattended = true;
        return CommandLineResult::kOk;
    }
    if (CompareNoCase(word, "?") == 0) {
        out->usage = true;
        return CommandLineResult::kOk;
    }
    if (!installer) return CommandLineResult::kUnknownOption;
    if ((value = ValueOf(word, "DIR")) != nullptr) {
        if (out->hasDir) return CommandLineResult::kUnknownOption;
        out->hasDir = true;
        return StorePath(out->dir, value) ? CommandLineResult::kOk : CommandLineResult::kBadValue;
    }
    if ((value = ValueOf(word, "PORT")) != nullptr) {
        if (out->hasPort) return CommandLineResult::kUnknownOption;
        out->hasPort = true;
        // A value that names no LPT port is kept as port 0: the port step
        // refuses it with the port's own failure.
        out->port = PortNumberOf(value);
        return value[0] != '\0' ? CommandLineResult::kOk : CommandLineResult::kBadValue;
    }
    return CommandLineResult::kUnknownOption;
}

void Clear(CommandOptions* out) {
    *out = CommandOptions{};
}

}  // namespace

bool IsExternalWord(const char* line) { return line != nullptr && CompareNoCase(line, "External") == 0; }

CommandLineResult ParseInstallerCommandLine(const char* line, CommandOptions* out, char* bad, std::size_t badSize) {
    Clear(out);
    if (bad && badSize > 0) bad[0] = '\0';
    const char* cursor = line ? line : "";
    char token[kTokenSize];
    bool tooLong = false;
    CommandLineResult outcome = CommandLineResult::kOk;
    while (NextToken(&cursor, token, sizeof token, &tooLong)) {
        out->any = true;
        if (outcome != CommandLineResult::kOk) {
            // After a fault only /S still counts: an unattended run shows
            // no usage box, wherever the fault stands.
            if ((token[0] == '/' || token[0] == '-') && CompareNoCase(token + 1, "S") == 0) out->unattended = true;
            continue;
        }
        CommandLineResult result = tooLong ? CommandLineResult::kBadValue : TakeOption(token, true, out);
        if (result != CommandLineResult::kOk) outcome = Refuse(result, token, bad, badSize);
    }
    return outcome;
}

CommandLineResult ParseUninstallerCommandLine(const char* line, CommandOptions* out, char* bad,
                                              std::size_t badSize) {
    Clear(out);
    if (bad && badSize > 0) bad[0] = '\0';
    const char* text = line ? line : "";
    // Without /S, /? or /LOG the line keeps its one meaning: "External",
    // whole, or nothing at all.
    bool optionGiven = false;
    {
        const char* cursor = text;
        char token[kTokenSize];
        bool tooLong = false;
        while (NextToken(&cursor, token, sizeof token, &tooLong)) {
            const char* word = token + 1;
            if ((token[0] == '/' || token[0] == '-') &&
                (ValueOf(word, "LOG") != nullptr || CompareNoCase(word, "S") == 0 || CompareNoCase(word, "?") == 0)) {
                optionGiven = true;
            }
        }
    }
    if (!optionGiven) {
        out->external = IsExternalWord(text);
        return CommandLineResult::kOk;
    }
    out->any = true;
    const char* cursor = text;
    char token[kTokenSize];
    bool tooLong = false;
    while (NextToken(&cursor, token, sizeof token, &tooLong)) {
        if (tooLong) return Refuse(CommandLineResult::kBadValue, token, bad, badSize);
        if (IsExternalWord(token)) {
            if (out->external) return Refuse(CommandLineResult::kUnknownOption, token, bad, badSize);
            out->external = true;
            continue;
        }
        CommandLineResult result = TakeOption(token, false, out);
        if (result != CommandLineResult::kOk) return Refuse(result, token, bad, badSize);
    }
    return CommandLineResult::kOk;
}
