// The DDE client against a stand-in Program Manager (PROGMAN.EXE) that
// records every message it receives. Wine's own shell, which also answers
// for Program Manager, is silenced first in every test.
#include <windows.h>
#include <dde.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dde_client.h"
#include "dde_test_support.h"
#include "script_engine.h"
#include "setup.h"
#include "textutil.h"

namespace {

// A script shaped like the package's: the destination itself ("."),
// subdirectories, the Windows and system directories, two diskettes.
const char kPackageScript[] =
    "[Application]\r\n"
    "AppName=Vireo\r\n"
    "DefDir=C:\\VIREO\r\n"
    "SpaceNeeded=2000\r\n"
    "DefPMGroup=PELORA.GRP,ORVAN Pelora 200/250 Tools\r\n"
    "[Disks]\r\n"
    "1=Vireo Disk 1\r\n"
    "2=Vireo Disk 2\r\n"
    "[Dirs]\r\n"
    "1=.\r\n"
    "2=DRIVER\r\n"
    "3=WINDOWS\r\n"
    "4=SYSTEM\r\n"
    "5=UTIL\r\n"
    "[Files]\r\n"
    "VIREO.EXE,1,VIREO.EX_,1,1,Y\r\n"
    "TLTP.EXE,5,TLTP.EX_,5,1,Y\r\n"
    "TLDELET.EXE,1,TLDESETU.EX_,1,1,Y\r\n"
    "PANEL.EXE,2,PANEL.EX_,2,2,Y\r\n"
    "ZEROZ32.DLL,1,ZEROZ32.DL_,1,2,Y\r\n"
    "[PM Info]\r\n"
    "VIREO.EXE,3\r\n"
    "TLTP.EXE,1\r\n"
    "PANEL.EXE,4,PANEL.EXE,0\r\n"
    "TLDELET.EXE,2\r\n"
    "[End]\r\n";

const char kGroupCommand[] = "EXECUTE [CreateGroup(ORVAN Pelora 200/250 Tools)]";

std::string Join(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& l : lines) out += "  " + l + "\n";
    return out;
}

class DdeClientTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitDdeTest();
        std::string why;
        ASSERT_TRUE(SilenceShellDde(&why)) << why;
        SetEnvironmentVariableA("TLS_PROGMAN_FIXTURE", nullptr);
    }
    void TearDown() override {
        SetEnvironmentVariableA("TLS_PROGMAN_FIXTURE", nullptr);
        for (FixtureServer* s : {&server_, &second_}) s->Stop();
    }
    void StartServer(FixtureServer& server, const std::string& options = "") {
        std::string why;
        ASSERT_TRUE(server.Start(options, &why)) << why;
    }
    // Runs CreateProgmanGroup, pressing OK on any box it shows.
    BOOL CreateGroupWatched(BoxWatcher& watcher) {
        const BOOL result = CreateProgmanGroup();
        watcher.Finish();
        return result;
    }

    FixtureServer server_;
    FixtureServer second_;
};

TEST_F(DdeClientTest, PackageScriptGivesTheExactCommandSequence) {
    ASSERT_EQ(LoadScriptText(kPackageScript), 0u);
    StartServer(server_);
    BoxWatcher watcher(60000);
    const BOOL result = CreateGroupWatched(watcher);
    EXPECT_NE(result, 0) << "every command was acknowledged positively";
    EXPECT_EQ(watcher.Count(), 0) << "unexpected box: " << watcher.Text();
    const std::vector<std::string> expected = {
        "INITIATE",
        kGroupCommand,
        "EXECUTE [DeleteItem(Vireo for Pelora 200/250)]",
        "EXECUTE [AddItem(C:\\VIREO\\VIREO.EXE,Vireo for Pelora 200/250,,0)]",
        "EXECUTE [DeleteItem(ORVAN Pelora 200/250 TEST Program)]",
        "EXECUTE [AddItem(C:\\VIREO\\UTIL\\TLTP.EXE,ORVAN Pelora 200/250 TEST Program,,0)]",
        "EXECUTE [DeleteItem(ORVAN Pelora 200/250 PCL Control Panel)]",
        "EXECUTE [AddItem(C:\\VIREO\\DRIVER\\PANEL.EXE,ORVAN Pelora 200/250 PCL Control Panel,,0)]",
        "EXECUTE [DeleteItem(ORVAN Pelora 200/250 Uninstall Utility)]",
        "EXECUTE [AddItem(C:\\VIREO\\TLDELET.EXE,ORVAN Pelora 200/250 Uninstall Utility,,0)]",
        "TERMINATE",
    };
    EXPECT_EQ(server_.Log(), expected) << "the stand-in received:\n" << Join(server_.Log());
}

