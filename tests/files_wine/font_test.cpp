// Compressed TrueType fonts: expanded into the fonts folder, resource file
// beside them, [Fonts] entries named from the end of the table.
#include "../machine/import_slot.h"
#include "file_install.h"
#include "files_fixture.h"
#include "resource.h"
#include "start_process.h"

#include <lzexpand.h>

#ifndef FILES_TEST_FONT_A
#error FILES_TEST_FONT_A must name a TrueType file
#endif

namespace {

class FontTest : public FilesTest {
protected:
    std::string fontA;
    std::string fontB;

    void SetUp() override {
        FilesTest::SetUp();
        fontA = ReadFileBytes(FILES_TEST_FONT_A);
        fontB = ReadFileBytes(FILES_TEST_FONT_B);
        ASSERT_NE(fontA, "<missing>") << FILES_TEST_FONT_A;
        ASSERT_NE(fontB, "<missing>") << FILES_TEST_FONT_B;
    }

    std::string FontsEntry(const std::string& key) {
        char value[128];
        GetProfileStringA("Fonts", key.c_str(), "<none>", value, sizeof value);
        return value;
    }

    // Every [Fonts] value that names a resource of these tests.
    std::string TestFontValues() {
        std::vector<char> section(32768);
        GetProfileSectionA("Fonts", section.data(), static_cast<DWORD>(section.size()));
        std::string found;
        for (const char* p = section.data(); *p; p += lstrlenA(p) + 1) {
            std::string line = p;
            if (line.find("FTF") != std::string::npos) found += line + "; ";
        }
        return found;
    }

    // A value of Windows 95's font list, read in the registry view of this
    // program and of register_font, both built for the same processor.
    std::string FontListEntry(const std::string& key) {
        char value[MAX_PATH] = "";
        DWORD size = sizeof value;
        DWORD type = 0;
        HKEY list = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kWindowsFontList, 0, KEY_QUERY_VALUE, &list) != ERROR_SUCCESS) {
            return "<no key>";
        }
        LONG got = RegQueryValueExA(list, key.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
        RegCloseKey(list);
        if (got != ERROR_SUCCESS) return "<none>";
        return type == REG_SZ ? std::string(value) : "<type " + std::to_string(type) + ">";
    }

    void Track(const std::string& fontsDir, const std::string& base, const std::string& key) {
        placedOutside.push_back(fontsDir + "\\" + base + ".fot");
        placedOutside.push_back(fontsDir + "\\" + base + ".TTF");
        if (!key.empty()) fontKeys.push_back(key);
    }
};

TEST_F(FontTest, FontsLandInTheFontsFolderWithTheirResourceFiles) {
    LoadScript("[Disks]\r\n1=Disk 1\r\n[Dirs]\r\n1=Bin\r\n2=WINDOWS\r\n3=SYSTEM\r\n4=.\r\n[Files]\r\n"
               "vireo.exe,1,VIREO.EXE,1,1,N\r\n"
               "ftfsans.ttf,3,FTFSANS.TT_,1,1,Y\r\n"
               "ftfserif.ttf,3,FTFSERIF.TT_,1,1,Y\r\n[End]\r\n");
    PutSource(disk1, "Bin\\VIREO.EXE", "program", false);
    PutSource(disk1, "Bin\\FTFSANS.TT_", fontA, true, 'F');
    PutSource(disk1, "Bin\\FTFSERIF.TT_", fontB, true, 'F');
    std::string fonts = windowsDir + "\\FONTS";
    Track(fonts, "FTFSANS", "Letter Gothic Italic (TrueType)");
    Track(fonts, "FTFSERIF", "Marigold (TrueType)");

    ASSERT_TRUE(CreateDestinationTree(statusDlg));
    SetCurrentDirectoryA(dest.c_str());
    EXPECT_TRUE(CopyPackageFiles(statusDlg)) << "messages: " << Describe(MessageIds());

    EXPECT_STREQ(g_setup.fontDir, fonts.c_str()) << "the fonts folder of the Windows directory";
    EXPECT_EQ(StoredName(fonts, "FTFSANS.TTF"), "FTFSANS.TTF");
    EXPECT_TRUE(ReadFileBytes(fonts + "\\FTFSANS.TTF") == fontA) << "the font is expanded";
    EXPECT_TRUE(ReadFileBytes(fonts + "\\FTFSERIF.TTF") == fontB);
    EXPECT_TRUE(FileExists(fonts + "\\FTFSANS.fot")) << "resource file beside the font";
    EXPECT_TRUE(FileExists(fonts + "\\FTFSERIF.fot"));
    EXPECT_FALSE(FileExists(dest + "\\FTFSANS.TTF")) << "the [Dirs] entry of a font is not used";
    EXPECT_EQ(FontsEntry("Letter Gothic Italic (TrueType)"), "FTFSANS.FOT");
    EXPECT_EQ(FontsEntry("Marigold (TrueType)"), "FTFSERIF.FOT");
    EXPECT_EQ(StoredName(dest + "\\Bin", "VIREO.EXE"), "VIREO.EXE");
    // Windows NT keeps its font list itself: Windows 95's stays untouched.
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    ASSERT_TRUE(GetVersionExA(&version));
    EXPECT_EQ(version.dwPlatformId, static_cast<DWORD>(VER_PLATFORM_WIN32_NT)) << "the test machine reports NT";
    EXPECT_EQ(FontListEntry("Letter Gothic Italic (TrueType)"), "<none>");
    EXPECT_EQ(FontListEntry("Marigold (TrueType)"), "<none>");
}

