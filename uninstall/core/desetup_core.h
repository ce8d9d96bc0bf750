// Portable rules of the uninstaller: command line, window layout, version
// text, protected file names, the WIN.INI run value and the SYSTEM.INI
// rewrite. No Windows headers, so that native unit tests can run them.
#pragma once

#include <cstddef>
#include <cstdint>

// --- start-up -------------------------------------------------------------

// True when the whole command-line tail is "External" in any letter case.
bool IsExternalCommandLine(const char* tail);

// A display is a colour display when NUMCOLORS, read as an unsigned number,
// is above 2 (so -1, "more than 256 colours", counts as colour).
bool IsColourDisplay(int numColors);

// Text shown after the product word: from the first blank of the version
// text on. A version text beginning with "@" (the default) stands for
// "Version 1.00"; a text without any blank gives the empty text.
const char* VersionTail(const char* versionText);

// --- window layout ----------------------------------------------------------

struct LayoutRect {
    int x;
    int y;
    int width;
    int height;
};

enum LayoutCase {
    kLayoutWindowed = 0,  // colour display of at least 440 by 400
    kLayoutTall = 1,      // colour display, smaller screen
    kLayoutMono = 2,      // not a colour display
};

LayoutCase ChooseLayout(bool colour, int horzRes, int vertRes);

// Main window from the desktop rectangle (left, top, right, bottom).
LayoutRect MainWindowLayout(LayoutCase layout, int horzRes, int deskLeft, int deskTop, int deskRight,
                            int deskBottom);

// Status line (child coordinates) from the main window's screen rectangle.
LayoutRect StatusLineLayout(LayoutCase layout, int mainLeft, int mainTop, int mainRight, int mainBottom);

// --- removal ----------------------------------------------------------------

// Trims blanks, tabs and newlines from both ends of text, in place.
void TrimLine(char* text);

// Names of files that the uninstaller never deletes: the shared printer
// drivers and their helpers, and the running uninstaller itself.
bool IsProtectedFileName(const char* name);

// True when the system directory is not the SYSTEM subdirectory of the
// Windows directory (system files of the script then go to the Windows
// directory).
bool SystemFilesBelongInWindowsDir(const char* windowsDir, const char* systemDir);

// --- WIN.INI run value -------------------------------------------------------

// Removes the first whole entry equal to program (case-sensitive, delimited
// by blanks or the ends of the value) from the run value, in place: the text
// before it followed by the text after it, the latter trimmed. Works on
// values of any length. Returns false, leaving the value alone, when no
// entry equals program.
bool RemoveRunEntry(char* value, const char* program);

// --- SYSTEM.INI [386Enh] rewrite ---------------------------------------------

enum SystemIniSection {
    kIniBefore386Enh = 0,
    kIniInside386Enh = 1,
    kIniAfter386Enh = 2,
};

enum SystemIniAction {
    kIniKeepLine = 0,
    kIniEnableVpd = 1,  // write "device=vpd.386" in place of the line
    kIniDropLine = 2,
};

// Decides the fate of one line (without its line end) of any length and
// advances the section state.
SystemIniAction ClassifySystemIniLine(SystemIniSection* state, const char* line, std::size_t length);

// Output room that RewriteSystemIniText needs for an input of inLength bytes.
std::size_t SystemIniRewriteCapacity(std::size_t inLength);

// Rewrites the whole SYSTEM.INI text: package port lines dropped and the
// commented-out vpd.386 device line put in force, inside every [386Enh]
// section. Line ends are kept as they were (CR LF or LF); a replaced last
// line without a line end gets CR LF. Returns the bytes written, or
// kRewriteTooSmall when out cannot hold them.
constexpr std::size_t kRewriteTooSmall = static_cast<std::size_t>(-1);
std::size_t RewriteSystemIniText(const char* in, std::size_t inLength, char* out, std::size_t outCapacity);