TEST_F(DdeClientTest, DestinationWithTrailingBackslashAndDotDirectory) {
    ASSERT_EQ(LoadScriptText("[Dirs]\r\n7=.\r\n[Files]\r\nVIREO.EXE,7,VIREO.EX_,7,1,Y\r\n"
                             "[PM Info]\r\nVIREO.EXE,3\r\n[End]\r\n"),
              0u);
    CopyText(g_setup.destShortDir, "D:\\");
    StartServer(server_);
    BoxWatcher watcher(60000);
    EXPECT_NE(CreateGroupWatched(watcher), 0);
    const std::vector<std::string> log = server_.Log();
    ASSERT_EQ(log.size(), 5u) << Join(log);
    EXPECT_EQ(log[3], "EXECUTE [AddItem(D:\\VIREO.EXE,Vireo for Pelora 200/250,,0)]");
}

TEST_F(DdeClientTest, ItemWhoseFileIsNotInTheScriptGoesIntoTheDestination) {
    // GONE.EXE names no [Files] record; NODIR.EXE's directory 9 names no
    // [Dirs] record. Both are placed in the destination directory itself.
    ASSERT_EQ(LoadScriptText("[Dirs]\r\n1=.\r\n2=DRIVER\r\n[Files]\r\nNODIR.EXE,9,NODIR.EX_,9,1,Y\r\n"
                             "PANEL.EXE,2,PANEL.EX_,2,1,Y\r\n"
                             "[PM Info]\r\nGONE.EXE,0\r\nNODIR.EXE,1\r\nPANEL.EXE,4\r\n[End]\r\n"),
              0u);
    char file[kScriptBufferSize];
    ASSERT_EQ(ScriptQuery(kOpItemFile, 0, file), kScriptNotFound) << "the engine finds no directory for GONE.EXE";
    StartServer(server_);
    BoxWatcher watcher(60000);
    EXPECT_NE(CreateGroupWatched(watcher), 0);
    const std::vector<std::string> log = server_.Log();
    ASSERT_EQ(log.size(), 9u) << Join(log);
    EXPECT_EQ(log[3], "EXECUTE [AddItem(C:\\VIREO\\GONE.EXE,ORVAN Pelora 200/250 Print Manager,,0)]");
    EXPECT_EQ(log[5], "EXECUTE [AddItem(C:\\VIREO\\NODIR.EXE,ORVAN Pelora 200/250 TEST Program,,0)]");
    EXPECT_EQ(log[7], "EXECUTE [AddItem(C:\\VIREO\\DRIVER\\PANEL.EXE,ORVAN Pelora 200/250 PCL Control Panel,,0)]");
}

TEST_F(DdeClientTest, EmptyPmInfoSendsOnlyTheGroup) {
    ASSERT_EQ(LoadScriptText("[Dirs]\r\n1=.\r\n[Files]\r\nVIREO.EXE,1,VIREO.EX_,1,1,Y\r\n[PM Info]\r\n[End]\r\n"), 0u);
    StartServer(server_);
    BoxWatcher watcher(60000);
    EXPECT_NE(CreateGroupWatched(watcher), 0) << "the result is the group command's acknowledgement";
    const std::vector<std::string> expected = {"INITIATE", kGroupCommand, "TERMINATE"};
    EXPECT_EQ(server_.Log(), expected) << Join(server_.Log());
}

TEST_F(DdeClientTest, NegativeCreateGroupShowsTheBoxAndAddsNoItems) {
    ASSERT_EQ(LoadScriptText(kPackageScript), 0u);
    StartServer(server_, "--nack CreateGroup");
    BoxWatcher watcher(60000);
    EXPECT_EQ(CreateGroupWatched(watcher), 0);
    EXPECT_EQ(watcher.Count(), 1) << "one box";
    EXPECT_EQ(watcher.Text(), "Send WM_DDE_EXECUTE message fail !");
    EXPECT_EQ(watcher.Caption(), "");
    const std::vector<std::string> expected = {"INITIATE", kGroupCommand, "TERMINATE"};
    EXPECT_EQ(server_.Log(), expected) << Join(server_.Log());
}

