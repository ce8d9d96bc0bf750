// Removal of the script's files and directories, called in-process with no
// progress dialog (its status lines are then simply not shown).
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "desetup.h"
#include "next_start.h"
#include "script_engine.h"
#include "textutil.h"
#include "wine_files.h"
#include "../machine/import_slot.h"
#include "../machine/pending_deletions.h"
#include "../machine/strict_files.h"

namespace {

const char kInstallDir[] = "C:\\VIREOT";

const char kScript[] =
    "[Application]\r\nAppName=Vireo\r\nDefDir=C:\\VIREO\r\n"
    "[Disks]\r\n1=Disk 1\r\n"
    "[Dirs]\r\n1=.\r\n2=USER\r\n3=SPOOL\r\n4=SYSTEM\r\n5=WINDOWS\r\n6=LAST1\r\n7=LAST2\r\n"
    "[Files]\r\n"
    "VIREO.EXE,1,VIREO.EX_,1,1,Y\r\n"
    "hppcl.drv,4,HPPCL.DR_,1,1,Y\r\n"
    "UniDrv.dll,4,UNIDRV.DL_,1,1,Y\r\n"
    "PSCRIPT.HLP,4,PSCRIPT.HL_,1,1,Y\r\n"
    "VAZAZUD.DLL,4,VAZAZUD.DL_,1,1,Y\r\n"
    "tldelet.exe,1,TLDESETU.EX_,1,1,Y\r\n"
    "PELORASD.EXE,1,PELORASD.EX_,1,1,Y\r\n"
    "SPOOL.DAT,3,SPOOL.DA_,1,1,N\r\n"
    "NOTE.TXT,2,NOTE.TX_,1,1,N\r\n"
    "ORVTEST.DLL,4,ORVTEST.DL_,1,1,Y\r\n"
    "ORVWIN.INI,5,ORVWIN.IN_,1,1,N,ALL\r\n"
    "ORV50.INI,5,ORV50.IN_,1,1,N,50\r\n"
    "L1.TXT,6,L1.TX_,1,1,N\r\n"
    "tlsetup.inf,1,TLSETUP.INF,1,1,N\r\n"
    "ZEROZ32.DLL,1,ZEROZ32.DLL,1,1,N\r\n"
    "ZEROZ32.DLL,3,ZEROZ32.DLL,1,1,N\r\n"
    "PELORASD.INI,5,PEL.IN_,1,1,N,ALL\r\n"
    "[End]\r\n";

class RemoveFiles : public ::testing::Test {
protected:
    void SetUp() override {
        RemoveTree(kInstallDir);
        MakeDir(kInstallDir);
        for (const char* sub : {"USER", "SPOOL", "LAST1", "LAST2"}) MakeDir(Install(sub));
        LoadScript("USER");
        ASSERT_EQ(ScriptQuery(kOpFileCount, 0, nullptr), 16u) << "the 50-pieces INI record is not kept";

        std::memset(&g_desetup, 0, sizeof g_desetup);
        g_desetup.hInstance = GetModuleHandleA(nullptr);
        CopyText(g_desetup.installDir, kInstallDir);
        CopyText(g_desetup.windowsDir, WindowsDir().c_str());
        CopyText(g_desetup.systemDir, SystemDir().c_str());

        for (const char* name : {"VIREO.EXE", "TLDELET.EXE", "PELORASD.EXE", "spooler.que", "OWN.DOC", "TLSETUP.BAK"}) {
            WriteBytes(Install(name), "x");
        }
        WriteBytes(Install("SPOOL\\SPOOL.DAT"), "x");
        WriteBytes(Install("SPOOL\\KEEP.DOC"), "user file");
        WriteBytes(Install("USER\\NOTE.TXT"), "x");
        WriteBytes(Install("USER\\MINE.DOC"), "user file");
        WriteBytes(Install("LAST1\\L1.TXT"), "x");
        for (const char* name : {"hppcl.drv", "UniDrv.dll", "PSCRIPT.HLP", "VAZAZUD.DLL", "ORVTEST.DLL"}) {
            WriteBytes(SystemDir() + "\\" + name, "x");
        }
        WriteBytes(WindowsDir() + "\\ORVWIN.INI", "x");
        WriteBytes(WindowsDir() + "\\ORV50.INI", "x");
        WriteBytes(WindowsDir() + "\\ORVTEST.DLL", "x");
        GetCurrentDirectoryA(sizeof savedDir_, savedDir_);
    }

