#include <gtest/gtest.h>

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
        {"../X", false},
    };
    for (const auto& c : cases) EXPECT_EQ(IsScriptTextInside(c.text), c.inside) << "\"" << c.text << "\"";
    EXPECT_FALSE(IsScriptTextInside(nullptr));
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
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsSamePath(c.path, c.dir), c.same) << c.path << " and " << c.dir;
        EXPECT_EQ(IsPathBelow(c.path, c.dir), c.below) << c.path << " below " << c.dir;
    }
}
