#include "shell_core.h"

#include "textutil.h"

bool IsColourDisplay(std::int32_t displayColors) { return static_cast<std::uint32_t>(displayColors) > 2u; }

ShellLayoutCase ChooseLayout(std::int32_t displayColors, std::int32_t screenWidth, std::int32_t screenHeight) {
    if (!IsColourDisplay(displayColors)) return kLayoutMonochrome;
    if (screenWidth >= 440 && screenHeight >= 400) {
        return screenWidth > 640 ? kLayoutLargeColour : kLayoutVgaColour;
    }
    return kLayoutSmallColour;
}

ShellRect MainWindowRect(ShellLayoutCase layout, std::int32_t desktopLeft, std::int32_t desktopTop,
                         std::int32_t desktopWidth, std::int32_t desktopHeight) {
    switch (layout) {
    case kLayoutLargeColour:
        return {(desktopWidth - 500) / 2, (desktopHeight - 400) / 2, 500, 400};
    case kLayoutVgaColour:
        return {(desktopWidth - 440) / 2, (desktopHeight - 400) / 2, 440, 400};
    case kLayoutMonochrome:
        return {desktopLeft + 110, desktopTop, desktopWidth - 200, desktopHeight};
    case kLayoutSmallColour:
    default:
        return {(desktopWidth - 500) / 2, desktopTop, 500, desktopHeight};
    }
}

ShellRect StatusLabelRect(ShellLayoutCase layout, std::int32_t windowWidth, std::int32_t windowHeight) {
    switch (layout) {
    case kLayoutLargeColour:
    case kLayoutVgaColour:
        return {20, 350, windowWidth - 40, 30};
    case kLayoutMonochrome:
        return {75, windowHeight - 50, windowWidth - 100, 30};
    case kLayoutSmallColour:
    default:
        return {(windowWidth - 380) / 2, windowHeight - 50, 380, 30};
    }
}

std::int32_t WelcomePictureX(std::int32_t left, std::int32_t width) { return left + (width - 200) / 2 + 50; }

bool ComposeCaption(char* dst, std::size_t size, const char* text) {
    if (size == 0) return false;
    dst[0] = '\0';
    bool ok = AppendText(dst, size, "ORVAN");
    ok = AppendText(dst, size, " ") && ok;
    ok = AppendText(dst, size, "Vireo") && ok;
    ok = AppendText(dst, size, " ") && ok;
    return AppendText(dst, size, text ? text : "") && ok;
}

bool VersionSuffixFromValue(char* dst, std::size_t size, const char* value) {
    if (size == 0) return false;
    const char* v = value ? value : "@";
    if (v[0] == '@') v = "Version 1.00";
    const char* space = v;
    while (*space && *space != ' ') ++space;
    return CopyText(dst, size, space);
}

bool IsCountedParallelPort(const char* name) {
    if (!name) return false;
    return CompareNoCase(name, "LPT1:") == 0 || CompareNoCase(name, "LPT2:") == 0 ||
           CompareNoCase(name, "LPT3:") == 0;
}

std::uint32_t DestinationRequiredKb(char destinationLetter, char windowsLetter) {
    std::uint32_t required = kRequiredSpaceKb;
    if (destinationLetter != windowsLetter) required -= kWindowsDriveSpaceKb;
    return required;
}

std::uint32_t FreeSpaceKb(std::uint32_t sectorsPerCluster, std::uint32_t bytesPerSector,
                          std::uint32_t freeClusters) {
    // Each factor is below 2^32, so bytes per cluster fit in 64 bits; the
    // product with the cluster count is formed in kilobytes to stay in range.
    std::uint64_t bytesPerCluster = static_cast<std::uint64_t>(sectorsPerCluster) * bytesPerSector;
    std::uint64_t kb = 0;
    constexpr std::uint64_t kMaxKb = 0x7FFFFFFFu;
    if (bytesPerCluster != 0 && freeClusters != 0) {
        // bytes = bytesPerCluster * freeClusters; kb = bytes >> 10, without overflow.
        std::uint64_t high = bytesPerCluster >> 10;
        std::uint64_t low = bytesPerCluster & 0x3FFu;
        // Past kMaxKb KB per cluster any count is past the cap; below it the
        // product stays under 2^63 (and needs no 64-bit division).
        if (high > kMaxKb) return static_cast<std::uint32_t>(kMaxKb);
        kb = high * freeClusters + ((low * freeClusters) >> 10);
    }
    return static_cast<std::uint32_t>(kb > kMaxKb ? kMaxKb : kb);
}

std::uint32_t InstallTypeOf(const char* windowsDir, const char* systemDir) {
    char a[300];
    char b[300];
    bool ok = JoinPath(a, windowsDir, "SYSTEM\\");
    ok = CopyText(b, systemDir) && ok;
    ok = AppendBackslash(b, sizeof b) && ok;
    if (!ok) return kInstallNetwork;
    return CompareNoCase(a, b) == 0 ? kInstallLocal : kInstallNetwork;
}

std::uint32_t WindowsVersionCode(std::uint32_t major, std::uint32_t minor) { return major * 256u + minor; }

bool WindowsVersionSupported(std::uint32_t major, std::uint32_t minor) {
    return WindowsVersionCode(major, minor) >= 778u;
}