TEST_F(DdeClientTest, NegativeAddItemStopsTheLoopSilently) {
    ASSERT_EQ(LoadScriptText(kPackageScript), 0u);
    StartServer(server_, "--nack AddItem");
    BoxWatcher watcher(60000);
    EXPECT_EQ(CreateGroupWatched(watcher), 0);
    EXPECT_EQ(watcher.Count(), 0) << "no box for an item; saw " << watcher.Text();
    const std::vector<std::string> expected = {
        "INITIATE",
        kGroupCommand,
        "EXECUTE [DeleteItem(Vireo for Pelora 200/250)]",
        "EXECUTE [AddItem(C:\\VIREO\\VIREO.EXE,Vireo for Pelora 200/250,,0)]",
        "TERMINATE",
    };
    EXPECT_EQ(server_.Log(), expected) << Join(server_.Log());
}

TEST_F(DdeClientTest, NegativeDeleteItemIsIgnored) {
    ASSERT_EQ(LoadScriptText(kPackageScript), 0u);
    StartServer(server_, "--nack DeleteItem");
    BoxWatcher watcher(60000);
    EXPECT_NE(CreateGroupWatched(watcher), 0);
    EXPECT_EQ(server_.Log().size(), 11u) << Join(server_.Log());
}

TEST_F(DdeClientTest, NobodyAnsweringGivesTheBoxAndZero) {
    // PROGMAN.EXE is started by the client but ends at once: no
    // TLS_PROGMAN_FIXTURE in the environment.
    ASSERT_EQ(LoadScriptText(kPackageScript), 0u);
    BoxWatcher watcher(60000);
    EXPECT_EQ(CreateGroupWatched(watcher), 0);
    EXPECT_EQ(watcher.Count(), 1);
    EXPECT_EQ(watcher.Text(), "Send WM_DDE_EXECUTE message fail !");
}

TEST_F(DdeClientTest, TwoServersFirstOneWins) {
    StartServer(server_);
    StartServer(second_);
    HWND client = OpenProgmanClient(g_setup.hInstance, HWND_BROADCAST);
    ASSERT_NE(client, nullptr);
    HWND partner = DdeClientPartner(client);
    EXPECT_EQ(SendProgmanCommand(client, "[ShowGroup(x,1)]"), 1);
    DestroyWindow(client);

    const std::vector<std::string> a = server_.Log();
    const std::vector<std::string> b = second_.Log();
    ASSERT_FALSE(a.empty()) << "first stand-in was not asked";
    ASSERT_FALSE(b.empty()) << "second stand-in was not asked";
    EXPECT_EQ(a[0], "INITIATE");
    EXPECT_EQ(b[0], "INITIATE");
    // The broadcast reaches the windows in z-order: the server asked first
    // answered first and is the partner.
    const bool firstIsA = partner == server_.Window();
    ASSERT_TRUE(firstIsA || partner == second_.Window()) << "partner is neither stand-in";
    HWND top = nullptr;
    for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT)) {
        if (w == server_.Window() || w == second_.Window()) {
            top = w;
            break;
        }
    }
    EXPECT_EQ(partner, top) << "the first window to answer is the partner";
    const std::vector<std::string>& winner = firstIsA ? a : b;
    const std::vector<std::string>& loser = firstIsA ? b : a;
    const std::vector<std::string> won = {"INITIATE", "EXECUTE [ShowGroup(x,1)]", "TERMINATE"};
    const std::vector<std::string> lost = {"INITIATE", "TERMINATE"};
    EXPECT_EQ(winner, won) << Join(winner);
    EXPECT_EQ(loser, lost) << "the second server gets no command, only the end of its conversation:\n"
                           << Join(loser);
}

