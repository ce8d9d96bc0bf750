// Short waits of the test variants tlsetup_quick.exe and tldesetup_quick.exe
// and of the Win32 tests that link the programs' steps: a companion program
// that does not close is given up after two seconds, a window that does not
// answer a request or a DDE initiate after one, and a progress dialog does
// not stay at its full bar, so that a test does not wait out the shipped
// programs' figures.
// Defining them here keeps common/bounds_win.cpp out of the link. Linked like
// the programs: no C runtime.
#include "companion.h"
#include "dde_client.h"
#include "messages.h"

extern const DWORD kCompanionSendBound = 1000;
extern const DWORD kCompanionCloseBound = 2000;
extern const DWORD kProgressHoldMs = 0;
extern const DWORD kDdeInitiateTimeout = 1000;
