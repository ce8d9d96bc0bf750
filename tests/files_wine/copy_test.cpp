// The destination tree and the copy of a distribution set, with the real
// file system, LZ expansion and the insert-disk dialog.
#include "file_install.h"
#include "files_fixture.h"
#include "resource.h"
#include "../machine/import_slot.h"
#include "../machine/win95_profile_cache.h"

#include <algorithm>

namespace {

const char kTwoDiskScript[] =
    "[Application]\r\nAppName=Vireo\r\nDefDir=C:\\VIREO\r\n"
    "[Disks]\r\n1=Vireo Disk 1 - Program\r\n2=Vireo Disk 2 - Data\r\n"
    "[Dirs]\r\n1=Bin\r\n2=Bin\\Help\r\n3=Data\r\n4=WINDOWS\r\n5=SYSTEM\r\n6=.\r\n"
    "[Files]\r\n"
    "vireo.exe,1,VIREO.EX_,1,1,Y\r\n"
    "vireo.hlp,2,VIREO.HLP,2,1,N\r\n"
    "ftvelm.drv,5,FTVELM.DR_,5,1,Y\r\n"
    "ftpelora.ini,4,FTPELORA.INI,4,1,N,ALL\r\n"
    "velmps.wpd,3,VELMPS.WPD,1,1,N\r\n"
    "velmps.ppd,3,velmps.ppd,1,1,N\r\n"
    "data.dat,3,DATA.DA_,3,2,Y\r\n"
    "readme.txt,6,README.TXT,6,2,N\r\n"
    "[End]\r\n";

class CopyTest : public FilesTest {
protected:
    // One file to copy, whose destination `locked` in dest (the current
    // directory) holds "old content" and cannot be written: read-only, and
    // held open without sharing, since Wine running as root writes to
    // read-only files.
    std::string locked;
    HANDLE LockedDestination() {
        locked = dest + "\\LOCKED.DAT";
        LoadScript("[Disks]\r\n1=Disk 1\r\n[Dirs]\r\n1=WINDOWS\r\n2=SYSTEM\r\n3=.\r\n[Files]\r\n"
                   "locked.dat,3,LOCKED.DAT,3,1,N\r\n[End]\r\n");
        PutSource(disk1, "LOCKED.DAT", "new content", false);
        MakeDirectory(dest);
        WriteFileBytes(locked, "old content");
        SetFileAttributesA(locked.c_str(), FILE_ATTRIBUTE_READONLY);
        SetCurrentDirectoryA(dest.c_str());
        return CreateFileA(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    }
    void PutTwoDiskSet() {
        PutSource(disk1, "Bin\\VIREO.EX_", TestContent("vireo.exe", 20000), true, 'E');
        PutSource(disk1, "Bin\\Help\\VIREO.HLP", TestContent("vireo.hlp"), false);
        PutSource(disk1, "SYSTEM\\FTVELM.DR_", TestContent("ftvelm.drv"), true, 'V');
        PutSource(disk1, "WINDOWS\\FTPELORA.INI", "[Pelora]\r\nHopper=200\r\n", false);
        PutSource(disk1, "Bin\\VELMPS.WPD", "generic WPD", false);
        PutSource(disk1, "Bin\\VELMPS.200", "WPD for the 200-sheet hopper", false);
        PutSource(disk1, "Bin\\VELMPS.PPD", "generic PPD", false);
        PutSource(disk1, "Bin\\PL200.PPD", "PPD for 200 sheets", false);
        PutSource(disk1, "Bin\\PL50.PPD", "PPD for 50 sheets", false);
        PutSource(disk2, "Data\\DATA.DA_", TestContent("data.dat", 9000), true, 'T');
        PutSource(disk2, "README.TXT", "Read me first.\r\n", false);
    }

    // Copies a one-disk script's files after creating its tree.
    BOOL CreateAndCopy() {
        if (!CreateDestinationTree(statusDlg)) return FALSE;
        SetCurrentDirectoryA(dest.c_str());
        return CopyPackageFiles(statusDlg);
    }

    void ExpectFile(const std::string& dir, const std::string& name, const std::string& content) {
        EXPECT_EQ(StoredName(dir, name), name) << "stored name in " << dir;
        EXPECT_TRUE(ReadFileBytes(dir + "\\" + name) == content)
            << dir << "\\" << name << " holds " << ReadFileBytes(dir + "\\" + name).size() << " bytes, expected "
            << content.size();
    }
};

TEST_F(CopyTest, TwoDisketteSetLandsUpperCaseInItsPlaces) {
    LoadScript(kTwoDiskScript);
    PutTwoDiskSet();
    placedOutside = {systemDir + "\\FTVELM.DRV", windowsDir + "\\FTPELORA.INI"};

    std::string prompt;
    std::string editBefore;
    StartDialogRobot(IDC_DISK_EDIT, [&](HWND dlg) {
        prompt = ControlText(dlg, IDC_DISK_PROMPT);
        editBefore = ControlText(dlg, IDC_DISK_EDIT);
        SetDlgItemTextA(dlg, IDC_DISK_EDIT, disk2.c_str());
        ClickButton(dlg, IDOK);
    });
    ASSERT_TRUE(CreateDestinationTree(statusDlg)) << "messages: " << Describe(MessageIds());
    SetCurrentDirectoryA(dest.c_str());
    g_barEvents.clear();
    g_waits.clear();
    g_waitInFull = true;
    EXPECT_TRUE(CopyPackageFiles(statusDlg)) << "messages: " << Describe(MessageIds());
    g_waitInFull = false;
    StopDialogRobot();

    EXPECT_EQ(g_robotRuns, 1) << "the second diskette is asked for once";
    EXPECT_EQ(prompt, "Please insert Vireo diskette Vireo Disk 2 - Data");
    EXPECT_EQ(editBefore, disk1 + "\\");
    EXPECT_STREQ(g_setup.setupDir, (disk2 + "\\").c_str()) << "the new source directory stays in force";
    EXPECT_TRUE(g_messages.empty()) << "messages: " << Describe(MessageIds());

    ExpectFile(dest + "\\Bin", "VIREO.EXE", TestContent("vireo.exe", 20000));
    ExpectFile(dest + "\\Bin\\Help", "VIREO.HLP", TestContent("vireo.hlp"));
    ExpectFile(systemDir, "FTVELM.DRV", TestContent("ftvelm.drv"));
    ExpectFile(windowsDir, "FTPELORA.INI", "[Pelora]\r\nHopper=200\r\n");
    ExpectFile(dest + "\\Data", "VELMPS.WPD", "WPD for the 200-sheet hopper");
    ExpectFile(dest + "\\Data", "VELMPS.PPD", "PPD for 200 sheets");
    ExpectFile(dest + "\\Data", "DATA.DAT", TestContent("data.dat", 9000));
    ExpectFile(dest, "README.TXT", "Read me first.\r\n");
    EXPECT_FALSE(FileExists(dest + "\\WINDOWS")) << "WINDOWS is never created below the destination";
    EXPECT_FALSE(FileExists(dest + "\\SYSTEM")) << "SYSTEM is never created below the destination";

    EXPECT_EQ(ControlText(statusDlg, IDC_STATUS_LINE1), "Copy files...");
    EXPECT_EQ(ControlText(statusDlg, IDC_STATUS_LINE2), "readme.txt");
    ASSERT_FALSE(g_barEvents.empty());
    EXPECT_EQ(g_barEvents[1].msg, kPercentSetRange);
    EXPECT_EQ(g_barEvents[1].value, 8u) << "range is the number of file records";
    ASSERT_EQ(g_waits.size(), 1u);
    EXPECT_EQ(g_waits[0].requested, 1000u);
    EXPECT_EQ(g_waits[0].barPosition, 8u) << "the bar shows its full range during the final wait";
    EXPECT_GE(g_waits[0].elapsed, 990u);
}

TEST_F(CopyTest, SystemFilesGoToTheWindowsDirectoryOnANetworkClient) {
    LoadScript("[Disks]\r\n1=Disk 1\r\n[Dirs]\r\n1=WINDOWS\r\n2=system\r\n3=.\r\n[Files]\r\n"
               "ftvelm.drv,2,FTVELM.DR_,2,1,Y\r\nftvelm2.drv,2,FTVELM2.DRV,2,1,N\r\n[End]\r\n");
    PutSource(disk1, "system\\FTVELM.DR_", TestContent("ftvelm.drv"), true, 'V');
    PutSource(disk1, "system\\FTVELM2.DRV", TestContent("ftvelm2.drv"), false);
    placedOutside = {windowsDir + "\\FTVELM.DRV", windowsDir + "\\FTVELM2.DRV", systemDir + "\\FTVELM.DRV",
                     systemDir + "\\FTVELM2.DRV"};
    g_setup.installType = 120;
    ASSERT_TRUE(CreateAndCopy()) << "messages: " << Describe(MessageIds());
    ExpectFile(windowsDir, "FTVELM.DRV", TestContent("ftvelm.drv"));
    ExpectFile(windowsDir, "FTVELM2.DRV", TestContent("ftvelm2.drv"));
    EXPECT_FALSE(FileExists(systemDir + "\\FTVELM.DRV")) << "nothing goes to " << systemDir;
    EXPECT_FALSE(FileExists(systemDir + "\\FTVELM2.DRV"));
}

TEST_F(CopyTest, SystemFilesGoToTheSystemDirectoryOnALocalWindows) {
    LoadScript("[Disks]\r\n1=Disk 1\r\n[Dirs]\r\n1=WINDOWS\r\n2=SyStEm\r\n3=.\r\n[Files]\r\n"
               "ftvelm.drv,2,FTVELM.DRV,2,1,N\r\n[End]\r\n");
    PutSource(disk1, "SyStEm\\FTVELM.DRV", TestContent("ftvelm.drv"), false);
    placedOutside = {windowsDir + "\\FTVELM.DRV", systemDir + "\\FTVELM.DRV"};
    g_setup.installType = 119;
    ASSERT_TRUE(CreateAndCopy()) << "messages: " << Describe(MessageIds());
    ExpectFile(systemDir, "FTVELM.DRV", TestContent("ftvelm.drv"));
    EXPECT_FALSE(FileExists(windowsDir + "\\FTVELM.DRV"));
}

TEST_F(CopyTest, VariantsForTheFiftySheetHopper) {
    LoadScript("[Disks]\r\n1=Disk 1\r\n[Dirs]\r\n1=Data\r\n2=WINDOWS\r\n3=SYSTEM\r\n4=.\r\n[Files]\r\n"
               "velmps.wpd,1,VELMPS.WPD,1,1,N\r\nvelmps.ppd,1,VELMPS.PPD,1,1,N\r\n[End]\r\n");
    PutSource(disk1, "Data\\VELMPS.WPD", "generic WPD", false);
    PutSource(disk1, "Data\\VELMPS.200", "WPD for 200", false);
    PutSource(disk1, "Data\\VELMPS.PPD", "generic PPD", false);
    PutSource(disk1, "Data\\PL200.PPD", "PPD for 200", false);
    PutSource(disk1, "Data\\PL50.PPD", "PPD for 50", false);
    g_setup.hopperCapacity = 50;
    ASSERT_TRUE(CreateAndCopy()) << "messages: " << Describe(MessageIds());
    ExpectFile(dest + "\\Data", "VELMPS.WPD", "generic WPD");
    ExpectFile(dest + "\\Data", "VELMPS.PPD", "PPD for 50");
}

TEST_F(CopyTest, TreeCreatesEveryDirectoryButTheLastThree) {
    LoadScript("[Dirs]\r\n1=Bin\r\n2=Bin\\Help\r\n3=Data\r\n4=Extra\r\n5=More\r\n6=Last\r\n[End]\r\n");
    ASSERT_TRUE(CreateDestinationTree(statusDlg)) << "messages: " << Describe(MessageIds());
    EXPECT_TRUE(FileExists(dest + "\\Bin\\Help"));
    EXPECT_TRUE(FileExists(dest + "\\Data"));
    EXPECT_FALSE(FileExists(dest + "\\Extra")) << "one of the last three records";
    EXPECT_FALSE(FileExists(dest + "\\More"));
    EXPECT_FALSE(FileExists(dest + "\\Last"));
    char current[MAX_PATH];
    GetCurrentDirectoryA(sizeof current, current);
    EXPECT_STREQ(current, (dest + "\\Data").c_str()) << "the last directory created is current";
    EXPECT_EQ(ControlText(statusDlg, IDC_STATUS_LINE1), "Creating destination directory tree...");
    ASSERT_GE(g_barEvents.size(), 2u);
    EXPECT_EQ(g_barEvents[1].msg, kPercentSetRange);
    EXPECT_EQ(g_barEvents[1].value, 3u);
    ASSERT_EQ(g_waits.size(), 1u);
    EXPECT_EQ(g_waits[0].requested, 1000u);
    EXPECT_EQ(g_waits[0].barPosition, 3u);
}

TEST_F(CopyTest, ThreeDirectoryRecordsOrFewerCreateOnlyTheDestination) {
    LoadScript("[Dirs]\r\n1=WINDOWS\r\n2=SYSTEM\r\n3=.\r\n[End]\r\n");
    EXPECT_FALSE(FileExists(dest));
    ASSERT_TRUE(CreateDestinationTree(statusDlg)) << "messages: " << Describe(MessageIds());
    EXPECT_TRUE(FileExists(dest));
    EXPECT_FALSE(FileExists(dest + "\\WINDOWS"));
    EXPECT_TRUE(g_messages.empty());
}

TEST_F(CopyTest, ADirectoryEnteredTwiceIsNoError) {
    LoadScript("[Dirs]\r\n1=Bin\r\n2=Bin\r\n3=Data\r\n4=WINDOWS\r\n5=SYSTEM\r\n6=.\r\n[End]\r\n");
    ASSERT_TRUE(CreateDestinationTree(statusDlg)) << "messages: " << Describe(MessageIds());
    SetCurrentDirectoryA("C:\\");
    ASSERT_TRUE(CreateDestinationTree(statusDlg)) << "second run over the existing tree, messages: "
                                                  << Describe(MessageIds());
    EXPECT_TRUE(g_messages.empty()) << "messages: " << Describe(MessageIds());
    EXPECT_TRUE(FileExists(dest + "\\Data"));
}

TEST_F(CopyTest, ASubdirectoryBeforeItsParentStopsWith1004) {
    LoadScript("[Dirs]\r\n1=Bin\\Help\r\n2=Bin\r\n3=WINDOWS\r\n4=SYSTEM\r\n5=.\r\n[End]\r\n");
    EXPECT_FALSE(CreateDestinationTree(statusDlg));
    ASSERT_EQ(g_messages.size(), 1u) << "messages: " << Describe(MessageIds());
    EXPECT_EQ(g_messages[0].id, static_cast<UINT>(IDS_DIR_NOT_CREATED));
    EXPECT_EQ(g_messages[0].text, "The " + dest + "\\Bin\\Help directory cannot be created.\n"
                                                    "Enter another directory or try another drive.");
    EXPECT_EQ(g_messages[0].caption, "ORVAN Vireo Setup Error");
    EXPECT_EQ(g_messages[0].style, 0x1040u);
    EXPECT_EQ(g_messages[0].owner, g_setup.hMainWnd);
    EXPECT_FALSE(FileExists(dest + "\\Bin")) << "the step stopped at the first failure";
    ASSERT_EQ(g_waits.size(), 1u) << "a stop inside the loop still ends with the final wait";
    EXPECT_EQ(g_waits[0].barPosition, 0u);
}

TEST_F(CopyTest, AnUncreatableDestinationReturnsAtOnce) {
    LoadScript("[Dirs]\r\n1=Bin\r\n2=WINDOWS\r\n3=SYSTEM\r\n4=.\r\n[End]\r\n");
    std::string missing = root + "\\NO\\SUCH";
    CopyText(g_setup.destDir, missing.c_str());
    EXPECT_FALSE(CreateDestinationTree(statusDlg));
    ASSERT_EQ(g_messages.size(), 1u) << "messages: " << Describe(MessageIds());
    EXPECT_EQ(g_messages[0].id, static_cast<UINT>(IDS_DIR_NOT_CREATED));
    EXPECT_NE(g_messages[0].text.find(missing), std::string::npos) << g_messages[0].text;
    EXPECT_TRUE(g_waits.empty()) << "no final wait after the destination itself failed";
}

TEST_F(CopyTest, ASubdirectoryPathBeyondSixtySevenCharactersIsRefused) {
    std::string longDest = root + "\\" + std::string(40, 'L');  // 49 characters
    CopyText(g_setup.destDir, longDest.c_str());
    // 49 + 1 + 18 = 68 characters: one more than the tree builds.
    LoadScript("[Dirs]\r\n1=ABCDEFGHIJKLMNOPQR\r\n2=WINDOWS\r\n3=SYSTEM\r\n4=.\r\n[End]\r\n");
    EXPECT_FALSE(CreateDestinationTree(statusDlg));
    ASSERT_EQ(g_messages.size(), 1u) << "messages: " << Describe(MessageIds());
    EXPECT_NE(g_messages[0].text.find(longDest + "\\ABCDEFGHIJKLMNOPQR"), std::string::npos)
        << "the whole path is named: " << g_messages[0].text;
    EXPECT_FALSE(FileExists(longDest + "\\ABCDEFGHIJKLMNOPQR"));
}

TEST_F(CopyTest, CancelInTheTreeStopsBeforeTheNextDirectory) {
    LoadScript("[Dirs]\r\n1=A\r\n2=B\r\n3=C\r\n4=D\r\n5=WINDOWS\r\n6=SYSTEM\r\n7=.\r\n[End]\r\n");
    g_disableCancelAtPosition = 2;
    EXPECT_FALSE(CreateDestinationTree(statusDlg));
    EXPECT_TRUE(FileExists(dest + "\\A"));
    EXPECT_TRUE(FileExists(dest + "\\B"));
    EXPECT_FALSE(FileExists(dest + "\\C")) << "stopped before the directory at position 2";
    EXPECT_TRUE(g_messages.empty());
}

TEST_F(CopyTest, CancelStopsBeforeTheNextFileAndCopiedFilesStay) {
    LoadScript("[Disks]\r\n1=Disk 1\r\n[Dirs]\r\n1=WINDOWS\r\n2=SYSTEM\r\n3=.\r\n[Files]\r\n"
               "a.txt,3,A.TXT,3,1,N\r\nb.txt,3,B.TXT,3,1,N\r\nc.txt,3,C.TXT,3,1,N\r\nd.txt,3,D.TXT,3,1,N\r\n[End]\r\n");
    for (const char* name : {"A.TXT", "B.TXT", "C.TXT", "D.TXT"}) PutSource(disk1, name, TestContent(name), false);
    MakeDirectory(dest);
    SetCurrentDirectoryA(dest.c_str());
    g_disableCancelAtPosition = 2;
    EXPECT_FALSE(CopyPackageFiles(statusDlg));
    ExpectFile(dest, "A.TXT", TestContent("A.TXT"));
    ExpectFile(dest, "B.TXT", TestContent("B.TXT"));
    EXPECT_FALSE(FileExists(dest + "\\C.TXT")) << "stopped before the file at position 2";
    EXPECT_FALSE(FileExists(dest + "\\D.TXT"));
    EXPECT_TRUE(g_messages.empty()) << "the progress dialog asked already; messages: " << Describe(MessageIds());
    ASSERT_EQ(g_waits.size(), 1u);
    EXPECT_EQ(g_waits[0].barPosition, 2u);
}

void UnlockDestination(const std::string& path, HANDLE& lock) {
    if (lock != INVALID_HANDLE_VALUE) CloseHandle(lock);
    lock = INVALID_HANDLE_VALUE;
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(CopyTest, AReadOnlyDestinationGives1012AndRetrySucceedsOnceWritable) {
    HANDLE lock = LockedDestination();
    ASSERT_NE(lock, INVALID_HANDLE_VALUE) << "error " << GetLastError();
    int retries = 0;
    g_messageAnswer = [&](const MessageCall& call) {
        if (call.id != IDS_CANNOT_CREATE_FILE) return IDYES;
        if (++retries == 2) UnlockDestination(locked, lock);
        return IDRETRY;
    };
    EXPECT_TRUE(CopyPackageFiles(statusDlg)) << "messages: " << Describe(MessageIds());
    ASSERT_EQ(g_messages.size(), 2u) << "1012 until the file is writable; messages: " << Describe(MessageIds());
    EXPECT_EQ(g_messages[0].id, static_cast<UINT>(IDS_CANNOT_CREATE_FILE));
    EXPECT_EQ(g_messages[0].owner, statusDlg);
    EXPECT_EQ(g_messages[0].caption, "ORVAN Vireo Setup Error");
    EXPECT_EQ(g_messages[0].style, 0x1045u);
    EXPECT_EQ(ReadFileBytes(locked), "new content");
    UnlockDestination(locked, lock);
}

TEST_F(CopyTest, CancellingThe1012ThenNoRetriesAndYesStops) {
    HANDLE lock = LockedDestination();
    ASSERT_NE(lock, INVALID_HANDLE_VALUE) << "error " << GetLastError();
    int questions = 0;
    g_messageAnswer = [&](const MessageCall& call) {
        if (call.id == IDS_CANNOT_CREATE_FILE) return IDCANCEL;
        return ++questions == 1 ? IDNO : IDYES;
    };
    EXPECT_FALSE(CopyPackageFiles(statusDlg));
    std::vector<UINT> expected = {IDS_CANNOT_CREATE_FILE, IDS_CANCEL_QUESTION, IDS_CANNOT_CREATE_FILE,
                                  IDS_CANCEL_QUESTION};
    UnlockDestination(locked, lock);
    ASSERT_EQ(MessageIds(), expected) << "messages: " << Describe(MessageIds());
    EXPECT_EQ(g_messages[1].owner, statusDlg);
    EXPECT_EQ(g_messages[1].caption, "ORVAN Vireo Setup Warning");
    EXPECT_EQ(g_messages[1].style, 0x1024u);
    EXPECT_EQ(ReadFileBytes(locked), "old content");
}

TEST_F(CopyTest, CancellingTheDiskPromptThenNoRetriesTheSameFile) {
    LoadScript("[Disks]\r\n1=Disk 1\r\n2=Disk 2 - Extras\r\n[Dirs]\r\n1=WINDOWS\r\n2=SYSTEM\r\n3=.\r\n[Files]\r\n"
               "first.txt,3,FIRST.TXT,3,1,N\r\nextra.txt,3,EXTRA.TXT,3,2,N\r\n[End]\r\n");
    PutSource(disk1, "FIRST.TXT", "first", false);
    PutSource(disk2, "EXTRA.TXT", "extra", false);
    MakeDirectory(dest);
    SetCurrentDirectoryA(dest.c_str());
    std::vector<std::string> prompts;
    StartDialogRobot(IDC_DISK_EDIT, [&](HWND dlg) {
        prompts.push_back(ControlText(dlg, IDC_DISK_PROMPT));
        if (prompts.size() == 1) {
            ClickButton(dlg, IDCANCEL);
        } else {
            SetDlgItemTextA(dlg, IDC_DISK_EDIT, (disk2 + "\\").c_str());
            ClickButton(dlg, IDOK);
        }
    });
    g_messageAnswer = [](const MessageCall&) { return IDNO; };
    EXPECT_TRUE(CopyPackageFiles(statusDlg)) << "messages: " << Describe(MessageIds());
    StopDialogRobot();
    ASSERT_EQ(prompts.size(), 2u);
    EXPECT_EQ(prompts[0], "Please insert Vireo diskette Disk 2 - Extras");
    EXPECT_EQ(prompts[1], prompts[0]) << "the same file's disk is asked for again";
    EXPECT_EQ(MessageIds(), std::vector<UINT>{IDS_CANCEL_QUESTION});
    ExpectFile(dest, "EXTRA.TXT", "extra");
}

TEST_F(CopyTest, CancellingTheDiskPromptThenYesStops) {
    LoadScript("[Disks]\r\n1=Disk 1\r\n2=Disk 2\r\n[Dirs]\r\n1=WINDOWS\r\n2=SYSTEM\r\n3=.\r\n[Files]\r\n"
               "extra.txt,3,EXTRA.TXT,3,2,N\r\nlast.txt,3,LAST.TXT,3,1,N\r\n[End]\r\n");
    PutSource(disk1, "LAST.TXT", "last", false);
    MakeDirectory(dest);
    SetCurrentDirectoryA(dest.c_str());
    StartDialogRobot(IDC_DISK_EDIT, [](HWND dlg) { ClickButton(dlg, IDCANCEL); });
    EXPECT_FALSE(CopyPackageFiles(statusDlg));
    StopDialogRobot();
    EXPECT_EQ(g_robotRuns, 1);
    EXPECT_EQ(MessageIds(), std::vector<UINT>{IDS_CANCEL_QUESTION});
    EXPECT_FALSE(FileExists(dest + "\\LAST.TXT")) << "nothing after the stop";
    EXPECT_STREQ(g_setup.setupDir, (disk1 + "\\").c_str()) << "Cancel leaves the source directory";
}

TEST_F(CopyTest, ASourceThatIsItsOwnDestinationCountsAsCopied) {
    LoadScript("[Disks]\r\n1=Disk 1\r\n[Dirs]\r\n1=WINDOWS\r\n2=SYSTEM\r\n3=.\r\n[Files]\r\n"
               "same.txt,3,same.txt,3,1,N\r\n[End]\r\n");
    MakeDirectory(dest);
    WriteFileBytes(dest + "\\SAME.TXT", "kept as it is");
    CopyText(g_setup.setupDir, (dest + "\\").c_str());
    SetCurrentDirectoryA(dest.c_str());
    EXPECT_TRUE(CopyPackageFiles(statusDlg)) << "messages: " << Describe(MessageIds());
    EXPECT_TRUE(g_messages.empty()) << "messages: " << Describe(MessageIds());
    EXPECT_EQ(ReadFileBytes(dest + "\\SAME.TXT"), "kept as it is") << "the file was not truncated by its own copy";
}

TEST_F(CopyTest, ADestinationPathThatDoesNotFitIsRefusedWith1012) {
    std::string longDest = root + "\\" + std::string(56, 'L');  // 65 characters
    ASSERT_EQ(longDest.size(), 65u);
    CopyText(g_setup.destDir, longDest.c_str());
    MakeDirectory(longDest);
    LoadScript("[Disks]\r\n1=Disk 1\r\n[Dirs]\r\n1=Data\r\n2=WINDOWS\r\n3=SYSTEM\r\n4=.\r\n[Files]\r\n"
               "toolong.txt,1,TOOLONG.TXT,1,1,N\r\n[End]\r\n");
    PutSource(disk1, "Data\\TOOLONG.TXT", "x", false);
    MakeDirectory(longDest + "\\Data");
    int refusals = 0;
    g_messageAnswer = [&](const MessageCall& call) {
        if (call.id == IDS_CANNOT_CREATE_FILE) return ++refusals < 3 ? IDRETRY : IDCANCEL;
        return IDYES;
    };
    EXPECT_FALSE(CopyPackageFiles(statusDlg));
    EXPECT_EQ(refusals, 3) << "Retry brings the refusal back; messages: " << Describe(MessageIds());
    EXPECT_EQ(g_messages.back().id, static_cast<UINT>(IDS_CANCEL_QUESTION));
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((longDest + "\\Data\\*.*").c_str(), &found);
    int files = 0;
    if (h != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ++files;
        } while (FindNextFileA(h, &found));
        FindClose(h);
    }
    EXPECT_EQ(files, 0) << "no file under a cut name";
}

TEST_F(CopyTest, CopyOrExpandFileUpperCasesAndReportsEachFailure) {
    MakeDirectory(dest);
    std::string source = disk1 + "\\PLAIN.TXT";
    WriteFileBytes(source, "plain");
    char target[80];
    CopyText(target, (dest + "\\lower.txt").c_str());
    EXPECT_EQ(CopyOrExpandFile(source.c_str(), target, FALSE), 0);
    EXPECT_STREQ(target, (dest + "\\LOWER.TXT").c_str()) << "the destination path is upper-cased in place";
    EXPECT_EQ(StoredName(dest, "LOWER.TXT"), "LOWER.TXT");

    CopyText(target, (dest + "\\x.txt").c_str());
    EXPECT_EQ(CopyOrExpandFile((disk1 + "\\MISSING.TXT").c_str(), target, FALSE), 2);
    EXPECT_EQ(CopyOrExpandFile((disk1 + "\\MISSING.TX_").c_str(), target, TRUE), 2);
    CopyText(target, (root + "\\NO\\DIR\\X.TXT").c_str());
    EXPECT_EQ(CopyOrExpandFile(source.c_str(), target, FALSE), 3);
    EXPECT_EQ(CopyOrExpandFile(source.c_str(), target, TRUE), 3);

    std::string packed = disk1 + "\\PACKED.TX_";
    WriteFileBytes(packed, SzddEncode("expanded text", 'T'));
    CopyText(target, (dest + "\\packed.txt").c_str());
    EXPECT_EQ(CopyOrExpandFile(packed.c_str(), target, TRUE), 0);
    EXPECT_EQ(ReadFileBytes(dest + "\\PACKED.TXT"), "expanded text");
}

// With the profile cache of Windows 95: an INI file that the profile
// functions read before (as the search for a previous version reads
// PELORASD.INI) and that the copy replaces keeps the copied text when
// settings are written into it afterwards and the cache is written out.
TEST_F(CopyTest, ACopiedIniFileIsNotOverwrittenByWindows95sProfileCache) {
    MakeDirectory(dest);
    const std::string source = disk1 + "\\PEL50.INI";
    WriteFileBytes(source, "[PrinterStyle]\r\nHopperCapacity=50\r\n");
    char target[80];
    CopyText(target, (dest + "\\PELORASD.INI").c_str());
    WriteFileBytes(target, "[Applications]\r\nVelmDir=C:\\OLD\r\n");
    {
        win95::Windows95ProfileCache cache;
        ASSERT_TRUE(cache.swapped());
        char old[32];
        GetPrivateProfileStringA("Applications", "VelmDir", "", old, sizeof old, target);
        ASSERT_STREQ(old, "C:\\OLD");
        ASSERT_EQ(CopyOrExpandFile(source.c_str(), target, FALSE), 0);
        ASSERT_TRUE(WritePrivateProfileStringA("Applications", "VelmDir", "C:\\VIREO", target));
    }
    const std::string text = ReadFileBytes(target);
    EXPECT_NE(text.find("HopperCapacity=50"), std::string::npos) << "the copied text is gone:\n" << text;
    EXPECT_NE(text.find("VelmDir=C:\\VIREO"), std::string::npos) << text;
}

}  // namespace

namespace {

// An edited script's record, and whether its full path leaves its place
// (the others are refused for their texts alone; the tree step may then
// create them, inside the destination, or fail to).
struct OutsideRecord {
    const char* dirs;   // [Dirs] records 3 and 4
    const char* file;   // a [Files] record
    const char* named;  // what the refusal names
    bool leaves;
};

}  // namespace

TEST_F(CopyTest, RecordsThatLeaveTheirPlaceAreRefusedBeforeAnythingIsCreated) {
    const OutsideRecord records[] = {
        {"3=..\\OUTSIDE\r\n4=Data", "", "..\\OUTSIDE", true},
        {"3=Bin\\..\\..\\OUTSIDE\r\n4=Data", "", "Bin\\..\\..\\OUTSIDE", true},
        {"3=Data\r\n4=C:\\OUTSIDE", "", "C:\\OUTSIDE", false},
        {"3=Data\r\n4=/OUTSIDE", "", "/OUTSIDE", false},
        {"3=Data\r\n4=Bin", "..\\ESCAPE.TXT,1,README.TXT,1,1,N", ".\\..\\ESCAPE.TXT", true},
        {"3=Data\r\n4=Bin", "X/../../../SLASH.TXT,2,README.TXT,1,1,N", "Bin\\X/../../../SLASH.TXT", true},
        {"3=Data\r\n4=Bin", "..\\..\\BOOT.INI,5,README.TXT,1,1,N,ALL", "WINDOWS\\..\\..\\BOOT.INI", true},
        {"3=Data\r\n4=Bin", "..\\FTEST.DLL,6,README.TXT,1,1,N", "SYSTEM\\..\\FTEST.DLL", true},
        {"3=Data\r\n4=Bin", "..\\FTEST.TTF,3,FTEST.TT_,1,1,Y", "Data\\..\\FTEST.TTF", true},
        {"3=Data\r\n4=Bin", "\\LEADING.TXT,1,README.TXT,1,1,N", ".\\\\LEADING.TXT", false},
        {"3=Data\r\n4=Bin", "C:\\DRIVE.TXT,1,README.TXT,1,1,N", ".\\C:\\DRIVE.TXT", false},
    };
    for (const OutsideRecord& r : records) {
        SCOPED_TRACE(std::string(r.dirs) + " / " + r.file);
        LoadScript(std::string("[Dirs]\r\n1=.\r\n2=Bin\r\n") + r.dirs +
                   "\r\n5=WINDOWS\r\n6=SYSTEM\r\n7=FONTS\r\n[Files]\r\nREADME.TXT,1,README.TXT,1,1,N\r\n" + r.file +
                   "\r\n[End]\r\n");
        char named[kScriptBufferSize * 2] = "";
        EXPECT_FALSE(ScriptStaysInItsPlaces(named, sizeof named));
        EXPECT_STREQ(named, r.named);
        // The tree step checks the full paths once more, whatever the texts.
        g_messages.clear();
        SetCurrentDirectoryA("C:\\");
        const BOOL made = CreateDestinationTree(statusDlg);
        if (r.leaves) {
            EXPECT_FALSE(made);
            ASSERT_EQ(g_messages.size(), 1u) << Describe(MessageIds());
            EXPECT_EQ(g_messages[0].id, static_cast<UINT>(IDS_DIR_NOT_CREATED));
            EXPECT_FALSE(FileExists(dest)) << "created before the refusal";
        }
        EXPECT_FALSE(FileExists(root + "\\OUTSIDE"));
        SetCurrentDirectoryA("C:\\");
        RemoveTree(dest);
    }
    LoadScript(kTwoDiskScript);
    char named[kScriptBufferSize * 2] = "";
    EXPECT_TRUE(ScriptStaysInItsPlaces(named, sizeof named)) << named;
}

namespace {

BOOL WINAPI ReportWindows95(LPOSVERSIONINFOA info) {
    info->dwMajorVersion = 4;
    info->dwMinorVersion = 0;
    info->dwBuildNumber = 950;
    info->dwPlatformId = VER_PLATFORM_WIN32_WINDOWS;
    return TRUE;
}

PSID BuiltinSid(DWORD first, DWORD second, BYTE count) {
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID sid = nullptr;
    AllocateAndInitializeSid(&nt, count, first, second, 0, 0, 0, 0, 0, 0, &sid);
    return sid;
}

}  // namespace

// Wine 8.0 keeps no security descriptor of a file (it maps an access list
// to the Unix permission bits and makes one up from them when asked): the
// test reads the descriptor the installer builds and hands to
// CreateDirectory, not the one the directory would report.
TEST_F(CopyTest, TheDestinationIsCreatedClosedToStandardUsersOnSystemsWithSecurity) {
    SECURITY_DESCRIPTOR sd;
    DWORD acl[kClosedAclSize / sizeof(DWORD)];
    ASSERT_TRUE(BuildClosedDirectorySecurity(&sd, acl, sizeof acl)) << "the Wine machine reports Windows NT";
    EXPECT_TRUE(IsValidSecurityDescriptor(&sd));
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ASSERT_TRUE(GetSecurityDescriptorControl(&sd, &control, &revision));
    EXPECT_TRUE(control & SE_DACL_PROTECTED) << "the parent's entries (Users: Modify) would be inherited";
    BOOL present = FALSE, defaulted = TRUE;
    PACL dacl = nullptr;
    ASSERT_TRUE(GetSecurityDescriptorDacl(&sd, &present, &dacl, &defaulted));
    ASSERT_TRUE(present && dacl) << "no access list";
    EXPECT_FALSE(defaulted);
    ASSERT_TRUE(IsValidAcl(dacl));
    const struct {
        PSID sid;
        const char* name;
        DWORD access;
    } expected[] = {
        {BuiltinSid(SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 2), "Administrators", FILE_ALL_ACCESS},
        {BuiltinSid(SECURITY_LOCAL_SYSTEM_RID, 0, 1), "SYSTEM", FILE_ALL_ACCESS},
        {BuiltinSid(SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_USERS, 2), "Users",
         FILE_GENERIC_READ | FILE_GENERIC_EXECUTE},
    };
    ASSERT_EQ(dacl->AceCount, std::size(expected));
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        ACCESS_ALLOWED_ACE* ace = nullptr;
        ASSERT_TRUE(GetAce(dacl, i, reinterpret_cast<LPVOID*>(&ace)));
        SCOPED_TRACE(expected[i].name);
        EXPECT_EQ(ace->Header.AceType, ACCESS_ALLOWED_ACE_TYPE);
        EXPECT_EQ(ace->Header.AceFlags, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE) << "inherited by all below";
        EXPECT_TRUE(EqualSid(&ace->SidStart, expected[i].sid));
        EXPECT_EQ(ace->Mask, expected[i].access);
        FreeSid(expected[i].sid);
    }

