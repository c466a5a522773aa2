#!/usr/bin/env python3
"""Writes the sample machines examples/win98.reg, examples/nt4.reg and
examples/win2000.reg from the compact descriptions below.

The output is the canonical form of the simulated registry's exporter, so a
file imported and exported again comes back byte for byte: CR LF line ends;
every key on its own line, intermediate keys included; roots in the order
HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER, HKEY_CURRENT_CONFIG; subkeys sorted as
NT keeps them (names compared upper-cased), an order a Windows 98 machine can
have too, so a sample reads back in its order in every platform mode; values
in one creation order, sorted by their lower-cased names, except in keys
given as InOrder (the order the library itself creates them in, so that a
write that makes such a key again leaves it as it was); hex lists broken
where regedit breaks them.

    scripts/make_examples.py            write the three files
    scripts/make_examples.py --check    exit 1 when a file differs from what
                                        this script would write

examples/README.md describes what is on each machine; keep it in step.
"""
import argparse
import os
import sys

HEADER4 = "REGEDIT4"
HEADER5 = "Windows Registry Editor Version 5.00"
NL = "\r\n"
WRAP_COLUMN = 77  # regedit breaks a hex list after the comma that reaches it
ROOTS = ["HKEY_LOCAL_MACHINE", "HKEY_CURRENT_USER", "HKEY_CURRENT_CONFIG"]

REG_SZ, REG_EXPAND_SZ, REG_BINARY, REG_DWORD, REG_MULTI_SZ = 1, 2, 3, 4, 7


class Dword:
    def __init__(self, number):
        self.number = number


class Binary:
    def __init__(self, *data):
        self.data = bytes(data)


class Multi:
    def __init__(self, *items):
        self.items = items


class Expand:
    def __init__(self, text):
        self.text = text


class InOrder(list):
    """Values of a key written in the order given rather than sorted."""


def encode(value):
    """(type, bytes) of a value as the registry holds it, or (REG_SZ, text)."""
    if isinstance(value, str):
        return REG_SZ, value
    if isinstance(value, Dword):
        return REG_DWORD, value.number
    if isinstance(value, Binary):
        return REG_BINARY, value.data
    if isinstance(value, Multi):
        data = b"".join(item.encode("cp1252") + b"\0" for item in value.items) + b"\0"
        return REG_MULTI_SZ, data
    if isinstance(value, Expand):
        return REG_EXPAND_SZ, value.text.encode("cp1252") + b"\0"
    raise TypeError(f"unknown value {value!r}")


def escape(text):
    return text.replace("\\", "\\\\").replace('"', '\\"')


def value_line(name, value, header):
    line = "@=" if name == "" else f'"{escape(name)}"='
    kind, data = encode(value)
    if kind == REG_SZ:
        return line + f'"{escape(data)}"'
    if kind == REG_DWORD:
        return line + f"dword:{data:08x}"
    line += "hex:" if kind == REG_BINARY else f"hex({kind:x}):"
    if header == HEADER5 and kind in (REG_EXPAND_SZ, REG_MULTI_SZ):
        # regedit 5 writes these two types as UTF-16LE.
        data = data.decode("cp1252").encode("utf-16-le")
    line_start = 0
    for i, byte in enumerate(data):
        line += f"{byte:02x}"
        if i + 1 == len(data):
            break
        line += ","
        if len(line) - line_start >= WRAP_COLUMN:
            line += "\\" + NL + "  "
            line_start = len(line) - 2
    return line


class Key:
    def __init__(self, name):
        self.name = name
        self.children = {}  # lower-cased name -> Key
        self.values = []  # (name, value); written sorted by lower-cased name
        self.in_order = False  # written as given instead

    def child(self, name):
        # Sorting by str.upper() matches NT's order only for ASCII.
        if not name.isascii():
            raise ValueError(f"key name {name!r} is not ASCII")
        key = self.children.get(name.lower())
        if key is None:
            key = self.children[name.lower()] = Key(name)
        elif key.name != name:
            raise ValueError(f"key {name} also spelt {key.name}")
        return key


