// Registration of the package's TrueType fonts, each right after its copy:
// resource file beside the font, added to the running system, announced to
// every top-level window and entered in WIN.INI [Fonts] (and, on Windows 95,
// 98 and ME, in the registry's font list). An earlier installation's font is
// taken out of the system before its file is replaced.
#include "file_install.h"
#include "font_names.h"
#include "setup.h"
#include "textutil.h"

namespace {

// A top-level window that does not answer must not hold up the installation.
constexpr UINT kFontChangeTimeoutMs = 5000;

// Most references to one font taken out of the system before its file is
// replaced; each earlier installation (or program) that added it holds one.
constexpr int kFontReleaseLimit = 32;

// The installed font list of Windows 95, 98 and ME, which these systems read
// at start-up in place of WIN.INI [Fonts]. Windows NT maps WIN.INI [Fonts]
// to its own font list itself.
constexpr char kWindowsFontsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Fonts";

bool FontListIsInTheRegistry() {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
    return GetVersionExA(&info) && info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
}

// The font under its [Fonts] key, with its file's name as data, as the
// system's own font installation enters it. Like the other steps of the
// registration but the WIN.INI line, its result is not examined.
void EnterFontInRegistry(const char* key, const char* fontPath) {
    char data[MAX_PATH];
    if (!BuildFontRegistryValue(data, sizeof data, fontPath)) return;
    HKEY fonts = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kWindowsFontsKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE,
                        nullptr, &fonts, nullptr) != ERROR_SUCCESS) {
        return;
    }
    RegSetValueExA(fonts, key, 0, REG_SZ, reinterpret_cast<const BYTE*>(data),
                   static_cast<DWORD>(lstrlenA(data) + 1));
    RegCloseKey(fonts);
}

}  // namespace

void PrepareFontDirectory() {
    if (g_setup.fontDir[0] == '\0' &&
        !BuildFontDirectory(g_setup.fontDir, sizeof g_setup.fontDir, g_setup.windowsDir)) {
        return;
    }
    CreateDirectoryA(g_setup.fontDir, nullptr);
}

void ReleaseEarlierFont(const char* fontPath) {
    if (GetFileAttributesA(fontPath) == INVALID_FILE_ATTRIBUTES) return;  // no earlier font
    // Windows holds a loaded font under the name it was added by: the
    // earlier registration added the resource file named after the
    // upper-case path that the copy leaves; Windows 95, 98 and ME load it at
    // start-up from their registry font list, by the font file's name, and
    // Windows NT from its own list, by the resource file's name. All are
    // tried, with and without the folder.
    char path[MAX_PATH];
    char resourcePath[MAX_PATH];
    char fileName[MAX_PATH];
    char resourceName[MAX_PATH];
    if (!CopyText(path, fontPath)) return;
    UpperCaseText(path);
    if (!BuildFontResourcePath(resourcePath, sizeof resourcePath, path) ||
        !BuildFontRegistryValue(fileName, sizeof fileName, path) ||
        !BuildFontRegistryValue(resourceName, sizeof resourceName, resourcePath)) {
        return;
    }
    const char* const names[] = {resourcePath, path, fileName, resourceName};
    // Windows keeps the font file open while the font is loaded, and the
    // copy over it then fails as in use. Every reference is taken out; the
    // registration after the copy adds the font again and announces it.
    for (const char* name : names) {
        for (int i = 0; i < kFontReleaseLimit && RemoveFontResourceA(name); ++i) {
        }
    }
}

BOOL RegisterTrueTypeFont(std::uint32_t position, std::uint32_t fileCount, const char* fontPath,
                          const char* sourceName) {
    // A font more than 31 records before the end of [Files] has no name in
    // the table: it stays copied and is not registered.
    if (FontTypeface(position, fileCount) == nullptr) return TRUE;
    char key[kFontKeySize];
    char resourcePath[MAX_PATH];
    char resourceName[kFontResourceNameSize];
    if (!BuildFontKey(key, sizeof key, position, fileCount) ||
        !BuildFontResourcePath(resourcePath, sizeof resourcePath, fontPath) ||
        !BuildFontResourceName(resourceName, sizeof resourceName, sourceName)) {
        return FALSE;
    }
    CreateScalableFontResourceA(0, resourcePath, fontPath, nullptr);
    AddFontResourceA(resourcePath);
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(HWND_BROADCAST, WM_FONTCHANGE, 0, 0, SMTO_ABORTIFHUNG, kFontChangeTimeoutMs, &ignored);
    if (FontListIsInTheRegistry()) EnterFontInRegistry(key, fontPath);
    return WriteProfileStringA("Fonts", key, resourceName);
}