    // After these three: SPOOL lets Users add files, their creators change them; Users write SPOOLER.QUE.
    SID_IDENTIFIER_AUTHORITY creator = SECURITY_CREATOR_SID_AUTHORITY;
    PSID creatorOwner = nullptr;
    AllocateAndInitializeSid(&creator, 1, SECURITY_CREATOR_OWNER_RID, 0, 0, 0, 0, 0, 0, 0, &creatorOwner);
    PSID users = BuiltinSid(SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_USERS, 2);
    const struct {
        PackageList list;
        DWORD index, count, access;
        PSID sid;
        BYTE flags;
    } extra[] = {
        {PackageList::kSpool, 3, 5, FILE_ADD_FILE, users, 0},
        {PackageList::kSpool, 4, 5, FILE_GENERIC_WRITE | DELETE, creatorOwner, OBJECT_INHERIT_ACE | INHERIT_ONLY_ACE},
        {PackageList::kQueue, 3, 4, FILE_GENERIC_WRITE, users, 0},
    };
    for (const auto& e : extra) {
        ACCESS_ALLOWED_ACE* ace = nullptr;
        ASSERT_TRUE(BuildClosedDirectorySecurity(&sd, acl, sizeof acl, e.list));
        ASSERT_TRUE(GetSecurityDescriptorDacl(&sd, &present, &dacl, &defaulted) && dacl);
        EXPECT_EQ(dacl->AceCount, e.count);
        ASSERT_TRUE(GetAce(dacl, e.index, reinterpret_cast<LPVOID*>(&ace)));
        EXPECT_EQ(ace->Header.AceFlags, e.flags);
        EXPECT_TRUE(EqualSid(&ace->SidStart, e.sid));
        EXPECT_EQ(ace->Mask, e.access);
    }
    for (PSID sid : {users, creatorOwner}) FreeSid(sid);

