// The network management functions of NETAPI32 for native builds on the
// simulated platform: the parts of the SDK's lmcons.h, lmerr.h, lmapibuf.h,
// lmjoin.h, lmaccess.h, lmserver.h, lmwksta.h and lmuse.h that the domain
// classes use, with the SDK's names, layouts and signatures.
#pragma once

#include <windows.h>

// ---- lmcons.h ------------------------------------------------------------------
#define NET_API_STATUS DWORD
#define API_RET_TYPE NET_API_STATUS
#define NET_API_FUNCTION WINAPI
#define LMSTR LPWSTR
#define LMCSTR LPCWSTR

#define CNLEN 15
#define LM20_CNLEN 15
#define DNLEN CNLEN
#define UNLEN 256
#define PWLEN 256
#define MAX_PREFERRED_LENGTH ((DWORD)-1)
#define PARM_ERROR_UNKNOWN ((DWORD)-1)
#define PARM_ERROR_NONE 0
#define PLATFORM_ID_DOS 300
#define PLATFORM_ID_OS2 400
#define PLATFORM_ID_NT 500

// ---- lmerr.h -------------------------------------------------------------------
#define NERR_Success 0
#define NERR_BASE 2100
#define NERR_BufTooSmall (NERR_BASE + 23)
#define NERR_BadUsername (NERR_BASE + 102)
#define NERR_BadPassword (NERR_BASE + 103)
#define NERR_UserNotFound (NERR_BASE + 121)
#define NERR_UserExists (NERR_BASE + 124)
#define NERR_PasswordTooShort (NERR_BASE + 145)
#define NERR_UseNotFound (NERR_BASE + 150)
#define NERR_InvalidComputer (NERR_BASE + 251)
#define NERR_DCNotFound (NERR_BASE + 353)
#define NERR_SetupAlreadyJoined (NERR_BASE + 591)
#define NERR_SetupNotJoined (NERR_BASE + 592)
#define NERR_SetupDomainController (NERR_BASE + 593)
#define NERR_InvalidWorkgroupName (NERR_BASE + 595)

// ---- lmjoin.h ------------------------------------------------------------------
typedef enum _NETSETUP_JOIN_STATUS {
    NetSetupUnknownStatus = 0,
    NetSetupUnjoined,
    NetSetupWorkgroupName,
    NetSetupDomainName
} NETSETUP_JOIN_STATUS, *PNETSETUP_JOIN_STATUS;

#define NETSETUP_JOIN_DOMAIN 0x00000001
#define NETSETUP_ACCT_CREATE 0x00000002
#define NETSETUP_ACCT_DELETE 0x00000004
#define NETSETUP_WIN9X_UPGRADE 0x00000010
#define NETSETUP_DOMAIN_JOIN_IF_JOINED 0x00000020
#define NETSETUP_JOIN_UNSECURE 0x00000040
#define NETSETUP_MACHINE_PWD_PASSED 0x00000080
#define NETSETUP_DEFER_SPN_SET 0x00000100
#define NETSETUP_INSTALL_INVOCATION 0x00040000
#define NETSETUP_IGNORE_UNSUPPORTED_FLAGS 0x10000000
#define NETSETUP_VALID_UNJOIN_FLAGS (NETSETUP_ACCT_DELETE | NETSETUP_IGNORE_UNSUPPORTED_FLAGS)

// ---- lmaccess.h ----------------------------------------------------------------
typedef struct _USER_INFO_0 {
    LPWSTR usri0_name;
} USER_INFO_0, *PUSER_INFO_0, *LPUSER_INFO_0;

typedef struct _USER_INFO_1 {
    LPWSTR usri1_name;
    LPWSTR usri1_password;
    DWORD usri1_password_age;
    DWORD usri1_priv;
    LPWSTR usri1_home_dir;
    LPWSTR usri1_comment;
    DWORD usri1_flags;
    LPWSTR usri1_script_path;
} USER_INFO_1, *PUSER_INFO_1, *LPUSER_INFO_1;

typedef struct _USER_MODALS_INFO_2 {
    LPWSTR usrmod2_domain_name;
    PSID usrmod2_domain_id;
} USER_MODALS_INFO_2, *PUSER_MODALS_INFO_2, *LPUSER_MODALS_INFO_2;

