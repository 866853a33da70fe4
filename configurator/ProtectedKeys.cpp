#include "ProtectedKeys.h"

#include "Protection.h"
#include "RegistryKey.h"
#include "RunLog.h"

#include <cstring>

namespace {

const char kLifeProbe[] = "Linkwell volatility check";

const std::vector<CSid>& Administration()
{
    static const std::vector<CSid> holders = {CSid::Administrators(), CSid::System()};
    return holders;
}

// A key's life cannot be asked for on NT 4.0; a volatile key refuses a lasting subkey.
bool IsVolatileKey(HKEY key, bool& known)
{
    CKey probe;
    bool created = false;
    LONG made = probe.Create(key, kLifeProbe, REG_OPTION_NON_VOLATILE, KEY_READ, nullptr, &created);
    known = made == ERROR_SUCCESS || made == ERROR_CHILD_MUST_BE_VOLATILE;
    probe.Close();
    if (created)
        RegDeleteKeyA(key, kLifeProbe);
    return made == ERROR_CHILD_MUST_BE_VOLATILE;
}

// Who owns the key and who else may change it; empty when only administration may.
CString WhyOthersMayChange(HKEY key)
{
    CReadSecurity security;
    if (!security.FromKey(key))
        return CString("its access list cannot be read (error ") + CRunLog::Number(static_cast<long>(security.Error())) +
               ")";
    if (!security.OwnerIsOneOf(Administration()))
        return "it is owned by someone other than Administrators or SYSTEM";
    if (security.AllowsOthers(kKeyChangeRights, Administration()))
        return "it lets others than Administrators and SYSTEM change it";
    return CString();
}

CString KeyName(const char* path)
{
    return CString("HKLM\\") + path;
}

// A key that names another: opening or deleting it by its name would reach the other key.
bool IsLink(const char* path)
{
    CRegKey link;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, REG_OPTION_OPEN_LINK, KEY_QUERY_VALUE, link.Receive()) != ERROR_SUCCESS)
        return false;
    DWORD type = 0;
    return RegQueryValueExA(link.Get(), "SymbolicLinkValue", nullptr, &type, nullptr, nullptr) == ERROR_SUCCESS &&
           type == REG_LINK;
}

// Deletes a rejected key of ours: only it and the one subkey of ours it may hold (`child`, the
// next key of the path), never a link and never a key this run did not name. Why not, when not.
CString DeleteRejectedKey(const char* path, const char* child)
{
    for (const char* name : {child, path}) {
        if (name && IsLink(name))
            return CString("it cannot be deleted: ") + KeyName(name) + " is a link to another key";
    }
    CKey key;
    LONG opened = key.Open(HKEY_LOCAL_MACHINE, path, KEY_ENUMERATE_SUB_KEYS);
    if (opened != ERROR_SUCCESS)
        return "it cannot be deleted (error " + CRunLog::Number(opened) + ")";
    // The child's path is the parent's, a backslash and its own name.
    const CString childName = child ? CString(child + strlen(path) + 1) : CString();
    for (DWORD index = 0;; ++index) {
        char name[256];
        DWORD chars = sizeof name;
        LONG listed = key.EnumKey(index, name, chars);
        if (listed == ERROR_NO_MORE_ITEMS)
            break;
        if (listed != ERROR_SUCCESS || childName.IsEmpty() || !childName.EqualsNoCase(CString(name)))
            return "it cannot be deleted: it holds a key this run did not make";
    }
    key.Close();
    LONG deleted = child ? RegDeleteKeyA(HKEY_LOCAL_MACHINE, child) : ERROR_SUCCESS;
    if (deleted == ERROR_FILE_NOT_FOUND)
        deleted = ERROR_SUCCESS;
    if (deleted == ERROR_SUCCESS)
        deleted = RegDeleteKeyA(HKEY_LOCAL_MACHINE, path);
    return deleted == ERROR_SUCCESS ? CString() : "it cannot be deleted (error " + CRunLog::Number(deleted) + ")";
}

} // namespace