    EXPECT_EQ(CreatePackageDirectory(dest.c_str()), DirectoryMade::kClosed);
    EXPECT_TRUE(FileExists(dest));
    EXPECT_EQ(CreatePackageDirectory(dest.c_str()), DirectoryMade::kFailed) << "an existing directory is no new one";

    // Windows 95 has no file security: the directory is created as any other.
    ImportSwaps swaps;
    ASSERT_TRUE(swaps.Swap(g_getVersionExSlot, ReportWindows95));
    const bool built = BuildClosedDirectorySecurity(&sd, acl, sizeof acl);
    const DirectoryMade made = CreatePackageDirectory((dest + "\\95").c_str());
    const DirectoryMade existing = PrepareDestination(dest.c_str(), true);
    swaps.Restore();
    EXPECT_FALSE(built);
    EXPECT_EQ(made, DirectoryMade::kPlain);
    EXPECT_EQ(existing, DirectoryMade::kPlain);
    EXPECT_TRUE(FileExists(dest + "\\95"));
}

namespace {

// The machine the stand-ins make, and the lists given (path, entries).
struct StandInMachine {
    bool ownedByAUser, administrator, keepsLists, remote;
    std::vector<std::pair<std::string, DWORD>> listsGiven;
} g_machine;

decltype(&GetProcAddress) g_realProc;
decltype(&GetTokenInformation) g_realTokenInformation;

BOOL WINAPI OwnerOf(LPCSTR, SECURITY_INFORMATION, PSECURITY_DESCRIPTOR sd, DWORD, LPDWORD) {
    static PSID owner[] = {BuiltinSid(SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 2),
                           BuiltinSid(SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_USERS, 2)};
    return InitializeSecurityDescriptor(sd, SECURITY_DESCRIPTOR_REVISION) &&
           SetSecurityDescriptorOwner(sd, owner[g_machine.ownedByAUser], FALSE);
}

BOOL WINAPI RecordList(HANDLE object, SECURITY_INFORMATION, PSECURITY_DESCRIPTOR sd) {
    char path[MAX_PATH] = "\\\\?\\";
    GetFinalPathNameByHandleA(object, path, sizeof path, 0);
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    PSID owner = nullptr;
    EXPECT_TRUE(GetSecurityDescriptorOwner(sd, &owner, &defaulted) && owner) << "an owner could open it again";
    GetSecurityDescriptorDacl(sd, &present, &dacl, &defaulted);
    g_machine.listsGiven.emplace_back(path + 4, dacl ? dacl->AceCount : 0);  // without the \\?\ prefix
    return TRUE;
}

BOOL WINAPI TokenGroupsOf(HANDLE token, TOKEN_INFORMATION_CLASS kind, LPVOID out, DWORD size, PDWORD needed) {
    // A domain account in many groups: its list needs more than 4 KB.
    if (kind == TokenGroups && size < 8192) {
        *needed = 8192;
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    const BOOL got = g_realTokenInformation(token, kind, out, size, needed);
    if (got && kind == TokenGroups && !g_machine.administrator) static_cast<TOKEN_GROUPS*>(out)->GroupCount = 0;
    return got;
}

template <typename Fn>
FARPROC AsProc(Fn fn) { return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(fn)); }

FARPROC WINAPI SecurityStandIns(HMODULE module, LPCSTR name) {
    const FARPROC real = g_realProc(module, name);
    if (!HIWORD(name)) return real;
    if (lstrcmpA(name, "GetFileSecurityA") == 0) return AsProc(OwnerOf);
    if (lstrcmpA(name, "SetKernelObjectSecurity") == 0) return AsProc(RecordList);
    if (lstrcmpA(name, "GetTokenInformation") != 0) return real;
    g_realTokenInformation = reinterpret_cast<decltype(&GetTokenInformation)>(reinterpret_cast<void*>(real));
    return AsProc(TokenGroupsOf);
}

BOOL WINAPI VolumeFlags(LPCSTR, LPSTR, DWORD, LPDWORD, LPDWORD, LPDWORD flags, LPSTR, DWORD) {
    return *flags = g_machine.keepsLists ? FS_PERSISTENT_ACLS : 0, TRUE;
}

UINT WINAPI DriveType(LPCSTR) { return g_machine.remote ? DRIVE_REMOTE : DRIVE_FIXED; }

}  // namespace