// Windows 95, 98 and ME read their font list from the registry: there the
// font is also entered under its [Fonts] key with the font file's name as
// data, and WIN.INI gets its line as everywhere. The registration runs in a
// program of its own for which the Wine machine reports Windows 95.
TEST_F(FontTest, OnWindows95TheFontIsAlsoEnteredInTheRegistrysFontList) {
    const std::string fonts = windowsDir + "\\FONTS";
    MakeDirectory(fonts);
    Track(fonts, "FTFSANS", "Marigold (TrueType)");
    ASSERT_TRUE(CopyFileA(FILES_TEST_FONT_A, (fonts + "\\FTFSANS.TTF").c_str(), FALSE));
    ASSERT_EQ(FontListEntry("Marigold (TrueType)"), "<none>") << "known state before the registration";

    const char appKey[] = "Software\\Wine\\AppDefaults\\register_font.exe";
    HKEY app = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, appKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &app, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(app, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>("win95"), 6);
    RegCloseKey(app);

    char self[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, self, sizeof self);
    while (n > 0 && self[n - 1] != '\\') --n;
    std::string program = std::string(self, n) + "register_font.exe";
    std::string command = "\"" + program + "\" 0 1 " + fonts + "\\FTFSANS.TTF FTFSANS.TT_";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    BOOL started = StartProcess(program.c_str(), &command[0], 0, nullptr, &startup, &process);
    DWORD code = 0;
    if (started) {
        // The registration's WM_FONTCHANGE broadcast reaches this program's
        // windows too: they answer while it waits.
        const DWORD start = GetTickCount();
        DWORD waited = WAIT_TIMEOUT;
        for (DWORD passed = 0; passed < 60000; passed = GetTickCount() - start) {
            waited = MsgWaitForMultipleObjects(1, &process.hProcess, FALSE, 60000 - passed, QS_ALLINPUT);
            if (waited != WAIT_OBJECT_0 + 1) break;
            PumpMessages();
        }
        EXPECT_EQ(waited, WAIT_OBJECT_0) << "register_font did not end within 60 s";
        GetExitCodeProcess(process.hProcess, &code);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
    }
    RegDeleteTreeA(HKEY_CURRENT_USER, appKey);
    ASSERT_TRUE(started) << command << ": error " << GetLastError();
    EXPECT_EQ(code / 16, static_cast<DWORD>(VER_PLATFORM_WIN32_WINDOWS)) << "platform reported to register_font";
    EXPECT_EQ(code % 16, 1u) << "the WIN.INI entry was written";

    EXPECT_EQ(FontListEntry("Marigold (TrueType)"), "FTFSANS.TTF");
    EXPECT_EQ(FontsEntry("Marigold (TrueType)"), "FTFSANS.FOT") << "the WIN.INI line stays";
    EXPECT_TRUE(FileExists(fonts + "\\FTFSANS.fot"));
}

