// Controls that tell the installer's and the uninstaller's dialogs apart, for
// the programs that drive them: the end-to-end tests, the demo and the
// benchmark.
#pragma once

namespace tls_controls {

enum : int {
    kExitSetup = 111,                                          // the restart prompt's "&Exit Setup"
    kPortConnect = 123, kPortLpt1 = 124,                       // the port dialog
    kDiskEdit = 109,                                           // the insert-disk prompt
    kDestEdit = 105,                                           // the destination dialog
    kPreviousText = 127, kPreviousDelete = 147, kPreviousExit = 148,  // a previous version found
    kSetupStatusLine = 107, kStatusBar = 104,                  // the installer's progress dialog
    kRemoveStatusLine = 103,                                   // the uninstaller's progress dialog
};

}  // namespace tls_controls
