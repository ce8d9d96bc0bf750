// Dialogs 900 (destination) and 901 (insert disk), run modally and driven
// from inside their own message loop.
#include "files_fixture.h"
#include "resource.h"

namespace {

void Type(HWND dlg, int id, const char* text) {
    HWND edit = GetDlgItem(dlg, id);
    for (const char* p = text; *p; ++p) SendMessageA(edit, WM_CHAR, static_cast<unsigned char>(*p), 1);
}

bool OkEnabled(HWND dlg) { return IsWindowEnabled(GetDlgItem(dlg, IDOK)) != FALSE; }

// OK as the edit is emptied and then typed into, the edit's text, and OK.
struct TypedEdit {
    bool enabledWhenEmpty = true;
    bool enabledAfterTyping = false;
    std::string typed;
    void EmptyTypeAndOk(HWND dlg, int edit, const char* text) {
        SetDlgItemTextA(dlg, edit, "");
        enabledWhenEmpty = OkEnabled(dlg);
        Type(dlg, edit, text);
        enabledAfterTyping = OkEnabled(dlg);
        typed = ControlText(dlg, edit);
        ClickButton(dlg, IDOK);
    }
};

class DialogTest : public FilesTest {
protected:
    INT_PTR RunDestination(DialogAction action) {
        StartDialogRobot(IDC_DEST_EDIT, std::move(action));
        INT_PTR result = DialogBoxParamA(g_setup.hInstance, MAKEINTRESOURCEA(IDD_DESTINATION), nullptr, DestDlgProc, 0);
        StopDialogRobot();
        return result;
    }
    INT_PTR RunInsertDisk(const char* diskName, DialogAction action) {
        StartDialogRobot(IDC_DISK_EDIT, std::move(action));
        INT_PTR result = DialogBoxParamA(g_setup.hInstance, MAKEINTRESOURCEA(IDD_INSERT_DISK), statusDlg,
                                         InsertDiskDlgProc, reinterpret_cast<LPARAM>(diskName));
        StopDialogRobot();
        return result;
    }
};

TEST_F(DialogTest, DestinationProposesCVireoAndOkStoresIt) {
    std::string caption, text1, text2, edit;
    LRESULT limit = 0;
    CopyText(g_setup.destDir, "untouched");
    INT_PTR result = RunDestination([&](HWND dlg) {
        char title[64];
        GetWindowTextA(dlg, title, sizeof title);
        caption = title;
        text1 = ControlText(dlg, IDC_DEST_TEXT1);
        text2 = ControlText(dlg, IDC_DEST_TEXT2);
        edit = ControlText(dlg, IDC_DEST_EDIT);
        limit = SendDlgItemMessageA(dlg, IDC_DEST_EDIT, EM_GETLIMITTEXT, 0, 0);
        ClickButton(dlg, IDOK);
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(caption, "ORVAN Vireo Setup");
    EXPECT_EQ(text1, "Setup will install Vireo into the following directory, which it will create on your hard disk.");
    EXPECT_EQ(text2, "If you want to install in a different directory and/or drive, type the name of the directory below:");
    EXPECT_EQ(edit, "C:\\VIREO");
    EXPECT_EQ(limit, 66);
    EXPECT_STREQ(g_setup.destDir, "C:\\VIREO");
}

TEST_F(DialogTest, EmptyingTheEditDisablesOkAndARelativeNameIsQualified) {
    SetCurrentDirectoryA(root.c_str());
    TypedEdit edit;
    INT_PTR result = RunDestination([&](HWND dlg) { edit.EmptyTypeAndOk(dlg, IDC_DEST_EDIT, "sub\\dir"); });
    EXPECT_EQ(result, 1);
    EXPECT_FALSE(edit.enabledWhenEmpty) << "OK with an empty edit";
    EXPECT_TRUE(edit.enabledAfterTyping);
    EXPECT_EQ(edit.typed, "SUB\\DIR") << "letters typed appear in upper case";
    EXPECT_STREQ(g_setup.destDir, (root + "\\SUB\\DIR").c_str()) << "qualified against the current directory";
}

TEST_F(DialogTest, CancelLeavesTheDestinationAndReturns2) {
    CopyText(g_setup.destDir, "D:\\BEFORE");
    INT_PTR result = RunDestination([](HWND dlg) {
        SetDlgItemTextA(dlg, IDC_DEST_EDIT, "E:\\OTHER");
        ClickButton(dlg, IDCANCEL);
    });
    EXPECT_EQ(result, 2);
    EXPECT_STREQ(g_setup.destDir, "D:\\BEFORE");
}

TEST_F(DialogTest, AQualifiedPathThatDoesNotFitIsRefusedAndTheDialogStays) {
    std::string deep = root + "\\" + std::string(50, 'D');
    MakeDirectory(deep);
    SetCurrentDirectoryA(deep.c_str());
    CopyText(g_setup.destDir, "D:\\BEFORE");
    bool openAfterRelative = false, openAfterLong = false, openAfterFitting = true;
    INT_PTR result = RunDestination([&](HWND dlg) {
        SetDlgItemTextA(dlg, IDC_DEST_EDIT, "ABCDEFGHIJKLMNOP");  // 60 + 1 + 16 characters qualified
        ClickButton(dlg, IDOK);
        openAfterRelative = IsWindowVisible(dlg) != FALSE;
        std::string full = "C:\\" + std::string(63, 'X');  // 66 characters typed
        SetDlgItemTextA(dlg, IDC_DEST_EDIT, full.c_str());
        ClickButton(dlg, IDOK);
        openAfterLong = IsWindowVisible(dlg) != FALSE;
        if (openAfterRelative && openAfterLong) {
            SetDlgItemTextA(dlg, IDC_DEST_EDIT, "C:\\SHORT");
            ClickButton(dlg, IDOK);
            openAfterFitting = IsWindowVisible(dlg) != FALSE;
        } else {
            ClickButton(dlg, IDCANCEL);
        }
    });
    EXPECT_TRUE(openAfterRelative) << "a relative name qualified beyond 65 characters is refused";
    EXPECT_TRUE(openAfterLong) << "66 characters typed are refused, not cut";
    EXPECT_FALSE(openAfterFitting);
    EXPECT_EQ(result, 1);
    EXPECT_STREQ(g_setup.destDir, "C:\\SHORT");
    SetCurrentDirectoryA("C:\\");
}

TEST_F(DialogTest, TheSystemsOwnDirectoriesAreRefusedWithMessage1004AndTheDialogStays) {
    const std::string fonts = windowsDir + "\\FONTS";
    char lower[MAX_PATH];
    CopyText(lower, (systemDir + "\\.\\").c_str());
    CharLowerA(lower);
    const std::string refused[] = {windowsDir, windowsDir + "\\", lower, systemDir + "\\VIREO",
                                   systemDir + "\\DRIVERS\\..\\TOOLS", fonts};
    std::vector<bool> stayedOpen;
    INT_PTR result = RunDestination([&](HWND dlg) {
        for (const std::string& dir : refused) {
            SetDlgItemTextA(dlg, IDC_DEST_EDIT, dir.c_str());
            ClickButton(dlg, IDOK);
            stayedOpen.push_back(IsWindowVisible(dlg) != FALSE);
            if (!stayedOpen.back()) return;
        }
        // Below the Windows directory, but not the system directory: taken.
        SetDlgItemTextA(dlg, IDC_DEST_EDIT, (windowsDir + "\\VIREO").c_str());
        ClickButton(dlg, IDOK);
    });
    EXPECT_EQ(result, 1);
    ASSERT_EQ(stayedOpen.size(), std::size(refused));
    ASSERT_EQ(g_messages.size(), std::size(refused)) << Describe(MessageIds());
    for (std::size_t i = 0; i < std::size(refused); ++i) {
        EXPECT_TRUE(stayedOpen[i]) << refused[i] << " was taken";
        EXPECT_EQ(g_messages[i].id, static_cast<UINT>(IDS_DIR_NOT_CREATED)) << refused[i];
        EXPECT_EQ(g_messages[i].caption, "ORVAN Vireo Setup Error");
    }
    EXPECT_EQ(CompareNoCase(g_setup.destDir, (windowsDir + "\\VIREO").c_str()), 0) << g_setup.destDir;
}

TEST_F(DialogTest, TheEditIsSubclassedOnlyWhenTheColourCountIsAboveTwo) {
    LONG_PTR colourProc = 0, monoProc = 0, manyColoursProc = 0;
    LRESULT painted = 0;
    g_setup.displayColors = 16;
    RunDestination([&](HWND dlg) {
        HWND edit = GetDlgItem(dlg, IDC_DEST_EDIT);
        colourProc = GetWindowLongPtrA(edit, GWLP_WNDPROC);
        InvalidateRect(edit, nullptr, TRUE);
        painted = SendMessageA(edit, WM_PAINT, 0, 0);
        ClickButton(dlg, IDCANCEL);
    });
    EXPECT_EQ(colourProc, reinterpret_cast<LONG_PTR>(EditProc));
    EXPECT_EQ(painted, 1) << "EditProc answers a paint with 1";
    g_setup.displayColors = 2;
    RunDestination([&](HWND dlg) {
        monoProc = GetWindowLongPtrA(GetDlgItem(dlg, IDC_DEST_EDIT), GWLP_WNDPROC);
        ClickButton(dlg, IDCANCEL);
    });
    EXPECT_NE(monoProc, reinterpret_cast<LONG_PTR>(EditProc)) << "monochrome displays keep the plain edit";
    // More than 256 colours read as -1, which the dialog compares as a
    // signed number: not above 2.
    g_setup.displayColors = -1;
    RunDestination([&](HWND dlg) {
        manyColoursProc = GetWindowLongPtrA(GetDlgItem(dlg, IDC_DEST_EDIT), GWLP_WNDPROC);
        ClickButton(dlg, IDCANCEL);
    });
    EXPECT_NE(manyColoursProc, reinterpret_cast<LONG_PTR>(EditProc));
}

TEST_F(DialogTest, InsertDiskNamesTheDiskAndCancelKeepsTheSourceDirectory) {
    std::string caption, prompt, edit;
    LRESULT limit = 0;
    INT_PTR result = RunInsertDisk("Vireo Disk 2 - Fonts", [&](HWND dlg) {
        char title[64];
        GetWindowTextA(dlg, title, sizeof title);
        caption = title;
        prompt = ControlText(dlg, IDC_DISK_PROMPT);
        edit = ControlText(dlg, IDC_DISK_EDIT);
        limit = SendDlgItemMessageA(dlg, IDC_DISK_EDIT, EM_GETLIMITTEXT, 0, 0);
        SetDlgItemTextA(dlg, IDC_DISK_EDIT, "B:\\");
        ClickButton(dlg, IDCANCEL);
    });
    EXPECT_EQ(result, 2);
    EXPECT_EQ(caption, "ORVAN Vireo Setup");
    EXPECT_EQ(prompt, "Please insert Vireo diskette Vireo Disk 2 - Fonts");
    EXPECT_EQ(edit, disk1 + "\\");
    EXPECT_EQ(limit, 66);
    EXPECT_STREQ(g_setup.setupDir, (disk1 + "\\").c_str());
}

TEST_F(DialogTest, InsertDiskOkStoresTheTypedDirectory) {
    TypedEdit edit;
    INT_PTR result =
        RunInsertDisk("Disk 2", [&](HWND dlg) { edit.EmptyTypeAndOk(dlg, IDC_DISK_EDIT, "c:\\ftest\\disk2"); });
    EXPECT_EQ(result, 1);
    EXPECT_FALSE(edit.enabledWhenEmpty);
    EXPECT_TRUE(edit.enabledAfterTyping);
    EXPECT_EQ(edit.typed, "C:\\FTEST\\DISK2");
    EXPECT_STREQ(g_setup.setupDir, "C:\\FTEST\\DISK2\\") << "kept, with the backslash the directory ends in";
}

TEST_F(DialogTest, InsertDiskRefusesADirectoryThatDoesNotFit) {
    bool openAfterLong = false;
    INT_PTR result = RunInsertDisk("Disk 2", [&](HWND dlg) {
        std::string full = "C:\\" + std::string(63, 'X');  // 66 characters
        SetDlgItemTextA(dlg, IDC_DISK_EDIT, full.c_str());
        ClickButton(dlg, IDOK);
        openAfterLong = IsWindowVisible(dlg) != FALSE;
        ClickButton(dlg, IDCANCEL);
    });
    EXPECT_TRUE(openAfterLong) << "66 characters do not fit setupDir and are not cut";
    EXPECT_EQ(result, 2);
    EXPECT_STREQ(g_setup.setupDir, (disk1 + "\\").c_str());
}

}  // namespace
