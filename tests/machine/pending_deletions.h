// The NT list of files and directories to delete at the next start of
// Windows (PendingFileRenameOperations), as the tests of the removal read it.
// Header only: it serves test programs that link nothing else of this folder.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace pending {

// The names listed for deletion (pairs whose second name is empty), each
// from its drive letter on; the list is then removed, so that the next start
// of this machine deletes nothing, unless `keep`.
inline std::vector<std::string> TakeDeletions(bool keep = false) {
    std::vector<std::string> names;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager", 0,
                      KEY_QUERY_VALUE | KEY_SET_VALUE, &key) != ERROR_SUCCESS) {
        return names;
    }
    std::vector<char> data(65536, '\0');
    DWORD size = static_cast<DWORD>(data.size() - 2);
    if (RegQueryValueExA(key, "PendingFileRenameOperations", nullptr, nullptr, reinterpret_cast<BYTE*>(data.data()),
                         &size) == ERROR_SUCCESS) {
        for (std::size_t at = 0; at < size && data[at];) {
            std::string from = data.data() + at;
            at += from.size() + 1;
            std::string to = at < size ? data.data() + at : "";
            at += to.size() + 1;
            std::size_t colon = from.find(':');
            if (to.empty()) names.push_back(colon != std::string::npos && colon > 0 ? from.substr(colon - 1) : from);
        }
    }
    if (!keep) RegDeleteValueA(key, "PendingFileRenameOperations");
    RegCloseKey(key);
    return names;
}

inline std::string Joined(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) text += name + "\n";
    return text;
}

}  // namespace pending
