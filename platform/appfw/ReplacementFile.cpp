#include "ReplacementFile.h"

#include "Protection.h"

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

// The original's protection as the replacement is to be born with: its security descriptor
// (none where the volume keeps none) and its hidden and system bits.
class COriginalProtection {
public:
    bool Read(const char* original, SECURITY_INFORMATION what)
    {
        m_what = what;
        const DWORD attributes = GetFileAttributesA(original);
        if (attributes == INVALID_FILE_ATTRIBUTES)
            return GetLastError() == ERROR_FILE_NOT_FOUND;
        m_attributes = attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
        if (!VolumeKeepsSecurity(original))
            return true;
        return m_security.FromFile(original, what) || m_security.Error() == ERROR_NOT_SUPPORTED;
    }
    bool HasSecurity() const { return m_security.DescriptorRead() != nullptr; }
    SECURITY_ATTRIBUTES* Attributes()
    {
        m_creation = {sizeof m_creation, m_security.DescriptorRead(), FALSE};
        return HasSecurity() ? &m_creation : nullptr;
    }
    // The bits a changed file is born with.
    DWORD FileAttributes() const { return m_attributes | FILE_ATTRIBUTE_ARCHIVE; }
    // The access list and, with the restore privilege, the owner are honoured at creation; set
    // again through the creator's own handle, with the group and the audit list, so that every
    // part is the original's on a system that takes only some of them at creation.
    bool GiveTo(HANDLE file) { return !HasSecurity() || SetKernelObjectSecurity(file, m_what, m_security.DescriptorRead()); }

private:
    CReadSecurity m_security;
    SECURITY_ATTRIBUTES m_creation = {};
    SECURITY_INFORMATION m_what = 0;
    DWORD m_attributes = 0;
};

} // namespace

bool CReplacementFile::Create()
{
    Discard();
    // Whatever stands at the name may be someone else's (a handle kept open to read what we
    // write, or to change its protection later): it is removed, never written into.
    if (!DeleteFileA(m_replacement.c_str())) {
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND)
            return Failed(error);
    }
    CKernelHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.Receive()))
        token.Detach();
    // Restoring lets an owner other than ourselves be set; the audit list needs the other one.
    CEnabledPrivilege restore(token.Get(), SE_RESTORE_NAME);
    CEnabledPrivilege security(token.Get(), SE_SECURITY_NAME);
    SECURITY_INFORMATION what = OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
    if (security.IsEnabled())
        what |= SACL_SECURITY_INFORMATION;
    COriginalProtection protection;
    if (!protection.Read(m_original.c_str(), what))
        return Failed(GetLastError());
    DWORD access = GENERIC_WRITE;
    if (protection.HasSecurity())
        access |= WRITE_DAC | WRITE_OWNER | (security.IsEnabled() ? ACCESS_SYSTEM_SECURITY : 0);
    // Exclusively: a file that appeared at the name since it was removed is not ours.
    m_file.Reset(CreateFileA(m_replacement.c_str(), access, 0, protection.Attributes(), CREATE_NEW,
                             protection.FileAttributes(), nullptr));
    m_created = m_file.IsValid();
    if (!m_created)
        return Failed(GetLastError());
    if (!protection.GiveTo(m_file.Get())) {
        Failed(GetLastError());
        Discard();
    }
    return m_created;
}

bool CReplacementFile::Write(const void* data, DWORD length)
{
    const char* bytes = static_cast<const char*>(data);
    while (length > 0) {
        DWORD wrote = 0;
        if (!m_file || !WriteFile(m_file.Get(), bytes, length, &wrote, nullptr) || wrote == 0)
            return Failed(m_file ? GetLastError() : ERROR_INVALID_HANDLE);
        bytes += wrote;
        length -= wrote;
    }
    return true;
}

bool CReplacementFile::Commit()
{
    if (!m_created || !m_file)
        return Failed(ERROR_INVALID_HANDLE);
    // The data must be on the disk before the file can take the original's name: a power cut
    // after the rename must not leave the name on a file whose blocks were never written.
    bool ok = FlushFileBuffers(m_file.Get()) != FALSE || Failed(GetLastError());
    ok = (m_file.Reset() || Failed(GetLastError())) && ok;
    // One step from the old content to the new: the original's name is never without a file.
    ok = ok && (MoveFileExA(m_replacement.c_str(), m_original.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) ||
                Failed(GetLastError()));
    if (ok)
        m_created = false;
    else
        Discard();
    return ok;
}

bool CReplacementFile::Failed(DWORD error)
{
    if (m_error == ERROR_SUCCESS)
        m_error = error;
    return false;
}

void CReplacementFile::Discard()
{
    m_file.Reset();
    if (m_created)
        DeleteFileA(m_replacement.c_str());
    m_created = false;
}
