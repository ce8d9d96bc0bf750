#include "previous_search.h"

#include "textutil.h"

const char* const kPreviousUninstallerNames[kMaxPreviousCandidates] = {
    "TLDELETE.EXE",
    "DALDELET.EXE",
    "QRDELETE.EXE",
    "MPDELETE.EXE",
};

bool SettingMissing(const char* value) { return value[0] == '\0' || value[0] == '@'; }

int PreviousUninstallerCandidates(const char* velmDir, const char* deleteFile,
                                  char (*paths)[kCandidatePathSize]) {
    // The search directory is the value with a backslash unless it ends in one.
    char dir[kCandidatePathSize];
    if (!CopyText(dir, velmDir)) return 0;
    std::size_t n = 0;
    while (dir[n]) ++n;
    if ((n == 0 || dir[n - 1] != '\\') && !AppendText(dir, "\\")) return 0;

    int count = 0;
    if (!SettingMissing(deleteFile)) {
        if (CopyText(paths[0], kCandidatePathSize, dir) && AppendText(paths[0], kCandidatePathSize, deleteFile)) {
            count = 1;
        }
        return count;
    }
    for (const char* name : kPreviousUninstallerNames) {
        if (CopyText(paths[count], kCandidatePathSize, dir) && AppendText(paths[count], kCandidatePathSize, name)) {
            ++count;
        }
    }
    return count;
}

bool PreviousRemovalOffered(bool uninstallerFound, bool hasOfferText, const char* velmDir) {
    return uninstallerFound && hasOfferText && !SettingMissing(velmDir);
}
