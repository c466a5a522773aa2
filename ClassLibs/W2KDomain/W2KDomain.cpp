#include "W2KDomain.h"

#include "DomainText.h"
#include "Held.h"

namespace {

size_t WideLength(LPCWSTR text) { return domain_text::Length(text, size_t(-1)); }

bool IsEmpty(LPCWSTR text) { return !text || !text[0]; }

// The join-information name handed out to callers. One per thread: a
// thread sees what its own last call found, as with one buffer for the
// whole process, and a second thread cannot overwrite it under the first.
WCHAR* JoinNameBuffer() {
    static thread_local WCHAR name[CW2KDomain::JoinNameChars];
    return name;
}

}  // namespace

CW2KDomain::CW2KDomain() : LastStatus(0), Loaded(0), LastStatusCopy(0), JoinStatus(0), Library("NetApi32.Dll") {
    // In this order, stopping at the first that is missing.
    Loaded = Library.Find(NetGetJoinInformation) && Library.Find(NetJoinDomain) && Library.Find(NetApiBufferFree) &&
                     Library.Find(NetGetDCName) && Library.Find(NetUnjoinDomain)
                 ? 1
                 : 0;
}

CW2KDomain::~CW2KDomain() {}

int CW2KDomain::GetJoinInformation(LPCWSTR* name, int* joinStatus) {
    if (!Loaded) return 0;
    auto buffer = domain_detail::Hold<LPWSTR>(NetApiBufferFree);
    // Read as a number: the platform may answer a state the enumeration lacks.
    static_assert(sizeof(NETSETUP_JOIN_STATUS) == sizeof(DWORD), "the join state is 32 bits");
    DWORD status = NetSetupUnknownStatus;
    KeepStatus(NetGetJoinInformation(nullptr, buffer.Receive(), reinterpret_cast<PNETSETUP_JOIN_STATUS>(&status)));
    JoinStatus = static_cast<int>(status);
    if (LastStatus != 0) return 0;

    WCHAR* shared = JoinNameBuffer();
    const LPCWSTR answer = buffer.Get();
    const size_t length = domain_text::Length(answer, JoinNameChars - 1);
    for (size_t i = 0; i < length; ++i) shared[i] = answer[i];
    shared[length] = 0;
    if (name) *name = shared;
    if (joinStatus) *joinStatus = (JoinStatus >= NotJoined && JoinStatus <= DomainMember) ? JoinStatus : JoinUnknown;
    buffer.Reset();
    return 1;
}

// The join state alone; a failed query counts as unknown.
int CW2KDomain::JoinStateOnly() {
    int state = JoinUnknown;
    GetJoinInformation(nullptr, &state);
    return state;
}

int CW2KDomain::UnjoinDomain(LPCWSTR account, LPCWSTR password) {
    if (!Loaded) return 0;
    KeepStatus(NetUnjoinDomain(nullptr, account, password, UnjoinOptions));
    return LastStatus == 0 ? 1 : 0;
}

int CW2KDomain::JoinDomain(LPCWSTR domain, LPCWSTR account, LPCWSTR password) {
    if (!Loaded) return 0;
    // DOMAIN\account, or empty; one that does not fit is refused before
    // anything changes, rather than joined under a cut name.
    WCHAR qualified[QualifiedAccountChars] = {0};
    if (account && domain && account[0]) {
        const size_t domainLength = WideLength(domain), accountLength = WideLength(account);
        if (domainLength + 1 + accountLength > QualifiedAccountChars - 1) return 0;
        for (size_t i = 0; i < domainLength; ++i) qualified[i] = domain[i];
        qualified[domainLength] = '\\';
        for (size_t i = 0; i < accountLength; ++i) qualified[domainLength + 1 + i] = account[i];
    }
    const LPCWSTR joinAccount = IsEmpty(account) ? nullptr : qualified;
    const LPCWSTR joinPassword = IsEmpty(password) ? nullptr : password;

    if (JoinStateOnly() == DomainMember) UnjoinDomain(joinAccount, joinPassword);
    KeepStatus(NetJoinDomain(nullptr, domain, nullptr, joinAccount, joinPassword, JoinDomainOptions));
    return LastStatus == 0 ? 1 : 0;
}

int CW2KDomain::JoinWorkgroup(LPCWSTR workgroup, LPCWSTR account, LPCWSTR password) {
    if (!Loaded) return 0;
    if (JoinStateOnly() == DomainMember) UnjoinDomain(account, password);
    KeepStatus(NetJoinDomain(nullptr, workgroup, nullptr, account, password, JoinWorkgroupOptions));
    return LastStatus == 0 ? 1 : 0;
}
