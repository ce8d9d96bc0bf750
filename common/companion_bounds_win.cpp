// The bounds of a close request to a companion program (companion.h). They
// are all this unit holds: a test variant that defines them itself links its
// own, and the linker then takes nothing from here.
#include "companion.h"

extern const DWORD kCompanionSendBound = 5000;
extern const DWORD kCompanionCloseBound = 30000;
