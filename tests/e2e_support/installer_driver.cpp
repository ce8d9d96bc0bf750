#include "installer_driver.h"

#include "under_test.h"

namespace e2e {

namespace {
constexpr DWORD kInstallBound = 600000;
}  // namespace

void ForeignBoxes::Look(DWORD installerPid) {
    for (const robot::WindowInfo& w : robot::TopLevelWindows(0)) {
        if (w.pid == installerPid || w.pid == GetCurrentProcessId() || w.className != "#32770") continue;
        if (!seen.insert(w.hwnd).second) continue;
        robot::SeenDialog d = robot::ReadDialog(w);
        if (d.messageBox) texts.push_back(d.Describe());
    }
}

int InstallRun::MessageBoxes() const {
    int n = 0;
    for (const robot::SeenDialog& d : transcript) n += d.messageBox ? 1 : 0;
    return n;
}

std::vector<robot::SeenDialog> InstallRun::BoxesWith(const std::string& part) const {
    std::vector<robot::SeenDialog> found;
    for (const robot::SeenDialog& d : transcript) {
        if (d.messageBox && d.text.find(part) != std::string::npos) found.push_back(d);
    }
    return found;
}

::testing::AssertionResult RunInstaller(const std::string& disk1, const InstallAnswers& answers, InstallRun* run) {
    robot::Robot r;
    ::testing::AssertionResult ok = r.Start(disk1 + "\\TLSETUP.EXE", answers.args, disk1);
    if (!ok) return ok;
    HWND main = nullptr;
    ok = r.WaitWindow(robot::WindowQuery::Class("SetupWinClass"), kBound, &main);
    if (!ok) return ok;
    ok = r.ClickClient(main, 100, 100);
    if (!ok) return ok;
    std::string disk2 = answers.secondDisk.empty() ? robot::DistDisk2() : answers.secondDisk;
    // The prompt's edit turns what is typed into upper case.
    CharUpperBuffA(&disk2[0], static_cast<DWORD>(disk2.size()));
    std::set<HWND> answered;
    std::size_t destinationsTyped = 0;
    const DWORD start = GetTickCount();
    const DWORD installBound = robot::ScaledBound(kInstallBound);
    while (WaitForSingleObject(r.Process(), 100) != WAIT_OBJECT_0) {
        run->foreign.Look(r.Pid());
        if (GetTickCount() - start > installBound) {
            return ::testing::AssertionFailure() << "installer still running after " << installBound / 1000
                                                 << " s:\n" << robot::DescribeScreen() << "\n" << r.TranscriptText();
        }
        for (const robot::WindowInfo& w : robot::TopLevelWindows(r.Pid())) {
            if (w.className != "#32770" || answered.count(w.hwnd)) continue;
            robot::SeenDialog seen = robot::ReadDialog(w);
            if (w.Control(kExitSetup)) {
                ok = r.Click(w.hwnd, kExitSetup);
            } else if (w.Control(kPreviousDelete) && w.Control(kPreviousExit)) {
                run->offerTexts.push_back(r.ControlText(w.hwnd, kPreviousText));
                const int shownBefore = static_cast<int>(run->offerTexts.size()) - 1;
                ok = r.Click(w.hwnd, answers.offer ? answers.offer(shownBefore, seen) : kPreviousExit);
            } else if (w.Control(kPortConnect)) {
                // Check the chosen port's radio button the way a click does.
                SendMessageA(w.Control(answers.port)->hwnd, BM_CLICK, 0, 0);
                if (!r.Checked(w.hwnd, answers.port)) {
                    return ::testing::AssertionFailure() << "port button " << answers.port << " not checked:\n"
                                                         << robot::DescribeScreen();
                }
                ok = r.Click(w.hwnd, kPortConnect);
            } else if (w.Control(kDiskEdit) && answers.endAtDiskPrompt) {
                ok = r.Terminate();
                if (!ok) return ok << "\n" << r.TranscriptText();
                run->endedAtDiskPrompt = true;
                break;
            } else if (w.Control(kDiskEdit)) {
                SendMessageA(w.Control(kDiskEdit)->hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
                ok = r.Type(w.Control(kDiskEdit)->hwnd, disk2);
                if (ok) ok = r.Click(w.hwnd, IDOK);
            } else if (w.Control(kDestEdit)) {
                // Behind a box of its own the dialog waits for the box.
                if (!IsWindowEnabled(w.hwnd)) continue;
                if (destinationsTyped < answers.destinations.size()) {
                    std::string dest = answers.destinations[destinationsTyped++];
                    CharUpperBuffA(&dest[0], static_cast<DWORD>(dest.size()));
                    SendMessageA(w.Control(kDestEdit)->hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
                    ok = r.Type(w.Control(kDestEdit)->hwnd, dest);
                    if (ok) ok = r.Click(w.hwnd, IDOK);
                } else {
                    ok = r.Click(w.hwnd, IDOK);
                }
            } else if (seen.messageBox) {
                // A destination refused by the dialog itself: the dialog stays
                // open and takes the next directory once the box is gone. The
                // owner is read before the key press: a box already closed by
                // it has none.
                HWND owner = GetWindow(w.hwnd, GW_OWNER);
                ok = r.Enter(w.hwnd);
                if (ok && owner) {
                    for (const robot::WindowInfo& other : robot::TopLevelWindows(r.Pid()))
                        if (other.hwnd == owner && other.Control(kDestEdit)) answered.erase(owner);
                }
            } else {
                continue;  // the progress dialog
            }
            if (!ok) return ok << "\n" << r.TranscriptText();
            answered.insert(w.hwnd);
        }
    }
    r.Observe();
    GetExitCodeProcess(r.Process(), &run->exitCode);
    run->transcript = r.Transcript();
    run->transcriptText = r.TranscriptText();
    return ::testing::AssertionSuccess();
}

namespace {

// The progress dialogs of both programs, told apart from every other window
// by their controls: 107, 108 and the bar 104 in the installer's, 103, 104
// and the bar 100 in the uninstaller's.
bool IsProgressDialog(const robot::WindowInfo& w) {
    if (w.className != "#32770") return false;
    return (w.Control(107) && w.Control(108) && w.Control(104)) || (w.Control(103) && w.Control(104) && w.Control(100));
}

}  // namespace

::testing::AssertionResult RunUnattended(const std::string& exe, const std::string& args, const std::string& workDir,
                                         QuietRun* run) {
    robot::Robot r;
    ::testing::AssertionResult ok = r.Start(exe, args, workDir);
    if (!ok) return ok;
    const DWORD start = GetTickCount();
    const DWORD bound = robot::ScaledBound(kInstallBound);
    while (WaitForSingleObject(r.Process(), 20) != WAIT_OBJECT_0) {
        for (const robot::WindowInfo& w : robot::TopLevelWindows(r.Pid())) {
            // The uninstaller's backdrop shows the removal's steps in its
            // status line: a progress window too.
            if (IsProgressDialog(w) || w.className == "DeSetupWinClass") {
                run->progressSeen = true;
                continue;
            }
            // A window is judged once it is whole: a dialog is seen a moment
            // before its controls are in it (or after they are gone).
            WaitForSingleObject(r.Process(), 300);
            if (!IsWindow(w.hwnd) || !IsWindowVisible(w.hwnd)) continue;
            const robot::WindowInfo whole = robot::Inspect(w.hwnd);
            if (IsProgressDialog(whole)) continue;
            robot::SeenDialog seen = robot::ReadDialog(whole);
            r.Kill();
            return ::testing::AssertionFailure() << exe << " " << args << " showed a window of class "
                                                 << whole.className << " \"" << whole.caption
                                                 << "\": " << seen.Describe();
        }
        if (GetTickCount() - start > bound) {
            return ::testing::AssertionFailure() << exe << " " << args << " still running after " << bound / 1000
                                                 << " s:\n" << robot::DescribeScreen();
        }
    }
    // Boxes that came and went between two looks are in the transcript.
    r.Observe();
    for (const robot::SeenDialog& d : r.Transcript()) {
        bool progress = !d.messageBox;
        for (int id : {107, 108, 104}) {
            bool has = false;
            for (const robot::ControlInfo& c : d.controls) has = has || c.id == id;
            progress = progress && has;
        }
        if (!progress) return ::testing::AssertionFailure() << exe << " " << args << " showed " << d.Describe();
    }
    GetExitCodeProcess(r.Process(), &run->exitCode);
    return ::testing::AssertionSuccess();
}

std::string OneFolderSet() {
    std::string dir = robot::MakeTempDir("oneset") + "SET";
    EXPECT_TRUE(CopyTree(robot::DistDisk1(), dir)) << robot::DistDisk1();
    EXPECT_TRUE(CopyTree(robot::DistDisk2(), dir)) << robot::DistDisk2();
    return dir;
}

std::string Profile(const char* section, const char* key, const char* file) {
    char value[1024];
    if (file) {
        GetPrivateProfileStringA(section, key, "<missing>", value, sizeof value, file);
    } else {
        GetProfileStringA(section, key, "<missing>", value, sizeof value);
    }
    return value;
}

}  // namespace e2e