TEST_F(FontTest, AMissingFontsFolderIsCreated) {
    std::string windows = root + "\\WIN";
    MakeDirectory(windows);
    CopyText(g_setup.windowsDir, windows.c_str());
    LoadScript("[Disks]\r\n1=Disk 1\r\n[Dirs]\r\n1=WINDOWS\r\n2=SYSTEM\r\n3=.\r\n[Files]\r\n"
               "ftfsans.ttf,3,FTFSANS.TT_,3,1,Y\r\n[End]\r\n");
    PutSource(disk1, "FTFSANS.TT_", fontA, true, 'F');
    fontKeys.push_back("Marigold (TrueType)");
    MakeDirectory(dest);
    SetCurrentDirectoryA(dest.c_str());
    EXPECT_TRUE(CopyPackageFiles(statusDlg)) << "messages: " << Describe(MessageIds());
    EXPECT_STREQ(g_setup.fontDir, (windows + "\\FONTS").c_str());
    EXPECT_TRUE(ReadFileBytes(windows + "\\FONTS\\FTFSANS.TTF") == fontA);
    EXPECT_EQ(FontsEntry("Marigold (TrueType)"), "FTFSANS.FOT");
    RemoveFontResourceA((windows + "\\FONTS\\FTFSANS.fot").c_str());
}

// Windows holds a loaded font's file open: creating it over the font fails
// until the font has been taken out of the system. The copy opens its
// destination through the program's LZOpenFileA import slot, and the font
// is released through the RemoveFontResourceA slot.
decltype(&LZOpenFileA) g_realLzOpen;
decltype(&RemoveFontResourceA) g_realRemoveFont;
std::string g_loadedFont;      // the font file held open
std::string g_loadedResource;  // the resource file it was added by
bool g_fontReleased = false;
int g_refusedOpens = 0;

INT WINAPI LzOpenRefusingLoadedFont(LPSTR name, LPOFSTRUCT info, WORD style) {
    if ((style & OF_CREATE) && !g_fontReleased && lstrcmpiA(name, g_loadedFont.c_str()) == 0) {
        ++g_refusedOpens;
        return LZERROR_BADOUTHANDLE;
    }
    return g_realLzOpen(name, info, style);
}

BOOL WINAPI RemoveFontRecorded(LPCSTR resource) {
    if (lstrcmpiA(resource, g_loadedResource.c_str()) == 0) g_fontReleased = true;
    return g_realRemoveFont(resource);
}

// Copies the package's files with the loaded font's file refused to the
// copy until the font is released by g_loadedResource.
BOOL CopyWithTheFontLoaded(HWND statusDlg) {
    g_fontReleased = false;
    g_refusedOpens = 0;
    ImportSwaps swaps;
    if (!swaps.Swap(g_lzOpenFileSlot, LzOpenRefusingLoadedFont, &g_realLzOpen) ||
        !swaps.Swap(g_removeFontResourceSlot, RemoveFontRecorded, &g_realRemoveFont)) {
        return FALSE;
    }
    return CopyPackageFiles(statusDlg);
}