TEST_F(DdeClientTest, ServerStartedByWinExecWhenNobodyAnswers) {
    ASSERT_EQ(FindWindowA("PROGMAN", nullptr), nullptr);
    const std::string log = TempFile("winexec.log");
    const std::string options = "--log \"" + log + "\"";
    SetEnvironmentVariableA("TLS_PROGMAN_FIXTURE", options.c_str());
    // An unattended run starts none: nobody may be there to see it.
    g_ddeStartsServer = false;
    HWND alone = OpenProgmanClient(g_setup.hInstance, HWND_BROADCAST);
    g_ddeStartsServer = true;
    ASSERT_NE(alone, nullptr);
    EXPECT_EQ(DdeClientPartner(alone), nullptr);
    EXPECT_EQ(FindWindowA("PROGMAN", nullptr), nullptr) << "PROGMAN was started";
    DestroyWindow(alone);
    HWND client = OpenProgmanClient(g_setup.hInstance, HWND_BROADCAST);
    ASSERT_NE(client, nullptr);
    HWND started = FindWindowA("PROGMAN", nullptr);
    EXPECT_NE(started, nullptr) << "WinExec(\"PROGMAN\") started the stand-in beside the program";
    EXPECT_EQ(DdeClientPartner(client), started) << "the second initiate found it";
    EXPECT_EQ(SendProgmanCommand(client, "[CreateGroup(ORVAN Pelora 200/250 Tools)]"), 1);
    DestroyWindow(client);
    const std::vector<std::string> expected = {"INITIATE", kGroupCommand, "TERMINATE"};
    EXPECT_EQ(ReadLines(log), expected) << Join(ReadLines(log));

    DWORD pid = 0;
    if (started) {
        GetWindowThreadProcessId(started, &pid);
        HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid);
        PostMessageA(started, WM_CLOSE, 0, 0);
        if (process) {
            if (WaitForSingleObject(process, 5000) != WAIT_OBJECT_0) TerminateProcess(process, 1);
            CloseHandle(process);
        }
    }
    DeleteFileA(log.c_str());
}

TEST_F(DdeClientTest, ServerThatNeverAcknowledgesIsGivenUpAfterTheBound) {
    StartServer(server_, "--no-ack");
    HWND client = OpenProgmanClient(g_setup.hInstance, HWND_BROADCAST);
    ASSERT_NE(client, nullptr);
    ASSERT_EQ(DdeClientPartner(client), server_.Window());
    int result = -1;
    const DWORD took = TimeIt([&] { result = SendProgmanCommand(client, "[CreateGroup(x)]"); });
    EXPECT_EQ(result, 0);
    EXPECT_GE(took, kDdeExecuteTimeout - 100) << "gave up after " << took << " ms";
    EXPECT_LT(took, kDdeExecuteTimeout + 3000) << "gave up after " << took << " ms";
    DestroyWindow(client);
}

TEST_F(DdeClientTest, DestroyingAClientThatNeverConnectedTakesAbout3Seconds) {
    // An initiate target that never answers: a window of this test.
    HWND silent = CreateWindowA("STATIC", "", 0, 0, 0, 0, 0, nullptr, nullptr, g_setup.hInstance, nullptr);
    ASSERT_NE(silent, nullptr);
    HWND client = OpenProgmanClient(g_setup.hInstance, silent);
    ASSERT_NE(client, nullptr) << "the window exists without a partner";
    EXPECT_EQ(DdeClientPartner(client), nullptr);
    EXPECT_EQ(SendProgmanCommand(client, "[CreateGroup(x)]"), 0) << "no partner answers 0 at once";
    const DWORD took = TimeIt([&] { DestroyWindow(client); });
    EXPECT_GE(took, kDdeTerminateTimeout - 100) << took << " ms";
    EXPECT_LT(took, kDdeTerminateTimeout + 1500) << took << " ms";
    EXPECT_FALSE(IsWindow(client));
    DestroyWindow(silent);
}

TEST_F(DdeClientTest, DestroyEndsAtTheServersTerminate) {
    StartServer(server_);
    HWND client = OpenProgmanClient(g_setup.hInstance, server_.Window());
    ASSERT_EQ(DdeClientPartner(client), server_.Window());
    const DWORD took = TimeIt([&] { DestroyWindow(client); });
    EXPECT_LT(took, 2000u) << "the server answered the terminate, yet the wait took " << took << " ms";
    const std::vector<std::string> expected = {"INITIATE", "TERMINATE"};
    EXPECT_EQ(server_.Log(), expected) << Join(server_.Log());
}

