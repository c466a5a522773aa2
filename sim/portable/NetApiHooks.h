// What the network API model needs from the platform it runs on: the
// recorder and failure injection, the buffers it hands out, and the machine's
// Netlogon service. The simulated platform (sim/src/NetApiSim.cpp) and the
// Wine runs' netapi32 double (sim/wine-doubles/NetApiDouble.cpp) each
// implement these.
#pragma once

#include <windows.h>

#include "ApiCall.h"

namespace netmodel {

// Held for the whole of each function of the model. On the simulated
// platform it is the machine's own lock (its functions may be called from
// any thread); the Wine runs' doubles are called from one thread and
// Windows' registry guards itself, so there it is nothing.
#ifdef ORVANE_SIM_MACHINE
class CallLock {
public:
    CallLock();
    ~CallLock();
    CallLock(const CallLock&) = delete;
    CallLock& operator=(const CallLock&) = delete;

private:
    const bool m_held;
};
#else
class CallLock {
public:
    CallLock() {}
};
#endif

// Called before a function does anything: true when the call is to fail
// with *status (injected), in which case it returns that status at once.
bool Enter(apicall::Call& call, DWORD* status);
// Called with every call once call.result is set; `injected` tells an
// injected failure from the function's own answer. The call may be spent.
void Leave(apicall::Call& call, bool injected);

// Zeroed memory released by NetApiBufferFree; null when none is left.
void* AllocateBuffer(size_t bytes);
// False when `buffer` was not handed out (or was already released).
bool FreeBuffer(void* buffer);

// The machine joined a domain (Netlogon starts automatically and runs) or
// left it (started on demand, stopped).
void SetNetlogon(bool domainMember);

}  // namespace netmodel
