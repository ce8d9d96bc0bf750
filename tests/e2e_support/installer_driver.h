// Runs the installer from a diskette to its end under the GUI robot,
// answering every dialog and box the way a user who takes the defaults does.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "installer_controls.h"
#include "installer_texts.h"
#include "robot.h"
#include "../machine/test_files.h"

namespace e2e {

using namespace tls_controls;
using robot::Robot;
using robot::SeenDialog;
using robot::WindowQuery;

// Message boxes shown by programs other than the installer and the test.
struct ForeignBoxes {
    std::set<HWND> seen;
    std::vector<std::string> texts;
    void Look(DWORD installerPid);
};

// The button to press in dialog 913, given how often it was shown before.
using OfferAnswer = std::function<int(int shownBefore, const robot::SeenDialog& offer)>;

struct InstallAnswers {
    int port = kPortLpt1;          // radio button to check before Connect
    OfferAnswer offer;             // none: "&Exit"
    std::string secondDisk;        // folder typed into the insert-disk prompt; empty: the set's DISK2
    // Directories typed into the destination dialog, one per time it is
    // shown or refuses a directory with a box of its own; once they are used
    // up, OK is pressed on what it shows (its default when newly shown).
    std::vector<std::string> destinations;
    // The installer is ended at once (TerminateProcess, as by a power cut)
    // when the insert-disk prompt comes, instead of being answered.
    bool endAtDiskPrompt = false;
    // The installer's command line.
    std::string args;
};

struct InstallRun {
    DWORD exitCode = 1;
    std::vector<robot::SeenDialog> transcript;
    std::vector<std::string> offerTexts;
    ForeignBoxes foreign;
    std::string transcriptText;
    bool endedAtDiskPrompt = false;  // answers.endAtDiskPrompt, and the prompt came
    int MessageBoxes() const;
    // The message boxes whose text contains `part`.
    std::vector<robot::SeenDialog> BoxesWith(const std::string& part) const;
};

// Runs disk1\TLSETUP.EXE from the welcome screen to the restart prompt's
// "&Exit Setup" (or any earlier end, or the insert-disk prompt where the
// answers end it there), bounded.
::testing::AssertionResult RunInstaller(const std::string& disk1, const InstallAnswers& answers, InstallRun* run);

// A run with options that nobody answers: the program is started with `args`
// in `workDir` and watched until it ends. Any window of it other than a
// progress dialog fails the run at once (the program is then ended).
struct QuietRun {
    DWORD exitCode = 0xFFFFFFFF;
    bool progressSeen = false;
};
::testing::AssertionResult RunUnattended(const std::string& exe, const std::string& args, const std::string& workDir,
                                         QuietRun* run);

// A fresh folder holding the files of both diskettes of the set, as an
// administrator copies them for an unattended installation.
std::string OneFolderSet();

using ::Exists;
using ::SystemDir;
using ::WindowsDir;
// A profile value, "<missing>" when absent; WIN.INI when file is null.
std::string Profile(const char* section, const char* key, const char* file = nullptr);
using ::CopyTree;
using ::ReadFileBytes;

}  // namespace e2e
