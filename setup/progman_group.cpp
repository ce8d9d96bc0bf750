// The installer's Program Manager group: the group "ORVAN Pelora 200/250
// Tools" and one item per [PM Info] record of the setup script, created over
// a DDE conversation with Program Manager.
#include "dde_client.h"
#include "run_log.h"
#include "progman_command.h"
#include "script_engine.h"
#include "setup.h"

namespace {

// Room for the longest command: a 260-byte directory, a directory name, a
// file name and a title, with the command's own words.
constexpr unsigned kCommandSize = 512;

// Command line of item `index`: its file in the directory where the script
// installs it. A file that no [Files] record names, or whose directory no
// [Dirs] record names, is taken to lie in the destination directory itself.
bool ItemCommandLine(std::uint16_t index, char* dst, unsigned size) {
    char file[kScriptBufferSize];
    const std::uint32_t position = ScriptQuery(kOpItemFile, index, file);
    char dirName[kScriptBufferSize];
    dirName[0] = '\0';
    if (position != kScriptNotFound && position < ScriptQuery(kOpDirCount, 0, nullptr)) {
        ScriptQuery(kOpDirName, static_cast<std::uint16_t>(position), dirName);
    }
    return BuildItemCommandLine(dst, size, g_setup.destShortDir, dirName, file);
}

}  // namespace

BOOL CreateProgmanGroup() {
    BOOL result = 0;
    HWND client = OpenProgmanClient(g_setup.hInstance, HWND_BROADCAST);
    if (!client) return 0;
    if (!DdeClientPartner(client)) LogLine("No shell answered the Program Manager conversation");

    char command[kCommandSize];
    if (BuildCreateGroupCommand(command, sizeof command, kProgmanGroupName)) {
        result = SendProgmanCommand(client, command);
    }
    if (!result) PlainMessageBox(nullptr, "Send WM_DDE_EXECUTE message fail !", "", MB_OK);

    const std::uint32_t itemCount = ScriptQuery(kOpItemCount, 0, nullptr);
    for (std::uint32_t i = 0; result && i < itemCount; ++i) {
        const std::uint16_t index = static_cast<std::uint16_t>(i);
        char commandLine[kCommandSize];
        char title[kScriptBufferSize];
        ScriptQuery(kOpItemDescription, index, title);
        if (!ItemCommandLine(index, commandLine, sizeof commandLine) ||
            !BuildDeleteItemCommand(command, sizeof command, title)) {
            result = 0;
            break;
        }
        // An item of that title left by an earlier installation goes first;
        // whether there was one does not matter.
        SendProgmanCommand(client, command);
        if (!BuildAddItemCommand(command, sizeof command, commandLine, title)) {
            result = 0;
            break;
        }
        result = SendProgmanCommand(client, command);
    }

    DestroyWindow(client);
    return result;
}