def build(keys):
    roots = {root: Key(root) for root in ROOTS}
    for path, values in keys:
        root, _, rest = path.partition("\\")
        key = roots[root]
        for part in rest.split("\\"):
            key = key.child(part)
        seen = {name.upper() for name, _ in key.values}
        key.in_order = key.in_order or isinstance(values, InOrder)
        for name, value in values:
            if name.upper() in seen:
                raise ValueError(f"value {name} twice in {path}")
            seen.add(name.upper())
            key.values.append((name, value))
    return roots


def render(header, keys):
    out = [header + NL + NL]

    def walk(key, full):
        out.append(f"[{full}]" + NL)
        values = key.values if key.in_order else sorted(key.values, key=lambda nv: nv[0].lower())
        for name, value in values:
            out.append(value_line(name, value, header) + NL)
        out.append(NL)
        for child in sorted(key.children.values(), key=lambda k: k.name.upper()):
            walk(child, full + "\\" + child.name)

    roots = build(keys)
    for root in ROOTS:
        for child in sorted(roots[root].children.values(), key=lambda k: k.name.upper()):
            walk(child, root + "\\" + child.name)
    return "".join(out).encode("cp1252")


HKLM = "HKEY_LOCAL_MACHINE\\"
HKCU = "HKEY_CURRENT_USER\\"
HKCC = "HKEY_CURRENT_CONFIG\\"

# ---- Windows 98 ------------------------------------------------------------------
# Adapters in walk order: the 3Com card (static, NetBEUI), the Intel card (DHCP,
# IPX/SPX for the NetWare client), the dial-up adapter (DHCP from the remote
# server). No "ScopeID" in the MSTCP key, so adapters without WINS values of
# their own get their WINS configuration from DHCP.

W98_3COM = "PCI\\VEN_10B7&DEV_9055&SUBSYS_905510B7&REV_24"
W98_3COM_DEV = W98_3COM + "\\BUS_00&DEV_0A&FUNC_00"
W98_INTEL = "PCI\\VEN_8086&DEV_1229&SUBSYS_00098086&REV_08"
W98_INTEL_DEV = W98_INTEL + "\\BUS_00&DEV_0B&FUNC_00"
W98_BRIDGE = "PCI\\VEN_8086&DEV_7110&SUBSYS_00000000&REV_02"
W98_BRIDGE_DEV = W98_BRIDGE + "\\BUS_00&DEV_07&FUNC_00"
W98_CLASS = HKLM + "System\\CurrentControlSet\\Services\\Class\\"


def hardware_ids(device):
    """The hardware id list Windows 98 keeps for a PCI device, the exact one first."""
    ven, dev, subsys, rev = device.split("&")
    base = f"{ven}&{dev}"
    return ",".join([f"{base}&{subsys}&{rev}", f"{base}&{subsys}", f"{base}&{rev}", base])


def w98_component(kind, instance, klass, driver, desc, compatible, bindings=()):
    """An instance of a network component below Enum\\Network."""
    path = f"{HKLM}Enum\\Network\\{kind}\\{instance}"
    # A protocol instance is its own master copy; every instance of a client
    # or a service names the first one.
    master = instance if klass == "NetTrans" else "0000"
    return [
        (
            path,
            [
                ("Class", klass),
                ("Driver", driver),
                ("MasterCopy", f"Enum\\Network\\{kind}\\{master}"),
                ("DeviceDesc", desc),
                ("CompatibleIDs", compatible),
                ("Mfg", "Microsoft"),
                ("ConfigFlags", Binary(0x10, 0, 0, 0)),
            ],
        ),
        (path + "\\Bindings", [(binding, "") for binding in bindings]),
    ]


def w98_mstcp(instance, driver, bindings):
    return w98_component("MSTCP", instance, "NetTrans", driver, "TCP/IP", "MSTCP", bindings)


def w98_vredir(instance):
    return w98_component(
        "VREDIR", instance, "NetClient", "NetClient\\0000", "Client for Microsoft Networks", "VREDIR"
    )


