// The library on a hostile machine. An input is read as a small program
// that builds a registry below the keys the library reads (in the platform
// mode its first byte names): values of every type and odd ones, texts
// without terminators, huge texts, deep and wide trees, thousands of
// adapters, and below the keys of the identity, logon choices, drive
// connections, shares, protocols and the simulated domain. Its first byte
// also says whether a domain controller exists and whether the machine is a
// member; a later byte may make one platform call fail. Then the library is
// attached and every export is called with indexes, masks, buffer sizes and
// texts the input chooses, the writes of every family included, and
// detached.
//
// Checked on every input, besides the sanitizers: the copy-out rule of the
// string getters (0 leaves the buffer untouched; 1 writes the text and its
// NUL and nothing after them), and after the detach no key handle, private
// heap, loaded module, INF handle, Winsock start-up or security resource
// (network buffer, LSA memory or handle, service handle, token, SID, local
// block, IPC$ session) left behind. The adapter dump ("ADAPTER-DUMP.TXT")
// lands in the working directory: run it in a scratch one (scripts/fuzz.sh).
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "FuzzCheck.h"
#include "Hive.h"
#include "Library.h"
#include "Orvane.h"
#include "SimModule.h"

namespace {

// ---- Reading the input ---------------------------------------------------------

// Read from the front, or from the back: the machine is built from the
// front and the calls are read from the back, so that a short input
// reaches the exports too.
class Input {
public:
    Input(const uint8_t* data, size_t size, bool backwards = false)
        : m_data(data), m_size(size), m_backwards(backwards) {}
    bool Empty() const { return m_pos >= m_size; }
    uint8_t Byte() {
        if (m_pos >= m_size) return 0;
        const size_t at = m_backwards ? m_size - 1 - m_pos : m_pos;
        ++m_pos;
        return m_data[at];
    }
    // A number below `limit` (limit > 0).
    uint32_t Below(uint32_t limit) {
        uint32_t v = Byte();
        if (limit > 256) v = v << 8 | Byte();
        if (limit > 65536) v = v << 8 | Byte();
        return v % limit;
    }
    std::string Bytes(size_t n) {
        n = std::min(n, m_size - std::min(m_pos, m_size));
        std::string s(n, '\0');
        for (char& c : s) c = static_cast<char>(Byte());
        return s;
    }

private:
    const uint8_t* m_data;
    size_t m_size;
    bool m_backwards;
    size_t m_pos = 0;
};

template <typename T, size_t N>
const T& Pick(Input& in, const T (&items)[N]) {
    return items[in.Below(N)];
}

// ---- The machine -----------------------------------------------------------------

const char* const kKeys98[] = {
    "Enum",
    "Enum\\PCI\\VEN_1\\0",
    "Enum\\PCI\\VEN_1\\0\\Bindings",
    "Enum\\PCI\\VEN_2\\1",
    "Enum\\PCI\\VEN_2\\1\\Bindings",
    "Enum\\Network\\MSTCP\\0000",
    "Enum\\Network\\MSTCP\\0001",
    "Enum\\Network\\NETBEUI\\0000",
    "System\\CurrentControlSet\\Services\\Class\\NetTrans\\0000",
    "System\\CurrentControlSet\\Services\\Class\\NetTrans\\0001",
    "System\\CurrentControlSet\\Services\\VxD\\MSTCP",
    // The identity, logon choices, shares and protocols.
    "System\\CurrentControlSet\\Services\\VxD\\VNETSUP",
    "Network\\Logon",
    "System\\CurrentControlSet\\Services\\MSNP32\\NetworkProvider",
    "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Network",
    "System\\CurrentControlSet\\Services\\Class\\NetClient",
    "System\\CurrentControlSet\\Services\\Class\\NetClient\\0000",
    "System\\CurrentControlSet\\Services\\Class\\NetClient\\0000\\Ndi",
    "System\\CurrentControlSet\\Services\\Class\\NetClient\\0001\\Ndi",
    "System\\CurrentControlSet\\Services\\Class\\NetClient\\0001\\Ndi\\Default",
    "Software\\Microsoft\\Windows\\CurrentVersion\\Network\\Real Mode Net",
    "Software\\Microsoft\\Windows\\CurrentVersion\\Network\\LanMan\\SHARE1",
    "Software\\Microsoft\\Windows\\CurrentVersion\\Network\\LanMan\\C",
    "System\\CurrentControlSet\\Services\\Class\\NetTrans",
    "Enum\\Network\\MSTCP\\0000\\Bindings",
    "Enum\\Network\\NETBEUI\\0000\\Bindings",
    "Enum\\Network\\VREDIR\\0000",
    "Enum\\Network\\VREDIR\\0000\\Bindings",
    "Enum\\Network\\VSERVER\\0000",
    "System\\CurrentControlSet\\control\\ComputerName\\ComputerName",
    "HKCU\\Network\\Persistent\\F",
    "HKCU\\Network\\Persistent\\G",
};
const char* const kKeysNT[] = {
    "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\NetworkCards\\1",
    "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\NetworkCards\\2",
    "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\NetworkCard\\1",
    "SYSTEM\\CurrentControlSet\\Services\\E100B1\\Parameters\\Tcpip",
    "SYSTEM\\CurrentControlSet\\Services\\E100B",
    "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters",
    "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Adapters\\E100B1",
    "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces\\E100B1",
    "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces\\{1}",
    "SYSTEM\\CurrentControlSet\\Services\\NetBT\\Adapters\\E100B1",
    "SYSTEM\\CurrentControlSet\\Services\\NetBT\\Parameters",
    "SYSTEM\\CurrentControlSet\\Services\\NetBT\\Parameters\\Interfaces\\Tcpip_E100B1",
    "SYSTEM\\CurrentControlSet\\Services\\Nbf\\Linkage",
    "SYSTEM\\CurrentControlSet\\Services\\DHCP",
    // The identity, shares and the simulated domain.
    "SYSTEM\\CurrentControlSet\\Control\\ComputerName\\ComputerName",
    "SYSTEM\\CurrentControlSet\\Control\\ComputerName\\ActiveComputerName",
    "SYSTEM\\CurrentControlSet\\Control\\ProductOptions",
    "SYSTEM\\CurrentControlSet\\Services\\LanmanServer\\Shares",
    "SYSTEM\\CurrentControlSet\\Services\\LanmanServer\\Parameters",
    "SYSTEM\\CurrentControlSet\\Services\\Netlogon",
    "SOFTWARE\\OrvaneSim\\Lsa",
    "SOFTWARE\\OrvaneSim\\Lsa\\Secrets\\$MACHINE.ACC",
    "SOFTWARE\\OrvaneSim\\Lsa\\TrustedDomains\\S-1-5-21-1-2-3",
    "SOFTWARE\\OrvaneSim\\DomainControllers\\CORP",
    "SOFTWARE\\OrvaneSim\\ServiceState",
    "HKCU\\Network\\F",
    "HKCU\\Network\\Z",
};
const char* const kNames[] = {
    "Class", "DeviceDesc", "Driver", "IPAddress", "IPMask", "SubnetMask", "DefaultGateway", "NameServer",
    "NameServer1", "NameServer2", "NameServerBackup", "NameServerList", "NodeType", "FWCODE", "ScopeID",
    "HostName", "Domain", "NV HostName", "NV Domain", "LMHostFile", "EnableDNS", "SearchList", "ServiceName",
    "Hidden", "Description", "Title", "ProductName", "IpConfig", "Bind", "NetbiosOptions", "Start",
    "CSConfigFlags", "MSTCP\\0000", "MSTCP\\0001", "NETBEUI\\0000", "NWIP\\0000", "FWTDI\\0001", "MSTCP\\", "",
    "ComputerName", "Workgroup", "Comment", "LMLogon", "LogonDisconnected", "PrimaryProvider",
    "AuthenticatingAgent", "DisablePwdCaching", "DriverDesc", "DeviceID", "NetworkProvider", "ProviderName",
    "RemotePath", "UserName", "ConnectionType", "ProviderType", "Flags", "Parm1enc", "Parm2enc", "Path", "Remark",
    "Type", "MasterCopy", "CompatibleIDs", "ConfigFlags", "Mfg", "Hostname", "NV Hostname", "ProductType",
    "PrimaryDomainName", "PrimaryDomainSid", "AccountDomainSid", "ServerRole", "CurrentValue", "Netlogon",
    "srvcomment", "preferredredir", "SHARE1", "C$", "VREDIR\\0000", "VSERVER\\0000", "Domain", "Dc", "Sid",
    "Admin", "Password",
};
const char* const kTexts[] = {
    "Net", "net", "NetTrans\\0000", "NetTrans\\0001", "0.0.0.0", "10.1.2.3", "10.1.2.3,10.1.2.4",
    "255.255.255.0", "10.100.200.1,10.100.200.2", "1.1.1.1 2.2.2.2", ",", ",,x", "8", "1", "88", "FW1 Adapter",
    "E100B1", "Tcpip\\Parameters\\Interfaces\\{1}", "\\Device\\Nbf_E100B1", "123456789012345", "1234567890123456",
    "CORP", "WORKGROUP", "CORPDC", "S-1-5-21-1-2-3", "S-1-5-21-", "Client for Microsoft Networks",
    "Microsoft Network", "Microsoft Windows Network", "Windows Logon", "VREDIR", "VSERVER", "VREDIR\\0000",
    "VSERVER\\0000", "NetClient\\0000", "Path=C:\\", "Remark=x", "Type=0", "MaxUses=4294967295",
    "\\\\SERVER\\share", "C:\\", "F:", "LanmanNT", "ServerNT", "WinNT", "Backup", "Administrator",
};
const DWORD kTypes[] = {REG_SZ, REG_SZ, REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ, REG_MULTI_SZ, REG_DWORD,
                        REG_BINARY, REG_NONE, REG_LINK, REG_DWORD_BIG_ENDIAN, REG_RESOURCE_LIST, 0xFFFFFFFF, 11};

sim::hive::Key* Root(HKEY root) { return sim::hive::FindRoot(root)->key.get(); }

// A key of the lists above: below HKEY_CURRENT_USER when it says so, else
// below HKEY_LOCAL_MACHINE.
std::pair<sim::hive::Key*, std::string> Place(const char* listed) {
    if (std::strncmp(listed, "HKCU\\", 5) == 0) return {Root(HKEY_CURRENT_USER), listed + 5};
    return {Root(HKEY_LOCAL_MACHINE), listed};
}

int g_hugeTexts = 0;

std::string Data(Input& in) {
    std::string data;
    uint32_t kind = in.Below(6);
    if (kind == 2 && ++g_hugeTexts > 2) kind = 0;
    switch (kind) {
        case 0: data = Pick(in, kTexts); break;
        case 1: data = in.Bytes(in.Below(40)); break;
        case 2: {  // a huge text
            const std::string_view piece = Pick(in, kTexts);
            const size_t length = 300 + in.Below(70000);
            data.reserve(length + piece.size() + 1);
            while (data.size() < length) data.append(piece).push_back(',');
            break;
        }
        case 3:  // a list of texts
            for (uint32_t n = in.Below(14); n > 0; --n) data += std::string(Pick(in, kTexts)) + '\0';
            break;
        case 4: data.assign(in.Below(5), char(in.Byte())); break;
        default: data = std::string(Pick(in, kTexts)) + '\0'; break;
    }
    // Terminators as the input wants them: none, one or two.
    for (uint32_t nul = in.Below(3); nul > 0; --nul) data += '\0';
    return data;
}

void SetValue(sim::hive::Key* key, const std::string& name, DWORD type, const std::string& data) {
    key->SetValue(name, type, reinterpret_cast<const BYTE*>(data.data()), data.size());
}

// A Windows 95/98 adapter, or an NT card, complete enough to be found and read.
void Adapter(bool nt, unsigned n, const std::string& address) {
    sim::hive::Key* hklm = Root(HKEY_LOCAL_MACHINE);
    char number[16];
    std::snprintf(number, sizeof number, "%04u", n % 10000);
    const std::string z = std::string(address) + '\0';
    if (!nt) {
        const std::string device = "Enum\\PCI\\VEN_F\\" + std::to_string(n);
        SetValue(sim::hive::Create(hklm, device), "Class", REG_SZ, std::string("Net", 4));
        SetValue(sim::hive::Create(hklm, device + "\\Bindings"), std::string("MSTCP\\") + number, REG_SZ, std::string(1, '\0'));
        SetValue(sim::hive::Create(hklm, std::string("Enum\\Network\\MSTCP\\") + number), "Driver", REG_SZ,
                 std::string("NetTrans\\") + number + '\0');
        SetValue(sim::hive::Create(hklm, std::string("System\\CurrentControlSet\\Services\\Class\\NetTrans\\") + number),
                 "IPAddress", REG_SZ, z);
        return;
    }
    const std::string service = "Card" + std::to_string(n);
    sim::hive::Key* card = sim::hive::Create(hklm, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\NetworkCards\\" + std::to_string(n));
    SetValue(card, "ServiceName", REG_SZ, service + '\0');
    SetValue(sim::hive::Create(hklm, "SYSTEM\\CurrentControlSet\\Services\\" + service + "\\Parameters\\Tcpip"),
             "IPAddress", REG_MULTI_SZ, z + '\0');
    SetValue(sim::hive::Create(hklm, "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Adapters\\" + service),
             "IpConfig", REG_MULTI_SZ, "Tcpip\\Parameters\\Interfaces\\" + service + '\0' + '\0');
    SetValue(sim::hive::Create(hklm, "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces\\" + service),
             "IPAddress", REG_MULTI_SZ, z + '\0');
}

void Text(sim::hive::Key* root, const std::string& path, const char* name, const std::string& text,
          DWORD type = REG_SZ) {
    SetValue(sim::hive::Create(root, path), name, type, text + '\0');
}

// What every machine starts from besides the adapters, so that most inputs
// reach the identity's reads and writes: a name and workgroup, on Windows
// 95/98 a network client as a logon choice bound to TCP/IP and its primary
// logon, a disk share, and a persistent drive connection of the user.
void Identity(bool nt) {
    sim::hive::Key* hklm = Root(HKEY_LOCAL_MACHINE);
    sim::hive::Key* hkcu = Root(HKEY_CURRENT_USER);
    if (!nt) {
        const std::string vnetsup = "System\\CurrentControlSet\\Services\\VxD\\VNETSUP";
        Text(hklm, vnetsup, "ComputerName", "WS01");
        Text(hklm, vnetsup, "Workgroup", "WORKGROUP");
        const std::string client = "System\\CurrentControlSet\\Services\\Class\\NetClient\\0000";
        Text(hklm, client, "DriverDesc", "Client for Microsoft Networks");
        Text(hklm, client + "\\Ndi", "DeviceID", "VREDIR");
        Text(hklm, client + "\\Ndi", "NetworkProvider", "Microsoft Network");
        Text(hklm, "Enum\\Network\\VREDIR\\0000", "Driver", "NetClient\\0000");
        Text(hklm, "Enum\\Network\\MSTCP\\0000\\Bindings", "VREDIR\\0000", "");
        Text(hklm, "Network\\Logon", "PrimaryProvider", "Microsoft Network");
        Text(hklm, "Software\\Microsoft\\Windows\\CurrentVersion\\Network\\LanMan\\SHARE1", "Path", "C:\\");
        Text(hkcu, "Network\\Persistent\\F", "RemotePath", "\\\\SERVER\\share");
        Text(hkcu, "Network\\Persistent\\F", "ProviderName", "Microsoft Network");
        return;
    }
    Text(hklm, "SYSTEM\\CurrentControlSet\\Control\\ComputerName\\ComputerName", "ComputerName", "WS01");
    static const char share[] = "MaxUses=4294967295\0Path=C:\\\0Permissions=0\0Remark=\0Type=0\0";
    Text(hklm, "SYSTEM\\CurrentControlSet\\Services\\LanmanServer\\Shares", "SHARE1",
         std::string(share, sizeof share - 1), REG_MULTI_SZ);
    Text(hkcu, "Network\\F", "RemotePath", "\\\\SERVER\\share");
    Text(hkcu, "Network\\F", "ProviderName", "Microsoft Windows Network");
}

// A machine stays small: a few dozen keys per shape, at most two huge texts
// per input, so that an input runs in about a millisecond. The big shapes
// (a tree 512 levels deep, a key with thousands of subkeys, thousands of
// adapters) come with a byte 0xFF after the shape's code, and only in a
// campaign of their own (ORVANE_FUZZ_BIG=1): libFuzzer finds that byte at
// once, and a corpus full of them would run a hundred times slower. The
// seed corpus holds one input of each; the smoke run runs them.
void BuildMachine(Input& in, bool nt) {
    // Two adapters to start from, so most inputs reach the reads that matter.
    Adapter(nt, 0, "10.0.0.1");
    Adapter(nt, 1, "0.0.0.0");
    Identity(nt);
    bool bigShapeMade = false;
    for (int op = 0; op < 16 && !in.Empty(); ++op) {
        const auto [root, key] = Place(nt ? Pick(in, kKeysNT) : Pick(in, kKeys98));
        uint32_t kind = in.Below(10);
        bool big = false;
        if (kind <= 2) {
            static const bool bigAllowed = std::getenv("ORVANE_FUZZ_BIG") != nullptr;
            big = in.Byte() == 0xFF && !bigShapeMade && bigAllowed;
            bigShapeMade = bigShapeMade || big;
        }
        switch (kind) {
            case 0: {  // a tree as deep as the platform allows, with a value at the bottom
                std::string path = key;
                const size_t depth = sim::hive::PathDepth(path);
                const uint32_t more = big ? 400 + in.Below(200) : in.Below(24);
                for (uint32_t k = 0; k < more && depth + k < sim::hive::kMaxDepth; ++k) path += "\\d";
                SetValue(sim::hive::Create(root, path), Pick(in, kNames), Pick(in, kTypes), Data(in));
                break;
            }
            case 1: {  // a wide key
                sim::hive::Key* parent = sim::hive::Create(root, key);
                const uint32_t width = big ? 1000 + in.Below(3000) : in.Below(16);
                const bool adapters = in.Byte() & 1;
                for (uint32_t k = 0; k < width; ++k) {
                    sim::hive::Key* child = parent->AddChild("w" + std::to_string(k), sim::hive::SubkeyPlacement());
                    if (adapters && child) SetValue(child, nt ? "ServiceName" : "Class", REG_SZ, nt ? "E100B1" : "Net");
                }
                break;
            }
            case 2: {  // many adapters
                const uint32_t count = big ? 1000 + in.Below(1000) : in.Below(6);
                for (uint32_t k = 0; k < count; ++k) Adapter(nt, 2 + k, Pick(in, kTexts));
                break;
            }
            case 3:  // a key gone
                if (sim::hive::Key* k = sim::hive::Find(root, key); k && k->parent) k->parent->RemoveChild(k->name);
                break;
            case 4:  // the Windows 95/98 enabled state below HKEY_CURRENT_CONFIG
                SetValue(sim::hive::Create(Root(HKEY_CURRENT_CONFIG), key), "CSConfigFlags", Pick(in, kTypes), Data(in));
                break;
            default:
                SetValue(sim::hive::Create(root, key), in.Byte() & 0x80 ? in.Bytes(in.Below(8)) : Pick(in, kNames),
                         Pick(in, kTypes), Data(in));
                break;
        }
    }
}

// ---- The exports ------------------------------------------------------------------

constexpr size_t kBuffer = 4096;
constexpr char kFill = '\x5A';

struct Call {
    DWORD index;
    DWORD index2;
    DWORD index3;  // the service mask of the protocol exports
    char* buffer;
    DWORD size;
    const char* text;
    DWORD* reason;
};

template <typename T>
T Argument(const Call& c, size_t position, bool afterBuffer) {
    if constexpr (std::is_same_v<T, LPSTR>) {
        return c.buffer;
    } else if constexpr (std::is_same_v<T, LPCSTR>) {
        return c.text;
    } else if constexpr (std::is_same_v<T, LPDWORD>) {
        return c.reason;
    } else {
        static_assert(std::is_same_v<T, DWORD>, "exports take DWORDs and pointers only");
        return afterBuffer ? c.size : position == 0 ? c.index : position == 1 ? c.index2 : c.index3;
    }
}

template <typename R, typename... A, size_t... I>
long long InvokeWith(R(WINAPI* fn)(A...), const Call& c, std::index_sequence<I...>) {
    constexpr bool afterBuffer[] = {false, std::is_same_v<A, LPSTR>...};
    if constexpr (std::is_void_v<R>) {
        fn(Argument<A>(c, I, afterBuffer[I])...);
        return -1;
    } else {
        return fn(Argument<A>(c, I, afterBuffer[I])...);
    }
}

template <typename R, typename... A>
constexpr bool TakesBuffer(R(WINAPI*)(A...)) {
    return (std::is_same_v<A, LPSTR> || ...);
}

struct Export {
    const char* name;
    bool copyOut;
    bool write;
    bool protocol;
    long long (*call)(const Call&);
};

// The protocol exports change the registry at once; they are among the
// calls the input chooses, not repeated at the end with masks of 0 (which
// cost a discovery each and do nothing).
#define ORVANE_FUZZ_ENTRY(family, result, name, argc, params)                                                   \
    {#name, TakesBuffer(&::name), std::strstr(#name, "WriteData") != nullptr,                                  \
     std::strcmp(#family, "Protocol") == 0,                                                                    \
     [](const Call& c) { return InvokeWith(&::name, c, std::make_index_sequence<argc>{}); }},
const Export kExports[] = {ORVANE_EXPORTS(ORVANE_FUZZ_ENTRY)};
#undef ORVANE_FUZZ_ENTRY
constexpr size_t kExportCount = sizeof kExports / sizeof kExports[0];

// A protocol export discovers the adapters afresh and may install from the
// INF: it costs ten times a getter. A family's write costs as much or more:
// on NT 4.0 the identity write may run the 16 steps of a domain join, and
// inputs that wrote forty times were a hundred times the median input. An
// input makes at most four of each (the calls beyond still read their
// bytes, so the input reads the same), which keeps an input near a
// millisecond as the limit on huge texts does.
constexpr int kMaxProtocolCalls = 4;
constexpr int kMaxWriteCalls = 4;

const DWORD kIndexes[] = {0, 1, 2, 9, 10, 15, 16, 17, 31, 32, 0x7FFFFFFF, 0xFFFFFFFF};
const DWORD kSizes[] = {0, 1, 2, 7, 15, 16, 17, 255, 256, 260, kBuffer, 0xFFFFFFFF};

void CallExports(Input& in) {
    static std::vector<char> buffer(kBuffer + 64);
    // Compared with memcmp: a byte loop under the sanitizers cost as much
    // as the call it checks.
    static const std::vector<char> untouched(buffer.size(), kFill);
    static const std::string huge(70000, '7');
    DWORD reason = 0xDEADBEEF;
    auto callOne = [&](const Export& e, Call c) {
        std::memset(buffer.data(), kFill, buffer.size());
        const long long rc = e.call(c);
        if (!e.copyOut || !c.buffer) return;
        if (rc != 0 && rc != 1) fuzz::Finding(std::string(e.name) + " answered " + std::to_string(rc));
        if (rc == 0) {
            if (std::memcmp(buffer.data(), untouched.data(), buffer.size()) != 0)
                fuzz::Finding(std::string(e.name) + " answered 0 and wrote into the buffer");
            return;
        }
        const size_t length = strnlen(buffer.data(), buffer.size());
        if (length >= buffer.size() || length + 1 > c.size) fuzz::Finding(std::string(e.name) + " wrote past the size given");
        if (std::memcmp(buffer.data() + length + 1, untouched.data(), buffer.size() - length - 1) != 0)
            fuzz::Finding(std::string(e.name) + " wrote after the terminator");
    };
    int protocolCalls = 0, writeCalls = 0;
    for (int n = 0; n < 64 && !in.Empty(); ++n) {
        const Export& e = kExports[in.Below(kExportCount)];
        Call c{};
        c.index = in.Byte() & 0x80 ? in.Below(20) : Pick(in, kIndexes);
        c.index2 = in.Byte() & 0x80 ? in.Below(20) : Pick(in, kIndexes);
        c.index3 = in.Byte() & 0x80 ? in.Below(20) : Pick(in, kIndexes);
        c.buffer = in.Byte() == 0 ? nullptr : buffer.data();
        c.size = Pick(in, kSizes);
        // The size claims no more than the buffer holds, unless the input
        // asks for a claim beyond it (0xFFFFFFFF, as a careless host passes).
        if (c.size > kBuffer && c.size != 0xFFFFFFFF) c.size = kBuffer;
        switch (in.Below(5)) {
            case 0: c.text = nullptr; break;
            case 1: c.text = huge.c_str(); break;
            case 2: c.text = Pick(in, kTexts); break;
            default: {
                static std::string text;
                text = in.Bytes(in.Below(24));
                c.text = text.c_str();
                break;
            }
        }
        c.reason = in.Byte() & 1 ? &reason : nullptr;
        if (e.protocol && ++protocolCalls > kMaxProtocolCalls) continue;
        if (e.write && ++writeCalls > kMaxWriteCalls) continue;
        callOne(e, c);
    }
    // Every family's write, whatever the calls before did.
    for (const Export& e : kExports) {
        if (e.write) callOne(e, Call{0, 0, 0, buffer.data(), 16, "x", &reason});
    }
}

// ---- The platform around the machine --------------------------------------------------

std::string ReadBundledInf(const char* name) {
    std::ifstream file(sim::InfDirectory() + "/" + name, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (text.empty()) fuzz::Finding(std::string("no ") + name + " in " + sim::InfDirectory());
    return text;
}

// On NT the first byte also says whether the domain CORP has a controller
// (0x80) and whether the machine is its member (0x08), so that the domain
// classes' joins, leaves and look-ups all run.
void Domain(uint8_t head) {
    if (head & 0x80) {
        sim::DomainController dc;
        dc.domain = "CORP";
        dc.name = "CORPDC";
        dc.sid = "S-1-5-21-1-2-3";
        dc.adminPassword = "secret";
        dc.callerIsAdmin = (head & 0x04) != 0;
        sim::AddDomainController(dc);
    }
    if (head & 0x08) sim::SetPrimaryDomain("CORP", "S-1-5-21-1-2-3");
}

// A byte below 24 makes one platform call fail, the nth from its first.
// Answers the function made to fail, or an empty view.
std::string_view InjectFailure(Input& in) {
    static const char* const functions[] = {
        "NetJoinDomain", "NetUnjoinDomain", "NetGetJoinInformation", "NetGetDCName", "NetUseAdd", "NetUseDel",
        "NetUserAdd", "NetUserDel", "NetUserGetInfo", "NetUserModalsGet", "NetShareEnum", "NetShareAdd",
        "NetShareDel", "NetServerGetInfo", "LsaOpenPolicy", "LsaQueryInformationPolicy",
        "LsaSetInformationPolicy", "LsaStorePrivateData", "OpenSCManagerW", "OpenServiceW",
        "ChangeServiceConfigW", "OpenProcessToken", "AdjustTokenPrivileges", "AllocateAndInitializeSid",
    };
    const uint8_t choice = in.Byte();
    if (choice >= sizeof functions / sizeof functions[0]) return {};
    // The LSA answers NTSTATUS codes, the others Win32 or network ones.
    const bool lsa = std::strncmp(functions[choice], "Lsa", 3) == 0;
    sim::FailCall(functions[choice], lsa ? 0xC0000022 : ERROR_ACCESS_DENIED, 1 + in.Below(4));
    return functions[choice];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    Input in(data, size);
    const uint8_t head = in.Byte();
    const sim::Platform mode = fuzz::ModeOf(head);
    sim::Reset();
    sim::SetPlatform(mode);
    g_hugeTexts = 0;
    // The dial-up and Winsock versions decide where Windows 95/98 keeps WINS.
    if (head & 0x10) sim::SetFileVersion("C:\\WINDOWS\\System\\rasapi32.dll", 4, 10, 0, head & 0x20 ? 1903 : 1500);
    if (head & 0x40) sim::SetWinsockHighVersion(0x0101);
    const bool nt = mode != sim::Platform::Win98;
    BuildMachine(in, nt);
    // The protocol installs read the INF folder: one copy for the whole run.
    static const std::string nettrans = ReadBundledInf("NETTRANS.INF");
    sim::SetInfDirectory("");
    sim::AddInfFile("NETTRANS.INF", nettrans);
    if (nt) Domain(head);
    const std::string_view failed = InjectFailure(in);
    orvane::InstallSimModule();
    HMODULE library = LoadLibraryA("Orvane.dll");
    if (!library) fuzz::Finding("the library did not load");
    Input calls(data + 1, size - 1, true);
    CallExports(calls);
    FreeLibrary(library);
    if (g_library.attachCount != 0) fuzz::Finding("the attach count is not 0 after the last detach");
    if (sim::OpenKeyHandles() != 0) fuzz::Finding("key handles left open");
    if (sim::LiveHeaps() != 0) fuzz::Finding("private heaps left");
    if (sim::TotalLoadCount() != 0) fuzz::Finding("modules left loaded");
    if (sim::OpenInfHandles() != 0) fuzz::Finding("INF handles left open");
    if (sim::WinsockOpenStartups() != 0) fuzz::Finding("Winsock started and not cleaned up");
    sim::SecurityResources left = sim::LiveSecurityResources();
    // A session whose NetUseDel the machine refused stays open, as it would
    // on Windows: the library asked to close it.
    if (failed == "NetUseDel") left.ipcSessions = 0;
    if (left != sim::SecurityResources{}) fuzz::Finding("security resources left: " + sim::Describe(left));
    return 0;
}
