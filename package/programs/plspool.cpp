// PLSPOOL.EXE: the Print Manager of the printer.
#include "companion.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int show) {
    static const CompanionInfo info = {"SpoolerClass", "ORVAN Pelora 200/250 Print Manager"};
    return RunCompanion(instance, commandLine, show, info);
}