#define UF_SCRIPT 0x0001
#define UF_ACCOUNTDISABLE 0x0002
#define UF_HOMEDIR_REQUIRED 0x0008
#define UF_LOCKOUT 0x0010
#define UF_PASSWD_NOTREQD 0x0020
#define UF_PASSWD_CANT_CHANGE 0x0040
#define UF_TEMP_DUPLICATE_ACCOUNT 0x0100
#define UF_NORMAL_ACCOUNT 0x0200
#define UF_INTERDOMAIN_TRUST_ACCOUNT 0x0800
#define UF_WORKSTATION_TRUST_ACCOUNT 0x1000
#define UF_SERVER_TRUST_ACCOUNT 0x2000
#define UF_MACHINE_ACCOUNT_MASK \
    (UF_INTERDOMAIN_TRUST_ACCOUNT | UF_WORKSTATION_TRUST_ACCOUNT | UF_SERVER_TRUST_ACCOUNT)
#define UF_ACCOUNT_TYPE_MASK                                                                            \
    (UF_TEMP_DUPLICATE_ACCOUNT | UF_NORMAL_ACCOUNT | UF_INTERDOMAIN_TRUST_ACCOUNT |                      \
     UF_WORKSTATION_TRUST_ACCOUNT | UF_SERVER_TRUST_ACCOUNT)
#define UF_DONT_EXPIRE_PASSWD 0x10000

#define USER_PRIV_GUEST 0
#define USER_PRIV_USER 1
#define USER_PRIV_ADMIN 2

#define USER_NAME_PARMNUM 1
#define USER_PASSWORD_PARMNUM 3
#define USER_PASSWORD_AGE_PARMNUM 4
#define USER_PRIV_PARMNUM 5
#define USER_HOME_DIR_PARMNUM 6
#define USER_COMMENT_PARMNUM 7
#define USER_FLAGS_PARMNUM 8
#define USER_SCRIPT_PATH_PARMNUM 9

// ---- lmserver.h ----------------------------------------------------------------
typedef struct _SERVER_INFO_100 {
    DWORD sv100_platform_id;
    LMSTR sv100_name;
} SERVER_INFO_100, *PSERVER_INFO_100, *LPSERVER_INFO_100;

typedef struct _SERVER_INFO_101 {
    DWORD sv101_platform_id;
    LMSTR sv101_name;
    DWORD sv101_version_major;
    DWORD sv101_version_minor;
    DWORD sv101_type;
    LMSTR sv101_comment;
} SERVER_INFO_101, *PSERVER_INFO_101, *LPSERVER_INFO_101;

#define SV_PLATFORM_ID_OS2 400
#define SV_PLATFORM_ID_NT 500

#define SV_TYPE_WORKSTATION 0x00000001
#define SV_TYPE_SERVER 0x00000002
#define SV_TYPE_SQLSERVER 0x00000004
#define SV_TYPE_DOMAIN_CTRL 0x00000008
#define SV_TYPE_DOMAIN_BAKCTRL 0x00000010
#define SV_TYPE_TIME_SOURCE 0x00000020
#define SV_TYPE_AFP 0x00000040
#define SV_TYPE_NOVELL 0x00000080
#define SV_TYPE_DOMAIN_MEMBER 0x00000100
#define SV_TYPE_PRINTQ_SERVER 0x00000200
#define SV_TYPE_DIALIN_SERVER 0x00000400
#define SV_TYPE_XENIX_SERVER 0x00000800
#define SV_TYPE_SERVER_UNIX SV_TYPE_XENIX_SERVER
#define SV_TYPE_NT 0x00001000
#define SV_TYPE_WFW 0x00002000
#define SV_TYPE_SERVER_MFPN 0x00004000
#define SV_TYPE_SERVER_NT 0x00008000
#define SV_TYPE_POTENTIAL_BROWSER 0x00010000
#define SV_TYPE_BACKUP_BROWSER 0x00020000
#define SV_TYPE_MASTER_BROWSER 0x00040000
#define SV_TYPE_DOMAIN_MASTER 0x00080000
#define SV_TYPE_WINDOWS 0x00400000
#define SV_TYPE_ALL 0xFFFFFFFF

// ---- lmwksta.h -----------------------------------------------------------------
typedef struct _WKSTA_INFO_100 {
    DWORD wki100_platform_id;
    LMSTR wki100_computername;
    LMSTR wki100_langroup;
    DWORD wki100_ver_major;
    DWORD wki100_ver_minor;
} WKSTA_INFO_100, *PWKSTA_INFO_100, *LPWKSTA_INFO_100;

// ---- lmuse.h, lmuseflg.h -------------------------------------------------------
typedef struct _USE_INFO_1 {
    LMSTR ui1_local;
    LMSTR ui1_remote;
    LMSTR ui1_password;
    DWORD ui1_status;
    DWORD ui1_asg_type;
    DWORD ui1_refcount;
    DWORD ui1_usecount;
} USE_INFO_1, *PUSE_INFO_1, *LPUSE_INFO_1;

