// The simulated platform's side of the network API model: calls go to the
// recorder, buffers are counted until NetApiBufferFree, and a join switches
// the machine's Netlogon service.
#include <cstdlib>
#include <set>

#include "NetApiHooks.h"
#include "SecuritySim.h"
#include "SimArea.h"
#include "Lock.h"
#include "MachineRegistry.h"

namespace {

std::set<void*>& Buffers() {
    static std::set<void*> buffers;
    return buffers;
}

}  // namespace

namespace netmodel {

// The machine's lock, skipped as sim::Locked skips it (Lock.h).
CallLock::CallLock() : m_held(!__libc_single_threaded) {
    if (m_held) sim::MachineLock().lock();
}
CallLock::~CallLock() {
    if (m_held) sim::MachineLock().unlock();
}

bool Enter(apicall::Call& call, DWORD* status) { return sim::security::Enter(call, status); }

void Leave(apicall::Call& call, bool injected) { sim::security::Leave(call, injected); }

void* AllocateBuffer(size_t bytes) {
    void* p = std::calloc(1, bytes ? bytes : 1);
    if (p) Buffers().insert(p);
    return p;
}

bool FreeBuffer(void* buffer) {
    if (!Buffers().erase(buffer)) return false;
    std::free(buffer);
    return true;
}

void SetNetlogon(bool domainMember) {
    const std::string key = machinereg::Join(simarea::kServices, "Netlogon");
    // Only a machine that has the service gets it switched.
    DWORD type = 0;
    if (!machinereg::ReadDword(key, "Type", &type)) return;
    machinereg::WriteDword(key, "Start", domainMember ? 2 : 3);  // automatic, on demand
    sim::security::SetRunning("Netlogon", domainMember);
}

}  // namespace netmodel

namespace sim::security {

size_t LiveNetApiBuffers() { return Buffers().size(); }

void ResetNetApi() {
    for (void* p : Buffers()) std::free(p);
    Buffers().clear();
    netmodel::ResetSessions();
}

}  // namespace sim::security
