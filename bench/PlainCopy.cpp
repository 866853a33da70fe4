#include "PlainCopy.h"

#include <string>
#include <vector>
#include <windows.h>

namespace {

bool CopyBlocks(HANDLE from, HANDLE to)
{
    static char block[65536];
    for (;;) {
        DWORD got = 0, wrote = 0;
        if (!ReadFile(from, block, sizeof block, &got, nullptr))
            return false;
        if (got == 0)
            return true;
        if (!WriteFile(to, block, got, &wrote, nullptr) || wrote != got)
            return false;
    }
}

// The protection a rewrite hands on, written plainly: the attribute bits, then, on a volume
// that keeps security, owner, group, access list and audit list with the two privileges enabled
// for it and put back after.
bool CopyProtection(const char* from, const char* to)
{
    const DWORD mask = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
    DWORD attributes = GetFileAttributesA(from);
    DWORD bits = attributes & mask;
    if (attributes == INVALID_FILE_ATTRIBUTES ||
        ((GetFileAttributesA(to) & mask) != bits && !SetFileAttributesA(to, bits ? bits : FILE_ATTRIBUTE_NORMAL)))
        return false;
    char full[MAX_PATH];
    DWORD flags = 0;
    GetFullPathNameA(from, MAX_PATH, full, nullptr);
    full[3] = '\0';
    if (GetVolumeInformationA(full, nullptr, 0, nullptr, nullptr, &flags, nullptr, 0) && !(flags & FS_PERSISTENT_ACLS))
        return true;

    HANDLE token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
        return false;
    TOKEN_PRIVILEGES enable[2] = {}, previous[2] = {};
    const char* names[] = {SE_RESTORE_NAME, SE_SECURITY_NAME};
    bool audit = false;
    for (int i = 0; i < 2; ++i) {
        DWORD size = 0;
        enable[i].PrivilegeCount = 1;
        enable[i].Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
        LookupPrivilegeValueA(nullptr, names[i], &enable[i].Privileges[0].Luid);
        audit = AdjustTokenPrivileges(token, FALSE, &enable[i], sizeof previous[i], &previous[i], &size) &&
                GetLastError() == ERROR_SUCCESS;
    }
    SECURITY_INFORMATION what = OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION |
                                (audit ? SACL_SECURITY_INFORMATION : 0);
    DWORD size = 0;
    GetFileSecurityA(from, what, nullptr, 0, &size);
    std::vector<char> descriptor(size + 1);
    bool copied = GetFileSecurityA(from, what, descriptor.data(), size, &size) &&
                  SetFileSecurityA(to, what, descriptor.data());
    for (int i = 1; i >= 0; --i) {
        if (previous[i].PrivilegeCount > 0)
            AdjustTokenPrivileges(token, FALSE, &previous[i], 0, nullptr, nullptr);
    }
    CloseHandle(token);
    return copied;
}

} // namespace

bool PlainRewrite(const char* path)
{
    std::string temp = std::string(path) + "1";
    HANDLE from = CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (from == INVALID_HANDLE_VALUE)
        return false;
    HANDLE to = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (to == INVALID_HANDLE_VALUE) {
        CloseHandle(from);
        return false;
    }
    // Flushed like the product's rewrite, so that the two are compared doing the same work.
    bool copied = CopyBlocks(from, to) && FlushFileBuffers(to);
    CloseHandle(from);
    copied = CloseHandle(to) && copied;
    return copied && CopyProtection(path, temp.c_str()) && MoveFileExA(temp.c_str(), path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}
