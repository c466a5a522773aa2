// The machine of the attach benchmark, the same natively and under Wine:
// about 5,000 keys and 20,000 values below HKLM\Enum, the device tree of a
// well-used Windows 98 installation, with 16 network adapters among them,
// each bound to TCP/IP (and every other one to NetBEUI), and their protocol
// and TCP/IP class keys. A sink receives each key (a path below
// HKEY_LOCAL_MACHINE) and then its text values, in order.
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace attach_bench {

const char* const kBuses[] = {"PCI", "ISAPNP", "ROOT", "BIOS", "MONITOR", "SCSI", "USB", "HTREE", "ESDI", "FLOP"};
const int kDevicesPerBus = 20;
const int kInstancesPerDevice = 24;
const int kAdapters = 16;

inline std::string Hex4(int n) {
    char b[16];
    std::snprintf(b, sizeof b, "%04X", unsigned(n));
    return b;
}

inline std::string Num4(int n) {
    char b[16];
    std::snprintf(b, sizeof b, "%04d", n);
    return b;
}

// Sink: Key(path), Value(name, text). The adapters are spread over the
// buses so the walk meets them throughout the tree.
template <typename Sink>
void BuildMachine(Sink& sink) {
    int adapter = 0;
    sink.Key("Enum");
    for (const char* bus : kBuses) {
        sink.Key(std::string("Enum\\") + bus);
        for (int d = 0; d < kDevicesPerBus; ++d) {
            const std::string device = std::string("Enum\\") + bus + "\\VEN_" + Hex4(0x1000 + d) + "&DEV_" + Hex4(d);
            sink.Key(device);
            for (int i = 0; i < kInstancesPerDevice; ++i) {
                const std::string instance = device + "\\BUS_00&DEV_" + Num4(i) + "&FUNC_00";
                // One adapter in every 30 instances, up to 16.
                const bool isAdapter = adapter < kAdapters && (d * kInstancesPerDevice + i) % 30 == 7;
                sink.Key(instance);
                sink.Value("Class", isAdapter ? "Net" : (i % 3 ? "System" : "Display"));
                sink.Value("DeviceDesc", isAdapter ? "Network Card " + std::to_string(adapter) : "Device " + Num4(i));
                sink.Value("HardwareID", std::string(bus) + "\\VEN_" + Hex4(0x1000 + d) + "&DEV_" + Hex4(d));
                sink.Value("Mfg", "Manufacturer " + std::to_string(d));
                if (!isAdapter) continue;
                sink.Key(instance + "\\Bindings");
                sink.Value("MSTCP\\" + Num4(adapter), "");
                if (adapter % 2 == 0) sink.Value("NETBEUI\\" + Num4(adapter), "");
                sink.Key("Enum\\Network\\MSTCP\\" + Num4(adapter));
                sink.Value("Driver", "NetTrans\\" + Num4(adapter));
                sink.Key("System\\CurrentControlSet\\Services\\Class\\NetTrans\\" + Num4(adapter));
                sink.Value("IPAddress", "10.0." + std::to_string(adapter) + ".10,10.1." + std::to_string(adapter) + ".10");
                sink.Value("IPMask", "255.255.255.0,255.255.0.0");
                sink.Value("DefaultGateway", "10.0." + std::to_string(adapter) + ".1");
                sink.Value("NodeType", "8");
                sink.Value("NameServer1", "10.0.0.5");
                ++adapter;
            }
        }
    }
}

// The bare enumeration: the calls the registry layer makes, with nothing
// around them, one name and one data buffer for the whole walk.
struct Counts {
    long keys = 0;
    long values = 0;
};

inline void BareWalk(HKEY key, std::vector<char>& name, std::vector<BYTE>& data, Counts& counts) {
    DWORD subkeys = 0, longestSubkey = 0, values = 0, longestName = 0, longestData = 0;
    if (RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, &longestSubkey, nullptr, &values, &longestName,
                         &longestData, nullptr, nullptr) != ERROR_SUCCESS)
        return;
    ++counts.keys;
    if (name.size() < size_t(longestName) + 1) name.resize(size_t(longestName) + 1);
    if (data.size() < longestData) data.resize(longestData);
    for (DWORD index = 0;; ++index) {
        DWORD nameSize = DWORD(name.size()), dataSize = DWORD(data.size()), type = 0;
        const LONG rc = RegEnumValueA(key, index, name.data(), &nameSize, nullptr, &type, data.data(), &dataSize);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        if (rc == ERROR_SUCCESS) ++counts.values;
    }
    std::vector<char> subkeyName(size_t(longestSubkey) + 1);
    for (DWORD index = 0;; ++index) {
        const LONG rc = RegEnumKeyA(key, index, subkeyName.data(), DWORD(subkeyName.size()));
        if (rc == ERROR_NO_MORE_ITEMS) break;
        if (rc != ERROR_SUCCESS) continue;
        HKEY child = nullptr;
        if (RegOpenKeyExA(key, subkeyName.data(), 0, KEY_READ, &child) != ERROR_SUCCESS) continue;
        BareWalk(child, name, data, counts);
        RegCloseKey(child);
    }
}

inline void BareTree(const char* path, Counts& counts) {
    HKEY root = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &root) != ERROR_SUCCESS) return;
    std::vector<char> name;
    std::vector<BYTE> data;
    BareWalk(root, name, data, counts);
    RegCloseKey(root);
}

}  // namespace attach_bench
