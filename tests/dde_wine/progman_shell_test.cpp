// CreateProgmanGroup and DeleteProgmanGroup against Wine's own shell, which
// answers for Program Manager and keeps groups as folders of the Start
// Menu's Programs folder and items as shortcuts in them.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "dde_client.h"
#include "dde_test_support.h"
#include "script_engine.h"
#include "setup.h"
#include "textutil.h"

namespace {

const char kScript[] =
    "[Application]\r\n"
    "AppName=Vireo\r\n"
    "DefPMGroup=PELORA.GRP,ORVAN Pelora 200/250 Tools\r\n"
    "[Disks]\r\n"
    "1=Vireo Disk 1\r\n"
    "[Dirs]\r\n"
    "1=.\r\n"
    "2=DRIVER\r\n"
    "[Files]\r\n"
    "VIREO.EXE,1,VIREO.EX_,1,1,Y\r\n"
    "PANEL.EXE,2,PANEL.EX_,2,1,Y\r\n"
    "TLDELET.EXE,1,TLDESETU.EX_,1,1,Y\r\n"
    "[PM Info]\r\n"
    "VIREO.EXE,3\r\n"
    "PANEL.EXE,4\r\n"
    "TLDELET.EXE,2\r\n"
    "[End]\r\n";

const char kInstallDir[] = "C:\\VIREO";

struct Shortcut {
    std::string name;    // file name in the group folder
    std::string target;  // path the shortcut points at
};

std::string ProgramsDir() {
    char path[MAX_PATH] = "";
    SHGetFolderPathA(nullptr, CSIDL_PROGRAMS, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

bool IsDirectory(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Every folder below `dir` (the group folder may be nested when the shell
// takes the "/" of the group's name as a separator).
void ListDirs(const std::string& dir, std::vector<std::string>* out) {
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return;
    do {
        const std::string name = fd.cFileName;
        if (name == "." || name == "..") continue;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            out->push_back(dir + "\\" + name);
            ListDirs(dir + "\\" + name, out);
        }
    } while (FindNextFileA(h, &fd));
    FindClose(h);
}

std::vector<Shortcut> ReadShortcuts(const std::string& dir) {
    std::vector<Shortcut> out;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((dir + "\\*.lnk").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return out;
    do {
        Shortcut s;
        s.name = fd.cFileName;
        IShellLinkA* link = nullptr;
        if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                       reinterpret_cast<void**>(&link)))) {
            IPersistFile* file = nullptr;
            if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
                const std::string full = dir + "\\" + fd.cFileName;
                wchar_t wide[MAX_PATH];
                MultiByteToWideChar(CP_ACP, 0, full.c_str(), -1, wide, MAX_PATH);
                if (SUCCEEDED(file->Load(wide, STGM_READ))) {
                    char target[MAX_PATH] = "";
                    link->GetPath(target, sizeof target, nullptr, SLGP_RAWPATH);
                    s.target = target;
                }
                file->Release();
            }
            link->Release();
        }
        out.push_back(s);
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    std::sort(out.begin(), out.end(), [](const Shortcut& a, const Shortcut& b) { return a.target < b.target; });
    return out;
}

void TouchFile(const std::string& path) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
}

// Folder windows that the shell opens for a new group.
BOOL CALLBACK CloseFolderWindow(HWND hwnd, LPARAM) {
    char cls[64] = "";
    GetClassNameA(hwnd, cls, sizeof cls);
    if (!lstrcmpA(cls, "CabinetWClass") || !lstrcmpA(cls, "ExploreWClass")) PostMessageA(hwnd, WM_CLOSE, 0, 0);
    return TRUE;
}

class ProgmanShellTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitDdeTest();
        CoInitialize(nullptr);
        // The shell starts its DDE service with the desktop; wait for it.
        const DWORD start = GetTickCount();
        int servers = 0;
        while ((servers = CountProgmanServers()) == 0 && GetTickCount() - start < 15000) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 200, QS_ALLINPUT);
        }
        ASSERT_GE(servers, 1) << "Wine's shell does not answer for Program Manager";
        ASSERT_EQ(FindWindowA("PROGMAN", nullptr), nullptr) << "Wine's shell has no Program Manager window";
        CreateDirectoryA(kInstallDir, nullptr);
        CreateDirectoryA((std::string(kInstallDir) + "\\DRIVER").c_str(), nullptr);
        for (const char* f : {"\\VIREO.EXE", "\\DRIVER\\PANEL.EXE", "\\TLDELET.EXE"}) TouchFile(kInstallDir + std::string(f));
        CopyText(g_setup.destShortDir, kInstallDir);
        ASSERT_EQ(LoadScriptText(kScript), 0u);
        programs_ = ProgramsDir();
        ASSERT_FALSE(programs_.empty());
        ListDirs(programs_, &before_);
    }
    void TearDown() override {
        EnumWindows(CloseFolderWindow, 0);
        for (const char* f : {"\\VIREO.EXE", "\\DRIVER\\PANEL.EXE", "\\TLDELET.EXE"}) DeleteFileA((kInstallDir + std::string(f)).c_str());
        RemoveDirectoryA((std::string(kInstallDir) + "\\DRIVER").c_str());
        RemoveDirectoryA(kInstallDir);
        CoUninitialize();
    }
    // Folders that appeared under Programs since SetUp.
    std::vector<std::string> NewDirs() const {
        std::vector<std::string> now;
        ListDirs(programs_, &now);
        std::vector<std::string> out;
        for (const std::string& d : now) {
            if (std::find(before_.begin(), before_.end(), d) == before_.end()) out.push_back(d);
        }
        return out;
    }

    std::string programs_;
    std::vector<std::string> before_;
};