TEST_F(CopyTest, AnExistingDestinationIsUsedOnlyWhenTheAdministratorsOwnItOrItIsThePreviousInstallations) {
    LoadScript("[Dirs]\r\n1=.\r\n2=SPOOL\r\n3=Bin\r\n4=WINDOWS\r\n5=SYSTEM\r\n6=FONTS\r\n"
               "[Files]\r\nVIREO.EXE,3,VIREO.EXE,1,1,N\r\n[End]\r\n");
    const struct {
        const char* name;
        bool ownedByAUser, administrator, keepsLists, remote, previous, otherContent, link;
        DirectoryMade made;
    } cases[] = {
        {"the administrators'", false, true, true, false, false, false, false, DirectoryMade::kClosed},
        {"a user's", true, true, true, false, false, false, false, DirectoryMade::kRefusedOwner},
        {"a user's, previous", true, true, true, false, true, false, false, DirectoryMade::kClosed},
        {"a user's, previous, other files", true, true, true, false, true, true, false, DirectoryMade::kRefusedOwner},
        {"the administrators', other files", false, true, true, false, false, true, false, DirectoryMade::kAsItWas},
        {"no administrator rights", false, false, true, false, false, false, false, DirectoryMade::kRefusedRights},
        {"FAT", true, true, false, false, false, false, false, DirectoryMade::kNoLists},
        {"network drive", true, true, true, true, false, false, false, DirectoryMade::kRemote},
        {"a junction", false, true, true, false, false, false, true, DirectoryMade::kRefusedLink},
        {"refused in the tree step", true, true, true, false, false, false, false, DirectoryMade::kFailed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RemoveTree(dest);
        for (const char* folder : {"", "\\Bin", "\\SPOOL"}) MakeDirectory(dest + folder);
        for (const char* file : {"\\Bin\\VIREO.EXE", "\\SPOOL\\JOB.SPL", "\\SPOOLER.QUE"}) {
            WriteFileBytes(dest + file, "");
        }
        if (c.otherContent) WriteFileBytes(dest + "\\Bin\\MINE.EXE", "a user's program");
        g_machine = {c.ownedByAUser, c.administrator, c.keepsLists, c.remote, {}};
        g_junctionPath = c.link ? dest : "";
        CopyText(g_setup.previousDir, c.previous ? dest.c_str() : "C:\\ELSEWHERE");
        ImportSwaps swaps;
        swaps.Swap(g_getProcAddressSlot, SecurityStandIns, &g_realProc);
        swaps.Swap(g_getVolumeInformationSlot, VolumeFlags);
        swaps.Swap(g_getDriveTypeSlot, DriveType);
        swaps.Swap(g_getFileAttributesSlot, JunctionAttributes, &g_realGetFileAttributes);
        // What the user sees of a refusal: message 1004, as for the Windows directory.
        g_messages.clear();
        if (c.made == DirectoryMade::kFailed) {
            EXPECT_FALSE(CreateDestinationTree(statusDlg));
        } else {
            EXPECT_EQ(PrepareDestination(dest.c_str(), true), c.made);
        }
        EXPECT_EQ(g_messages.size() == 1 && g_messages[0].id == IDS_DIR_NOT_CREATED, c.made == DirectoryMade::kFailed);
        // All below gets its list, SPOOL and SPOOLER.QUE theirs; nothing when not closed.
        std::vector<std::pair<std::string, DWORD>> lists = {{dest, 3}, {dest + "\\Bin", 3},
            {dest + "\\Bin\\VIREO.EXE", 3}, {dest + "\\SPOOL", 5}, {dest + "\\SPOOLER.QUE", 4},
            {dest + "\\SPOOL\\JOB.SPL", 3}};  // sorted
        if (c.made != DirectoryMade::kClosed) lists.clear();
        std::sort(g_machine.listsGiven.begin(), g_machine.listsGiven.end());
        EXPECT_EQ(g_machine.listsGiven, lists);
    }
}
