// The GUI robot proves each of its capabilities on msgbox_fixture.exe.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../machine/import_slot.h"
#include "robot.h"

namespace {

using robot::Robot;
using robot::SeenDialog;
using robot::WindowQuery;

// Upper bounds only: under load a Wine program can take many seconds to start.
constexpr DWORD kBound = 30000;

std::string Fixture() { return robot::BinDir() + "msgbox_fixture.exe"; }

TEST(Robot, ReadsAMessageBoxAndClicksItsButton) {
    Robot r;
    ASSERT_TRUE(r.Start(Fixture(), "box 0x1024 \"Robot Caption\" \"Line one\nLine two\""));
    SeenDialog box;
    HWND hwnd = nullptr;
    ASSERT_TRUE(r.WaitMessageBox("Robot Caption", kBound, &box, &hwnd));
    std::cout << "message box as seen:\n" << r.TranscriptText();
    for (const robot::ControlInfo& c : box.controls) {
        std::cout << "  control id " << c.id << " class " << c.className << " style 0x" << std::hex << c.style
                  << std::dec << " text \"" << c.text << "\"\n";
    }
    EXPECT_TRUE(box.messageBox);
    EXPECT_EQ(box.caption, "Robot Caption");
    EXPECT_EQ(box.text, "Line one\nLine two");
    ASSERT_EQ(box.buttons.size(), 2u) << box.Describe();
    EXPECT_EQ(box.buttons[0], "&Yes");
    EXPECT_EQ(box.buttons[1], "&No");
    EXPECT_EQ(box.icon, robot::Icon::Question) << box.Describe();
    ASSERT_TRUE(r.ClickText(hwnd, "No"));
    DWORD code = 0;
    ASSERT_TRUE(r.WaitExit(kBound, &code));
    EXPECT_EQ(code, static_cast<DWORD>(IDNO));
}

TEST(Robot, RecognisesTheMessageBoxIcons) {
    struct Case {
        const char* style;
        robot::Icon icon;
    };
    const Case cases[] = {
        {"0x40", robot::Icon::Information},
        {"0x30", robot::Icon::Warning},
        {"0x10", robot::Icon::Error},
        {"0x0", robot::Icon::None},
    };
    for (const Case& c : cases) {
        Robot r;
        ASSERT_TRUE(r.Start(Fixture(), std::string("box ") + c.style + " Icons Text"));
        SeenDialog box;
        HWND hwnd = nullptr;
        ASSERT_TRUE(r.WaitMessageBox("Icons", kBound, &box, &hwnd));
        EXPECT_EQ(box.icon, c.icon) << "style " << c.style << ": " << box.Describe();
        ASSERT_EQ(box.buttons.size(), 1u) << box.Describe();
        EXPECT_EQ(box.buttons[0], "OK");
        ASSERT_TRUE(r.Enter(hwnd)) << "Enter chooses the default button";
        DWORD code = 0;
        ASSERT_TRUE(r.WaitExit(kBound, &code));
        EXPECT_EQ(code, static_cast<DWORD>(IDOK));
    }

    // Another window over the box hides its icon (as the folder window of
    // Wine's shell may, coming up late): the robot brings the box up to read it.
    Robot r;
    ASSERT_TRUE(r.Start(Fixture(), "box 0x20 Covered Text"));
    HWND hwnd = nullptr;
    ASSERT_TRUE(r.WaitWindow(WindowQuery::MessageBox("Covered"), kBound, &hwnd));
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = "RobotTestCover";
    ASSERT_TRUE(RegisterClassA(&wc));
    HWND cover = CreateWindowExA(0, "RobotTestCover", "cover", WS_POPUP, 0, 0, GetSystemMetrics(SM_CXSCREEN),
                                 GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(cover, nullptr);
    SetWindowPos(cover, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    UpdateWindow(cover);
    SeenDialog box;
    ASSERT_TRUE(r.WaitMessageBox("Covered", kBound, &box, &hwnd));
    EXPECT_EQ(box.icon, robot::Icon::Question) << "under a window: " << box.Describe();
    DestroyWindow(cover);
    ASSERT_TRUE(r.Enter(hwnd));
    ASSERT_TRUE(r.WaitExit(kBound));
}

TEST(Robot, KeepsATranscriptOfEveryBox) {
    Robot r;
    ASSERT_TRUE(r.Start(Fixture(), "boxes"));
    HWND first = nullptr;
    ASSERT_TRUE(r.WaitWindow(WindowQuery::MessageBox("Fixture Boxes"), kBound, &first));
    ASSERT_TRUE(r.Click(first, IDYES));
    ASSERT_TRUE(r.WaitGone(first, kBound));
    WindowQuery second = WindowQuery::MessageBox("Fixture Boxes");
    second.containsText = "Second";
    HWND hwnd = nullptr;
    ASSERT_TRUE(r.WaitWindow(second, kBound, &hwnd));
    ASSERT_TRUE(r.Command(hwnd, IDOK)) << "a posted WM_COMMAND ends a message box too";
    DWORD code = 0;
    ASSERT_TRUE(r.WaitExit(kBound, &code));
    EXPECT_EQ(code, static_cast<DWORD>(10 * IDYES + IDOK));
    std::vector<SeenDialog> seen = r.Transcript();
    std::cout << r.TranscriptText();
    ASSERT_EQ(seen.size(), 2u) << r.TranscriptText();
    EXPECT_EQ(seen[0].text, "First question?");
    EXPECT_EQ(seen[0].icon, robot::Icon::Question);
    EXPECT_EQ(seen[1].text, "Second notice.");
    EXPECT_EQ(seen[1].icon, robot::Icon::Warning);
    EXPECT_EQ(seen[1].buttons.size(), 1u);
}

TEST(Robot, PassesArgumentsAndWorkingDirectory) {
    std::string dir = robot::MakeTempDir("robotcwd");
    ASSERT_FALSE(dir.empty());
    {
        Robot r;
        ASSERT_TRUE(r.Start(Fixture(), "echo one \"two words\"", dir));
        SeenDialog box;
        HWND hwnd = nullptr;
        ASSERT_TRUE(r.WaitMessageBox("Fixture Echo", kBound, &box, &hwnd));
        std::string want = "dir=" + dir.substr(0, dir.size() - 1) + " args=one \"two words\"";
        EXPECT_EQ(box.text, want);
        ASSERT_TRUE(r.Escape(hwnd));
        DWORD code = 0;
        ASSERT_TRUE(r.WaitExit(kBound, &code));
        EXPECT_EQ(code, 3u);
    }
    robot::RemoveTree(dir);
    EXPECT_EQ(GetFileAttributesA(dir.c_str()), INVALID_FILE_ATTRIBUTES) << dir << " left behind";
}

TEST(Robot, FindsADialogByItsControlsAndReadsThem) {
    Robot r;
    ASSERT_TRUE(r.Start(Fixture(), "dialog"));
    HWND dlg = nullptr;
    ASSERT_TRUE(r.WaitWindow(WindowQuery::Dialog("Fixture Dialog", {201, 202, 203, 206}), kBound, &dlg));
    EXPECT_EQ(r.Caption(dlg), "Fixture Dialog");
    EXPECT_EQ(r.ControlText(dlg, 202), "&Remember");
    EXPECT_EQ(r.ControlText(dlg, 206), "&Disabled");
    EXPECT_FALSE(r.Enabled(dlg, 206));
    EXPECT_TRUE(r.Enabled(dlg, 202));
    EXPECT_FALSE(r.Checked(dlg, 202));
    robot::WindowInfo info = robot::Inspect(dlg);
    ASSERT_NE(info.Control(-1 & 0xFFFF), nullptr) << "the label without an id";
    EXPECT_EQ(info.Control(0xFFFF)->text, "&Name:");
    EXPECT_FALSE(robot::ReadDialog(info).messageBox) << "a dialog is not taken for a message box";
    EXPECT_FALSE(r.Click(dlg, 206)) << "clicking a disabled button must fail";
    ASSERT_TRUE(r.Escape(dlg));
    HWND question = nullptr;
    ASSERT_TRUE(r.WaitWindow(WindowQuery::MessageBox("Fixture Question"), kBound, &question));
    ASSERT_TRUE(r.ClickText(question, "&No"));
    ASSERT_TRUE(r.WaitGone(question, kBound));
    EXPECT_TRUE(r.StaysRunning(200)) << "No keeps the dialog";
}

TEST(Robot, TypesClicksChecksAndReadsTheResult) {
    Robot r;
    ASSERT_TRUE(r.Start(Fixture(), "dialog"));
    HWND dlg = nullptr;
    ASSERT_TRUE(r.WaitWindow(WindowQuery::Dialog("Fixture Dialog", {201}), kBound, &dlg));
    std::string typed;
    ASSERT_TRUE(r.Type(GetDlgItem(dlg, 201), "vireo 2", &typed));
    EXPECT_EQ(typed, "VIREO 2") << "the upper-casing edit converts typed characters";
    ASSERT_TRUE(r.Click(dlg, 202));
    ASSERT_TRUE(r.Click(dlg, 204));
    // Posted clicks are handled in order; the result box reports them.
    ASSERT_TRUE(r.Enter(dlg));
    SeenDialog result;
    HWND box = nullptr;
    ASSERT_TRUE(r.WaitMessageBox("Dialog result", kBound, &result, &box));
    EXPECT_EQ(result.text, "Typed: VIREO 2; check: 1; radio: 2");
    EXPECT_TRUE(r.Checked(dlg, 202));
    EXPECT_TRUE(r.Checked(dlg, 204));
    EXPECT_FALSE(r.Checked(dlg, 203));
    ASSERT_TRUE(r.Click(box, IDOK));
    DWORD code = 0;
    ASSERT_TRUE(r.WaitExit(kBound, &code));
    EXPECT_EQ(code, 112u);
}

TEST(Robot, ButtonThatOpensAModalBoxDoesNotBlock) {
    Robot r;
    ASSERT_TRUE(r.Start(Fixture(), "dialog"));
    HWND dlg = nullptr;
    ASSERT_TRUE(r.WaitWindow(WindowQuery::Dialog("Fixture Dialog", {201}), kBound, &dlg));
    ASSERT_TRUE(r.Click(dlg, IDCANCEL));
    HWND question = nullptr;
    ASSERT_TRUE(r.WaitWindow(WindowQuery::MessageBox("Fixture Question"), kBound, &question));
    ASSERT_TRUE(r.Click(question, IDYES));
    DWORD code = 0;
    ASSERT_TRUE(r.WaitExit(kBound, &code));
    EXPECT_EQ(code, 2u);
    std::vector<SeenDialog> seen = r.Transcript();
    ASSERT_EQ(seen.size(), 2u) << r.TranscriptText();
    EXPECT_FALSE(seen[0].messageBox);
    EXPECT_EQ(seen[0].caption, "Fixture Dialog");
    EXPECT_TRUE(seen[1].messageBox);
    EXPECT_EQ(seen[1].text, "Really cancel?");
}

TEST(Robot, ClicksAndKeysReachAWindow) {
    Robot r;
    ASSERT_TRUE(r.Start(Fixture(), "window"));
    HWND main = nullptr;
    ASSERT_TRUE(r.WaitWindow(WindowQuery::Class("FixtureWindow"), kBound, &main));
    EXPECT_EQ(r.Caption(main), "Fixture Window");

    struct Step {
        const char* what;
        std::string expected;
    };
    auto expectEvent = [&](const std::string& expected) {
        SeenDialog box;
        HWND hwnd = nullptr;
        ASSERT_TRUE(r.WaitMessageBox("Fixture Window Event", kBound, &box, &hwnd));
        EXPECT_EQ(box.text, expected);
        ASSERT_TRUE(r.Click(hwnd, IDOK));
        ASSERT_TRUE(r.WaitGone(hwnd, kBound));
    };
    ASSERT_TRUE(r.ClickClient(main, 30, 40));
    expectEvent("Left button at 30,40");
    ASSERT_TRUE(r.ClickClient(main, 5, 6, 1));
    expectEvent("Right button at 5,6");
    ASSERT_TRUE(r.ClickNonClient(main));
    expectEvent("Frame button, hit test 18");
    ASSERT_TRUE(r.Key(main, VK_RETURN));
    expectEvent("Key 13");
    ASSERT_TRUE(r.AltKey(main, 'X'));
    expectEvent("System key 88");
    ASSERT_TRUE(r.Key(main, 'Q'));
    DWORD code = 0;
    ASSERT_TRUE(r.WaitExit(kBound, &code));
    EXPECT_EQ(code, 7u);
}

TEST(Robot, InputThatClosesItsWindowHasGoneIn) {
    // Each window ends on the press itself, often before the robot has posted
    // the release: the press went in all the same. Many windows in a row, so
    // that the release meets a closed window in some of them.
    constexpr int kWindows = 48;
    Robot r;
    ASSERT_TRUE(r.Start(Fixture(), "closing " + std::to_string(kWindows)));
    HWND last = nullptr;
    for (int i = 0; i < kWindows; ++i) {
        const std::string caption = "Fixture Closing " + std::to_string(i + 1);
        ASSERT_TRUE(r.WaitWindow(WindowQuery::Caption(caption), kBound, &last));
        switch (i % 4) {
        case 0:
            ASSERT_TRUE(r.Enter(last)) << caption;
            break;
        case 1:
            ASSERT_TRUE(r.AltKey(last, 'X')) << caption;
            break;
        case 2:
            ASSERT_TRUE(r.Type(last, "xy")) << caption;
            break;
        default:
            ASSERT_TRUE(r.ClickClient(last, 10, 10)) << caption;
            break;
        }
        ASSERT_TRUE(r.WaitGone(last, kBound)) << caption;
    }
    DWORD code = 0;
    ASSERT_TRUE(r.WaitExit(kBound, &code));
    EXPECT_EQ(code, static_cast<DWORD>(kWindows)) << "windows closed by the robot's input";
    EXPECT_FALSE(r.Key(last, VK_RETURN)) << "a key for a window that is already gone cannot go in";
    EXPECT_FALSE(r.ClickClient(last, 10, 10)) << "nor a click";
}

TEST(Robot, FailureNamesWhatWasAwaitedAndWhatWasOnScreen) {
    Robot r;
    ASSERT_TRUE(r.Start(Fixture(), "box 0x40 \"Present Box\" \"Visible text\""));
    ASSERT_TRUE(r.WaitMessageBox("Present Box", kBound));
    ::testing::AssertionResult missing = r.WaitWindow(WindowQuery::Dialog("Absent Dialog", {911}), 300);
    ASSERT_FALSE(missing);
    std::string message = missing.message();
    std::cout << message << "\n";
    EXPECT_NE(message.find("\"Absent Dialog\""), std::string::npos) << message;
    EXPECT_NE(message.find("911"), std::string::npos) << message;
    EXPECT_NE(message.find("\"Present Box\""), std::string::npos) << message;
    EXPECT_NE(message.find("\"Visible text\""), std::string::npos) << message;
    EXPECT_NE(message.find("is running"), std::string::npos) << message;

    r.Kill();
    ::testing::AssertionResult ended = r.WaitWindow(WindowQuery::Caption("Anything"), kBound);
    ASSERT_FALSE(ended);
    EXPECT_NE(std::string(ended.message()).find("has ended with exit code 1"), std::string::npos) << ended.message();
}

TEST(Robot, WaitsForExitWithABound) {
    Robot r;
    ASSERT_TRUE(r.Start(Fixture(), "exit 42"));
    DWORD code = 0;
    ASSERT_TRUE(r.WaitExit(kBound, &code));
    EXPECT_EQ(code, 42u);

    Robot stays;
    ASSERT_TRUE(stays.Start(Fixture(), "box 0 Waiting Forever"));
    ASSERT_TRUE(stays.WaitMessageBox("Waiting", kBound));
    ::testing::AssertionResult late = stays.WaitExit(200);
    ASSERT_FALSE(late);
    EXPECT_NE(std::string(late.message()).find("\"Waiting\""), std::string::npos) << late.message();
}

TEST(Robot, TakesAScreenshot) {
    Robot r;
    ASSERT_TRUE(r.Start(Fixture(), "window"));
    ASSERT_TRUE(r.WaitWindow(WindowQuery::Class("FixtureWindow"), kBound));
    std::string dir = robot::MakeTempDir("robotshot");
    std::string path = dir + "screen.bmp";
    ASSERT_TRUE(robot::SaveScreenshot(path));
    WIN32_FILE_ATTRIBUTE_DATA data;
    ASSERT_TRUE(GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data));
    EXPECT_GT(data.nFileSizeLow, 1024u * 768u * 3u - 1u) << "a 1024 by 768 screen in 24 bits";
    robot::RemoveTree(dir);
}

// A CreateProcessA that fails with the planted errors first, then starts
// the program; it counts its calls.
std::vector<DWORD> g_plantedErrors;
int g_createCalls = 0;
decltype(&CreateProcessA) g_realCreate = nullptr;

BOOL WINAPI CreateProcessPlanted(LPCSTR app, LPSTR line, LPSECURITY_ATTRIBUTES pa, LPSECURITY_ATTRIBUTES ta,
                                 BOOL inherit, DWORD flags, LPVOID env, LPCSTR dir, LPSTARTUPINFOA si,
                                 LPPROCESS_INFORMATION pi) {
    if (g_createCalls++ < static_cast<int>(g_plantedErrors.size())) {
        SetLastError(g_plantedErrors[g_createCalls - 1]);
        return FALSE;
    }
    return g_realCreate(app, line, pa, ta, inherit, flags, env, dir, si, pi);
}

// Wine fails a start with ERROR_INTERNAL_ERROR when the new process ended in
// Wine's own start-up: the robot starts it once more, and only that.
TEST(Robot, RepeatsOnlyAStartThatEndedInsideWinesStartUp) {
    struct Case {
        std::vector<DWORD> errors;
        bool started;
        int calls;
    };
    const Case cases[] = {
        {{ERROR_INTERNAL_ERROR}, true, 2},
        {{ERROR_INTERNAL_ERROR, ERROR_INTERNAL_ERROR}, false, 2},
        {{ERROR_ACCESS_DENIED}, false, 1},
        {{ERROR_NOT_ENOUGH_MEMORY, ERROR_INTERNAL_ERROR}, false, 1},
    };
    for (const Case& c : cases) {
        g_plantedErrors = c.errors;
        g_createCalls = 0;
        ImportSwaps swaps;
        ASSERT_TRUE(swaps.Swap(g_createProcessSlot, CreateProcessPlanted, &g_realCreate));
        Robot r;
        ::testing::AssertionResult started = r.Start(Fixture(), "exit 7");
        swaps.Restore();
        EXPECT_EQ(static_cast<bool>(started), c.started) << "first error " << c.errors[0] << ": " << started.message();
        EXPECT_EQ(g_createCalls, c.calls) << "first error " << c.errors[0];
        if (started) {
            DWORD code = 0;
            EXPECT_TRUE(r.WaitExit(kBound, &code));
            EXPECT_EQ(code, 7u) << "the repeated start runs the program";
        } else {
            const DWORD last = c.errors[c.calls - 1];
            EXPECT_NE(std::string(started.message()).find("error " + std::to_string(last)), std::string::npos)
                << started.message();
        }
    }
}

}  // namespace
