// Operation 0 for the native test build: the same one-read rule as the
// Windows loader, with stdio.
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
