#include "Protection.h"

#include "LeadBytes.h"
#include "PathText.h"
#include "UniqueHandle.h"

#include <string>

const DWORD kFileChangeRights = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA | FILE_DELETE_CHILD | DELETE |
                                WRITE_DAC | WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;
const DWORD kKeyChangeRights = KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK | DELETE | WRITE_DAC | WRITE_OWNER |
                               GENERIC_WRITE | GENERIC_ALL;

CSid::CSid(BYTE authority, DWORD first, DWORD second, int count)
{
    SID_IDENTIFIER_AUTHORITY identifier = {{0, 0, 0, 0, 0, authority}};
    m_bytes.resize(GetSidLengthRequired(static_cast<UCHAR>(count)));
    InitializeSid(m_bytes.data(), &identifier, static_cast<BYTE>(count));
    *GetSidSubAuthority(m_bytes.data(), 0) = first;
    if (count > 1)
        *GetSidSubAuthority(m_bytes.data(), 1) = second;
}

CSid::CSid(PSID sid)
{
    if (!sid || !IsValidSid(sid))
        return;
    const BYTE* bytes = static_cast<const BYTE*>(sid);
    m_bytes.assign(bytes, bytes + GetLengthSid(sid));
}

bool CSid::Is(PSID other) const
{
    return !m_bytes.empty() && other && IsValidSid(other) && EqualSid(Get(), other);
}

CSid CSid::RunningUser()
{
    CKernelHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.Receive())) {
        token.Detach();
        return CSid();
    }
    DWORD size = 0;
    GetTokenInformation(token.Get(), TokenUser, nullptr, 0, &size);
    if (size == 0)
        return CSid();
    std::vector<BYTE> user(size);
    if (!GetTokenInformation(token.Get(), TokenUser, user.data(), size, &size))
        return CSid();
    return CSid(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid);
}

namespace {

const SECURITY_INFORMATION kOwnerAndList = OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;

bool IsAmong(PSID sid, const std::vector<CSid>& sids)
{
    for (const CSid& one : sids)
        if (one.Is(sid))
            return true;
    return false;
}

// "X:\" or "\\server\share\" of a full path; empty when the path has neither form.
std::string VolumeRoot(const char* fullPath)
{
    std::string path(fullPath);
    if (path.size() >= 3 && path[1] == ':' && path[2] == '\\')
        return path.substr(0, 3);
    if (path.compare(0, 2, "\\\\") != 0)
        return std::string();
    int separators = 0;
    for (size_t at = 0; at < path.size(); ++at) {
        if (path[at] == '\\' && ++separators == 4)
            return path.substr(0, at + 1);
        // The second byte of a double-byte character may be that of a backslash.
        if (CLeadBytes::Ansi().IsLead(path[at]) && at + 1 < path.size())
            ++at;
    }
    return path + "\\";
}

} // namespace

template <typename Read>
bool CReadSecurity::ReadWith(Read read)
{
    m_bytes.clear();
    DWORD size = 0;
    m_error = read(nullptr, 0, &size);
    // Bounded: a descriptor that keeps growing between the two reads is not waited for.
    for (int round = 0; round < 4 && m_error == ERROR_INSUFFICIENT_BUFFER && size > 0; ++round) {
        m_bytes.resize(size);
        m_error = read(m_bytes.data(), size, &size);
    }
    if (m_error != ERROR_SUCCESS)
        m_bytes.clear();
    return m_error == ERROR_SUCCESS && !m_bytes.empty();
}

bool CReadSecurity::FromFile(const char* path, SECURITY_INFORMATION what)
{
    return ReadWith([path, what](PSECURITY_DESCRIPTOR to, DWORD size, DWORD* needed) {
        return GetFileSecurityA(path, what, to, size, needed) ? ERROR_SUCCESS : GetLastError();
    });
}

bool CReadSecurity::FromHandle(HANDLE object)
{
    return ReadWith([object](PSECURITY_DESCRIPTOR to, DWORD size, DWORD* needed) {
        return GetKernelObjectSecurity(object, kOwnerAndList, to, size, needed) ? ERROR_SUCCESS : GetLastError();
    });
}

bool CReadSecurity::FromKey(HKEY key)
{
    return ReadWith([key](PSECURITY_DESCRIPTOR to, DWORD size, DWORD* needed) {
        *needed = size;
        LONG result = RegGetKeySecurity(key, kOwnerAndList, to, needed);
        // An empty buffer is answered with the size needed.
        return !to && result == ERROR_SUCCESS ? static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER) : static_cast<DWORD>(result);
    });
}

bool CReadSecurity::OwnerIsOneOf(const std::vector<CSid>& owners) const
{
    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    return !m_bytes.empty() && GetSecurityDescriptorOwner(Descriptor(), &owner, &defaulted) && owner &&
           IsAmong(owner, owners);
}

bool CReadSecurity::AllowsOthers(DWORD rights, const std::vector<CSid>& kept) const
{
    return Allows(rights, kept, false);
}

bool CReadSecurity::AllowsAnyOf(DWORD rights, const std::vector<CSid>& whom) const
{
    return Allows(rights, whom, true);
}

