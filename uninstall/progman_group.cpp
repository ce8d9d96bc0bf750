// The uninstaller's side of the Program Manager group: deletes the group
// "ORVAN Pelora 200/250 Tools" over a DDE conversation with Program Manager.
#include "dde_client.h"
#include "run_log.h"
#include "textutil.h"

HWND DdeInitiateTarget = nullptr;

int DeleteProgmanGroup(HINSTANCE instance) {
    // The initiate goes to Program Manager's window. A shell that answers
    // for Program Manager without a window of that class is reached by
    // asking every top-level window, as the installer does.
    DdeInitiateTarget = FindWindowA("PROGMAN", nullptr);
    HWND client = OpenProgmanClient(instance, DdeInitiateTarget ? DdeInitiateTarget : HWND_BROADCAST);
    if (!client) return 0;
    if (!DdeClientPartner(client)) LogLine("Aucun shell n'a r\xe9pondu pour le Gestionnaire de programmes");

    // The user cannot work in Program Manager while its group goes.
    DdeInitiateTarget = FindWindowA("PROGMAN", nullptr);
    if (DdeInitiateTarget) {
        ShowWindow(DdeInitiateTarget, SW_SHOWNOACTIVATE);
        EnableWindow(DdeInitiateTarget, FALSE);
    }

    int result = 0;
    char command[64];
    if (FormatText(command, sizeof command, "[DeleteGroup(%s)]", kProgmanGroupName)) {
        result = SendProgmanCommand(client, command);
    }

    DestroyWindow(client);
    if (DdeInitiateTarget) EnableWindow(DdeInitiateTarget, TRUE);
    return result;
}