TEST_F(FontTest, AnEarlierInstallationsFontIsTakenOutOfTheSystemBeforeItsFileIsReplaced) {
    LoadScript("[Disks]\r\n1=Disk 1\r\n[Dirs]\r\n1=WINDOWS\r\n2=SYSTEM\r\n3=.\r\n[Files]\r\n"
               "ftfsans.ttf,3,FTFSANS.TT_,3,1,Y\r\n[End]\r\n");
    PutSource(disk1, "FTFSANS.TT_", fontA, true, 'F');
    std::string fonts = windowsDir + "\\FONTS";
    Track(fonts, "FTFSANS", "Marigold (TrueType)");
    MakeDirectory(dest);
    SetCurrentDirectoryA(dest.c_str());
    ASSERT_TRUE(CopyPackageFiles(statusDlg)) << "first installation, messages: " << Describe(MessageIds());

    // The next installation brings another version of the font.
    PutSource(disk1, "FTFSANS.TT_", fontB, true, 'F');
    g_loadedFont = fonts + "\\FTFSANS.TTF";
    g_loadedResource = fonts + "\\FTFSANS.fot";
    const BOOL copied = CopyWithTheFontLoaded(statusDlg);

    EXPECT_TRUE(copied) << "messages: " << Describe(MessageIds());
    EXPECT_EQ(MessageIds(), std::vector<UINT>{}) << "the font's file was refused " << g_refusedOpens << " times";
    EXPECT_TRUE(g_fontReleased) << "the earlier font was not taken out of the system";
    EXPECT_TRUE(ReadFileBytes(fonts + "\\FTFSANS.TTF") == fontB) << "the new version replaces the earlier one";
    EXPECT_EQ(FontsEntry("Marigold (TrueType)"), "FTFSANS.FOT");
}

// After a restart Windows 95 loads the earlier font from its registry font
// list, by the font file's path: the release finds it under that name too.
TEST_F(FontTest, AFontThatWindowsLoadedAtStartUpIsTakenOutBeforeItsFileIsReplaced) {
    LoadScript("[Disks]\r\n1=Disk 1\r\n[Dirs]\r\n1=WINDOWS\r\n2=SYSTEM\r\n3=.\r\n[Files]\r\n"
               "ftfsans.ttf,3,FTFSANS.TT_,3,1,Y\r\n[End]\r\n");
    std::string fonts = windowsDir + "\\FONTS";
    Track(fonts, "FTFSANS", "Marigold (TrueType)");
    MakeDirectory(fonts);
    MakeDirectory(dest);
    SetCurrentDirectoryA(dest.c_str());
    ASSERT_TRUE(CopyFileA(FILES_TEST_FONT_A, (fonts + "\\FTFSANS.TTF").c_str(), FALSE));
    g_loadedFont = fonts + "\\FTFSANS.TTF";
    g_loadedResource = g_loadedFont;
    ASSERT_GT(AddFontResourceA(g_loadedResource.c_str()), 0) << "the earlier font, loaded at start-up";

    PutSource(disk1, "FTFSANS.TT_", fontB, true, 'F');
    const BOOL copied = CopyWithTheFontLoaded(statusDlg);

    EXPECT_TRUE(copied) << "messages: " << Describe(MessageIds());
    EXPECT_EQ(MessageIds(), std::vector<UINT>{}) << "the font's file was refused " << g_refusedOpens << " times";
    EXPECT_TRUE(g_fontReleased) << "the font loaded by its file's path was not taken out of the system";
    EXPECT_TRUE(ReadFileBytes(fonts + "\\FTFSANS.TTF") == fontB) << "the new version replaces the earlier one";
    RemoveFontResourceA((fonts + "\\FTFSANS.fot").c_str());
}

TEST_F(FontTest, ALowerCaseTtUnderscoreIsAnOrdinaryFile) {
    LoadScript("[Disks]\r\n1=Disk 1\r\n[Dirs]\r\n1=Bin\r\n2=WINDOWS\r\n3=SYSTEM\r\n4=.\r\n[Files]\r\n"
               "ftflow.ttf,1,ftflow.tt_,1,1,Y\r\n[End]\r\n");
    PutSource(disk1, "Bin\\ftflow.tt_", fontA, true, 'f');
    std::string before = TestFontValues();
    ASSERT_TRUE(CreateDestinationTree(statusDlg));
    EXPECT_TRUE(CopyPackageFiles(statusDlg)) << "messages: " << Describe(MessageIds());
    EXPECT_TRUE(ReadFileBytes(dest + "\\Bin\\FTFLOW.TTF") == fontA) << "copied to its [Dirs] destination";
    EXPECT_FALSE(FileExists(windowsDir + "\\FONTS\\FTFLOW.TTF"));
    EXPECT_FALSE(FileExists(dest + "\\Bin\\FTFLOW.fot")) << "not registered";
    EXPECT_EQ(TestFontValues(), before);
}

