#include "full_path.h"

#include "script_places.h"
#include "textutil.h"

namespace {

// Length of the part of a full path that is not looked up: "C:\" of a
// drive path, "\\server\share\" of a network path. 0 for any other form.
int RootLength(const char* full) {
    if (full[0] != '\0' && full[1] == ':' && full[2] == '\\') return 3;
    if (full[0] != '\\' || full[1] != '\\') return 0;
    int at = 2;
    for (int part = 0; part < 2; ++part) {  // the server's name, then the share's
        while (full[at] != '\0' && full[at] != '\\') ++at;
        if (full[at] == '\0') return at;
        ++at;
    }
    return at;
}

}  // namespace

bool FullLongPath(const char* path, char* out, DWORD size) {
    char full[MAX_PATH];
    DWORD n = GetFullPathNameA(path, sizeof full, full, nullptr);
    if (n == 0 || n >= sizeof full) return false;
    for (char* p = full; *p; ++p) {
        if (*p == '/') *p = '\\';
    }
    const int root = RootLength(full);
    if (root == 0) return CopyText(out, size, full);  // an unknown form is compared as it is
    const int length = lstrlenA(full);
    const bool trailingBackslash = length > root && full[length - 1] == '\\';

    char result[MAX_PATH];
    if (!CopyTextN(result, sizeof result, full, static_cast<std::size_t>(root))) return false;
    bool looking = true;
    char* name = full + root;
    while (*name) {
        char* end = name;
        while (*end && *end != '\\') ++end;
        const bool last = *end == '\0';
        *end = '\0';
        // Doubled backslashes leave empty components, which are dropped.
        if (*name) {
            if (!AppendBackslash(result, sizeof result)) return false;
            const int at = lstrlenA(result);
            if (!AppendText(result, name)) return false;
            // The search takes the whole path, root included, as its pattern.
            bool wildcard = false;
            for (const char* p = result; *p; ++p) wildcard = wildcard || *p == '*' || *p == '?';
            const bool dots = lstrcmpA(name, ".") == 0 || lstrcmpA(name, "..") == 0;
            if (looking && !dots) {
                WIN32_FIND_DATAA found;
                HANDLE search = wildcard ? INVALID_HANDLE_VALUE : FindFirstFileA(result, &found);
                if (search == INVALID_HANDLE_VALUE) {
                    looking = false;
                } else {
                    FindClose(search);
                    result[at] = '\0';
                    if (!AppendText(result, found.cFileName)) return false;
                }
            }
        }
        if (last) break;
        name = end + 1;
    }
    if (trailingBackslash && !AppendBackslash(result, sizeof result)) return false;
    return CopyText(out, size, result);
}

bool IsFullPathBelow(const char* path, const char* dir) {
    char fullPath[MAX_PATH];
    char fullDir[MAX_PATH];
    return FullLongPath(path, fullPath, sizeof fullPath) && FullLongPath(dir, fullDir, sizeof fullDir) &&
           IsPathBelow(fullPath, fullDir);
}

bool IsLink(const char* path) {
    const DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool ReachedThroughLink(const char* path, const char* top) {
    char folder[MAX_PATH];
    if (!CopyText(folder, path)) return true;
    const int stop = lstrlenA(top);
    for (;;) {
        // Cut at the last backslash that is a character of its own.
        char* cut = nullptr;
        for (char* p = folder; *p; p += IsLeadByte(*p) && p[1] ? 2 : 1) {
            if (*p == '\\') cut = p;
        }
        // A drive's root is no link; "C:" alone would name the current folder.
        if (!cut || cut - folder < stop - 1 || (cut - folder == 2 && folder[1] == ':')) return false;
        *cut = '\0';
        if (IsLink(folder)) return true;
    }
}
