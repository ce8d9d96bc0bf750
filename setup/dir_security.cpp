// The access lists of the installation directory on systems with file
// security. Both programs run there with administrator rights, and the
// uninstaller reads its script, loads its library and is itself a program
// of this directory: a directory that standard users can change would let
// them run code with those rights. A folder made in a drive's root inherits
// change access for every user, so the directory is given its own list;
// one that exists already is used only when the administrators own it or
// it is the previous installation's, and closed with everything below it.
// Windows 95, 98 and ME have no file security: their ADVAPI32 has stubs of
// some of these calls and lacks others, so all are looked up at run time.
#include "full_path.h"
#include "script_places.h"
#include "setup.h"
#include "textutil.h"

namespace {

typedef BOOL(WINAPI* AllocateAndInitializeSidFn)(PSID_IDENTIFIER_AUTHORITY, BYTE, DWORD, DWORD, DWORD, DWORD, DWORD,
                                                 DWORD, DWORD, DWORD, PSID*);
typedef PVOID(WINAPI* FreeSidFn)(PSID);
typedef BOOL(WINAPI* InitializeAclFn)(PACL, DWORD, DWORD);
typedef BOOL(WINAPI* AddAccessAllowedAceFn)(PACL, DWORD, DWORD, PSID);
typedef BOOL(WINAPI* GetAceFn)(PACL, DWORD, LPVOID*);
typedef BOOL(WINAPI* InitializeSecurityDescriptorFn)(PSECURITY_DESCRIPTOR, DWORD);
typedef BOOL(WINAPI* SetSecurityDescriptorDaclFn)(PSECURITY_DESCRIPTOR, BOOL, PACL, BOOL);
typedef BOOL(WINAPI* SetSecurityDescriptorOwnerFn)(PSECURITY_DESCRIPTOR, PSID, BOOL);
typedef BOOL(WINAPI* GetFileSecurityFn)(LPCSTR, SECURITY_INFORMATION, PSECURITY_DESCRIPTOR, DWORD, LPDWORD);
typedef BOOL(WINAPI* SetKernelObjectSecurityFn)(HANDLE, SECURITY_INFORMATION, PSECURITY_DESCRIPTOR);
typedef BOOL(WINAPI* GetSecurityDescriptorOwnerFn)(PSECURITY_DESCRIPTOR, PSID*, LPBOOL);
typedef BOOL(WINAPI* EqualSidFn)(PSID, PSID);
typedef BOOL(WINAPI* OpenProcessTokenFn)(HANDLE, DWORD, PHANDLE);
typedef BOOL(WINAPI* GetTokenInformationFn)(HANDLE, TOKEN_INFORMATION_CLASS, LPVOID, DWORD, PDWORD);
typedef BOOL(WINAPI* SetSecurityDescriptorControlFn)(PSECURITY_DESCRIPTOR, SECURITY_DESCRIPTOR_CONTROL,
                                                     SECURITY_DESCRIPTOR_CONTROL);

// The calls, in the order of kCallNames. Every one is in the ADVAPI32 of
// NT 4.0.
struct SecurityCalls {
    AllocateAndInitializeSidFn allocateSid;
    FreeSidFn freeSid;
    InitializeAclFn initializeAcl;
    AddAccessAllowedAceFn addAllowed;
    GetAceFn getAce;
    InitializeSecurityDescriptorFn initializeSd;
    SetSecurityDescriptorDaclFn setDacl;
    SetSecurityDescriptorOwnerFn setOwner;
    GetFileSecurityFn getFileSecurity;
    SetKernelObjectSecurityFn setObjectSecurity;
    GetSecurityDescriptorOwnerFn getOwner;
    EqualSidFn equalSid;
    OpenProcessTokenFn openToken;
    GetTokenInformationFn getTokenInformation;
};
const char* const kCallNames[] = {
    "AllocateAndInitializeSid", "FreeSid", "InitializeAcl", "AddAccessAllowedAce", "GetAce",
    "InitializeSecurityDescriptor", "SetSecurityDescriptorDacl", "SetSecurityDescriptorOwner", "GetFileSecurityA",
    "SetKernelObjectSecurity", "GetSecurityDescriptorOwner", "EqualSid", "OpenProcessToken", "GetTokenInformation",
};
static_assert(sizeof(SecurityCalls) == sizeof kCallNames, "one call for each name");

bool HasFileSecurity() {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
    return GetVersionExA(&info) && info.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

// False on Windows 95, 98 and ME, or when a call is missing.
bool LoadSecurityCalls(SecurityCalls* calls) {
    if (!HasFileSecurity()) return false;
    // The registry calls already keep ADVAPI32 loaded.
    HMODULE advapi = GetModuleHandleA("ADVAPI32.DLL");
    FARPROC* slot = reinterpret_cast<FARPROC*>(calls);
    for (const char* name : kCallNames) {
        *slot = advapi ? GetProcAddress(advapi, name) : nullptr;
        if (!*slot++) return false;
    }
    return true;
}

// Who gets what. Every list has Administrators and SYSTEM changing
// everything and Users reading and running, inherited by all below; SPOOL
// lets Users add files, which their creators may then change and delete;
// SPOOLER.QUE lets Users write it.
constexpr DWORD kWellKnown = 0;  // first sub-authority only
struct Entry {
    DWORD first;
    DWORD second;  // kWellKnown: a SID of one sub-authority
    DWORD access;
    BYTE flags;
    BYTE lists;  // bit per PackageList that has the entry
};
constexpr BYTE kAll = 7;
constexpr BYTE kInherited = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;
constexpr DWORD kCreatorOwner = ~0u;  // SECURITY_CREATOR_OWNER_RID, of the creator authority
constexpr Entry kEntries[] = {
    {SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, FILE_ALL_ACCESS, kInherited, kAll},
    {SECURITY_LOCAL_SYSTEM_RID, kWellKnown, FILE_ALL_ACCESS, kInherited, kAll},
    {SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_USERS, FILE_GENERIC_READ | FILE_GENERIC_EXECUTE, kInherited, kAll},
    {SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_USERS, FILE_ADD_FILE, 0, 1 << int(PackageList::kSpool)},
    {kCreatorOwner, kWellKnown, FILE_GENERIC_WRITE | DELETE, OBJECT_INHERIT_ACE | INHERIT_ONLY_ACE,
     1 << int(PackageList::kSpool)},
    {SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_USERS, FILE_GENERIC_WRITE, 0, 1 << int(PackageList::kQueue)},
};

PSID NewSid(const SecurityCalls& calls, DWORD first, DWORD second) {
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    SID_IDENTIFIER_AUTHORITY creator = SECURITY_CREATOR_SID_AUTHORITY;
    PSID sid = nullptr;
    if (first == kCreatorOwner) {
        calls.allocateSid(&creator, 1, SECURITY_CREATOR_OWNER_RID, 0, 0, 0, 0, 0, 0, 0, &sid);
    } else {
        calls.allocateSid(&nt, second == kWellKnown ? 1 : 2, first, second, 0, 0, 0, 0, 0, 0, &sid);
    }
    return sid;
}

// The descriptor of a list in `sd`, its entries in `acl`; with `owner`
// (then freed by the caller) Administrators own what it is given to.
bool BuildList(const SecurityCalls& calls, PackageList list, SECURITY_DESCRIPTOR* sd, void* aclBuffer,
               std::size_t aclSize, PSID* owner) {
    PACL acl = static_cast<PACL>(aclBuffer);
    if (!calls.initializeAcl(acl, static_cast<DWORD>(aclSize), ACL_REVISION)) return false;
    DWORD index = 0;
    for (const Entry& entry : kEntries) {
        if (!(entry.lists & (1 << int(list)))) continue;
        PSID sid = NewSid(calls, entry.first, entry.second);
        // AddAccessAllowedAceEx, which takes the inheritance flags, is newer
        // than NT 4.0: the entry's flags are set in place.
        bool added = sid && calls.addAllowed(acl, ACL_REVISION, entry.access, sid) != FALSE;
        if (sid) calls.freeSid(sid);
        ACE_HEADER* header = nullptr;
        if (!added || !calls.getAce(acl, index++, reinterpret_cast<LPVOID*>(&header))) return false;
        header->AceFlags = entry.flags;
    }
    if (!calls.initializeSd(sd, SECURITY_DESCRIPTOR_REVISION) || !calls.setDacl(sd, TRUE, acl, FALSE)) return false;
    if (owner && (!(*owner = NewSid(calls, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS)) ||
                  !calls.setOwner(sd, *owner, FALSE))) {
        return false;
    }
    // The list replaces what the parent would pass on (Windows 2000 and
    // later: NT 4.0 inherits nothing into an object given a list anyway).
    auto setControl = reinterpret_cast<SetSecurityDescriptorControlFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ADVAPI32.DLL"), "SetSecurityDescriptorControl")));
    if (setControl) setControl(sd, SE_DACL_PROTECTED, SE_DACL_PROTECTED);
    return true;
}

// Where the closed list may go: a local volume whose file system keeps
// access lists. kClosed there, else the reason why not.
DirectoryMade ListsKeptOn(const char* path) {
    if (path[0] == '\0' || path[1] != ':') return DirectoryMade::kRemote;  // \\server\share
    const char root[4] = {path[0], ':', '\\', '\0'};
    if (GetDriveTypeA(root) == DRIVE_REMOTE) return DirectoryMade::kRemote;
    DWORD flags = 0;
    if (!GetVolumeInformationA(root, nullptr, 0, nullptr, nullptr, &flags, nullptr, 0) ||
        !(flags & FS_PERSISTENT_ACLS)) {
        return DirectoryMade::kNoLists;
    }
    return DirectoryMade::kClosed;
}

// The run's user and whether it holds enabled administrator rights (under
// UAC the filtered token keeps the group for denials only). `user` gets the
// user's SID.
bool RunsAsAdministrator(const SecurityCalls& calls, PSID admins, DWORD* user, DWORD userSize) {
    HANDLE token = nullptr;
    if (!calls.openToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
    DWORD fixed[1024];
    void* groups = fixed;
    HGLOBAL block = nullptr;
    DWORD size = 0;
    bool admin = false;
    if (calls.getTokenInformation(token, TokenUser, user, userSize, &size)) {
        // A domain account can be in more groups than the fixed block holds.
        bool listed = calls.getTokenInformation(token, TokenGroups, fixed, sizeof fixed, &size) != FALSE;
        if (!listed && GetLastError() == ERROR_INSUFFICIENT_BUFFER && (block = GlobalAlloc(GMEM_FIXED, size))) {
            groups = block;
            listed = calls.getTokenInformation(token, TokenGroups, groups, size, &size) != FALSE;
        }
        const TOKEN_GROUPS* list = static_cast<const TOKEN_GROUPS*>(groups);
        for (DWORD i = 0; listed && i < list->GroupCount; ++i) {
            const SID_AND_ATTRIBUTES& group = list->Groups[i];
            if (calls.equalSid(group.Sid, admins) && (group.Attributes & SE_GROUP_ENABLED)) admin = true;
        }
    }
    if (block) GlobalFree(block);
    CloseHandle(token);
    return admin;
}

// The lists that CloseExisting gives, by PackageList.
struct Closing {
    const SecurityCalls* calls;
    SECURITY_DESCRIPTOR sd[3];
    DWORD acl[3][kClosedAclSize / sizeof(DWORD)];
    PSID owner[3];
    char spool[MAX_PATH];
    char queue[MAX_PATH];
};

// Gives one object its list through a handle that names the object itself,
// never what a link would lead to: false when it is a link or keeps its list.
bool CloseObject(const Closing& closing, const char* path, int list) {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
    // NT 4.0 knows no reparse points, nor the flag that opens one.
    const DWORD reparse = GetVersionExA(&info) && info.dwMajorVersion >= 5 ? FILE_FLAG_OPEN_REPARSE_POINT : 0;
    HANDLE object = CreateFileA(path, READ_CONTROL | WRITE_DAC | WRITE_OWNER, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | reparse, nullptr);
    if (object == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION about;
    const bool closed = GetFileInformationByHandle(object, &about) &&
                        !(about.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
                        closing.calls->setObjectSecurity(object, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                                         const_cast<SECURITY_DESCRIPTOR*>(&closing.sd[list]));
    CloseHandle(object);
    return closed;
}

// Walks everything below `folder`. Without `closing`: true when all of it
// is the package's and none of it a link. With it: gives each its list,
// each folder before what it holds, so that nobody else can change what is
// still to come.
bool WalkBelow(const char* folder, const Closing* closing) {
    char path[MAX_PATH];
    if (!FormatText(path, sizeof path, "%s\\*.*", folder)) return false;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(path, &found);
    // A folder that cannot be listed is no folder to close.
    if (search == INVALID_HANDLE_VALUE) return false;
    bool ok = true;
    do {
        if (lstrcmpA(found.cFileName, ".") == 0 || lstrcmpA(found.cFileName, "..") == 0) continue;
        const bool isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        ok = FormatText(path, sizeof path, "%s\\%s", folder, found.cFileName) &&
             !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
        if (ok && closing) {
            int list = int(PackageList::kClosed);
            if (isFolder && CompareNoCase(path, closing->spool) == 0) list = int(PackageList::kSpool);
            if (!isFolder && CompareNoCase(path, closing->queue) == 0) list = int(PackageList::kQueue);
            ok = CloseObject(*closing, path, list);
        } else if (ok) {
            ok = IsPackageEntry(path, isFolder);
        }
        if (ok && isFolder) ok = WalkBelow(path, closing);
    } while (ok && FindNextFileA(search, &found));
    FindClose(search);
    return ok;
}

// Gives the existing destination and everything below it the package's
// lists, Administrators as owner (an owner could open its list again).
// SetKernelObjectSecurity is given each object in turn: SetNamedSecurityInfo
// passes a list on to what lies below only on Windows 2000 and later, and
// there not into objects whose list is protected; and a name, unlike the
// handle, may be turned into a link between the look and the change.
DirectoryMade CloseExisting(const SecurityCalls& calls, const char* path) {
    static Closing closing;
    closing.calls = &calls;
    bool ok = JoinPath(closing.spool, path, "SPOOL") && JoinPath(closing.queue, path, "SPOOLER.QUE");
    for (int i = 0; i < 3; ++i) {
        closing.owner[i] = nullptr;
        ok = ok && BuildList(calls, PackageList(i), &closing.sd[i], closing.acl[i], sizeof closing.acl[i],
                             &closing.owner[i]);
    }
    ok = ok && CloseObject(closing, path, int(PackageList::kClosed)) && WalkBelow(path, &closing);
    for (PSID owner : closing.owner) {
        if (owner) calls.freeSid(owner);
    }
    return ok ? DirectoryMade::kClosed : DirectoryMade::kRefusedOwner;
}

bool IsDriveRoot(const char* path) {
    char full[MAX_PATH];
    return FullLongPath(path, full, sizeof full) && lstrlenA(full) == 3;
}

}  // namespace

bool BuildClosedDirectorySecurity(SECURITY_DESCRIPTOR* sd, void* acl, std::size_t aclSize, PackageList list) {
    SecurityCalls calls;
    return LoadSecurityCalls(&calls) && BuildList(calls, list, sd, acl, aclSize, nullptr);
}

DirectoryMade CreatePackageDirectory(const char* path, PackageList list) {
    SECURITY_DESCRIPTOR sd;
    DWORD acl[kClosedAclSize / sizeof(DWORD)];
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, &sd, FALSE};
    SECURITY_ATTRIBUTES* given = nullptr;
    SecurityCalls calls;
    DirectoryMade made = DirectoryMade::kPlain;
    if (LoadSecurityCalls(&calls) && (made = ListsKeptOn(path)) == DirectoryMade::kClosed) {
        if (BuildList(calls, list, &sd, acl, sizeof acl, nullptr)) given = &attributes;
        else made = DirectoryMade::kPlain;
    }
    if (list != PackageList::kQueue) return CreateDirectoryA(path, given) ? made : DirectoryMade::kFailed;
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, given, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return DirectoryMade::kFailed;
    CloseHandle(file);
    return made;
}

DirectoryMade PrepareDestination(const char* path, bool exists) {
    SecurityCalls calls;
    if (!LoadSecurityCalls(&calls)) return exists ? DirectoryMade::kPlain : CreatePackageDirectory(path);
    PSID admins = NewSid(calls, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS);
    PSID system = NewSid(calls, SECURITY_LOCAL_SYSTEM_RID, kWellKnown);
    DWORD user[32] = {};
    // A run without administrator rights could not keep standard users out
    // of what it makes: it installs nothing on these systems.
    DirectoryMade made = DirectoryMade::kRefusedRights;
    if (!admins || !system || !RunsAsAdministrator(calls, admins, user, sizeof user)) {
        // refused
    } else if (!exists) {
        made = CreatePackageDirectory(path);
    } else if (IsLink(path)) {
        made = DirectoryMade::kRefusedLink;
    } else if ((made = ListsKeptOn(path)) == DirectoryMade::kClosed) {
        const PSID runner = reinterpret_cast<TOKEN_USER*>(user)->User.Sid;
        DWORD owned[128];
        DWORD size = 0;
        PSID owner = nullptr;
        BOOL defaulted = FALSE;
        const bool ownerPasses =
            calls.getFileSecurity(path, OWNER_SECURITY_INFORMATION, owned, sizeof owned, &size) &&
            calls.getOwner(owned, &owner, &defaulted) && owner &&
            (calls.equalSid(owner, admins) || calls.equalSid(owner, system) || calls.equalSid(owner, runner));
        char full[MAX_PATH], previous[MAX_PATH];
        const bool previousInstallation = g_setup.previousDir[0] && FullLongPath(path, full, sizeof full) &&
                                          FullLongPath(g_setup.previousDir, previous, sizeof previous) &&
                                          IsSamePath(full, previous);
        // A drive's root, or a folder with other content, keeps its list.
        const bool onlyPackage = !IsDriveRoot(path) && WalkBelow(path, nullptr);
        made = DirectoryMade::kRefusedOwner;
        if (!onlyPackage && ownerPasses) made = DirectoryMade::kAsItWas;
        if (onlyPackage && (ownerPasses || previousInstallation)) made = CloseExisting(calls, path);
    }
    if (admins) calls.freeSid(admins);
    if (system) calls.freeSid(system);
    return made;
}
