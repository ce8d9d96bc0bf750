// Portable arithmetic and text rules of the installer's shell: the main
// window's layout, the captions and version suffix, the port names, the disk
// space rules of the destination loop, the install type and the Windows
// version test. No Windows headers, so the native unit tests run them.
#pragma once

#include <cstddef>
#include <cstdint>

struct ShellRect {
    std::int32_t x;
    std::int32_t y;
    std::int32_t width;
    std::int32_t height;
};

enum ShellLayoutCase : std::uint32_t {
    kLayoutLargeColour = 0,
    kLayoutVgaColour = 1,
    kLayoutMonochrome = 2,
    kLayoutSmallColour = 3,
};

// True when the display counts as a colour display: the colour count taken
// as an unsigned number is above 2 (so -1, "more than 256", is colour).
bool IsColourDisplay(std::int32_t displayColors);

// Which of the four window layouts applies to the display.
ShellLayoutCase ChooseLayout(std::int32_t displayColors, std::int32_t screenWidth, std::int32_t screenHeight);

// The main window's rectangle for the case, given the desktop rectangle's
// left, top, width W and height H.
ShellRect MainWindowRect(ShellLayoutCase layout, std::int32_t desktopLeft, std::int32_t desktopTop,
                         std::int32_t desktopWidth, std::int32_t desktopHeight);

// The status label's rectangle, relative to the main window of the given size.
ShellRect StatusLabelRect(ShellLayoutCase layout, std::int32_t windowWidth, std::int32_t windowHeight);

// x of the welcome picture's area in a client rectangle starting at `left`.
std::int32_t WelcomePictureX(std::int32_t left, std::int32_t width);

// dst = "ORVAN Vireo " + text; false when cut to fit.
bool ComposeCaption(char* dst, std::size_t size, const char* text);

// The version suffix from the [RevisionControl] value read with default "@":
// a value beginning with "@" stands for "Version 1.00"; the suffix is the text
// from the first space on, the space included, or empty without a space.
bool VersionSuffixFromValue(char* dst, std::size_t size, const char* value);

// True for "LPT1:", "LPT2:" and "LPT3:" in any case.
bool IsCountedParallelPort(const char* name);

// Disk space rules of the destination loop, in kilobytes.
constexpr std::uint32_t kRequiredSpaceKb = 2000;
constexpr std::uint32_t kWindowsDriveSpaceKb = 680;

// Space required on the destination drive: 2000, less 680 when the
// destination's first character differs (byte for byte) from the Windows
// drive letter.
std::uint32_t DestinationRequiredKb(char destinationLetter, char windowsLetter);

// Free kilobytes from the disk geometry. The product is taken in 64 bits, so
// that a large drive does not wrap to a small number, and the result is held
// to the largest value that a 32-bit signed message argument shows.
std::uint32_t FreeSpaceKb(std::uint32_t sectorsPerCluster, std::uint32_t bytesPerSector,
                          std::uint32_t freeClusters);

// 119 when systemDir is the SYSTEM subdirectory of windowsDir (case-blind,
// backslashes normalised at the joins), 120 otherwise.
std::uint32_t InstallTypeOf(const char* windowsDir, const char* systemDir);
constexpr std::uint32_t kInstallLocal = 119;
constexpr std::uint32_t kInstallNetwork = 120;

// major * 256 + minor, and whether that is at least 3.10 (778).
std::uint32_t WindowsVersionCode(std::uint32_t major, std::uint32_t minor);
bool WindowsVersionSupported(std::uint32_t major, std::uint32_t minor);
