// Internal pieces shared by the simulated network API, LSA, service manager
// and security functions: the recorder with its failure injection, and the
// process-wide state that no registry holds.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "ApiCall.h"
#include "NetApiModel.h"

namespace sim::security {

// True when an injected failure answers this call (*status is then the
// status to fail with). Every call, injected or not, ends with Leave, which
// takes the call's texts into the record: the call is spent.
bool Enter(apicall::Call& call, DWORD* status);
void Leave(apicall::Call& call, bool injected);

// Runs a function body between Enter and Leave. The body returns the
// function's result; `text` renders it for the record.
template <typename Result, typename Fail, typename Body, typename Text>
Result Run(apicall::Call& call, Fail fail, Body body, Text text) {
    DWORD status = 0;
    if (Enter(call, &status)) {
        const Result r = fail(status);
        call.result = text(r);
        Leave(call, true);
        return r;
    }
    const Result r = body();
    call.result = text(r);
    Leave(call, false);
    return r;
}

// A BOOL function: an injected status becomes the last error.
template <typename Body>
BOOL RunBool(apicall::Call& call, Body body) {
    return Run<BOOL>(
        call,
        [](DWORD status) {
            SetLastError(status);
            return FALSE;
        },
        body, [](BOOL ok) { return apicall::FlagText(ok != FALSE, GetLastError()); });
}

// A function answering an NTSTATUS.
template <typename Body>
LONG RunStatus(apicall::Call& call, Body body) {
    return Run<LONG>(
        call, [](DWORD status) { return static_cast<LONG>(status); }, body,
        [](LONG status) { return apicall::NtStatusText(status); });
}

// A function answering a handle or pointer (null on failure, last error set).
template <typename Handle, typename Body>
Handle RunHandle(apicall::Call& call, Body body) {
    return Run<Handle>(
        call,
        [](DWORD status) {
            SetLastError(status);
            return Handle(nullptr);
        },
        body, [](Handle h) { return apicall::FlagText(h != nullptr, GetLastError()); });
}

// The machine's own computer name, for "is this server the local one".
bool IsLocalName(const std::string& name);

// Whether the program runs as a local administrator.
bool CallerIsLocalAdmin();

// Service states outside the recorder (the network API's join uses it).
void SetRunning(const std::string& service, bool running);

// Live counts for LiveSecurityResources.
size_t LiveNetApiBuffers();
size_t LiveLsaMemory();
size_t OpenLsaHandles();
size_t OpenScHandles();
size_t OpenTokenHandles();
size_t LiveSids();
size_t LiveLocalBlocks();

// Per-area resets, run by sim::Reset through ResetSecurity.
void ResetCalls();
void ResetNetApi();
void ResetLsa();
void ResetServices();
void ResetTokens();

}  // namespace sim::security
