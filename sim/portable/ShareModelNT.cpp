// The Windows NT share functions of netapi32.dll over the server service's
// Shares key (see ShareModel.h): NetShareEnum, NetShareAdd and NetShareDel
// at level 2. Shares have no security descriptors here and no password
// (NT's user-level server keeps none); paths are not checked against a
// file system, since the machine has none.
#include <windows.h>
#include <lm.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "ApiCall.h"
#include "DomainModel.h"
#include "MachineRegistry.h"
#include "NetApiHooks.h"
#include "ShareModel.h"
#include "WideText.h"

namespace {

using apicall::Call;
using sharemodel::kSharesKey;

struct Share {
    std::string name;
    DWORD type = STYPE_DISKTREE;
    std::string remark;
    DWORD permissions = 0;
    DWORD maxUses = SHI_USES_UNLIMITED;
    std::string path;
};

template <typename Body>
NET_API_STATUS Run(Call& call, Body body) {
    DWORD status = 0;
    const bool injected = netmodel::Enter(call, &status);
    if (!injected) status = body();
    call.result = apicall::StatusText(status);
    netmodel::Leave(call, injected);
    return status;
}

std::string Text(LPCWSTR text) { return text ? wide::Narrow(text) : std::string(); }

bool IsLocal(LPCWSTR server) {
    const std::string name = domainmodel::StripBackslashes(Text(server));
    if (name.empty()) return true;
    char computer[MAX_COMPUTERNAME_LENGTH + 1] = "";
    DWORD size = sizeof computer;
    return GetComputerNameA(computer, &size) && domainmodel::SameName(name, computer);
}

bool IsWindows2000() {
    OSVERSIONINFOA info;
    std::memset(&info, 0, sizeof info);
    info.dwOSVersionInfoSize = sizeof info;
    return GetVersionExA(&info) && info.dwMajorVersion >= 5;
}

// The shares the server makes at every start.
std::vector<Share> AdministrativeShares() {
    char windows[MAX_PATH] = "";
    GetWindowsDirectoryA(windows, MAX_PATH);
    return {
        {"ADMIN$", STYPE_DISKTREE | STYPE_SPECIAL, "Remote Admin", 0, SHI_USES_UNLIMITED, windows},
        {"C$", STYPE_DISKTREE | STYPE_SPECIAL, "Default share", 0, SHI_USES_UNLIMITED, "C:\\"},
        {"IPC$", STYPE_IPC | STYPE_SPECIAL, "Remote IPC", 0, SHI_USES_UNLIMITED, ""},
    };
}

bool IsAdministrative(const std::string& name) {
    for (const Share& s : AdministrativeShares())
        if (domainmodel::SameName(s.name, name)) return true;
    return false;
}

DWORD Number(const std::string& text, DWORD fallback) {
    if (text.empty()) return fallback;
    char* end = nullptr;
    const unsigned long value = std::strtoul(text.c_str(), &end, 10);
    return *end == '\0' ? static_cast<DWORD>(value) : fallback;
}

// The shares of the Shares key in its order; a value that is not a list
// of lines is no share.
std::vector<Share> KeptShares() {
    std::vector<Share> shares;
    for (const std::string& name : machinereg::ValueNames(kSharesKey)) {
        std::vector<std::string> lines;
        if (name.empty() || !machinereg::ReadMultiText(kSharesKey, name.c_str(), &lines)) continue;
        Share s;
        s.name = name;
        for (const std::string& line : lines) {
            const size_t eq = line.find('=');
            if (eq == std::string::npos) continue;
            const std::string key = line.substr(0, eq), value = line.substr(eq + 1);
            if (domainmodel::SameName(key, "Path")) s.path = value;
            if (domainmodel::SameName(key, "Remark")) s.remark = value;
            if (domainmodel::SameName(key, "Type")) s.type = Number(value, STYPE_DISKTREE);
            if (domainmodel::SameName(key, "MaxUses")) s.maxUses = Number(value, SHI_USES_UNLIMITED);
            if (domainmodel::SameName(key, "Permissions")) s.permissions = Number(value, 0);
        }
        shares.push_back(s);
    }
    return shares;
}

bool Kept(const std::string& name) {
    for (const std::string& value : machinereg::ValueNames(kSharesKey))
        if (domainmodel::SameName(value, name)) return true;
    return false;
}

bool ValidShareName(const std::string& name) {
    if (name.empty() || name.size() > NNLEN) return false;
    for (unsigned char c : name)
        if (c < 0x20 || std::strchr("\"/\\[]:|<>+=;,?*", c)) return false;
    return true;
}

}  // namespace

