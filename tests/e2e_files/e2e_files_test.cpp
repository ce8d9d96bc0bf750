// The sample package installed by the real tlsetup.exe from its two
// diskettes: every file of the script in its place under an upper-case name
// with the bytes of its original, the variants read in place of their names,
// the fonts in the fonts folder and registered, and the diskette prompt with
// its cancel question and the progress dialog's Cancel.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "file_paths.h"
#include "installer_driver.h"
#include "under_test.h"
#include "robot.h"
#include "script_engine.h"
#include "textutil.h"

namespace {

using namespace e2e;

const char kWarningCaption[] = "ORVAN Vireo Setup Warning";
const char kDiskTwoPrompt[] = "Please insert Vireo diskette #2 - Printer Driver and Fonts";

// Controls that tell the installer's dialogs apart.
constexpr int kDiskPrompt = 106;
constexpr int kStatusLine1 = 107;

std::string StoredName(const std::string& path) {
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA(path.c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return "";
    FindClose(h);
    return found.cFileName;
}

std::string Upper(std::string text) {
    for (char& c : text) c = UpperAscii(c);
    return text;
}

// "DISK1\.\X" and "DISK1/X" name the same file of the set.
std::string NormalPath(std::string path) {
    std::replace(path.begin(), path.end(), '/', '\\');
    for (size_t at; (at = path.find("\\.\\")) != std::string::npos;) path.erase(at, 2);
    return Upper(path);
}

// The manifest: path on the set (DISKn\...) to the host file it was made from
// (named relative to the set's folder).
std::map<std::string, std::string> ReadManifest() {
    std::map<std::string, std::string> originals;
    std::string text = ReadFileBytes(robot::DistManifest());
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        size_t tab1 = line.find('\t');
        size_t tab2 = tab1 == std::string::npos ? tab1 : line.find('\t', tab1 + 1);
        if (tab2 == std::string::npos) continue;
        std::string host = line.substr(tab2 + 1);
        if (!host.empty() && host.back() == '\r') host.pop_back();
        std::replace(host.begin(), host.end(), '/', '\\');
        originals[NormalPath(line.substr(tab1 + 1, tab2 - tab1 - 1))] = robot::DistDir() + "\\" + host;
    }
    return originals;
}

// Empties the prompt's edit and types the second diskette's folder into it,
// as a user would; the edit shows the letters in upper case.
::testing::AssertionResult TypeSecondDiskette(Robot& r, const robot::WindowInfo& w) {
    HWND edit = w.Control(kDiskEdit)->hwnd;
    SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
    return r.Type(edit, Upper(robot::DistDisk2()));
}

// What the test does at each prompt of the installer.
struct Answers {
    // The insert-disk prompt, `count` from 1: types a directory and presses
    // OK, or presses Cancel. The default points it at the second diskette.
    std::function<::testing::AssertionResult(Robot&, const robot::WindowInfo&, int count)> diskPrompt;
    // The answer (IDYES or IDNO) to the cancel question, by its number from 1.
    std::function<int(int count)> cancelAnswer;
};

struct InstallRun {
    std::vector<std::string> diskPrompts;  // prompt texts, in order
    int cancelQuestions = 0;
    std::vector<SeenDialog> transcript;
    std::string statusLine1;  // the progress dialog's first line when the first prompt came
    DWORD exitCode = 99;
};

// Runs tlsetup from the first diskette to its end, accepting the defaults
// and answering the prompts as `answers` says.
::testing::AssertionResult RunInstaller(const Answers& answers, InstallRun* run) {
    Robot r;
    ::testing::AssertionResult started = r.Start(robot::DistDisk1() + "\\TLSETUP.EXE", "", robot::DistDisk1());
    if (!started) return started;
    HWND main = nullptr;
    ::testing::AssertionResult shown = r.WaitWindow(WindowQuery::Class("SetupWinClass"), kBound, &main);
    if (!shown) return shown;
    ::testing::AssertionResult clicked = r.ClickClient(main, 100, 100);
    if (!clicked) return clicked;
    std::set<HWND> answered;
    DWORD start = GetTickCount();
    while (WaitForSingleObject(r.Process(), 200) != WAIT_OBJECT_0) {
        if (GetTickCount() - start > 600000) {
            return ::testing::AssertionFailure() << "installer still running after 10 minutes:\n"
                                                 << robot::DescribeScreen() << "\n" << r.TranscriptText();
        }
        for (const robot::WindowInfo& w : robot::TopLevelWindows(r.Pid())) {
            if (w.className != "#32770" || answered.count(w.hwnd)) continue;
            SeenDialog seen = robot::ReadDialog(w);
            ::testing::AssertionResult done = ::testing::AssertionSuccess();
            if (w.Control(kExitSetup)) {
                done = r.Click(w.hwnd, kExitSetup);
            } else if (w.Control(kPortConnect)) {
                done = r.Click(w.hwnd, kPortConnect);
            } else if (w.Control(kDiskEdit)) {
                run->diskPrompts.push_back(r.ControlText(w.hwnd, kDiskPrompt));
                int count = static_cast<int>(run->diskPrompts.size());
                if (count == 1) {
                    for (const robot::WindowInfo& other : robot::TopLevelWindows(r.Pid()))
                        if (other.Control(kStatusLine1)) run->statusLine1 = r.ControlText(other.hwnd, kStatusLine1);
                }
                if (count > 5) return ::testing::AssertionFailure() << "the diskette prompt keeps coming back";
                if (answers.diskPrompt) {
                    done = answers.diskPrompt(r, w, count);
                } else {
                    done = TypeSecondDiskette(r, w);
                    if (done) done = r.Click(w.hwnd, IDOK);
                }
            } else if (w.Control(kDestEdit)) {
                done = r.Click(w.hwnd, IDOK);
            } else if (w.Control(kPreviousDelete)) {
                done = r.Click(w.hwnd, kPreviousDelete);
            } else if (seen.messageBox && seen.text == kCancelQuestion) {
                ++run->cancelQuestions;
                int answer = answers.cancelAnswer ? answers.cancelAnswer(run->cancelQuestions) : IDNO;
                done = r.Click(w.hwnd, answer);
            } else if (seen.messageBox) {
                done = r.Enter(w.hwnd);
            } else {
                continue;  // the progress dialog
            }
            if (!done) return done;
            answered.insert(w.hwnd);
        }
    }
    run->transcript = r.Transcript();
    GetExitCodeProcess(r.Process(), &run->exitCode);
    return ::testing::AssertionSuccess();
}

class FileInstall : public ::testing::Test {
protected:
    void SetUp() override {
        originals_ = ReadManifest();
        ASSERT_FALSE(originals_.empty()) << "no manifest at " << robot::DistManifest();
        char script[kScriptBufferSize];
        ASSERT_TRUE(CopyText(script, (robot::DistDisk1() + "\\TLSETUP.INF").c_str()));
        ASSERT_EQ(ScriptQuery(kOpLoad, 0, script), 0u) << script;
        ASSERT_FALSE(Exists(kInstallDir)) << "the machine starts without the package";
        windowsDir_ = WindowsDir();
        systemDir_ = SystemDir();
        fontDir_ = windowsDir_ + "\\FONTS";
        networkClient_ = lstrcmpiA((windowsDir_ + "\\SYSTEM").c_str(), systemDir_.c_str()) != 0;
    }

