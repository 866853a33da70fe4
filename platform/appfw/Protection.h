// Who may change what setup reads and what it makes. Setup runs as an administrator on machines
// where ordinary users may write much of the disk and the registry: what decides a run's work must
// come from places only administrators can change, and whatever the run makes carries its narrow
// access list from the moment it exists.
#pragma once

#include "CString.h"

#include <windows.h>

#include <vector>

// The rights that let their holder change a file, a folder or what a folder holds: write, append,
// add files or folders, delete, or change the protection or the owner.
extern const DWORD kFileChangeRights;
// The same for a registry key: set values, make subkeys or links, delete, change the protection.
extern const DWORD kKeyChangeRights;

// One security identifier, held by value.
class CSid {
public:
    CSid() = default;
    // A well-known identifier: an authority and one or two subauthorities.
    CSid(BYTE authority, DWORD first, DWORD second = 0, int count = 1);
    explicit CSid(PSID sid);
    PSID Get() const { return m_bytes.empty() ? nullptr : const_cast<BYTE*>(m_bytes.data()); }
    bool Is(PSID other) const;

    static CSid Administrators() { return CSid(5, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 2); }
    static CSid System() { return CSid(5, SECURITY_LOCAL_SYSTEM_RID); }
    static CSid Everyone() { return CSid(1, SECURITY_WORLD_RID); }
    static CSid Users() { return CSid(5, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_USERS, 2); }
    static CSid AuthenticatedUsers() { return CSid(5, SECURITY_AUTHENTICATED_USER_RID); }
    static CSid Interactive() { return CSid(5, SECURITY_INTERACTIVE_RID); }
    // The user the process runs as; empty when the token cannot be read.
    static CSid RunningUser();

private:
    std::vector<BYTE> m_bytes;
};

// A security descriptor read from a file, a handle or a registry key (owner and access list).
class CReadSecurity {
public:
    // The owner and access list, or the parts asked for.
    bool FromFile(const char* path, SECURITY_INFORMATION what = OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION);
    bool FromHandle(HANDLE object);
    bool FromKey(HKEY key);
    // The system's error of the last read (ERROR_NOT_SUPPORTED where the volume keeps none).
    DWORD Error() const { return m_error; }

    // What was read (self-relative); valid while the object lives and is not read again.
    PSECURITY_DESCRIPTOR DescriptorRead() const { return m_bytes.empty() ? nullptr : Descriptor(); }

    bool OwnerIsOneOf(const std::vector<CSid>& owners) const;
    // Whether an entry that applies to the object itself allows any of `rights` to someone not
    // among `kept`. A missing access list allows everything to everyone; an entry of a kind this
    // program cannot read counts as allowing.
    bool AllowsOthers(DWORD rights, const std::vector<CSid>& kept) const;
    // Whether an entry that applies to the object itself allows any of `rights` to one of `whom`.
    bool AllowsAnyOf(DWORD rights, const std::vector<CSid>& whom) const;

private:
    template <typename Read>
    bool ReadWith(Read read);
    PSECURITY_DESCRIPTOR Descriptor() const { return const_cast<BYTE*>(m_bytes.data()); }
    bool Allows(DWORD rights, const std::vector<CSid>& sids, bool listedOnes) const;

    std::vector<BYTE> m_bytes;
    DWORD m_error = ERROR_SUCCESS;
};

// The access list of what setup makes: full control for Administrators and SYSTEM (and, for its
// files and folders, the running user), read for everyone else where asked, no one else anything.
// Nothing is inherited from the place it is made in.
class CNarrowSecurity {
public:
    enum Who {
        AdministratorsOnly, // owner Administrators: the record's keys
        AdministratorsAndMe // the running user too: the log, the preview's folder and copies
    };
    CNarrowSecurity(Who who, DWORD fullRights, DWORD everyoneRights);
    CNarrowSecurity(const CNarrowSecurity&) = delete;
    CNarrowSecurity& operator=(const CNarrowSecurity&) = delete;

    bool IsValid() const { return m_valid; }
    // For CreateFile, CreateDirectory and RegCreateKeyEx; null when it could not be built.
    SECURITY_ATTRIBUTES* Attributes() { return m_valid ? &m_attributes : nullptr; }
    PSECURITY_DESCRIPTOR Descriptor() { return m_valid ? &m_descriptor : nullptr; }
    // What the descriptor sets: the access list, and the owner where it names one.
    SECURITY_INFORMATION Parts() const { return m_parts; }
    // Who may be found owning and holding rights on what this made.
    const std::vector<CSid>& Holders() const { return m_holders; }

private:
    std::vector<CSid> m_holders;
    CSid m_everyone;
    CSid m_owner;
    std::vector<BYTE> m_acl;
    SECURITY_DESCRIPTOR m_descriptor = {};
    SECURITY_ATTRIBUTES m_attributes = {};
    SECURITY_INFORMATION m_parts = DACL_SECURITY_INFORMATION;
    bool m_valid = false;
};

// Whether the volume that holds the path keeps access lists (FAT keeps none); true when it
// cannot be told, so that the file's own security answers.
bool VolumeKeepsSecurity(const char* path);

// Whether Everyone, Users, Authenticated Users or Interactive may change the file or folder, or
// someone other than Administrators, SYSTEM or the running user owns it (an owner may always
// change its protection).
enum class UserWritable {
    No,
    Yes,
    ForeignOwner,
    NoAccessLists, // the volume keeps none: the rule cannot be applied
    Unreadable,    // its access list cannot be read
    Missing        // there is nothing of that name
};
UserWritable UsersMayChange(const char* path);
// A program file `name` found in `folder` is trusted only when both are there and users may change
// neither; the reason when not ("users may change its folder"), empty when trusted or when the
// volume keeps no access lists.
const char* WhyNotTrusted(const CString& folder, const char* name);
