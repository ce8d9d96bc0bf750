// libFuzzer target: any text parses without harm, and every query on the
// result stays inside the tables and the caller's buffer.
#include <cstdint>
#include <cstring>
#include <vector>

#include "script_engine.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The first byte picks the hopper capacity and some query indices.
    std::uint8_t control = size > 0 ? data[0] : 0;
    if (size > 0) {
        ++data;
        --size;
    }
    if (size > kScriptTextSize) size = kScriptTextSize;
    std::vector<char> text(data, data + size);
    text.push_back('\0');
    g_scriptHopperCapacity = (control & 1) ? 50 : 200;
    ScriptParseText(text.data());

    // Exactly-sized heap buffer, so that ASan sees any write past 64 bytes.
    std::vector<char> buffer(kScriptBufferSize, '\0');
    const std::uint16_t indices[] = {0, 1, 2, 15, 16, 31, 32, 511, 512, 0xFFFF,
                                     static_cast<std::uint16_t>(control * 3u)};
    for (std::uint32_t op = 1; op <= 25; ++op) {
        for (std::uint16_t index : indices) {
            if (op == kOpFindFileDir) {
                std::memcpy(buffer.data(), "VIREO.EXE", 10);
            }
            ScriptQuery(op, index, buffer.data());
            if (std::memchr(buffer.data(), '\0', buffer.size()) == nullptr) __builtin_trap();
        }
    }
    // Every file record's name is looked up again: the answer is a directory position or not-found.
    for (std::uint16_t i = 0; i < g_setupScript.fileCount; ++i) {
        ScriptQuery(kOpFileDestName, i, buffer.data());
        std::uint32_t found = ScriptQuery(kOpFindFileDir, 0, buffer.data());
        if (found != kScriptNotFound && found >= g_setupScript.dirCount) __builtin_trap();
    }
    return 0;
}

// Op 0 is not fuzzed through files; the parser above is its whole work.
std::uint32_t ScriptLoadFile(const char*) { return 2; }