    void TearDown() override {
        SetCurrentDirectoryA(savedDir_);
        RemoveTree(kInstallDir);
        for (const char* name : {"hppcl.drv", "UniDrv.dll", "PSCRIPT.HLP", "VAZAZUD.DLL", "ORVTEST.DLL"}) {
            DeleteFileA((SystemDir() + "\\" + name).c_str());
        }
        for (const char* name : {"ORVWIN.INI", "ORV50.INI", "ORVTEST.DLL", "PELORASD.INI"}) {
            DeleteFileA((WindowsDir() + "\\" + name).c_str());
        }
    }

    static std::string Install(const char* name) { return std::string(kInstallDir) + "\\" + name; }

    // Loads the script with firstDir as the text of [Dirs] entry 1.
    static void LoadScript(const char* firstDir) {
        std::string text = kScript;
        text.replace(text.find("2=USER"), 6, std::string("2=") + firstDir);
        LoadScriptText(text);
    }

    static void LoadScriptText(const std::string& text) {
        std::string script = Install("TLSETUP.INF");
        WriteBytes(script, text);
        char path[kScriptBufferSize];
        ASSERT_TRUE(CopyText(path, script.c_str()));
        g_scriptHopperCapacity = 0;
        ASSERT_EQ(ScriptQuery(kOpLoad, 0, path), 0u) << "loading " << script;
    }

    char savedDir_[MAX_PATH] = "";
};

}  // namespace

TEST_F(RemoveFiles, ScriptFilesGoProtectedOnesStay) {
    EXPECT_EQ(RemovePackageFiles(nullptr), 1);
    for (const char* name : {"VIREO.EXE", "PELORASD.EXE", "spooler.que", "SPOOL\\SPOOL.DAT", "USER\\NOTE.TXT",
                             "LAST1\\L1.TXT"}) {
        EXPECT_FALSE(FileExists(Install(name))) << name << " was not deleted";
    }
    EXPECT_TRUE(FileExists(Install("TLDELET.EXE"))) << "the uninstaller itself stays";
    for (const char* name : {"hppcl.drv", "UniDrv.dll", "PSCRIPT.HLP", "VAZAZUD.DLL"}) {
        EXPECT_TRUE(FileExists(SystemDir() + "\\" + name)) << name << " is a shared driver file and must stay";
    }
    EXPECT_FALSE(FileExists(SystemDir() + "\\ORVTEST.DLL")) << "SYSTEM records are deleted from the system directory";
    EXPECT_TRUE(FileExists(WindowsDir() + "\\ORVTEST.DLL"));
    EXPECT_FALSE(FileExists(WindowsDir() + "\\ORVWIN.INI"));
    EXPECT_TRUE(FileExists(WindowsDir() + "\\ORV50.INI")) << "a record that was not kept is not deleted";
    EXPECT_TRUE(FileExists(Install("OWN.DOC"))) << "files the script does not name stay";
}

TEST_F(RemoveFiles, WhatASecondRunNeedsGoesOnlyWithRemoveKeptFiles) {
    const std::string settings = WindowsDir() + "\\PELORASD.INI";
    for (const std::string& path : {Install("ZEROZ32.DLL"), Install("SPOOL\\ZEROZ32.DLL"), settings}) {
        WriteBytes(path, "x");
    }
    EXPECT_EQ(RemovePackageFiles(nullptr), 1);
    EXPECT_EQ(RemovePackageDirs(nullptr), 1);
    for (const std::string& path : {Install("TLSETUP.INF"), Install("ZEROZ32.DLL"), settings}) {
        EXPECT_TRUE(FileExists(path)) << path << " was deleted with the other files";
    }
    EXPECT_FALSE(FileExists(Install("SPOOL\\ZEROZ32.DLL"))) << "the library of another directory is an ordinary file";
    RemoveKeptFiles();
    for (const std::string& path : {Install("TLSETUP.INF"), Install("ZEROZ32.DLL"), settings}) {
        EXPECT_FALSE(FileExists(path)) << path << " left at the end";
    }
}

