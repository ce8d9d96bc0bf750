// seed_machine [--volatile] [--lpt N] [--no-lptenum]
// Seeds the Wine prefix it runs in as a Windows 95-like machine; exit code 0
// on success, else the number of the step that failed.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "machine_state.h"

int main(int argc, char** argv) {
    MachineOptions options;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--volatile") == 0) {
            options.volatileOnly = true;
        } else if (std::strcmp(argv[i], "--lpt") == 0 && i + 1 < argc) {
            options.lptPorts = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--no-lptenum") == 0) {
            options.lptEnum = false;
        } else {
            std::fprintf(stderr, "seed_machine: unknown argument %s\n", argv[i]);
            return 100;
        }
    }
    int rc = SeedMachine(options);
    if (rc != 0) std::fprintf(stderr, "seed_machine: step %d failed\n", rc);
    return rc;
}
