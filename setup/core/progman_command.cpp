// Texts of the commands the installer gives Program Manager.
#include "progman_command.h"

#include <cstring>

#include "textutil.h"

namespace {

// A cut command would name another file or title than the script's: a
// result that does not fit is refused whole.
bool Refuse(char* dst, std::size_t size) {
    if (size) dst[0] = '\0';
    return false;
}

}  // namespace

bool BuildItemCommandLine(char* dst, std::size_t size, const char* destShortDir,
                          const char* dirName, const char* fileName) {
    if (!dst || !size) return false;
    dst[0] = '\0';
    if (!CopyText(dst, size, destShortDir ? destShortDir : "")) return Refuse(dst, size);
    if (!AppendBackslash(dst, size)) return Refuse(dst, size);
    if (dirName && dirName[0]) {
        if (!AppendText(dst, size, dirName)) return Refuse(dst, size);
        const std::size_t length = std::strlen(dst);
        if (dst[length - 1] == '.') {
            if (length >= 2) {
                dst[length - 2] = '\\';
                dst[length - 1] = '\0';
            } else {
                dst[0] = '\0';
            }
        } else if (!AppendBackslash(dst, size)) {
            return Refuse(dst, size);
        }
    }
    if (!AppendText(dst, size, fileName ? fileName : "")) return Refuse(dst, size);
    return true;
}

bool BuildCreateGroupCommand(char* dst, std::size_t size, const char* group) {
    if (!FormatText(dst, size, "[CreateGroup(%s)]", group)) return Refuse(dst, size);
    return true;
}

bool BuildDeleteItemCommand(char* dst, std::size_t size, const char* title) {
    if (!FormatText(dst, size, "[DeleteItem(%s)]", title)) return Refuse(dst, size);
    return true;
}

bool BuildAddItemCommand(char* dst, std::size_t size, const char* commandLine, const char* title) {
    if (!FormatText(dst, size, "[AddItem(%s,%s,%s,%d)]", commandLine, title, "", 0)) return Refuse(dst, size);
    return true;
}
