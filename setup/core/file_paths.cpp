#include "file_paths.h"

#include <cstring>

#include "script_places.h"
#include "textutil.h"

std::uint32_t TreeDirectoryCount(std::uint32_t dirCount) { return dirCount > 3 ? dirCount - 3 : 0; }

bool IsFontSource(const char* sourceName) { return std::strstr(sourceName, ".TT_") != nullptr; }

const char* SourceVariant(const char* sourceName, std::uint32_t hopperCapacity) {
    if (hopperCapacity == 200 && CompareNoCase(sourceName, "VELMPS.WPD") == 0) return "VELMPS.200";
    if (CompareNoCase(sourceName, "VELMPS.PPD") == 0) {
        if (hopperCapacity == 200) return "PL200.PPD";
        if (hopperCapacity == 50) return "PL50.PPD";
    }
    return sourceName;
}

namespace {

// A record's file goes into the fonts folder, the Windows or system
// directory, or below the destination directory.
bool BelowDestination(const char* destDirName, const char* sourceName) {
    return !IsFontSource(sourceName) && CompareNoCase(destDirName, "WINDOWS") != 0 &&
           CompareNoCase(destDirName, "SYSTEM") != 0;
}

}  // namespace

const char* DestinationPlace(const DestinationPlaces& places, const char* destDirName, const char* sourceName) {
    if (IsFontSource(sourceName)) return places.fontDir;
    if (CompareNoCase(destDirName, "WINDOWS") == 0) return places.windowsDir;
    if (CompareNoCase(destDirName, "SYSTEM") == 0) {
        return places.installType == kInstallNetwork ? places.windowsDir : places.systemDir;
    }
    return places.destDir;
}

bool DestinationTextsInside(const char* destDirName, const char* destName, const char* sourceName) {
    // Below the destination a name may have folders of its own; in the
    // Windows, system and fonts directories it names a file there.
    if (!BelowDestination(destDirName, sourceName)) return IsPlainScriptName(destName);
    return IsScriptTextInside(destName) && IsScriptTextInside(destDirName);
}

bool BuildDestinationPath(char* dst, std::size_t size, const DestinationPlaces& places,
                          const char* destDirName, const char* destName, const char* sourceName) {
    if (size == 0) return false;
    dst[0] = '\0';
    char dir[kCopyPathSize];
    const char* place = DestinationPlace(places, destDirName, sourceName);
    const bool fits =
        BelowDestination(destDirName, sourceName) ? JoinPath(dir, place, destDirName) : CopyText(dir, place);
    if (!fits || !JoinPath(dst, size, dir, destName)) {
        dst[0] = '\0';
        return false;
    }
    return true;
}

bool BuildSourcePath(char* dst, std::size_t size, const char* setupDir, const char* sourceDirName,
                     const char* sourceName, std::uint32_t hopperCapacity) {
    if (size == 0) return false;
    char dir[kCopyPathSize];
    if (!JoinPath(dir, setupDir, sourceDirName) ||
        !JoinPath(dst, size, dir, SourceVariant(sourceName, hopperCapacity))) {
        dst[0] = '\0';
        return false;
    }
    return true;
}

AttemptAction NextAttemptAction(int result, std::uint32_t* failedCopies) {
    if (result == kCopyFailed) {
        if (++*failedCopies <= kSilentCopyRetries) return AttemptAction::kRetrySilently;
        *failedCopies = 0;
        return AttemptAction::kAskRetry;
    }
    *failedCopies = 0;
    if (result == kCopyDone) return AttemptAction::kDone;
    if (result == kCopyNoSource) return AttemptAction::kAskForDisk;
    return AttemptAction::kAskRetry;
}