def w98_vserver(instance):
    return w98_component(
        "VSERVER",
        instance,
        "NetService",
        "NetService\\0000",
        "File and printer sharing for Microsoft Networks",
        "VSERVER",
    )


def w98_tcpip_class(instance, settings):
    return (
        f"{W98_CLASS}NetTrans\\{instance}",
        [("DriverDesc", "TCP/IP"), ("InfPath", "NETTRANS.INF"), ("InfSection", "MSTCP.ndi")] + settings,
    )


WIN98 = (
    [
        # Hardware.
        (
            f"{HKLM}Enum\\{W98_3COM_DEV}",
            [
                ("Class", "Net"),
                ("DeviceDesc", "3Com Fast EtherLink XL 10/100Mb TX Ethernet NIC (3C905B-TX)"),
                ("Driver", "Net\\0000"),
                ("Mfg", "3Com"),
                ("HardwareID", hardware_ids(W98_3COM)),
                ("ConfigFlags", Binary(0, 0, 0, 0)),
            ],
        ),
        (f"{HKLM}Enum\\{W98_3COM_DEV}\\Bindings", [("MSTCP\\0000", ""), ("NETBEUI\\0000", "")]),
        (
            f"{HKLM}Enum\\{W98_INTEL_DEV}",
            [
                ("Class", "Net"),
                ("DeviceDesc", "Intel 8255x-based PCI Ethernet Adapter (10/100)"),
                ("Driver", "Net\\0001"),
                ("Mfg", "Intel"),
                ("HardwareID", hardware_ids(W98_INTEL)),
                ("ConfigFlags", Binary(0, 0, 0, 0)),
            ],
        ),
        (f"{HKLM}Enum\\{W98_INTEL_DEV}\\Bindings", [("MSTCP\\0001", ""), ("NWLINK\\0000", "")]),
        # A device of another class, which the adapter search passes over.
        (
            f"{HKLM}Enum\\{W98_BRIDGE_DEV}",
            [
                ("Class", "System"),
                ("DeviceDesc", "Intel 82371AB/EB PCI to ISA bridge (ISA mode)"),
                ("Driver", "System\\0005"),
                ("Mfg", "Intel"),
                ("HardwareID", hardware_ids(W98_BRIDGE)),
                ("ConfigFlags", Binary(0, 0, 0, 0)),
            ],
        ),
        (
            f"{HKLM}Enum\\Root\\Net\\0000",
            [
                ("Class", "Net"),
                ("DeviceDesc", "Microsoft Dial-Up Adapter"),
                ("Driver", "Net\\0002"),
                ("Mfg", "Microsoft"),
                ("HardwareID", "*PNP8387"),
                ("ConfigFlags", Binary(0, 0, 0, 0)),
            ],
        ),
        (f"{HKLM}Enum\\Root\\Net\\0000\\Bindings", [("MSTCP\\0002", "")]),
    ]
    # Network components: protocols bound to the adapters, services and
    # clients bound to the protocols.
    + w98_mstcp("0000", "NetTrans\\0000", ["VREDIR\\0000", "VSERVER\\0000"])
    + w98_mstcp("0001", "NetTrans\\0001", ["VREDIR\\0001"])
    + w98_mstcp("0002", "NetTrans\\0002", ["VREDIR\\0002"])
    + w98_component(
        "NETBEUI", "0000", "NetTrans", "NetTrans\\0003", "NetBEUI", "NETBEUI", ["VREDIR\\0003", "VSERVER\\0001"]
    )
    + w98_component(
        "NWLINK",
        "0000",
        "NetTrans",
        "NetTrans\\0004",
        "IPX/SPX-compatible Protocol",
        "NWLINK",
        ["NWREDIR\\0000"],
    )
    + w98_component(
        "NWREDIR", "0000", "NetClient", "NetClient\\0001", "Client for NetWare Networks", "NWREDIR"
    )
    + w98_vredir("0000")
    + w98_vredir("0001")
    + w98_vredir("0002")
    + w98_vredir("0003")
    + w98_vserver("0000")
    + w98_vserver("0001")
    + [
        (
            f"{HKLM}Network\\Logon",
            [
                ("PrimaryProvider", "Microsoft Network"),
                ("LMLogon", Binary(1, 0, 0, 0)),
                ("username", "jsmith"),
            ],
        ),
        (
            f"{HKLM}Software\\Microsoft\\Windows\\CurrentVersion",
            [
                ("Version", "Windows 98"),
                ("VersionNumber", "4.10.1998"),
                ("ProductName", "Microsoft Windows 98"),
                ("SystemRoot", "C:\\WINDOWS"),
            ],
        ),
        # Shares as the share functions keep them: a full-access share without
        # passwords and a read-only one whose password is READPW, encoded as
        # Windows 95/98 encodes it.
        (
            f"{HKLM}Software\\Microsoft\\Windows\\CurrentVersion\\Network\\LanMan\\DATA",
            [
                ("Flags", Dword(0x192)),
                ("Type", Dword(0)),
                ("Path", "C:\\DATA"),
                ("Parm2enc", Binary()),
                ("Parm1enc", Binary()),
                ("Remark", "Shared documents"),
            ],
        ),
        (
            f"{HKLM}Software\\Microsoft\\Windows\\CurrentVersion\\Network\\LanMan\\PUBLIC",
            [
                ("Flags", Dword(0x191)),
                ("Type", Dword(0)),
                ("Path", "C:\\PUBLIC"),
                ("Parm2enc", Binary(0x67, 0xDF, 0x0C, 0xE2, 0x03, 0xFE)),
                ("Parm1enc", Binary()),
                ("Remark", "Read-only files"),
            ],
        ),
        (
            f"{HKLM}Software\\Microsoft\\Windows\\CurrentVersion\\Network\\Real Mode Net",
            [("preferredredir", "VREDIR")],
        ),
        # Driver class instances.
        (f"{W98_CLASS}Net", [("", "Network adapters")]),
        (
            f"{W98_CLASS}Net\\0000",
            [("DriverDesc", "3Com Fast EtherLink XL 10/100Mb TX Ethernet NIC (3C905B-TX)"), ("ProviderName", "3Com")],
        ),
        (
            f"{W98_CLASS}Net\\0001",
            [("DriverDesc", "Intel 8255x-based PCI Ethernet Adapter (10/100)"), ("ProviderName", "Intel")],
        ),
        (
            f"{W98_CLASS}Net\\0002",
            [
                ("DriverDesc", "Microsoft Dial-Up Adapter"),
                ("ProviderName", "Microsoft"),
                ("DeviceVxDs", "pppmac.vxd"),
            ],
        ),
        (f"{W98_CLASS}NetClient", [("", "Network Client")]),
        (f"{W98_CLASS}NetClient\\0000", [("DriverDesc", "Client for Microsoft Networks")]),
        (
            f"{W98_CLASS}NetClient\\0000\\Ndi",
            [("DeviceID", "VREDIR"), ("NetworkProvider", "Microsoft Network")],
        ),
        (f"{W98_CLASS}NetClient\\0000\\Ndi\\Default", [("", "True")]),
        (f"{W98_CLASS}NetClient\\0001", [("DriverDesc", "Client for NetWare Networks")]),
        (f"{W98_CLASS}NetClient\\0001\\Ndi", [("DeviceID", "NWREDIR"), ("NetworkProvider", "NetWare")]),
        (f"{W98_CLASS}NetService", [("", "Network Service")]),
        (f"{W98_CLASS}NetService\\0000", [("DriverDesc", "File and printer sharing for Microsoft Networks")]),
        (f"{W98_CLASS}NetService\\0000\\Ndi", [("DeviceID", "VSERVER")]),
        (f"{W98_CLASS}NetTrans", [("", "Network Protocol")]),
        w98_tcpip_class(
            "0000",
            [
                ("IPAddress", "192.168.1.20,10.10.1.20"),
                ("IPMask", "255.255.255.0,255.255.0.0"),
                ("DefaultGateway", "192.168.1.1"),
                ("NodeType", "8"),
                ("NameServer1", "192.168.1.5"),
                ("NameServer2", "192.168.1.6"),
            ],
        ),
        w98_tcpip_class("0001", [("IPAddress", "0.0.0.0"), ("IPMask", "0.0.0.0")]),
        w98_tcpip_class("0002", [("IPAddress", "0.0.0.0"), ("IPMask", "0.0.0.0")]),
        (
            f"{W98_CLASS}NetTrans\\0003",
            [("DriverDesc", "NetBEUI"), ("InfPath", "NETTRANS.INF"), ("InfSection", "NETBEUI.ndi")],
        ),
        (
            f"{W98_CLASS}NetTrans\\0004",
            [("DriverDesc", "IPX/SPX-compatible Protocol"), ("InfPath", "NETTRANS.INF"), ("InfSection", "NWLINK.ndi")],
        ),
        (f"{W98_CLASS}System", [("", "System devices")]),
        (f"{W98_CLASS}System\\0005", [("DriverDesc", "Intel 82371AB/EB PCI to ISA bridge (ISA mode)")]),
        # The computer name as the system's computer-name functions keep it.
        (f"{HKLM}System\\CurrentControlSet\\Control\\ComputerName\\ComputerName", [("ComputerName", "ORION")]),
        (
            f"{HKLM}System\\CurrentControlSet\\Services\\MSNP32\\NetworkProvider",
            [
                ("AuthenticatingAgent", "CORP"),
                ("LogonDisconnected", Binary(1, 0, 0, 0)),
                ("Name", "Microsoft Network"),
                ("ProviderPath", "msnp32.dll"),
            ],
        ),
        (
            f"{HKLM}System\\CurrentControlSet\\Services\\VxD\\MSTCP",
            [
                ("HostName", "orion"),
                ("Domain", "corp.example.com"),
                ("NameServer", "192.168.1.2,192.168.1.3"),
                ("EnableDNS", "1"),
                ("SearchList", "corp.example.com,example.com"),
                ("LMHostFile", "C:\\WINDOWS\\LMHOSTS"),
            ],
        ),
        (
            f"{HKLM}System\\CurrentControlSet\\Services\\VxD\\VNETSUP",
            [
                ("ComputerName", "ORION"),
                ("Workgroup", "SALES"),
                ("Comment", "Front desk PC"),
                ("StaticVxD", "vnetsup.vxd"),
            ],
        ),
        # The user's persistent connections: one of the NetWare client, one of
        # the Microsoft network (last, with its values in the order a write
        # makes them, so that a write leaves it as it was).
        (
            f"{HKCU}Network\\Persistent\\E",
            [("RemotePath", "\\\\NW411\\SYS"), ("UserName", "JSMITH"), ("ProviderName", "NetWare")],
        ),
        (
            f"{HKCU}Network\\Persistent\\F",
            InOrder(
                [("RemotePath", "\\\\FILESRV\\PUBLIC"), ("UserName", "JSMITH"), ("ProviderName", "Microsoft Network")]
            ),
        ),
        # The current hardware profile: the 3Com card is enabled.
        (f"{HKCC}Enum\\{W98_3COM_DEV}", [("CSConfigFlags", Binary(0, 0, 0, 0))]),
    ]
)

