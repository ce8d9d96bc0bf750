// Detection of a previously installed version (previous_version.cpp).
#pragma once

#include "previous_search.h"

// Reads VelmDir and DeleteFile (PELORASD.INI, then velm.ini), sets
// previousDir, and looks for the old uninstaller. True with its path when
// one can be opened for reading.
bool FindPreviousUninstaller(char (&velmDir)[256], char (&uninstaller)[kCandidatePathSize]);
