// The programs' waits that their test variants shorten: the bounds of a
// close request to a companion program (companion.h), the time a progress
// dialog stays at its full bar (messages.h) and the wait for each window
// that receives a DDE initiate (dde_client.h). They are all this unit
// holds: a test variant or test program that defines them itself links its
// own, and the linker then takes nothing from here.
#include "companion.h"
#include "dde_client.h"
#include "messages.h"

extern const DWORD kCompanionSendBound = 5000;
extern const DWORD kCompanionCloseBound = 30000;
extern const DWORD kProgressHoldMs = 1000;
extern const DWORD kDdeInitiateTimeout = 5000;