TEST_F(RemoveFiles, FirstScriptDirectoryIsEmptiedOthersAreNot) {
    EXPECT_EQ(RemovePackageFiles(nullptr), 1);
    EXPECT_FALSE(FileExists(Install("USER\\MINE.DOC"))) << "the user's file in [Dirs] entry 1 is deleted";
    EXPECT_TRUE(FileExists(Install("SPOOL\\KEEP.DOC"))) << "the user's file in another directory stays";
}

TEST_F(RemoveFiles, OnlyASubdirectoryOfTheInstallationDirectoryIsEmptied) {
    for (const char* sub : {"WINDIR", "SYS", "Long Windows Folder"}) MakeDir(Install(sub));
    const std::string win = WindowsDir(), sys = SystemDir(), windowsFile = win + "\\TLKEEP.TXT";
    // The Windows directory named by the 8.3 alias of a long-named folder
    // is still that folder.
    char alias[MAX_PATH] = "";
    const std::string longDir = Install("Long Windows Folder");
    DWORD aliasLength = GetShortPathNameA(longDir.c_str(), alias, sizeof alias);
    ASSERT_TRUE(aliasLength > 0 && aliasLength < sizeof alias) << "no short name of " << longDir;
    ASSERT_NE(CompareNoCase(alias, longDir.c_str()), 0) << "the alias " << alias << " is the long name";
    const struct { const char *installDir, *firstDir; std::string windowsDir, systemDir, userFile; } cases[] = {
        {"C:", "WINDOWS", win, sys, windowsFile},  // installed at the drive's root
        {kInstallDir, ".", win, sys, Install("OWN.DOC")},
        {kInstallDir, "USER\\..\\SPOOL", win, sys, Install("SPOOL\\KEEP.DOC")},
        {kInstallDir, "WINDIR", Install("WINDIR"), sys, Install("WINDIR\\KEEP.DOC")},
        {kInstallDir, "sys\\", win, Install("SYS"), Install("SYS\\KEEP.DOC")},
        {kInstallDir, "Long Windows Folder", std::string(alias) + "\\", sys, longDir + "\\KEEP.DOC"},
        {kInstallDir, "long windows folder\\", win, std::string(alias) + "\\.\\", longDir + "\\KEEP.DOC"},
    };
    for (const auto& c : cases) {
        WriteBytes(c.userFile, "user file");
        LoadScript(c.firstDir);
        CopyText(g_desetup.installDir, c.installDir);
        CopyText(g_desetup.windowsDir, c.windowsDir.c_str());
        CopyText(g_desetup.systemDir, c.systemDir.c_str());
        EXPECT_EQ(RemovePackageFiles(nullptr), 1);
        EXPECT_TRUE(FileExists(c.userFile)) << "\"" << c.firstDir << "\" under " << c.installDir << " (Windows "
                                            << c.windowsDir << ", system " << c.systemDir << ") emptied";
    }
    DeleteFileA(windowsFile.c_str());
}

TEST_F(RemoveFiles, AWildcardInTheWindowsDirectoryMatchesNoFolder) {
    // "WIN*" searched for as a pattern would find WINDIR and spare it.
    MakeDir(Install("WINDIR"));
    WriteBytes(Install("WINDIR\\OLD.DOC"), "x");
    LoadScript("WINDIR");
    CopyText(g_desetup.windowsDir, Install("WIN*").c_str());
    EXPECT_EQ(RemovePackageFiles(nullptr), 1);
    EXPECT_FALSE(FileExists(Install("WINDIR\\OLD.DOC"))) << "WINDIR taken for the Windows directory \"WIN*\"";
}

TEST_F(RemoveFiles, SystemFilesGoToTheWindowsDirectoryWhenTheSystemDirectoryLiesElsewhere) {
    g_desetup.systemFilesInWindowsDir = true;
    EXPECT_EQ(RemovePackageFiles(nullptr), 1);
    EXPECT_FALSE(FileExists(WindowsDir() + "\\ORVTEST.DLL"));
    EXPECT_TRUE(FileExists(SystemDir() + "\\ORVTEST.DLL"));
}

