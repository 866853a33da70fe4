#include "ReplacementFile.h"

#include <vector>

namespace {

// One privilege of the process enabled for the life of the object where the token holds it, and
// put back as it was after.
class CEnabledPrivilege {
public:
    CEnabledPrivilege(HANDLE token, const char* name) : m_token(token)
    {
        TOKEN_PRIVILEGES wanted = {};
        wanted.PrivilegeCount = 1;
        wanted.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
        DWORD size = 0;
        if (!token || !LookupPrivilegeValueA(nullptr, name, &wanted.Privileges[0].Luid))
            return;
        // Succeeds also when the token lacks the privilege; only the error tells.
        m_enabled = AdjustTokenPrivileges(token, FALSE, &wanted, sizeof m_previous, &m_previous, &size) &&
                    GetLastError() == ERROR_SUCCESS;
    }
    CEnabledPrivilege(const CEnabledPrivilege&) = delete;
    CEnabledPrivilege& operator=(const CEnabledPrivilege&) = delete;
    ~CEnabledPrivilege()
    {
        // No previous state: it was enabled before and stays so.
        if (m_enabled && m_previous.PrivilegeCount > 0)
            AdjustTokenPrivileges(m_token, FALSE, &m_previous, 0, nullptr, nullptr);
    }
    bool IsEnabled() const { return m_enabled; }

private:
    HANDLE m_token;
    TOKEN_PRIVILEGES m_previous = {};
    bool m_enabled = false;
};

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
        if (IsDBCSLeadByte(static_cast<BYTE>(path[at])) && at + 1 < path.size())
            ++at;
    }
    return path + "\\";
}

// FAT volumes keep no access lists: there is nothing to read or apply.
bool VolumeKeepsSecurity(const char* path)
{
    char full[MAX_PATH];
    DWORD length = GetFullPathNameA(path, sizeof full, full, nullptr);
    if (length == 0 || length >= sizeof full)
        return true;
    std::string root = VolumeRoot(full);
    DWORD flags = 0;
    if (root.empty() || !GetVolumeInformationA(root.c_str(), nullptr, 0, nullptr, nullptr, &flags, nullptr, 0))
        return true; // the file's own security answers then
    return (flags & FS_PERSISTENT_ACLS) != 0;
}

bool GiveAttributesOf(DWORD attributes, const char* replacement)
{
    const DWORD mask = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
    const DWORD kept = attributes & mask;
    DWORD now = GetFileAttributesA(replacement);
    if (now != INVALID_FILE_ATTRIBUTES && (now & mask) == kept)
        return true;
    return SetFileAttributesA(replacement, kept != 0 ? kept : FILE_ATTRIBUTE_NORMAL) != FALSE;
}

bool GiveSecurityOf(const char* original, const char* replacement)
{
    CKernelHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.Receive()))
        token.Detach();
    // Restoring lets an owner other than ourselves be set; the audit list needs the other one.
    CEnabledPrivilege restore(token.Get(), SE_RESTORE_NAME);
    CEnabledPrivilege security(token.Get(), SE_SECURITY_NAME);
    SECURITY_INFORMATION what = OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
    if (security.IsEnabled())
        what |= SACL_SECURITY_INFORMATION;

    DWORD size = 0;
    GetFileSecurityA(original, what, nullptr, 0, &size);
    DWORD error = GetLastError();
    if (error == ERROR_NOT_SUPPORTED)
        return true;
    if (error != ERROR_INSUFFICIENT_BUFFER || size == 0)
        return false;
    std::vector<char> descriptor(size);
    if (!GetFileSecurityA(original, what, descriptor.data(), size, &size))
        return false;
    return SetFileSecurityA(replacement, what, descriptor.data()) != FALSE;
}

} // namespace

bool GiveProtectionOf(const char* original, const char* replacement)
{
    DWORD attributes = GetFileAttributesA(original);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return GetLastError() == ERROR_FILE_NOT_FOUND;
    // The bits first: once the access list is applied we may no longer write them.
    return GiveAttributesOf(attributes, replacement) &&
           (!VolumeKeepsSecurity(original) || GiveSecurityOf(original, replacement));
}

bool CReplacementFile::Create()
{
    Discard();
    m_file.Reset(CreateFileA(m_replacement.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                             nullptr));
    m_created = m_file.IsValid();
    return m_created;
}

bool CReplacementFile::Write(const void* data, DWORD length)
{
    const char* bytes = static_cast<const char*>(data);
    while (length > 0) {
        DWORD wrote = 0;
        if (!m_file || !WriteFile(m_file.Get(), bytes, length, &wrote, nullptr) || wrote == 0)
            return false;
        bytes += wrote;
        length -= wrote;
    }
    return true;
}

bool CReplacementFile::Commit()
{
    if (!m_created || !m_file)
        return false;
    // The data must be on the disk before the file can take the original's name: a power cut
    // after the rename must not leave the name on a file whose blocks were never written.
    bool ok = FlushFileBuffers(m_file.Get()) != FALSE;
    ok = m_file.Reset() && ok;
    ok = ok && GiveProtectionOf(m_original.c_str(), m_replacement.c_str());
    // One step from the old content to the new: the original's name is never without a file.
    ok = ok && MoveFileExA(m_replacement.c_str(), m_original.c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
    if (ok)
        m_created = false;
    else
        Discard();
    return ok;
}

void CReplacementFile::Discard()
{
    m_file.Reset();
    if (m_created)
        DeleteFileA(m_replacement.c_str());
    m_created = false;
}
