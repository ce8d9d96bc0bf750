// The access list of the destination directory on systems with file
// security. Both programs run there with administrator rights, and the
// uninstaller reads its script, loads its library and is itself a program
// of this directory: a directory that standard users can change would let
// them run code with those rights. A folder made in a drive's root inherits
// change access for every user, so the directory is given its own list.
// Windows 95, 98 and ME have no file security and lack most of these calls:
// they are looked up at run time, so that the program still loads there.
#include "setup.h"

namespace {

typedef BOOL(WINAPI* AllocateAndInitializeSidFn)(PSID_IDENTIFIER_AUTHORITY, BYTE, DWORD, DWORD, DWORD, DWORD, DWORD,
                                                 DWORD, DWORD, DWORD, PSID*);
typedef PVOID(WINAPI* FreeSidFn)(PSID);
typedef BOOL(WINAPI* InitializeAclFn)(PACL, DWORD, DWORD);
typedef BOOL(WINAPI* AddAccessAllowedAceFn)(PACL, DWORD, DWORD, PSID);
typedef BOOL(WINAPI* GetAceFn)(PACL, DWORD, LPVOID*);
typedef BOOL(WINAPI* InitializeSecurityDescriptorFn)(PSECURITY_DESCRIPTOR, DWORD);
typedef BOOL(WINAPI* SetSecurityDescriptorDaclFn)(PSECURITY_DESCRIPTOR, BOOL, PACL, BOOL);
typedef BOOL(WINAPI* SetSecurityDescriptorControlFn)(PSECURITY_DESCRIPTOR, SECURITY_DESCRIPTOR_CONTROL,
                                                     SECURITY_DESCRIPTOR_CONTROL);

template <typename Fn>
Fn Lookup(HMODULE module, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// Who gets what, in this order: Administrators and SYSTEM change
// everything, Users read and run.
struct Entry {
    BYTE subAuthorities;
    DWORD first;
    DWORD second;
    DWORD access;
};
constexpr Entry kEntries[] = {
    {2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, FILE_ALL_ACCESS},
    {1, SECURITY_LOCAL_SYSTEM_RID, 0, FILE_ALL_ACCESS},
    {2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_USERS, FILE_GENERIC_READ | FILE_GENERIC_EXECUTE},
};

bool HasFileSecurity() {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
    return GetVersionExA(&info) && info.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

}  // namespace

bool BuildClosedDirectorySecurity(SECURITY_DESCRIPTOR* sd, void* aclBuffer, std::size_t aclSize) {
    if (!HasFileSecurity()) return false;
    // The registry calls already keep ADVAPI32 loaded.
    HMODULE advapi = GetModuleHandleA("ADVAPI32.DLL");
    if (!advapi) return false;
    auto allocateSid = Lookup<AllocateAndInitializeSidFn>(advapi, "AllocateAndInitializeSid");
    auto freeSid = Lookup<FreeSidFn>(advapi, "FreeSid");
    auto initializeAcl = Lookup<InitializeAclFn>(advapi, "InitializeAcl");
    auto addAllowed = Lookup<AddAccessAllowedAceFn>(advapi, "AddAccessAllowedAce");
    auto getAce = Lookup<GetAceFn>(advapi, "GetAce");
    auto initializeSd = Lookup<InitializeSecurityDescriptorFn>(advapi, "InitializeSecurityDescriptor");
    auto setDacl = Lookup<SetSecurityDescriptorDaclFn>(advapi, "SetSecurityDescriptorDacl");
    // Windows 2000 and later: without it (NT 4.0) nothing is inherited from
    // the parent anyway.
    auto setControl = Lookup<SetSecurityDescriptorControlFn>(advapi, "SetSecurityDescriptorControl");
    if (!allocateSid || !freeSid || !initializeAcl || !addAllowed || !getAce || !initializeSd || !setDacl) {
        return false;
    }

    PACL acl = static_cast<PACL>(aclBuffer);
    if (!initializeAcl(acl, static_cast<DWORD>(aclSize), ACL_REVISION)) return false;
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    DWORD index = 0;
    for (const Entry& entry : kEntries) {
        PSID sid = nullptr;
        if (!allocateSid(&nt, entry.subAuthorities, entry.first, entry.second, 0, 0, 0, 0, 0, 0, &sid)) return false;
        // AddAccessAllowedAceEx, which takes the inheritance flags, is newer
        // than NT 4.0: the entry's flags are set in place.
        bool added = addAllowed(acl, ACL_REVISION, entry.access, sid) != FALSE;
        freeSid(sid);
        ACE_HEADER* header = nullptr;
        if (!added || !getAce(acl, index++, reinterpret_cast<LPVOID*>(&header))) return false;
        header->AceFlags = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;
    }
    if (!initializeSd(sd, SECURITY_DESCRIPTOR_REVISION) || !setDacl(sd, TRUE, acl, FALSE)) return false;
    // The list replaces what the parent would pass on.
    if (setControl) setControl(sd, SE_DACL_PROTECTED, SE_DACL_PROTECTED);
    return true;
}

DirectoryMade CreatePackageDirectory(const char* path) {
    SECURITY_DESCRIPTOR sd;
    DWORD acl[kClosedAclSize / sizeof(DWORD)];
    if (BuildClosedDirectorySecurity(&sd, acl, sizeof acl)) {
        SECURITY_ATTRIBUTES attributes = {sizeof attributes, &sd, FALSE};
        if (CreateDirectoryA(path, &attributes)) return DirectoryMade::kClosed;
        // A file system that takes no access list (as some network shares)
        // still takes the directory.
    }
    return CreateDirectoryA(path, nullptr) ? DirectoryMade::kPlain : DirectoryMade::kFailed;
}
