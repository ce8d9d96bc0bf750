// Stand-in for an old version's uninstaller, linked with the shipped
// programs' run-time support so that its WinMain gets the command line
// through their entry point. It writes the command-line tail it was given
// to TAIL.TXT beside itself and, when the tail is "External" as the real
// uninstaller's unattended mode needs it, removes the TLSETUP.INF beside
// itself as that mode would. It calls no message function: the starter's
// wait for it to become idle lasts until it has ended.
#include <windows.h>

namespace {

char g_path[MAX_PATH + 16];

// g_path becomes this program's directory with a backslash and name.
bool PathBeside(const char* name) {
    DWORD n = GetModuleFileNameA(nullptr, g_path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return false;
    while (n > 0 && g_path[n - 1] != '\\') --n;
    g_path[n] = '\0';
    return lstrlenA(name) < 16 && lstrcatA(g_path, name) != nullptr;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR tail, int) {
    // Written under another name first, so that the tail file appears whole.
    if (!PathBeside("TAIL.NEW")) return 1;
    char written[MAX_PATH + 16];
    lstrcpyA(written, g_path);
    HFILE file = _lcreat(written, 0);
    if (file == HFILE_ERROR) return 1;
    const UINT length = static_cast<UINT>(lstrlenA(tail));
    const bool whole = _lwrite(file, tail, length) == length;
    _lclose(file);
    if (!whole || !PathBeside("TAIL.TXT") || !MoveFileA(written, g_path)) return 1;
    if (lstrcmpA(tail, "External") == 0 && PathBeside("TLSETUP.INF")) DeleteFileA(g_path);
    return 0;
}