# ---- Windows NT 4.0 -----------------------------------------------------------------
# Cards 1 (Intel, static, NetBEUI, WINS) and 2 (3Com, DHCP); card 3 is the
# hidden RAS WAN wrapper.

NT_CARDS = HKLM + "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\NetworkCards\\"
NT_SERVICES = HKLM + "SYSTEM\\CurrentControlSet\\Services\\"
NT4_LMHOSTS = "C:\\WINNT\\system32\\drivers\\etc\\lmhosts"


def nt4_card(number, manufacturer, desc, product, service, install_date, hidden=False):
    values = [
        ("Manufacturer", manufacturer),
        ("Title", f"[{number}] {desc}"),
        ("Description", desc),
        ("ProductName", product),
        ("ServiceName", service),
        ("InstallDate", Dword(install_date)),
    ]
    if hidden:
        values.append(("Hidden", Dword(1)))
    return (f"{NT_CARDS}{number}", values)


def nt_driver_service(name, start):
    return (
        NT_SERVICES + name,
        [("Type", Dword(1)), ("Start", Dword(start)), ("ErrorControl", Dword(1)), ("Group", "NDIS")],
    )


def nt4_adapter_service(name, tcpip):
    return [
        (NT_SERVICES + name, [("Type", Dword(4)), ("Start", Dword(3)), ("ErrorControl", Dword(1))]),
        (NT_SERVICES + name + "\\Parameters", [("BusNumber", Dword(0)), ("BusType", Dword(5))]),
        (NT_SERVICES + name + "\\Parameters\\Tcpip", tcpip),
    ]


