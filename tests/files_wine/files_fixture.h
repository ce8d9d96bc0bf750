// A known machine state for each file-installation test: a two-diskette
// distribution set under C:\FTEST, SetupState as the sequence leaves it before
// the copy steps, a visible progress dialog, and cleanup of everything the
// test or the code under test put on the machine.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "messages.h"
#include "script_engine.h"
#include "setup.h"
#include "test_support.h"
#include "textutil.h"

// The installed font list of Windows 95, 98 and ME.
constexpr char kWindowsFontList[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Fonts";

class FilesTest : public ::testing::Test {
protected:
    std::string root = "C:\\FTEST";
    std::string disk1 = "C:\\FTEST\\DISK1";
    std::string disk2 = "C:\\FTEST\\DISK2";
    std::string dest = "C:\\FTEST\\DEST";
    std::string windowsDir;
    std::string systemDir;
    std::vector<std::string> placedOutside;  // files the test expects outside C:\FTEST
    std::vector<std::string> fontKeys;       // [Fonts] keys to remove
    HWND statusDlg = nullptr;

    void SetUp() override {
        RemoveTree(root);
        MakeDirectory(root);
        MakeDirectory(disk1);
        MakeDirectory(disk2);
        g_messages.clear();
        g_messageAnswer = nullptr;
        g_barEvents.clear();
        g_disableCancelAtPosition = -1;
        g_waits.clear();
        g_pumpCount = 0;

        std::memset(&g_setup, 0, sizeof g_setup);
        g_setup.hInstance = GetModuleHandleA(nullptr);
        CopyText(g_setup.mainTitle, "ORVAN Vireo Setup");
        CopyText(g_setup.errorCaption, "ORVAN Vireo Setup Error");
        CopyText(g_setup.warningCaption, "ORVAN Vireo Setup Warning");
        CopyText(g_setup.setupDir, (disk1 + "\\").c_str());
        GetWindowsDirectoryA(g_setup.windowsDir, sizeof g_setup.windowsDir);
        GetSystemDirectoryA(g_setup.systemDir, sizeof g_setup.systemDir);
        windowsDir = g_setup.windowsDir;
        systemDir = g_setup.systemDir;
        CopyText(g_setup.destDir, dest.c_str());
        g_setup.installType = 119;
        g_setup.hopperCapacity = 200;
        g_setup.displayColors = -1;
        statusDlg = CreateTestStatusDialog();
        ASSERT_NE(statusDlg, nullptr) << "progress dialog 909 of the test resources, error " << GetLastError();
        g_setup.hStatusDlg = statusDlg;
    }

    void TearDown() override {
        StopDialogRobot();
        if (statusDlg) DestroyWindow(statusDlg);
        SetCurrentDirectoryA("C:\\");
        RemoveTree(root);
        for (const std::string& path : placedOutside) {
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            RemoveFontResourceA(path.c_str());
            DeleteFileA(path.c_str());
        }
        for (const std::string& key : fontKeys) {
            WriteProfileStringA("Fonts", key.c_str(), nullptr);
            HKEY list = nullptr;
            if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kWindowsFontList, 0, KEY_SET_VALUE, &list) == ERROR_SUCCESS) {
                RegDeleteValueA(list, key.c_str());
                RegCloseKey(list);
            }
        }
    }

    // Writes the script beside disk 1's files and loads it.
    void LoadScript(const std::string& body) {
        std::string path = disk1 + "\\TLSETUP.INF";
        WriteFileBytes(path, body);
        char buffer[kScriptBufferSize];
        ASSERT_LT(path.size(), sizeof buffer);
        CopyText(buffer, path.c_str());
        ASSERT_EQ(ScriptQuery(kOpLoad, 0, buffer), 0u) << "loading " << path;
    }

    // A source file of the set, compressed when `compressedName` ends in "_".
    void PutSource(const std::string& diskDir, const std::string& relativePath, const std::string& content,
                   bool compressed, char lastChar = 'X') {
        std::string path = diskDir + "\\" + relativePath;
        size_t slash = path.rfind('\\');
        // Creates the source subdirectories one level at a time.
        for (size_t at = root.size() + 1; at < slash; ++at) {
            if (path[at] == '\\') MakeDirectory(path.substr(0, at));
        }
        MakeDirectory(path.substr(0, slash));
        WriteFileBytes(path, compressed ? SzddEncode(content, lastChar) : content);
    }

    std::vector<UINT> MessageIds() const {
        std::vector<UINT> ids;
        for (const MessageCall& call : g_messages) ids.push_back(call.id);
        return ids;
    }

    std::string Describe(const std::vector<UINT>& ids) const {
        std::string text;
        for (UINT id : ids) text += std::to_string(id) + " ";
        return text.empty() ? "none" : text;
    }

    WPARAM LastBarPosition() const {
        for (auto it = g_barEvents.rbegin(); it != g_barEvents.rend(); ++it)
            if (it->msg == kPercentSetPosition) return it->value;
        return static_cast<WPARAM>(-1);
    }
};