std::string Describe(const std::vector<std::string>& dirs) {
    std::string s;
    for (const std::string& d : dirs) s += "  " + d + "\n";
    return s.empty() ? "  (none)\n" : s;
}

TEST_F(ProgmanShellTest, GroupWithOneShortcutPerItemAndGoneAfterDelete) {
    BoxWatcher watcher(60000);
    const BOOL created = CreateProgmanGroup();
    watcher.Finish();
    EXPECT_NE(created, 0) << "Wine's shell acknowledged the group and every item";
    EXPECT_EQ(watcher.Count(), 0) << "box: " << watcher.Text();

    const std::vector<std::string> added = NewDirs();
    std::string groupDir;
    for (const std::string& d : added) {
        if (!ReadShortcuts(d).empty()) groupDir = d;
    }
    ASSERT_FALSE(groupDir.empty()) << "no folder with shortcuts appeared under " << programs_ << "; new folders:\n"
                                   << Describe(added);
    // A file name cannot hold the "/" of the group's name; Wine's shell
    // writes it "_".
    std::string folderName = kProgmanGroupName;
    std::replace(folderName.begin(), folderName.end(), '/', '_');
    EXPECT_EQ(groupDir, programs_ + "\\" + folderName) << "group folder";

    const std::vector<Shortcut> links = ReadShortcuts(groupDir);
    std::string seen;
    for (const Shortcut& s : links) seen += "  " + s.name + " -> " + s.target + "\n";
    ASSERT_EQ(links.size(), 3u) << seen;
    EXPECT_EQ(links[0].target, "C:\\VIREO\\DRIVER\\PANEL.EXE") << seen;
    EXPECT_EQ(links[1].target, "C:\\VIREO\\TLDELET.EXE") << seen;
    EXPECT_EQ(links[2].target, "C:\\VIREO\\VIREO.EXE") << seen;

    // Creating the group again replaces each item: still one of each.
    EXPECT_NE(CreateProgmanGroup(), 0);
    EXPECT_EQ(ReadShortcuts(groupDir).size(), 3u);

    EnumWindows(CloseFolderWindow, 0);
    EXPECT_EQ(DeleteProgmanGroup(g_setup.hInstance), 1) << "Wine's shell acknowledged the deletion";
    EXPECT_EQ(DdeInitiateTarget, nullptr) << "no Program Manager window: the initiate was broadcast";
    EXPECT_FALSE(IsDirectory(groupDir)) << groupDir << " is still there";
    EXPECT_TRUE(NewDirs().empty()) << "left behind:\n" << Describe(NewDirs());
}

}  // namespace
