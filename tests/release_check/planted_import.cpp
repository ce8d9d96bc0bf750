// A test-only 32-bit program that imports GetLongPathNameA, which the
// KERNEL32 of Windows 95 lacks: scripts/check-release must refuse it. It is
// otherwise built like the shipped programs (no C runtime, no TLS directory,
// Windows 4.0), so that the import is the one finding.
#include <windows.h>

extern "C" void PlantedEntry() {
    char path[MAX_PATH];
    ExitProcess(GetLongPathNameA("C:\\", path, sizeof path));
}
