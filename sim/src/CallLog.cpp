// The recorder of the simulated security, service and network functions,
// and their failure injection.
#include <algorithm>

#include "SecuritySim.h"
#include "sim/control.h"
#include "Lock.h"

namespace {

struct Injection {
    std::string function;
    DWORD status = 0;
    int nth = 1;
    int times = 1;  // 0: every call from the nth on
    int seen = 0;
};

struct CallLog {
    std::vector<sim::ApiCall> calls;
    std::vector<Injection> injections;
};

CallLog& L() {
    static CallLog log;
    return log;
}

}  // namespace

namespace sim {

std::string ApiCall::Arg(std::string_view name) const {
    for (auto& a : args)
        if (a.first == name) return a.second;
    return std::string();
}

std::string ApiCall::Line() const {
    std::string line = function;
    for (auto& a : args) line += " " + a.first + "=" + a.second;
    return line + " -> " + result;
}

const std::vector<ApiCall>& ApiCalls() {
    const sim::Locked locked;
    return L().calls;
}

std::vector<ApiCall> ApiCallsOf(std::string_view function) {
    const sim::Locked locked;
    std::vector<ApiCall> of;
    for (auto& c : L().calls)
        if (c.function == function) of.push_back(c);
    return of;
}

void ClearApiCalls() {
    const sim::Locked locked;
    L().calls.clear();
}

void FailCall(std::string_view function, DWORD status, int nth, int times) {
    const sim::Locked locked;
    Injection i;
    i.function = std::string(function);
    i.status = status;
    i.nth = std::max(nth, 1);
    i.times = std::max(times, 0);
    L().injections.push_back(i);
}

void ClearFailures() {
    const sim::Locked locked;
    L().injections.clear();
}

}  // namespace sim

namespace sim::security {

bool Enter(apicall::Call& call, DWORD* status) {
    bool fail = false;
    for (auto& i : L().injections) {
        if (i.function != call.function) continue;
        ++i.seen;
        const bool due = i.seen >= i.nth && (i.times == 0 || i.seen < i.nth + i.times);
        if (due && !fail) {
            fail = true;
            *status = i.status;
        }
    }
    return fail;
}

void Leave(apicall::Call& call, bool injected) {
    ApiCall record;
    record.function = std::move(call.function);
    record.args = std::move(call.args);
    record.result = std::move(call.result);
    record.injected = injected;
    L().calls.push_back(std::move(record));
}

void ResetCalls() { L() = CallLog{}; }

}  // namespace sim::security
