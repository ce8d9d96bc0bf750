// PELORASD.EXE: the printer status program, started with Windows.
#include "companion.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int show) {
    static const CompanionInfo info = {"AVLOPRINTERSTATUSBOX", "ORVAN Pelora 200/250 Status"};
    return RunCompanion(instance, commandLine, show, info);
}
