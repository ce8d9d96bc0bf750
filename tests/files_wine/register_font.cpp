// Registers one font already in place, as the installer's copy loop does
// after expanding it: register_font POSITION COUNT FONTPATH SOURCENAME. A
// program of its own, so that a test can start it on a machine that reports
// another Windows version (Wine reads its Version setting when a program
// starts). Exit code: the platform GetVersionEx reports, times 16, plus 1
// when the WIN.INI entry was written.
#include <windows.h>

#include <cstdlib>

#include "file_install.h"
#include "setup.h"

SetupState g_setup;

int main(int argc, char** argv) {
    if (argc != 5) return 255;
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (!GetVersionExA(&info)) return 254;
    BOOL written = RegisterTrueTypeFont(static_cast<std::uint32_t>(std::atoi(argv[1])),
                                        static_cast<std::uint32_t>(std::atoi(argv[2])), argv[3], argv[4]);
    return static_cast<int>(info.dwPlatformId * 16 + (written ? 1 : 0));
}