CString WhyKeyNotProtected(HKEY key, KeyLife life)
{
    CString why = WhyOthersMayChange(key);
    if (!why.IsEmpty())
        return why;
    bool known = false;
    const bool isVolatile = IsVolatileKey(key, known);
    if (!known)
        return "whether a restart forgets it cannot be told";
    if (isVolatile != (life == KeyLife::Volatile))
        return isVolatile ? "it is volatile" : "it is not volatile";
    return CString();
}

bool MakeProtectedKeys(const std::vector<const char*>& path, KeyLife life, KeyThere there, CRunLog* log)
{
    CNarrowSecurity narrow(CNarrowSecurity::AdministratorsOnly, KEY_ALL_ACCESS, KEY_READ);
    if (!narrow.IsValid()) {
        LogLine(log, "  no access list for the keys could be built: nothing is written");
        return false;
    }
    const DWORD options = life == KeyLife::Volatile ? REG_OPTION_VOLATILE : REG_OPTION_NON_VOLATILE;
    const REGSAM judging = KEY_READ | READ_CONTROL | KEY_CREATE_SUB_KEY;
    for (size_t at = 0; at < path.size(); ++at) {
        const char* name = path[at];
        CKey existing;
        LONG opened = existing.Open(HKEY_LOCAL_MACHINE, name, judging);
        if (opened != ERROR_FILE_NOT_FOUND && there == KeyThere::Kept)
            continue;
        if (opened != ERROR_FILE_NOT_FOUND) {
            CString why = opened == ERROR_SUCCESS ? WhyKeyNotProtected(existing, life)
                                                  : "it cannot be opened (error " + CRunLog::Number(opened) + ")";
            existing.Close();
            if (!why.IsEmpty()) {
                CString refused = DeleteRejectedKey(name, at + 1 < path.size() ? path[at + 1] : nullptr);
                if (!refused.IsEmpty()) {
                    LogLine(log, CString("  key ") + KeyName(name) + " was there before this run and " + why + "; " +
                                     refused + ": nothing is written");
                    return false;
                }
                LogLine(log, CString("  key ") + KeyName(name) + " was there before this run and " + why +
                                 ": deleted and made again");
            }
        }
        // The access list is given at creation (the system honours it there) and set again with its
        // owner, which creation leaves to the caller.
        CKey key;
        bool created = false;
        LONG made = key.Create(HKEY_LOCAL_MACHINE, name, options, judging | WRITE_DAC | WRITE_OWNER, narrow.Attributes(),
                               &created);
        if (made != ERROR_SUCCESS) {
            LogLine(log, CString("  key ") + KeyName(name) + " cannot be made (error " + CRunLog::Number(made) +
                             "): nothing is written");
            return false;
        }
        LONG secured = created ? RegSetKeySecurity(key, narrow.Parts(), narrow.Descriptor()) : ERROR_SUCCESS;
        CString why = secured == ERROR_SUCCESS ? WhyKeyNotProtected(key, life)
                                               : "its access list cannot be set (error " + CRunLog::Number(secured) + ")";
        if (!why.IsEmpty()) {
            LogLine(log, CString("  key ") + KeyName(name) + ": " + why + ": nothing is written");
            return false;
        }
    }
    return true;
}

bool KeysAreProtected(const std::vector<const char*>& path, CString& why)
{
    for (const char* name : path) {
        CKey key;
        LONG opened = key.Open(HKEY_LOCAL_MACHINE, name, KEY_READ | READ_CONTROL);
        if (opened == ERROR_FILE_NOT_FOUND)
            continue;
        CString reason = opened == ERROR_SUCCESS ? WhyOthersMayChange(key)
                                                 : "it cannot be opened (error " + CRunLog::Number(opened) + ")";
        if (!reason.IsEmpty()) {
            why = CString("key ") + KeyName(name) + ": " + reason;
            return false;
        }
    }
    return true;
}
