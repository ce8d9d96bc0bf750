// Short bounds of the test variants tlsetup_quick.exe and tldesetup_quick.exe:
// a companion program that does not close is given up after two seconds, a
// window that does not answer a request after one, so that a test of the
// question that follows does not wait out the shipped programs' 30 seconds.
// Defining the bounds here keeps common/companion_bounds_win.cpp out of the
// link. Linked like the programs: no C runtime.
#include "companion.h"

extern const DWORD kCompanionSendBound = 1000;
extern const DWORD kCompanionCloseBound = 2000;
