// VIREO.EXE: Vireo, the printer utility.
#include "companion.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int show) {
    static const CompanionInfo info = {"ZerODAClass", "Vireo for Pelora 200/250"};
    return RunCompanion(instance, commandLine, show, info);
}