    struct Expected {
        std::string destName;
        std::string destPath;
        std::string original;       // host file of the source read, "" when unknown
        std::string plainOriginal;  // host file of the source named in the script
        std::string sourceName;
        bool font;
        std::uint32_t disk;
    };

    // Where each record of the script must end up, worked out from the script
    // and the set, independently of the installer.
    std::vector<Expected> ExpectedFiles() {
        std::vector<Expected> files;
        std::uint32_t n = ScriptQuery(kOpFileCount, 0, nullptr);
        for (std::uint32_t i = 0; i < n; ++i) {
            std::uint16_t at = static_cast<std::uint16_t>(i);
            char destName[kScriptBufferSize], sourceName[kScriptBufferSize], destDir[kScriptBufferSize],
                sourceDir[kScriptBufferSize], disk[kScriptBufferSize];
            ScriptQuery(kOpFileDestName, at, destName);
            ScriptQuery(kOpFileSourceName, at, sourceName);
            ScriptQuery(kOpFileDestDir, at, destDir);
            ScriptQuery(kOpFileSourceDir, at, sourceDir);
            std::uint32_t diskNumber = ScriptQuery(kOpFileDisk, at, disk);
            Expected e;
            e.destName = Upper(destName);
            e.sourceName = sourceName;
            e.font = std::string(sourceName).find(".TT_") != std::string::npos;
            e.disk = diskNumber;
            std::string dir;
            if (e.font) {
                dir = fontDir_;
            } else if (lstrcmpiA(destDir, "WINDOWS") == 0) {
                dir = windowsDir_;
            } else if (lstrcmpiA(destDir, "SYSTEM") == 0) {
                dir = networkClient_ ? windowsDir_ : systemDir_;
            } else {
                dir = std::string(kInstallDir) + "\\" + destDir;
            }
            e.destPath = NormalPath(dir + "\\" + e.destName);
            std::string read = SourceVariant(sourceName, 200);
            std::string onSet = NormalPath("DISK" + std::to_string(diskNumber) + "\\" + sourceDir + "\\" + read);
            auto found = originals_.find(onSet);
            e.original = found == originals_.end() ? "" : found->second;
            if (read == sourceName) {
                e.plainOriginal = e.original;
            } else {
                std::string named =
                    NormalPath("DISK" + std::to_string(diskNumber) + "\\" + sourceDir + "\\" + sourceName);
                auto plain = originals_.find(named);
                e.plainOriginal = plain == originals_.end() ? "<not on the set>" : plain->second;
            }
            files.push_back(e);
        }
        return files;
    }