bool CReadSecurity::Allows(DWORD rights, const std::vector<CSid>& sids, bool listedOnes) const
{
    if (m_bytes.empty())
        return true;
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL acl = nullptr;
    if (!GetSecurityDescriptorDacl(Descriptor(), &present, &acl, &defaulted))
        return true;
    if (!present || !acl)
        return true; // no access list: everyone may do everything
    ACL_SIZE_INFORMATION information = {};
    if (!GetAclInformation(acl, &information, sizeof information, AclSizeInformation))
        return true;
    for (DWORD index = 0; index < information.AceCount; ++index) {
        void* entry = nullptr;
        if (!GetAce(acl, index, &entry))
            return true;
        const ACE_HEADER* header = static_cast<const ACE_HEADER*>(entry);
        if (header->AceFlags & INHERIT_ONLY_ACE)
            continue; // only for what is made inside it later
        if (header->AceType == ACCESS_DENIED_ACE_TYPE || header->AceType == SYSTEM_AUDIT_ACE_TYPE ||
            header->AceType == SYSTEM_ALARM_ACE_TYPE)
            continue;
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE)
            return true;
        const ACCESS_ALLOWED_ACE* allowed = static_cast<const ACCESS_ALLOWED_ACE*>(entry);
        if ((allowed->Mask & rights) == 0)
            continue;
        PSID who = const_cast<DWORD*>(&allowed->SidStart);
        if (IsAmong(who, sids) == listedOnes)
            return true;
    }
    return false;
}

CNarrowSecurity::CNarrowSecurity(Who who, DWORD fullRights, DWORD everyoneRights)
{
    m_holders.push_back(CSid::Administrators());
    m_holders.push_back(CSid::System());
    if (who == AdministratorsAndMe) {
        CSid me = CSid::RunningUser();
        if (!me.Get())
            return;
        m_holders.push_back(me);
    } else {
        m_owner = CSid::Administrators();
    }
    if (everyoneRights)
        m_everyone = CSid::Everyone();

    DWORD size = sizeof(ACL);
    auto entrySize = [](const CSid& sid) { return sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD) + GetLengthSid(sid.Get()); };
    for (const CSid& holder : m_holders)
        size += entrySize(holder);
    if (m_everyone.Get())
        size += entrySize(m_everyone);
    m_acl.resize(size);
    PACL acl = reinterpret_cast<PACL>(m_acl.data());
    if (!InitializeAcl(acl, size, ACL_REVISION))
        return;
    for (const CSid& holder : m_holders)
        if (!AddAccessAllowedAce(acl, ACL_REVISION, fullRights, holder.Get()))
            return;
    if (m_everyone.Get() && !AddAccessAllowedAce(acl, ACL_REVISION, everyoneRights, m_everyone.Get()))
        return;
    if (!InitializeSecurityDescriptor(&m_descriptor, SECURITY_DESCRIPTOR_REVISION) ||
        !SetSecurityDescriptorDacl(&m_descriptor, TRUE, acl, FALSE))
        return;
    // Set in the structure itself: NT 4.0 has no call for it.
    m_descriptor.Control |= SE_DACL_PROTECTED;
    if (m_owner.Get()) {
        if (!SetSecurityDescriptorOwner(&m_descriptor, m_owner.Get(), FALSE))
            return;
        m_parts |= OWNER_SECURITY_INFORMATION;
    }
    m_attributes.nLength = sizeof m_attributes;
    m_attributes.lpSecurityDescriptor = &m_descriptor;
    m_attributes.bInheritHandle = FALSE;
    m_valid = true;
}

bool VolumeKeepsSecurity(const char* path)
{
    const CString full = FullPathOf(path);
    if (full.IsEmpty())
        return true;
    std::string root = VolumeRoot(full.c_str());
    DWORD flags = 0;
    if (root.empty() || !GetVolumeInformationA(root.c_str(), nullptr, 0, nullptr, nullptr, &flags, nullptr, 0))
        return true; // the file's own security answers then
    return (flags & FS_PERSISTENT_ACLS) != 0;
}

UserWritable UsersMayChange(const char* path)
{
    if (!VolumeKeepsSecurity(path))
        return UserWritable::NoAccessLists;
    CReadSecurity security;
    if (!security.FromFile(path)) {
        switch (security.Error()) {
        case ERROR_NOT_SUPPORTED: return UserWritable::NoAccessLists;
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND: return UserWritable::Missing;
        default: return UserWritable::Unreadable;
        }
    }
    static const std::vector<CSid> users = {CSid::Everyone(), CSid::Users(), CSid::AuthenticatedUsers(),
                                            CSid::Interactive()};
    static const std::vector<CSid> owners = {CSid::Administrators(), CSid::System(), CSid::RunningUser()};
    if (security.AllowsAnyOf(kFileChangeRights, users))
        return UserWritable::Yes;
    // A folder a user made (under C:\TEMP, say) is theirs, whatever its access list says now.
    return security.OwnerIsOneOf(owners) ? UserWritable::No : UserWritable::ForeignOwner;
}

const char* WhyNotTrusted(const CString& folder, const char* name)
{
    switch (UsersMayChange(folder)) {
    case UserWritable::Yes: return "users may change its folder";
    case UserWritable::ForeignOwner: return "its folder is owned by someone other than Administrators, SYSTEM or this user";
    case UserWritable::Unreadable: return "its folder's access list cannot be read";
    case UserWritable::Missing: return "its folder is not there";
    default: break;
    }
    CString file(folder);
    EnsureTrailingBackslash(file);
    file += name;
    switch (UsersMayChange(file)) {
    case UserWritable::Yes: return "users may change the file";
    case UserWritable::ForeignOwner: return "the file is owned by someone other than Administrators, SYSTEM or this user";
    case UserWritable::Unreadable: return "its access list cannot be read";
    case UserWritable::Missing: return "the file is not there";
    default: return "";
    }
}