def nt_common(computer_name):
    return [
        (
            HKLM + "SYSTEM\\CurrentControlSet\\Control\\ComputerName\\ActiveComputerName",
            [("ComputerName", computer_name)],
        ),
        (
            HKLM + "SYSTEM\\CurrentControlSet\\Control\\ComputerName\\ComputerName",
            [("ComputerName", computer_name)],
        ),
        (
            NT_SERVICES + "DHCP",
            [("Type", Dword(0x20)), ("Start", Dword(2)), ("ErrorControl", Dword(1)), ("DisplayName", "DHCP Client")],
        ),
        # A workstation in a workgroup: Netlogon is there, started on demand.
        (
            NT_SERVICES + "Netlogon",
            [
                ("Type", Dword(0x20)),
                ("Start", Dword(3)),
                ("ErrorControl", Dword(1)),
                ("ImagePath", Expand("%SystemRoot%\\System32\\lsass.exe")),
                ("DisplayName", "Net Logon"),
            ],
        ),
        (HKLM + "SYSTEM\\CurrentControlSet\\Control\\ProductOptions", [("ProductType", "WinNT")]),
    ]


def nt_connections(microsoft_user, netware_user, drive_other):
    return [
        (
            HKCU + "Network\\H",
            InOrder(
                [
                    ("RemotePath", "\\\\FILESRV\\USERS"),
                    ("UserName", microsoft_user),
                    ("ProviderName", "Microsoft Windows Network"),
                    ("ProviderType", Dword(0x20000)),
                    ("ConnectionType", Dword(1)),
                ]
            ),
        ),
        (
            HKCU + "Network\\" + drive_other,
            [
                ("RemotePath", "\\\\NW411\\SYS"),
                ("UserName", netware_user),
                ("ProviderName", "NetWare or Compatible Network"),
                ("ProviderType", Dword(0x30000)),
                ("ConnectionType", Dword(1)),
            ],
        ),
    ]


