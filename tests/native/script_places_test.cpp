#include <gtest/gtest.h>

#include <cstring>

#include "script_places.h"

TEST(ScriptPlaces, TextsThatCouldLeadOutOfTheirDirectoryAreRefused) {
    const struct {
        const char* text;
        bool inside;
    } cases[] = {
        {"VIREO.EXE", true}, {"DRIVER\\PS", true}, {".", true}, {"", true}, {"WINDOWS", true},
        {"NAME..EXT", true}, {"A.\\B", true}, {"SUB\\", true}, {".HIDDEN", true},
        {"..", false}, {"..\\BOOT.INI", false}, {"..\\..\\BOOT.INI", false}, {"DRIVER\\..\\..", false},
        {"A\\..\\B", false}, {"...", false}, {"A\\...\\B", false}, {". .", false}, {".. ", false},
        {"C:\\BOOT.INI", false}, {"C:BOOT.INI", false}, {"NAME:STREAM", false},
        {"\\BOOT.INI", false}, {"\\\\SERVER\\SHARE\\X", false}, {"A/B", false}, {"/ETC", false},
        {"../X", false}, {"*.DLL", false}, {"A\\?.EXE", false}, {"LPT1", false}, {"prn", false},
        {"AUX.TXT", false}, {"SUB\\CON .LOG", false}, {"COM9.", false}, {"NUL\\X", false},
        {"LPT0", true}, {"COM10", true}, {"CONFIG.SYS", true}, {"AUXI.TXT", true}, {"\x95\x5C..", true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsScriptTextInside(c.text), c.inside) << "\"" << c.text << "\"";
        // Only names without folders may go to the Windows, system and fonts directories.
        EXPECT_EQ(IsPlainScriptName(c.text), c.inside && (!std::strchr(c.text, '\\') || c.text[0] == '\x95'))
            << "\"" << c.text << "\"";
    }
    EXPECT_FALSE(IsScriptTextInside(nullptr));
    EXPECT_EQ(OpenedNameLength("VAZAZUD.DLL. . "), 11u) << "as Windows opens it";
    EXPECT_EQ(OpenedNameLength("\x95\x2E"), 2u) << "a trail byte that looks like a dot";
}

TEST(ScriptPlaces, PathsCompareWithoutCaseAndTrailingBackslashes) {
    const struct {
        const char *path, *dir;
        bool same, below;
    } cases[] = {
        {"C:\\VIREO", "C:\\VIREO", true, false},
        {"c:\\vireo\\", "C:\\VIREO", true, false},
        {"C:\\VIREO\\X.EXE", "C:\\VIREO", false, true},
        {"C:\\VIREO\\X.EXE", "C:\\VIREO\\", false, true},
        {"C:\\VIREO\\", "C:\\VIREO", true, false},
        {"C:\\VIREO\\\\", "C:\\VIREO", true, false},
        {"C:\\VIREOX\\X.EXE", "C:\\VIREO", false, false},
        {"C:\\VIRE", "C:\\VIREO", false, false},
        {"C:\\BOOT.INI", "C:\\", false, true},
        {"C:\\BOOT.INI", "C:\\WINDOWS", false, false},
        {"C:\\WINDOWS\\SYSTEM\\VIREO", "C:\\WINDOWS\\SYSTEM", false, true},
        {"D:\\VIREO\\X", "C:\\VIREO", false, false},
        {"\\X", "", false, false},
        // Code page 932: the trail byte 0x5C of 0x95 0x5C is no backslash.
        {"C:\\\x95\x5C\x8E\xA6", "C:\\\x95\x5C", false, false},
        {"C:\\\x95\x5C\\X", "C:\\\x95\x5C", false, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsSamePath(c.path, c.dir), c.same) << c.path << " and " << c.dir;
        EXPECT_EQ(IsPathBelow(c.path, c.dir), c.below) << c.path << " below " << c.dir;
    }
}