TEST_F(RemoveFiles, EmptyDirectoriesGoExceptTheLastTwoEntries) {
    ASSERT_EQ(RemovePackageFiles(nullptr), 1);
    EXPECT_EQ(RemovePackageDirs(nullptr), 1);
    EXPECT_FALSE(DirExists(Install("USER"))) << "emptied and removed";
    EXPECT_TRUE(DirExists(Install("SPOOL"))) << "still holds the user's file";
    EXPECT_TRUE(DirExists(Install("LAST1"))) << "the last two entries are not removed";
    EXPECT_TRUE(DirExists(Install("LAST2")));
    EXPECT_TRUE(DirExists(kInstallDir)) << "the installation directory is removed by the sequence, not here";
    char current[MAX_PATH];
    GetCurrentDirectoryA(sizeof current, current);
    EXPECT_EQ(CompareNoCase(current, kInstallDir), 0) << "current directory is " << current;
}

TEST_F(RemoveFiles, ADirectoryIsTriedOncePerRemoval) {
    // A first run, cut short, tried USER while it still held a file.
    SetRemovalMark(kMarkDirsTried, 1);
    ClearDirectory(Install("USER").c_str());
    EXPECT_EQ(RemovePackageDirs(nullptr), 1);
    EXPECT_TRUE(DirExists(Install("USER"))) << "tried a second time by the same removal";
    EXPECT_EQ(RemovalMark(kMarkDirsTried), 4) << "entries 1 to 4 tried";
    // The next installation's removal, with the settings file it brings.
    DeleteFileA((WindowsDir() + "\\PELORASD.INI").c_str());
    EXPECT_EQ(RemovePackageDirs(nullptr), 1);
    EXPECT_FALSE(DirExists(Install("USER")));
}

TEST_F(RemoveFiles, MissingInstallationDirectoryFailsBeforeRemovingAnything) {
    CopyText(g_desetup.installDir, "C:\\NO_SUCH_DIR");
    EXPECT_EQ(RemovePackageDirs(nullptr), 0);
    EXPECT_TRUE(DirExists(Install("USER")));
}

TEST_F(RemoveFiles, ClearDirectoryDeletesFilesButNotSubdirectories) {
    MakeDir(Install("USER\\DEEP"));
    WriteBytes(Install("USER\\DEEP\\INNER.DOC"), "x");
    {
        // A folder that users may write to turned into a junction is not emptied.
        g_junctionPath = Install("USER");
        ImportSwaps swaps;
        swaps.Swap(g_getFileAttributesSlot, JunctionAttributes, &g_realGetFileAttributes);
        ClearDirectory(Install("USER").c_str());
    }
    EXPECT_TRUE(FileExists(Install("USER\\NOTE.TXT"))) << "emptied through a link";
    ClearDirectory(Install("USER").c_str());
    EXPECT_FALSE(FileExists(Install("USER\\NOTE.TXT")));
    EXPECT_FALSE(FileExists(Install("USER\\MINE.DOC")));
    EXPECT_TRUE(FileExists(Install("USER\\DEEP\\INNER.DOC")));
    ClearDirectory("C:\\NO_SUCH_DIR");  // nothing to do, no harm
}