    void TearDown() override {
        // Fonts added to the running session are taken out again; the prefix
        // itself is thrown away after the test.
        for (const char* base : {"LTRGOTH", "LTRGOTHB", "LTRGOTHI", "MARIGOLD"})
            RemoveFontResourceA((fontDir_ + "\\" + base + ".fot").c_str());
    }

    std::map<std::string, std::string> originals_;
    std::string windowsDir_, systemDir_, fontDir_;
    bool networkClient_ = false;
};

std::string Fonts(const char* key) {
    char value[128];
    GetProfileStringA("Fonts", key, "<missing>", value, sizeof value);
    return value;
}

TEST_F(FileInstall, EveryFileLandsInItsPlaceFromBothDiskettes) {
    InstallRun run;
    ASSERT_TRUE(RunInstaller(Answers{}, &run));
    ASSERT_EQ(run.diskPrompts.size(), 1u) << "the second diskette is asked for once";
    EXPECT_EQ(run.diskPrompts[0], kDiskTwoPrompt);
    EXPECT_EQ(run.statusLine1, "Copy files...");
    EXPECT_EQ(run.cancelQuestions, 0);

    std::vector<Expected> files = ExpectedFiles();
    ASSERT_GE(files.size(), 20u) << "the sample package has two diskettes of files";
    for (const Expected& e : files) {
        SCOPED_TRACE(e.destPath);
        ASSERT_FALSE(e.original.empty()) << "the test found no source on the set for " << e.sourceName;
        EXPECT_EQ(StoredName(e.destPath), e.destName) << "stored upper case in its place";
        // The settings step rewrites PELORASD.INI in the Windows directory later on.
        if (e.destName == "PELORASD.INI") continue;
        EXPECT_TRUE(ReadFileBytes(e.destPath) == ReadFileBytes(e.original))
            << e.destPath << " differs from " << e.original << " (" << ReadFileBytes(e.destPath).size() << " bytes, "
            << ReadFileBytes(e.original).size() << " expected)";
    }
    // The variants: read from their own files, stored under the script's name.
    int variants = 0;
    for (const Expected& e : files) {
        if (e.plainOriginal == e.original) continue;
        ++variants;
        EXPECT_NE(ReadFileBytes(e.destPath), ReadFileBytes(e.plainOriginal))
            << e.destPath << " holds the file named in the script, not its variant";
    }
    EXPECT_EQ(variants, 2) << "VELMPS.WPD and VELMPS.PPD are read from their variants";
    // The last three [Dirs] records are never created below the destination.
    for (const char* name : {"WINDOWS", "SYSTEM", "FONTS"})
        EXPECT_FALSE(Exists(std::string(kInstallDir) + "\\" + name)) << name;
    // The fonts: resource file beside each, [Fonts] keys from the end of the table.
    for (const char* base : {"LTRGOTH", "LTRGOTHB", "LTRGOTHI", "MARIGOLD"})
        EXPECT_TRUE(Exists(fontDir_ + "\\" + base + ".fot")) << base << ".fot beside its font";
    EXPECT_EQ(Fonts("Letter Gothic (TrueType)"), "LTRGOTH.FOT");
    EXPECT_EQ(Fonts("Letter Gothic Bold (TrueType)"), "LTRGOTHB.FOT");
    EXPECT_EQ(Fonts("Letter Gothic Italic (TrueType)"), "LTRGOTHI.FOT");
    EXPECT_EQ(Fonts("Marigold (TrueType)"), "MARIGOLD.FOT");
    EXPECT_EQ(Fonts("Garamond Kursiv (TrueType)"), "<missing>") << "only four fonts in the package";
}

TEST_F(FileInstall, NoToTheCancelQuestionBringsThePromptBackForTheSameFile) {
    InstallRun run;
    Answers answers;
    answers.diskPrompt = [](Robot& r, const robot::WindowInfo& w, int count) {
        if (count == 1) return r.Click(w.hwnd, IDCANCEL);
        ::testing::AssertionResult typed = TypeSecondDiskette(r, w);
        return typed ? r.Click(w.hwnd, IDOK) : typed;
    };
    answers.cancelAnswer = [](int) { return IDNO; };
    ASSERT_TRUE(RunInstaller(answers, &run));
    ASSERT_EQ(run.diskPrompts.size(), 2u);
    EXPECT_EQ(run.diskPrompts[1], run.diskPrompts[0]);
    EXPECT_EQ(run.diskPrompts[0], kDiskTwoPrompt);
    EXPECT_EQ(run.cancelQuestions, 1);
    for (const Expected& e : ExpectedFiles())
        EXPECT_EQ(StoredName(e.destPath), e.destName) << e.destPath << " installed after the prompt came back";
    bool sawQuestionUnderWarning = false;
    for (const SeenDialog& d : run.transcript)
        if (d.text == kCancelQuestion && d.caption == kWarningCaption) sawQuestionUnderWarning = true;
    EXPECT_TRUE(sawQuestionUnderWarning) << "the copy step asks under the warning caption";
}

TEST_F(FileInstall, CancelInTheProgressDialogStopsBeforeTheNextFile) {
    InstallRun run;
    Answers answers;
    HWND progress = nullptr;
    answers.diskPrompt = [&](Robot& r, const robot::WindowInfo& w, int count) -> ::testing::AssertionResult {
        if (count == 1) {
            // The user presses Cancel in the progress dialog behind the prompt
            // and confirms; then points the prompt at the second diskette.
            for (const robot::WindowInfo& other : robot::TopLevelWindows(r.Pid()))
                if (other.Control(kStatusLine1)) progress = other.hwnd;
            if (!progress) return ::testing::AssertionFailure() << "no progress dialog:\n" << robot::DescribeScreen();
            ::testing::AssertionResult pressed = r.Command(progress, IDCANCEL);
            if (!pressed) return pressed;
            HWND box = nullptr;
            SeenDialog seen;
            ::testing::AssertionResult asked = r.WaitMessageBox(kMainTitle, kBound, &seen, &box);
            if (!asked) return asked;
            if (seen.text != kCancelQuestion) return ::testing::AssertionFailure() << seen.Describe();
            ::testing::AssertionResult yes = r.Click(box, IDYES);
            if (!yes) return yes;
            ::testing::AssertionResult gone = r.WaitGone(box, kBound);
            if (!gone) return gone;
        }
        ::testing::AssertionResult typed = TypeSecondDiskette(r, w);
        return typed ? r.Click(w.hwnd, IDOK) : typed;
    };
    ASSERT_TRUE(RunInstaller(answers, &run));
    EXPECT_EQ(run.exitCode, 0u) << "the installer ends cleanly after the stop";
    EXPECT_EQ(run.diskPrompts.size(), 1u);
    EXPECT_EQ(run.cancelQuestions, 0) << "the copy step itself asks nothing more";
    bool notInstalled = false;
    for (const SeenDialog& d : run.transcript)
        if (d.text == kNotInstalled) notInstalled = true;
    EXPECT_TRUE(notInstalled) << "the sequence reports the stop with 1006";
    // Disk 1's files, copied before the stop, stay; nothing of disk 2 came.
    int first = 0, second = 0;
    for (const Expected& e : ExpectedFiles()) {
        if (e.disk == 1) {
            ++first;
            EXPECT_EQ(StoredName(e.destPath), e.destName) << e.destPath << " copied before the stop stays";
        } else {
            ++second;
            EXPECT_FALSE(Exists(e.destPath)) << e.destPath << " was copied after the stop";
        }
    }
    EXPECT_GT(first, 0);
    EXPECT_GT(second, 0);
    EXPECT_TRUE(Exists(std::string(kInstallDir) + "\\VIREO.EXE"));
    EXPECT_FALSE(Exists(fontDir_ + "\\MARIGOLD.TTF"));
    EXPECT_EQ(Fonts("Marigold (TrueType)"), "<missing>");
}

// A script edited to write beyond the destination is refused with a
// message before the destination dialog, and nothing is installed.
TEST_F(FileInstall, AnEditedScriptIsRefusedBeforeAnythingIsInstalled) {
    const std::string disk1 = "C:\\EDITED\\DISK1", victim = "C:\\VICTIM.TXT";
    CreateDirectoryA("C:\\EDITED", nullptr);
    ASSERT_TRUE(e2e::CopyTree(robot::DistDisk1(), disk1));
    std::string script = ReadFileBytes(disk1 + "\\TLSETUP.INF");
    const std::size_t items = script.find("[PM Info]");
    ASSERT_NE(items, std::string::npos) << script;
    script.insert(items, "..\\VICTIM.TXT,1,README.TXT,1,1,N\r\n");
    for (const auto& [path, bytes] : {std::pair{disk1 + "\\TLSETUP.INF", script}, {victim, std::string("mine")}}) {
        HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        ASSERT_TRUE(h != INVALID_HANDLE_VALUE && WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()),
                                                           &written, nullptr)) << path;
        CloseHandle(h);
    }
    e2e::InstallRun run;
    ASSERT_TRUE(e2e::RunInstaller(disk1, e2e::InstallAnswers(), &run));
    std::vector<SeenDialog> refused = run.BoxesWith("lies outside");
    ASSERT_EQ(refused.size(), 1u) << run.transcriptText;
    EXPECT_EQ(refused[0].text, "The " + disk1 + "\\TLSETUP.INF file names \".\\..\\VICTIM.TXT\", which lies outside "
                               "the directories Setup installs to.\nVireo cannot be installed on your system.");
    EXPECT_EQ(refused[0].caption, "ORVAN Vireo Setup Error");
    EXPECT_EQ(run.MessageBoxes(), 1) << "the installation ends with the refusal:\n" << run.transcriptText;
    EXPECT_FALSE(Exists(kInstallDir)) << "the destination was created";
    EXPECT_EQ(ReadFileBytes(victim), "mine");
    EXPECT_EQ(e2e::Profile("Applications", "VelmDir", "PELORASD.INI"), "<missing>");
}

}  // namespace