NT4 = (
    [
        (
            HKLM + "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion",
            [
                ("CurrentVersion", "4.0"),
                ("CurrentBuildNumber", "1381"),
                ("CSDVersion", "Service Pack 6"),
                ("SystemRoot", "C:\\WINNT"),
            ],
        ),
        nt4_card(1, "Intel", "Intel(R) PRO/100B PCI Adapter (TX)", "E100B", "E100B1", 0x37A4F2B0),
        nt4_card(2, "3Com", "3Com Fast EtherLink XL Adapter (3C905)", "El90x", "El90x2", 0x37A4F310),
        nt4_card(3, "Microsoft", "Remote Access WAN Wrapper", "NdisWan", "NdisWan3", 0x37A5C1E0, hidden=True),
    ]
    + nt_common("ATLAS")
    + [nt_driver_service("E100B", 2)]
    + nt4_adapter_service(
        "E100B1",
        [
            ("EnableDHCP", Dword(0)),
            ("IPAddress", Multi("192.168.2.30", "10.20.0.30")),
            ("SubnetMask", Multi("255.255.255.0", "255.255.0.0")),
            ("DefaultGateway", Multi("192.168.2.1")),
        ],
    )
    + [nt_driver_service("El90x", 2)]
    + nt4_adapter_service(
        "El90x2",
        [
            ("EnableDHCP", Dword(1)),
            ("IPAddress", Multi("0.0.0.0")),
            ("SubnetMask", Multi("0.0.0.0")),
            ("DefaultGateway", Multi()),
            ("DhcpIPAddress", "172.16.5.57"),
            ("DhcpIPSubnetMask", "255.255.0.0"),
            ("DhcpServer", "172.16.0.1"),
            ("DhcpDefaultGateway", Multi("172.16.0.1")),
            ("Lease", Dword(86400)),
        ],
    )
    + [
        (
            NT_SERVICES + "LanmanServer\\Shares",
            [
                # A printer share, which the library leaves alone.
                (
                    "LASERJET",
                    Multi(
                        "MaxUses=4294967295",
                        "Path=HP LaserJet 4",
                        "Permissions=0",
                        "Remark=Office printer",
                        "Type=1",
                    ),
                ),
                (
                    "PROJECTS",
                    Multi(
                        "MaxUses=4294967295",
                        "Path=D:\\PROJECTS",
                        "Permissions=0",
                        "Remark=Project files",
                        "Type=0",
                    ),
                )
            ],
        ),
        (NT_SERVICES + "Nbf\\Linkage", [("Bind", Multi("\\Device\\Nbf_E100B1", "\\Device\\Nbf_NdisWan3"))]),
        (
            NT_SERVICES + "NetBT\\Adapters\\E100B1",
            [("NameServer", "192.168.2.5"), ("NameServerBackup", "192.168.2.6")],
        ),
        (
            NT_SERVICES + "NetBT\\Adapters\\El90x2",
            [("DhcpNameServer", "172.16.0.5"), ("DhcpNameServerBackup", "172.16.0.6")],
        ),
        (NT_SERVICES + "NetBT\\Parameters", [("ScopeID", "corp"), ("EnableLMHOSTS", Dword(1))]),
        (
            NT_SERVICES + "Tcpip\\Parameters",
            [
                ("HostName", "atlas"),
                ("Domain", "corp.example.com"),
                ("NameServer", "192.168.2.2 192.168.2.3"),
                ("SearchList", "corp.example.com,example.com"),
                ("LMHostFile", NT4_LMHOSTS),
                ("DataBasePath", Expand("%SystemRoot%\\System32\\drivers\\etc")),
                ("IPEnableRouter", Dword(0)),
            ],
        ),
    ]
    + nt_connections("CORP\\jdoe", "jdoe", "J")
)

