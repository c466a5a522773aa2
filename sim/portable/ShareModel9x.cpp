// The Windows 95/98 share functions of svrapi.dll over the LanMan key (see
// ShareModel.h).
#include <windows.h>
#include <lm.h>

#include <cstring>
#include <string>
#include <vector>

#include "ApiCall.h"
#include "DomainModel.h"
#include "MachineRegistry.h"
#include "NetApiHooks.h"
#include "ShareModel.h"

namespace sharemodel {

namespace {

using apicall::Call;

// The longest share name the record holds.
constexpr size_t kNameLength = sizeof(ShareInfo50{}.shi50_netname) - 1;
constexpr size_t kPasswordLength = sizeof(ShareInfo50{}.shi50_rw_password) - 1;

struct Share {
    std::string name;
    DWORD type = 0;
    DWORD flags = 0;
    std::string path;
    std::string remark;
    std::string fullPassword;
    std::string readOnlyPassword;
};

template <typename Body>
unsigned Run(Call& call, Body body) {
    DWORD status = 0;
    const bool injected = netmodel::Enter(call, &status);
    if (!injected) status = body();
    call.result = apicall::StatusText(status);
    netmodel::Leave(call, injected);
    return status;
}

bool IsLocal(const char* server) {
    const std::string name = domainmodel::StripBackslashes(server ? server : "");
    if (name.empty()) return true;
    char computer[MAX_COMPUTERNAME_LENGTH + 1] = "";
    DWORD size = sizeof computer;
    return GetComputerNameA(computer, &size) && domainmodel::SameName(name, computer);
}

std::string ShareKey(const std::string& name) { return machinereg::Join(kLanManKey, name); }

std::string Password(const std::string& key, const char* value) {
    std::vector<BYTE> bytes;
    return machinereg::ReadBinary(key, value, &bytes) ? DecodePassword(bytes) : std::string();
}

// The shares of the LanMan key in its order; a key whose name does not fit
// a record is no share.
std::vector<Share> ReadShares() {
    std::vector<Share> shares;
    for (const std::string& name : machinereg::Subkeys(kLanManKey)) {
        if (name.empty() || name.size() > kNameLength) continue;
        const std::string key = ShareKey(name);
        Share s;
        s.name = name;
        machinereg::ReadDword(key, "Type", &s.type);
        machinereg::ReadDword(key, "Flags", &s.flags);
        machinereg::ReadText(key, "Path", &s.path);
        machinereg::ReadText(key, "Remark", &s.remark);
        s.fullPassword = Password(key, "Parm1enc");
        s.readOnlyPassword = Password(key, "Parm2enc");
        shares.push_back(s);
    }
    return shares;
}

// A text of a fixed field of the record, when it ends within the field.
bool FieldText(const char* field, size_t width, std::string* out) {
    const void* nul = std::memchr(field, 0, width);
    if (!nul) return false;
    out->assign(field, static_cast<const char*>(nul));
    return true;
}

void CopyField(char* field, size_t width, const std::string& text) {
    std::memset(field, 0, width);
    std::memcpy(field, text.c_str(), text.size() < width ? text.size() : width - 1);
}

}  // namespace

std::vector<BYTE> EncodePassword(const std::string& password) {
    std::vector<BYTE> bytes;
    unsigned key = 0x35;
    for (char c : password) {
        bytes.push_back(static_cast<BYTE>(static_cast<unsigned char>(c) ^ key));
        key = ((key >> 1) | (key << 7)) & 0xFF;
    }
    return bytes;
}

std::string DecodePassword(const std::vector<BYTE>& bytes) {
    std::string password;
    unsigned key = 0x35;
    for (BYTE b : bytes) {
        const char c = static_cast<char>(b ^ key);
        if (c == '\0') break;
        password.push_back(c);
        key = ((key >> 1) | (key << 7)) & 0xFF;
    }
    return password;
}

unsigned WINAPI Enum50(const char* server, short level, char* buffer, unsigned short bufferSize,
                       unsigned short* entriesRead, unsigned short* totalAvailable) {
    const netmodel::CallLock locked;
    Call call{"NetShareEnum", {}, {}};
    call.Text("server", server).Number("level", static_cast<DWORD>(level)).Number("size", bufferSize);
    return Run(call, [&]() -> DWORD {
        if (level != 50) return ERROR_INVALID_LEVEL;
        if (!entriesRead || !totalAvailable || (!buffer && bufferSize)) return ERROR_INVALID_PARAMETER;
        if (!IsLocal(server)) return ERROR_BAD_NETPATH;
        const std::vector<Share> shares = ReadShares();
        *entriesRead = 0;
        *totalAvailable = static_cast<unsigned short>(shares.size());
        // Records from the front, their texts from the back.
        size_t front = 0, back = bufferSize;
        for (const Share& s : shares) {
            const size_t texts = s.path.size() + 1 + s.remark.size() + 1;
            if (front + sizeof(ShareInfo50) + texts > back) return ERROR_MORE_DATA;
            ShareInfo50 record;
            std::memset(&record, 0, sizeof record);
            CopyField(record.shi50_netname, sizeof record.shi50_netname, s.name);
            record.shi50_type = static_cast<unsigned char>(s.type);
            record.shi50_flags = static_cast<unsigned short>(s.flags);
            CopyField(record.shi50_rw_password, sizeof record.shi50_rw_password, s.fullPassword);
            CopyField(record.shi50_ro_password, sizeof record.shi50_ro_password, s.readOnlyPassword);
            back -= s.remark.size() + 1;
            std::memcpy(buffer + back, s.remark.c_str(), s.remark.size() + 1);
            record.shi50_remark = buffer + back;
            back -= s.path.size() + 1;
            std::memcpy(buffer + back, s.path.c_str(), s.path.size() + 1);
            record.shi50_path = buffer + back;
            std::memcpy(buffer + front, &record, sizeof record);
            front += sizeof record;
            ++*entriesRead;
        }
        return NERR_Success;
    });
}

unsigned WINAPI Add50(const char* server, short level, const char* buffer, unsigned short bufferSize) {
    const netmodel::CallLock locked;
    Call call{"NetShareAdd", {}, {}};
    call.Text("server", server).Number("level", static_cast<DWORD>(level)).Number("size", bufferSize);
    ShareInfo50 record;
    std::memset(&record, 0, sizeof record);
    const bool whole = buffer && bufferSize >= sizeof record;
    if (whole) {
        std::memcpy(&record, buffer, sizeof record);
        std::string name;
        FieldText(record.shi50_netname, sizeof record.shi50_netname, &name);
        call.Arg("name", name).Text("path", record.shi50_path).Hex("flags", record.shi50_flags);
    }
    return Run(call, [&]() -> DWORD {
        if (level != 50) return ERROR_INVALID_LEVEL;
        if (!whole) return ERROR_INVALID_PARAMETER;
        if (!IsLocal(server)) return ERROR_BAD_NETPATH;
        Share s;
        if (!FieldText(record.shi50_netname, sizeof record.shi50_netname, &s.name) || s.name.empty() ||
            !FieldText(record.shi50_rw_password, kPasswordLength + 1, &s.fullPassword) ||
            !FieldText(record.shi50_ro_password, kPasswordLength + 1, &s.readOnlyPassword))
            return ERROR_INVALID_PARAMETER;
        s.type = record.shi50_type;
        s.flags = record.shi50_flags;
        s.path = record.shi50_path ? record.shi50_path : "";
        s.remark = record.shi50_remark ? record.shi50_remark : "";
        if (s.type == STYPE_DISKTREE && s.path.empty()) return ERROR_INVALID_PARAMETER;
        const std::string key = ShareKey(s.name);
        if (machinereg::KeyExists(key)) return NERR_DuplicateShare;
        LONG rc = machinereg::WriteDword(key, "Flags", s.flags);
        if (rc == ERROR_SUCCESS) rc = machinereg::WriteBinary(key, "Parm1enc", EncodePassword(s.fullPassword));
        if (rc == ERROR_SUCCESS) rc = machinereg::WriteBinary(key, "Parm2enc", EncodePassword(s.readOnlyPassword));
        if (rc == ERROR_SUCCESS) rc = machinereg::WriteText(key, "Path", s.path);
        if (rc == ERROR_SUCCESS) rc = machinereg::WriteText(key, "Remark", s.remark);
        if (rc == ERROR_SUCCESS) rc = machinereg::WriteDword(key, "Type", s.type);
        return static_cast<DWORD>(rc);
    });
}

unsigned WINAPI Del50(const char* server, const char* netName, unsigned short reserved) {
    const netmodel::CallLock locked;
    Call call{"NetShareDel", {}, {}};
    call.Text("server", server).Text("name", netName);
    return Run(call, [&]() -> DWORD {
        if (!netName || !*netName || reserved != 0) return ERROR_INVALID_PARAMETER;
        if (!IsLocal(server)) return ERROR_BAD_NETPATH;
        const std::string key = ShareKey(netName);
        if (!machinereg::KeyExists(key)) return NERR_NetNameNotFound;
        return static_cast<DWORD>(machinereg::DeleteTree(key));
    });
}

}  // namespace sharemodel
