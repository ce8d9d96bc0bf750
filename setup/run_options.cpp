// The installer's command-line options and the exit code of the run.
#include "setup.h"

CommandOptions g_options;

namespace {

// Not yet decided: -1.
int g_exitCode = -1;

}  // namespace

void SetExitCode(int code) {
    if (g_exitCode < 0) g_exitCode = code;
}

void SetSuccessCode(int code) { g_exitCode = code; }

int RunExitCode() {
    if (!g_options.any) return 0;
    return g_exitCode < 0 ? kExitCancelled : g_exitCode;
}