TEST_F(RemoveFiles, RecordsThatLeadOutOfTheirPlaceArePassedOverAndTheRemovalGoesOn) {
    // An edited script: each record would reach the file beside it, outside
    // the installation, Windows or system directory it names.
    const std::string win = WindowsDir();
    MakeDir("C:\\OUTSIDE");
    MakeDir("C:\\OUTSIDE\\EMPTY");
    const struct {
        const char* record;
        std::string victim;
    } records[] = {
        {"..\\VICTIM.TXT,1", "C:\\VICTIM.TXT"},
        {"..\\..\\VICTIM2.TXT,2", "C:\\VICTIM2.TXT"},
        {"KEEP.DOC,3", "C:\\OUTSIDE\\KEEP.DOC"},
        {"X/../../SLASH.TXT,1", "C:\\SLASH.TXT"},
        {"..\\WINPARENT.TXT,7", "C:\\WINPARENT.TXT"},
        {"..\\SYSPARENT.TXT,6", win + "\\SYSPARENT.TXT"},
        {"C:\\DRIVE.TXT,1", "C:\\DRIVE.TXT"},
        {"TLHELP\\VICTIM3.TXT,7", win + "\\TLHELP\\VICTIM3.TXT"},
        {"VAZAZUD.DLL.,7", win + "\\VAZAZUD.DLL"},
    };
    MakeDir(win + "\\TLHELP");
    std::string text =
        "[Dirs]\r\n1=.\r\n2=USER\r\n3=..\\OUTSIDE\r\n4=..\\OUTSIDE\\EMPTY\r\n5=C:\\OUTSIDE\\EMPTY\r\n"
        "6=SYSTEM\r\n7=WINDOWS\r\n8=LAST1\r\n9=LAST2\r\n[Files]\r\nVIREO.EXE,1,V.EX_,1,1,Y\r\n";
    for (const auto& r : records) {
        WriteBytes(r.victim, "not the package's");
        text += std::string(r.record) + ",X.EX_,1,1,N\r\n";
    }
    text += "USER\\NOTE.TXT,1,N.TX_,1,1,N\r\n[End]\r\n";
    LoadScriptText(text);
    ASSERT_EQ(ScriptQuery(kOpFileCount, 0, nullptr), static_cast<std::uint32_t>(std::size(records) + 2));

    EXPECT_EQ(RemovePackageFiles(nullptr), 1);
    EXPECT_EQ(RemovePackageDirs(nullptr), 1);
    for (const auto& r : records) {
        EXPECT_EQ(ReadBytes(r.victim), "not the package's") << r.record << " reached " << r.victim;
        DeleteFileA(r.victim.c_str());
    }
    RemoveDirectoryA((win + "\\TLHELP").c_str());
    EXPECT_TRUE(DirExists("C:\\OUTSIDE\\EMPTY")) << "an empty directory outside was removed";
    EXPECT_FALSE(FileExists(Install("VIREO.EXE"))) << "the records inside are still removed";
    EXPECT_FALSE(FileExists(Install("USER\\NOTE.TXT")));
    EXPECT_FALSE(DirExists(Install("USER")));
    RemoveTree("C:\\OUTSIDE");
}

namespace {

// A file held open by another program without delete sharing, as a viewer
// or a program that did not close holds it.
struct HeldOpen {
    HANDLE handle;
    explicit HeldOpen(const std::string& path)
        : handle(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr)) {}
    ~HeldOpen() {
        if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    }
};

// Windows 95's profile functions need not create a file named with its path.
decltype(&WritePrivateProfileSectionA) g_realWriteSection;
BOOL WINAPI WriteToExistingFile(LPCSTR section, LPCSTR text, LPCSTR file) {
    return GetFileAttributesA(file) != INVALID_FILE_ATTRIBUTES && g_realWriteSection(section, text, file);
}
UINT WINAPI NetworkDrive(LPCSTR) { return DRIVE_REMOTE; }

}  // namespace

