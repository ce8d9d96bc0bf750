#include "lzcopy.h"

#include "textutil.h"

BOOL LzCopyFile(const char* source, const char* destination) {
    // LZOpenFile takes writable names; OpenFile paths are at most 128 bytes.
    char sourceName[OFS_MAXPATHNAME + 1];
    char destinationName[OFS_MAXPATHNAME + 1];
    if (!CopyText(sourceName, source) || !CopyText(destinationName, destination)) return FALSE;

    OFSTRUCT sourceInfo;
    OFSTRUCT destinationInfo;
    INT from = LZOpenFileA(sourceName, &sourceInfo, OF_READ);
    if (from < 0) return FALSE;
    INT to = LZOpenFileA(destinationName, &destinationInfo, OF_CREATE);
    if (to < 0) {
        LZClose(from);
        return FALSE;
    }
    LONG copied = LZCopy(from, to);
    LZClose(from);
    LZClose(to);
    return copied >= 0 ? TRUE : FALSE;
}
