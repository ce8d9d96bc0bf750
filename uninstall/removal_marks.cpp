// Marks of the steps of a removal that must not be repeated, kept in the
// package's settings file, which the removal deletes last: a second run,
// after one that was cut short, reads how far the first got. The next
// installation writes its settings file without them.
#include <windows.h>

#include "desetup.h"

namespace {
constexpr char kSettingsFile[] = "PELORASD.INI";
constexpr char kRemovalSection[] = "Uninstall";
}  // namespace

int RemovalMark(const char* mark) {
    return static_cast<int>(GetPrivateProfileIntA(kRemovalSection, mark, 0, kSettingsFile));
}

void SetRemovalMark(const char* mark, int value) {
    char number[16];
    wsprintfA(number, "%d", value);
    WritePrivateProfileStringA(kRemovalSection, mark, value ? number : nullptr, kSettingsFile);
}
