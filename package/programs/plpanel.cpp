// PLPANEL.EXE: the PCL Control Panel.
#include "companion.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int show) {
    static const CompanionInfo info = {"PanelClass", "ORVAN Pelora 200/250 PCL Control Panel"};
    return RunCompanion(instance, commandLine, show, info);
}