# ---- Windows 2000 ----------------------------------------------------------------------
# Cards 1 (Intel, static, WINS, own DNS servers) and 2 (3Com, DHCP), named by
# their interface GUIDs.

W2K_STATIC = "{6B1C4A8E-3F2D-4C71-9A0E-5D2B7F1C8E43}"
W2K_DHCP = "{A2E9D5C3-71B8-4F06-8C4D-0E3F6A9B1D27}"


def w2k_adapter(guid):
    return (
        NT_SERVICES + "Tcpip\\Parameters\\Adapters\\" + guid,
        [
            ("LLInterface", ""),
            ("IpConfig", Multi("Tcpip\\Parameters\\Interfaces\\" + guid)),
            ("NumIpConfig", Dword(1)),
        ],
    )


WIN2000 = (
    [
        (
            HKLM + "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion",
            [
                ("CurrentVersion", "5.0"),
                ("CurrentBuildNumber", "2195"),
                ("CSDVersion", "Service Pack 4"),
                ("ProductName", "Microsoft Windows 2000"),
                ("SystemRoot", "C:\\WINNT"),
            ],
        ),
        (NT_CARDS + "1", [("ServiceName", W2K_STATIC), ("Description", "Intel(R) PRO/100+ PCI Adapter")]),
        (
            NT_CARDS + "2",
            [("ServiceName", W2K_DHCP), ("Description", "3Com EtherLink XL 10/100 PCI TX NIC (3C905B-TX)")],
        ),
    ]
    + nt_common("VEGA")
    + [
        (
            NT_SERVICES + "LanmanServer\\Shares",
            [
                (
                    "INSTALL",
                    Multi(
                        "CSCFlags=0",
                        "MaxUses=4294967295",
                        "Path=D:\\INSTALL",
                        "Permissions=0",
                        "Remark=Installation files",
                        "Type=0",
                    ),
                )
            ],
        ),
        (
            NT_SERVICES + "NetBT\\Parameters",
            [("ScopeID", ""), ("EnableLMHOSTS", Dword(1))],
        ),
        (
            NT_SERVICES + "NetBT\\Parameters\\Interfaces\\Tcpip_" + W2K_STATIC,
            [("NameServerList", Multi("192.168.3.5", "192.168.3.6")), ("NetbiosOptions", Dword(0))],
        ),
        (
            NT_SERVICES + "NetBT\\Parameters\\Interfaces\\Tcpip_" + W2K_DHCP,
            [
                ("NameServerList", Multi()),
                ("NetbiosOptions", Dword(0)),
                ("DhcpNameServerList", Multi("172.16.0.5", "172.16.0.6")),
            ],
        ),
        (
            NT_SERVICES + "Tcpip\\Parameters",
            [
                ("Hostname", "vega"),
                ("NV HostName", "vega"),
                ("Domain", "corp.example.com"),
                ("NV Domain", "corp.example.com"),
                ("NameServer", ""),
                ("SearchList", "corp.example.com,example.com"),
                ("LMHostFile", NT4_LMHOSTS),
                ("DataBasePath", Expand("%SystemRoot%\\System32\\drivers\\etc")),
                ("IPEnableRouter", Dword(0)),
            ],
        ),
        w2k_adapter(W2K_STATIC),
        w2k_adapter(W2K_DHCP),
        (
            NT_SERVICES + "Tcpip\\Parameters\\Interfaces\\" + W2K_STATIC,
            [
                ("EnableDHCP", Dword(0)),
                ("IPAddress", Multi("192.168.3.40", "10.30.0.40")),
                ("SubnetMask", Multi("255.255.255.0", "255.255.0.0")),
                ("DefaultGateway", Multi("192.168.3.1")),
                ("NameServer", "192.168.3.2,192.168.3.3"),
            ],
        ),
        (
            NT_SERVICES + "Tcpip\\Parameters\\Interfaces\\" + W2K_DHCP,
            [
                ("EnableDHCP", Dword(1)),
                ("IPAddress", Multi("0.0.0.0")),
                ("SubnetMask", Multi("0.0.0.0")),
                ("DefaultGateway", Multi()),
                ("NameServer", ""),
                ("DhcpIPAddress", "172.16.7.81"),
                ("DhcpIPSubnetMask", "255.255.0.0"),
                ("DhcpServer", "172.16.0.1"),
                ("DhcpDefaultGateway", Multi("172.16.0.1")),
                ("DhcpNameServer", "172.16.0.2 172.16.0.3"),
                ("Lease", Dword(86400)),
            ],
        ),
    ]
    + nt_connections("CORP\\mlee", "mlee", "K")
)

MACHINES = [
    ("win98.reg", HEADER4, WIN98),
    ("nt4.reg", HEADER4, NT4),
    ("win2000.reg", HEADER5, WIN2000),
]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--check", action="store_true", help="compare instead of writing")
    parser.add_argument(
        "--dir",
        default=os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "examples"),
        help="where the files are (default: examples/ of this repository)",
    )
    args = parser.parse_args()
    differ = 0
    for name, header, keys in MACHINES:
        path = os.path.join(args.dir, name)
        text = render(header, keys)
        if args.check:
            try:
                with open(path, "rb") as f:
                    same = f.read() == text
            except OSError:
                same = False
            if not same:
                print(f"{path}: differs from scripts/make_examples.py", file=sys.stderr)
                differ = 1
        else:
            with open(path, "wb") as f:
                f.write(text)
    return differ


if __name__ == "__main__":
    sys.exit(main())