TEST_F(FontTest, AFontMoreThanThirtyOneRecordsBeforeTheEndIsCopiedButNotRegistered) {
    std::string script = "[Disks]\r\n1=Disk 1\r\n[Dirs]\r\n1=WINDOWS\r\n2=SYSTEM\r\n3=.\r\n[Files]\r\n"
                         "ftffar.ttf,3,FTFFAR.TT_,3,1,Y\r\n";
    for (int k = 0; k < 31; ++k) {
        std::string name = "F" + std::to_string(k) + ".TXT";
        script += name + ",3," + name + ",3,1,N\r\n";
        PutSource(disk1, name, name, false);
    }
    script += "[End]\r\n";
    LoadScript(script);
    ASSERT_EQ(ScriptQuery(kOpFileCount, 0, nullptr), 32u);
    PutSource(disk1, "FTFFAR.TT_", fontA, true, 'F');
    std::string fonts = windowsDir + "\\FONTS";
    Track(fonts, "FTFFAR", "");
    std::string before = TestFontValues();
    MakeDirectory(dest);
    SetCurrentDirectoryA(dest.c_str());
    EXPECT_TRUE(CopyPackageFiles(statusDlg)) << "messages: " << Describe(MessageIds());
    EXPECT_TRUE(ReadFileBytes(fonts + "\\FTFFAR.TTF") == fontA) << "copied into the fonts folder";
    EXPECT_FALSE(FileExists(fonts + "\\FTFFAR.fot")) << "no resource file for a font without a name";
    EXPECT_EQ(TestFontValues(), before) << "no [Fonts] entry";
    EXPECT_EQ(ReadFileBytes(dest + "\\F30.TXT"), "F30.TXT");
}

TEST_F(FontTest, AnAbandonedFontIsNotRegistered) {
    LoadScript("[Disks]\r\n1=Disk 1\r\n2=Disk 2 - Fonts\r\n[Dirs]\r\n1=WINDOWS\r\n2=SYSTEM\r\n3=.\r\n[Files]\r\n"
               "ftfgone.ttf,3,FTFGONE.TT_,3,2,Y\r\n[End]\r\n");
    std::string before = TestFontValues();
    MakeDirectory(dest);
    SetCurrentDirectoryA(dest.c_str());
    std::string prompt;
    StartDialogRobot(IDC_DISK_EDIT, [&](HWND dlg) {
        prompt = ControlText(dlg, IDC_DISK_PROMPT);
        ClickButton(dlg, IDCANCEL);
    });
    EXPECT_FALSE(CopyPackageFiles(statusDlg));
    StopDialogRobot();
    EXPECT_EQ(prompt, "Please insert Vireo diskette Disk 2 - Fonts");
    EXPECT_EQ(MessageIds(), std::vector<UINT>{IDS_CANCEL_QUESTION});
    EXPECT_FALSE(FileExists(windowsDir + "\\FONTS\\FTFGONE.TTF"));
    EXPECT_EQ(TestFontValues(), before);
}

TEST_F(FontTest, RegisterTrueTypeFontNamesTheFontFromTheEndOfTheTable) {
    std::string fonts = root + "\\FONTS";
    MakeDirectory(fonts);
    std::string path = fonts + "\\FTFTHIRD.TTF";
    WriteFileBytes(path, fontA);
    fontKeys.push_back("Univers Condensed (TrueType)");
    EXPECT_TRUE(RegisterTrueTypeFont(69, 100, path.c_str(), "FTFTHIRD.TT_"));
    EXPECT_EQ(FontsEntry("Univers Condensed (TrueType)"), "FTFTHIRD.FOT") << "31st record from the end: entry 1";
    EXPECT_TRUE(FileExists(fonts + "\\FTFTHIRD.fot"));
    RemoveFontResourceA((fonts + "\\FTFTHIRD.fot").c_str());
    std::string before = TestFontValues();
    EXPECT_TRUE(RegisterTrueTypeFont(68, 100, path.c_str(), "FTFTHIRD.TT_")) << "no name: left alone, no failure";
    EXPECT_EQ(TestFontValues(), before);
}

}  // namespace
