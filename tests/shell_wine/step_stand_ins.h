// What the stand-in steps of the shell's Win32 tests recorded.
#pragma once

struct StandInLog {
    int previousVersion;
    int previousPrinter;
    // What the previous-version stand-in does: the message it sends to the
    // window it is given first (0 for none), and its result.
    unsigned reenterMessage;
    int previousVersionResult;
};

extern StandInLog g_standIns;