TEST_F(DdeClientTest, AtomsOfTheInitiateAnswerAreDeleted) {
    StartServer(server_, "--ack-name TlsFixtureAckAtom");
    StartServer(second_, "--ack-name TlsFixtureAckAtom");
    HWND client = OpenProgmanClient(g_setup.hInstance, HWND_BROADCAST);
    ASSERT_NE(DdeClientPartner(client), nullptr);
    EXPECT_EQ(GlobalFindAtomA("TlsFixtureAckAtom"), 0) << "both servers' answers were cleaned up";
    DestroyWindow(client);
}

TEST_F(DdeClientTest, UnsolicitedDataIsDisposedOf) {
    StartServer(server_);
    HWND client = OpenProgmanClient(g_setup.hInstance, server_.Window());
    ASSERT_NE(DdeClientPartner(client), nullptr);
    for (HWND sender : {server_.Window(), client}) {
        const ATOM item = GlobalAddAtomA("TlsUnsolicitedItem");
        ASSERT_NE(item, 0);
        HGLOBAL data = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, sizeof(DDEDATA) + 8);
        ASSERT_NE(data, nullptr);
        const LPARAM packed = PackDDElParam(WM_DDE_DATA, reinterpret_cast<UINT_PTR>(data), item);
        SendMessageA(client, WM_DDE_DATA, reinterpret_cast<WPARAM>(sender), packed);
        EXPECT_EQ(GlobalFindAtomA("TlsUnsolicitedItem"), 0) << "the item atom was deleted";
        EXPECT_EQ(GlobalFlags(data), static_cast<UINT>(GMEM_INVALID_HANDLE)) << "the data block was freed";
    }
    DestroyWindow(client);
}

TEST_F(DdeClientTest, TerminateFromThePartnerEndsTheConversation) {
    StartServer(server_);
    HWND client = OpenProgmanClient(g_setup.hInstance, server_.Window());
    ASSERT_EQ(DdeClientPartner(client), server_.Window());
    // A terminate from another window is not the partner's.
    SendMessageA(client, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(client), 0);
    EXPECT_EQ(DdeClientPartner(client), server_.Window());
    SendMessageA(client, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(server_.Window()), 0);
    EXPECT_EQ(DdeClientPartner(client), nullptr);
    EXPECT_EQ(SendProgmanCommand(client, "[CreateGroup(x)]"), 0) << "no partner any more";
    DestroyWindow(client);
}

TEST_F(DdeClientTest, DeleteProgmanGroupTalksToTheProgmanWindow) {
    StartServer(server_);
    EXPECT_EQ(DeleteProgmanGroup(g_setup.hInstance), 1);
    EXPECT_EQ(DdeInitiateTarget, server_.Window());
    EXPECT_TRUE(IsWindowEnabled(server_.Window())) << "enabled again afterwards";
    EXPECT_TRUE(IsWindowVisible(server_.Window()));
    const std::vector<std::string> expected = {
        "INITIATE", "WINDOW DISABLED", "EXECUTE [DeleteGroup(ORVAN Pelora 200/250 Tools)]", "TERMINATE"};
    EXPECT_EQ(server_.Log(), expected) << Join(server_.Log());
}

TEST_F(DdeClientTest, DeleteProgmanGroupNegativeAnswerIsZero) {
    StartServer(server_, "--nack-all");
    EXPECT_EQ(DeleteProgmanGroup(g_setup.hInstance), 0);
    EXPECT_TRUE(IsWindowEnabled(server_.Window())) << "enabled again afterwards";
}

TEST_F(DdeClientTest, DeleteProgmanGroupWithoutProgmanWindowAsksEveryWindow) {
    // A shell that answers for Program Manager without a window of its class.
    StartServer(server_, "--class TlsShellStandIn");
    ASSERT_EQ(FindWindowA("PROGMAN", nullptr), nullptr);
    EXPECT_EQ(DeleteProgmanGroup(g_setup.hInstance), 1);
    EXPECT_EQ(DdeInitiateTarget, nullptr);
    const std::vector<std::string> expected = {"INITIATE", "EXECUTE [DeleteGroup(ORVAN Pelora 200/250 Tools)]",
                                               "TERMINATE"};
    EXPECT_EQ(server_.Log(), expected) << Join(server_.Log());
}

TEST_F(DdeClientTest, DeleteProgmanGroupWithNobodyIsZero) {
    EXPECT_EQ(DeleteProgmanGroup(g_setup.hInstance), 0);
}

}  // namespace
