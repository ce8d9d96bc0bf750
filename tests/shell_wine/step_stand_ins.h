// What the stand-in steps of the shell's Win32 tests recorded.
#pragma once

struct StandInLog {
    int previousVersion;
    int previousPrinter;
};

extern StandInLog g_standIns;
