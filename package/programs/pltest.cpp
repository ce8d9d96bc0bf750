// PLTEST.EXE: the printer test program.
#include "companion.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int show) {
    static const CompanionInfo info = {"TLTPClass", "ORVAN Pelora 200/250 TEST Program"};
    return RunCompanion(instance, commandLine, show, info);
}
