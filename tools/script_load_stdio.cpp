// Operation 0 of the setup-script engine for host tools: the same single
// read of at most kScriptTextSize bytes as the programs, with stdio.
#include <cstdio>
#include <cstdlib>

#include "script_engine.h"

std::uint32_t ScriptLoadFile(const char* path) {
    char* text = static_cast<char*>(std::calloc(kScriptTextSize + 1, 1));
    if (!text) return 1;
    std::FILE* f = path ? std::fopen(path, "rb") : nullptr;
    if (!f) {
        std::free(text);
        return 2;
    }
    std::size_t got = std::fread(text, 1, kScriptTextSize, f);
    std::fclose(f);
    text[got] = '\0';
    ScriptParseText(text);
    std::free(text);
    return 0;
}
