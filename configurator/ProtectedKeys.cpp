#include "ProtectedKeys.h"

#include "Protection.h"
#include "RegistryKey.h"
#include "RunLog.h"

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
    for (const char* name : path) {
        CKey existing;
        LONG opened = existing.Open(HKEY_LOCAL_MACHINE, name, judging);
        if (opened != ERROR_FILE_NOT_FOUND && there == KeyThere::Kept)
            continue;
        if (opened != ERROR_FILE_NOT_FOUND) {
            CString why = opened == ERROR_SUCCESS ? WhyKeyNotProtected(existing, life)
                                                  : "it cannot be opened (error " + CRunLog::Number(opened) + ")";
            existing.Close();
            if (!why.IsEmpty()) {
                LONG deleted = CKey::DeleteTree(HKEY_LOCAL_MACHINE, name);
                if (deleted != ERROR_SUCCESS) {
                    LogLine(log, CString("  key ") + KeyName(name) + " was there before this run and " + why +
                                     "; it cannot be deleted (error " + CRunLog::Number(deleted) + "): nothing is written");
                    return false;
                }
                LogLine(log, CString("  key ") + KeyName(name) + " was there before this run and " + why +
                                 ": deleted with its subkeys and made again");
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