TEST_F(RemoveFiles, ReadOnlyFilesOfThePackageAreDeleted) {
    ASSERT_TRUE(SetFileAttributesA(Install("VIREO.EXE").c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(SetFileAttributesA(Install("SPOOL\\SPOOL.DAT").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));
    {
        strict::StrictFiles strictFiles(false);
        ASSERT_TRUE(strictFiles.swapped());
        EXPECT_EQ(RemovePackageFiles(nullptr), 1);
    }
    EXPECT_FALSE(FileExists(Install("VIREO.EXE")));
    EXPECT_FALSE(FileExists(Install("SPOOL\\SPOOL.DAT")));
    EXPECT_EQ(FilesLeftForRestart(), 0);
}

// NT deletes the files, then the emptied directories, when it next starts.
TEST_F(RemoveFiles, FilesHeldOpenAreDeletedAtTheNextStartOfWindowsNT) {
    pending::TakeDeletions();
    {
        HeldOpen program(Install("VIREO.EXE"));
        HeldOpen data(Install("SPOOL\\SPOOL.DAT"));
        ASSERT_NE(program.handle, INVALID_HANDLE_VALUE);
        ASSERT_NE(data.handle, INVALID_HANDLE_VALUE);
        EXPECT_EQ(RemovePackageFiles(nullptr), 1);
        EXPECT_EQ(RemovePackageDirs(nullptr), 1);
        ScheduleLeftDirectories();
    }
    const std::vector<std::string> expected = {Install("VIREO.EXE"), Install("SPOOL\\SPOOL.DAT"), Install("SPOOL"),
                                               kInstallDir};
    const std::vector<std::string> listed = pending::TakeDeletions();
    EXPECT_EQ(pending::Joined(listed), pending::Joined(expected));
    EXPECT_EQ(FilesLeftForRestart(), 2);
    EXPECT_EQ(FilesThatStay(), 0);
}

// Windows 95 deletes the files that WININIT.INI lists, one "NUL=" line each,
// in a file created when there is none; its WININIT leaves directories. On
// any system, a file on a network drive stays.
TEST_F(RemoveFiles, FilesHeldOpenAreDeletedAtTheNextStartOfWindows95) {
    const std::string wininit = WindowsDir() + "\\WININIT.INI";
    {
        strict::StrictFiles windows95(true);
        ImportSwaps swaps;
        ASSERT_TRUE(windows95.swapped() && swaps.Swap(g_writePrivateProfileSectionSlot, WriteToExistingFile, &g_realWriteSection));
        HeldOpen program(Install("VIREO.EXE"));
        HeldOpen data(Install("SPOOL\\SPOOL.DAT"));
        EXPECT_EQ(RemovePackageFiles(nullptr), 1);
        EXPECT_EQ(RemovePackageDirs(nullptr), 1);
        ScheduleLeftDirectories();
    }
    std::vector<char> section(4096, '\0');
    GetPrivateProfileSectionA("rename", section.data(), static_cast<DWORD>(section.size()), wininit.c_str());
    std::vector<std::string> lines;
    for (const char* line = section.data(); *line; line += std::strlen(line) + 1) lines.push_back(line);
    const std::vector<std::string> expected = {"NUL=" + Install("VIREO.EXE"), "NUL=" + Install("SPOOL\\SPOOL.DAT")};
    EXPECT_EQ(pending::Joined(lines), pending::Joined(expected)) << ReadBytes(wininit);
    EXPECT_EQ(FilesLeftForRestart(), 2);
    DeleteFileA(wininit.c_str());
    ImportSwaps network;
    ASSERT_TRUE(network.Swap(g_getDriveTypeSlot, NetworkDrive));
    HeldOpen program(Install("VIREO.EXE"));
    DeletePackageFile(Install("VIREO.EXE").c_str());
    EXPECT_EQ(FilesThatStay(), 1) << "the next start comes before the network: a file on a network drive stays";
    EXPECT_TRUE(pending::TakeDeletions().empty()) << "Windows 95 has no such list";
}

// A reinstallation takes the deletions of the paths it writes off both
// lists, however they name them; renames and other entries stay, in order.
TEST_F(RemoveFiles, WrittenPathsAreTakenOffTheNextStartLists) {
    WriteBytes(Install("Long Name.txt"), "x");
    char shortName[MAX_PATH] = "";
    GetShortPathNameA(Install("Long Name.txt").c_str(), shortName, MAX_PATH);
    const std::string z(1, '\0'), nt = "\\??\\", lower = "c:\\vireot\\vireo.exe", wininit = WindowsDir() + "\\WININIT.INI";
    const std::string kept = nt + "C:\\OTHER.TMP" + z + z + nt + "C:\\A.TMP" + z + "!" + nt + Install("VIREO.EXE") + z;
    std::string list = nt + lower + z + z + kept + shortName + z + z + nt + Install("SPOOL") + z + z + z;
    const char* const manager = "System\\CurrentControlSet\\Control\\Session Manager";
    DWORD size = static_cast<DWORD>(list.size());
    RegSetKeyValueA(HKEY_LOCAL_MACHINE, manager, "PendingFileRenameOperations", REG_MULTI_SZ, list.data(), size);
    WriteBytes(wininit, "[rename]\r\nNUL=C:\\OTHER.TMP\r\nnul=" + lower + "\r\nC:\\NEW=C:\\OLD\r\nNUL=" + shortName + "\r\n");
    for (const char* name : {"VIREO.EXE", "Long Name.txt", "SPOOL"}) CancelRestartDeletions(WindowsDir().c_str(), Install(name).c_str());
    AddWininitDeletion(WindowsDir().c_str(), Install("SPOOL\\SPOOL.DAT").c_str());
    RegGetValueA(HKEY_LOCAL_MACHINE, manager, "PendingFileRenameOperations", RRF_RT_ANY, nullptr, &list[0], &size);
    EXPECT_EQ(list.substr(0, size), kept + z);
    EXPECT_EQ(ReadBytes(wininit), "[rename]\r\nNUL=C:\\OTHER.TMP\r\nC:\\NEW=C:\\OLD\r\nNUL=" + Install("SPOOL\\SPOOL.DAT") + "\r\n");
    pending::TakeDeletions();
    DeleteFileA(wininit.c_str());
}
