// The programs' waits that their test variants shorten: the bounds of a
// close request to a companion program (companion.h) and the time a
// progress dialog stays at its full bar (messages.h). They are all this unit
// holds: a test variant or test program that defines them itself links its
// own, and the linker then takes nothing from here.
#include "companion.h"
#include "messages.h"

extern const DWORD kCompanionSendBound = 5000;
extern const DWORD kCompanionCloseBound = 30000;
extern const DWORD kProgressHoldMs = 1000;