extern "C" {

NET_API_STATUS WINAPI NetShareEnum(LMSTR servername, DWORD level, LPBYTE* bufptr, DWORD prefmaxlen,
                                   LPDWORD entriesread, LPDWORD totalentries, LPDWORD resume_handle) {
    const netmodel::CallLock locked;
    Call call{"NetShareEnum", {}, {}};
    call.Text("server", servername).Number("level", level).Hex("prefmaxlen", prefmaxlen);
    return Run(call, [&]() -> DWORD {
        if (level != 2) return ERROR_INVALID_LEVEL;
        if (!bufptr || !entriesread || !totalentries) return ERROR_INVALID_PARAMETER;
        if (!IsLocal(servername)) return ERROR_BAD_NETPATH;
        std::vector<Share> shares = AdministrativeShares();
        for (const Share& s : KeptShares()) shares.push_back(s);
        // The preferred length is a hint: everything from the resume point
        // comes back at once.
        const size_t first = resume_handle && *resume_handle < shares.size() ? *resume_handle : 0;
        const size_t count = shares.size() - first;
        size_t size = count * sizeof(SHARE_INFO_2);
        for (size_t i = first; i < shares.size(); ++i) {
            const Share& s = shares[i];
            size += (s.name.size() + s.remark.size() + s.path.size() + 3) * sizeof(WCHAR);
        }
        BYTE* base = static_cast<BYTE*>(netmodel::AllocateBuffer(size));
        if (!base) return ERROR_NOT_ENOUGH_MEMORY;
        auto* records = reinterpret_cast<SHARE_INFO_2*>(base);
        WCHAR* texts = reinterpret_cast<WCHAR*>(base + count * sizeof(SHARE_INFO_2));
        auto put = [&](const std::string& text) {
            const wide::WString w = wide::Widen(text);
            WCHAR* at = texts;
            std::memcpy(at, w.c_str(), (w.size() + 1) * sizeof(WCHAR));
            texts += w.size() + 1;
            return at;
        };
        for (size_t i = 0; i < count; ++i) {
            const Share& s = shares[first + i];
            SHARE_INFO_2& r = records[i];
            r.shi2_netname = put(s.name);
            r.shi2_type = s.type;
            r.shi2_remark = put(s.remark);
            r.shi2_permissions = s.permissions;
            r.shi2_max_uses = s.maxUses;
            r.shi2_current_uses = 0;
            r.shi2_path = put(s.path);
            r.shi2_passwd = nullptr;
        }
        *bufptr = base;
        *entriesread = static_cast<DWORD>(count);
        *totalentries = static_cast<DWORD>(count);
        if (resume_handle) *resume_handle = 0;
        return NERR_Success;
    });
}

NET_API_STATUS WINAPI NetShareAdd(LMSTR servername, DWORD level, LPBYTE buf, LPDWORD parm_err) {
    const netmodel::CallLock locked;
    Call call{"NetShareAdd", {}, {}};
    call.Text("server", servername).Number("level", level);
    const SHARE_INFO_2* info = level == 2 ? reinterpret_cast<const SHARE_INFO_2*>(buf) : nullptr;
    if (info) {
        call.Text("name", info->shi2_netname)
            .Hex("type", info->shi2_type)
            .Text("path", info->shi2_path)
            .Text("remark", info->shi2_remark)
            .Hex("max_uses", info->shi2_max_uses)
            .Text("password", info->shi2_passwd);
    }
    return Run(call, [&]() -> DWORD {
        if (level != 2) return ERROR_INVALID_LEVEL;
        if (!info) return ERROR_INVALID_PARAMETER;
        if (!IsLocal(servername)) return ERROR_BAD_NETPATH;
        auto refuse = [&](DWORD parm) {
            if (parm_err) *parm_err = parm;
            return static_cast<DWORD>(ERROR_INVALID_PARAMETER);
        };
        const std::string name = Text(info->shi2_netname), path = Text(info->shi2_path);
        if (!ValidShareName(name)) return refuse(SHARE_NETNAME_PARMNUM);
        if (info->shi2_type != STYPE_DISKTREE && info->shi2_type != STYPE_PRINTQ) return refuse(SHARE_TYPE_PARMNUM);
        if (info->shi2_type == STYPE_DISKTREE && path.empty()) return refuse(SHARE_PATH_PARMNUM);
        if (IsAdministrative(name) || Kept(name)) return NERR_DuplicateShare;
        std::vector<std::string> lines;
        if (IsWindows2000()) lines.push_back("CSCFlags=0");
        lines.push_back("MaxUses=" + std::to_string(info->shi2_max_uses));
        lines.push_back("Path=" + path);
        lines.push_back("Permissions=" + std::to_string(info->shi2_permissions));
        lines.push_back("Remark=" + Text(info->shi2_remark));
        lines.push_back("Type=" + std::to_string(info->shi2_type));
        return static_cast<DWORD>(machinereg::WriteMultiText(kSharesKey, name.c_str(), lines));
    });
}

NET_API_STATUS WINAPI NetShareDel(LMSTR servername, LMSTR netname, DWORD reserved) {
    const netmodel::CallLock locked;
    Call call{"NetShareDel", {}, {}};
    call.Text("server", servername).Text("name", netname);
    return Run(call, [&]() -> DWORD {
        if (!netname || reserved != 0) return ERROR_INVALID_PARAMETER;
        if (!IsLocal(servername)) return ERROR_BAD_NETPATH;
        const std::string name = Text(netname);
        if (!Kept(name)) return NERR_NetNameNotFound;
        const LONG rc = machinereg::DeleteValue(kSharesKey, name.c_str());
        if (rc == ERROR_SUCCESS) machinereg::DeleteValue(machinereg::Join(kSharesKey, "Security"), name.c_str());
        return static_cast<DWORD>(rc);
    });
}

}  // extern "C"