typedef struct _USE_INFO_2 {
    LMSTR ui2_local;
    LMSTR ui2_remote;
    LMSTR ui2_password;
    DWORD ui2_status;
    DWORD ui2_asg_type;
    DWORD ui2_refcount;
    DWORD ui2_usecount;
    LMSTR ui2_username;
    LMSTR ui2_domainname;
} USE_INFO_2, *PUSE_INFO_2, *LPUSE_INFO_2;

#define USE_LOCAL_PARMNUM 1
#define USE_REMOTE_PARMNUM 2
#define USE_PASSWORD_PARMNUM 3
#define USE_ASGTYPE_PARMNUM 4
#define USE_USERNAME_PARMNUM 5
#define USE_DOMAINNAME_PARMNUM 6

#define USE_OK 0
#define USE_WILDCARD ((DWORD)(-1))
#define USE_DISKDEV 0
#define USE_SPOOLDEV 1
#define USE_CHARDEV 2
#define USE_IPC 3

#define USE_NOFORCE 0
#define USE_FORCE 1
#define USE_LOTS_OF_FORCE 2

// ---- lmshare.h -------------------------------------------------------------------
#define NNLEN 80
#define NERR_DuplicateShare (NERR_BASE + 18)
#define NERR_NetNameNotFound (NERR_BASE + 210)

typedef struct _SHARE_INFO_2 {
    LMSTR shi2_netname;
    DWORD shi2_type;
    LMSTR shi2_remark;
    DWORD shi2_permissions;
    DWORD shi2_max_uses;
    DWORD shi2_current_uses;
    LMSTR shi2_path;
    LMSTR shi2_passwd;
} SHARE_INFO_2, *PSHARE_INFO_2, *LPSHARE_INFO_2;

#define STYPE_DISKTREE 0
#define STYPE_PRINTQ 1
#define STYPE_DEVICE 2
#define STYPE_IPC 3
#define STYPE_TEMPORARY 0x40000000
#define STYPE_SPECIAL 0x80000000
#define SHI_USES_UNLIMITED ((DWORD)-1)
#define SHARE_NETNAME_PARMNUM 1
#define SHARE_TYPE_PARMNUM 3
#define SHARE_PATH_PARMNUM 8

extern "C" {

NET_API_STATUS WINAPI NetShareEnum(LMSTR servername, DWORD level, LPBYTE* bufptr, DWORD prefmaxlen,
                                   LPDWORD entriesread, LPDWORD totalentries, LPDWORD resume_handle);
NET_API_STATUS WINAPI NetShareAdd(LMSTR servername, DWORD level, LPBYTE buf, LPDWORD parm_err);
NET_API_STATUS WINAPI NetShareDel(LMSTR servername, LMSTR netname, DWORD reserved);

NET_API_STATUS WINAPI NetApiBufferFree(LPVOID Buffer);

NET_API_STATUS WINAPI NetGetJoinInformation(LPCWSTR lpServer, LPWSTR* lpNameBuffer, PNETSETUP_JOIN_STATUS BufferType);
NET_API_STATUS WINAPI NetJoinDomain(LPCWSTR lpServer, LPCWSTR lpDomain, LPCWSTR lpAccountOU, LPCWSTR lpAccount,
                                    LPCWSTR lpPassword, DWORD fJoinOptions);
NET_API_STATUS WINAPI NetUnjoinDomain(LPCWSTR lpServer, LPCWSTR lpAccount, LPCWSTR lpPassword, DWORD fUnjoinOptions);

NET_API_STATUS WINAPI NetGetDCName(LPCWSTR servername, LPCWSTR domainname, LPBYTE* bufptr);
NET_API_STATUS WINAPI NetServerGetInfo(LMSTR servername, DWORD level, LPBYTE* bufptr);
NET_API_STATUS WINAPI NetWkstaGetInfo(LMSTR servername, DWORD level, LPBYTE* bufptr);
NET_API_STATUS WINAPI NetUserModalsGet(LPCWSTR servername, DWORD level, LPBYTE* bufptr);

NET_API_STATUS WINAPI NetUseAdd(LMSTR UncServerName, DWORD Level, LPBYTE Buf, LPDWORD ParmError);
NET_API_STATUS WINAPI NetUseDel(LMSTR UncServerName, LMSTR UseName, DWORD ForceCond);

NET_API_STATUS WINAPI NetUserAdd(LPCWSTR servername, DWORD level, LPBYTE buf, LPDWORD parm_err);
NET_API_STATUS WINAPI NetUserDel(LPCWSTR servername, LPCWSTR username);
NET_API_STATUS WINAPI NetUserGetInfo(LPCWSTR servername, LPCWSTR username, DWORD level, LPBYTE* bufptr);

}  // extern "C"
