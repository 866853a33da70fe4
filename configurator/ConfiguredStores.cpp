#include "ConfiguredStores.h"

#include "FileIdentity.h"
#include "InstalledServersRecord.h"
#include "ProtectedKeys.h"
#include "RegistryKey.h"
#include "RunLog.h"
#include "ServerKinds.h"

namespace {

// Kind, file and program folder in one string value: no path holds the separator.
const char kSeparator = '|';
const char kSeparatorText[] = "|";
const int kMostEntries = 1000;
const DWORD kLongestEntryBytes = 1024;

CString Entry(int kind, const CString& file, const CString& programFolder)
{
    return CString(CInstalledServersRecord::FoundValueName(kind)) + kSeparatorText + file + kSeparatorText + programFolder;
}

bool ParseEntry(const CString& name, const CString& text, ConfiguredStore& store)
{
    const int first = text.Find(kSeparator);
    int last = -1;
    for (int at = first; at >= 0; at = text.Find(kSeparator, at + 1))
        last = at;
    if (first < 0 || last == first)
        return false;
    const CString kindName = text.Left(first);
    for (int kind = 0; kind < ServerKindCount; ++kind) {
        if (kindName == CInstalledServersRecord::FoundValueName(kind)) {
            store = {name, kind, text.Mid(first + 1, last - first - 1), text.Mid(last + 1)};
            return true;
        }
    }
    return false;
}

} // namespace

const char CConfiguredStores::kParentPath[] = "SOFTWARE\\Corvane Linkwell Server Setup";
const char CConfiguredStores::kKeyPath[] = "SOFTWARE\\Corvane Linkwell Server Setup\\Configured Web Servers";

bool CConfiguredStores::SameStore(int kind, const CString& file, int otherKind, const CString& otherFile)
{
    if (kind != otherKind)
        return false;
    if (kind >= 0 && kind < ServerKindCount && KindRow(static_cast<ServerKind>(kind)).store == StoreKind::VirtualRoots)
        return true; // the roots are one store
    FileIdentity one, other;
    if (IdentityOf(file, one) && IdentityOf(otherFile, other))
        return one == other;
    return file.EqualsNoCase(otherFile);
}

std::vector<ConfiguredStore> CConfiguredStores::Read(CRunLog* log)
{
    std::vector<ConfiguredStore> stores;
    CString why;
    if (!KeysAreProtected({kParentPath, kKeyPath}, why)) {
        LogLine(log, CString("the stores configured before are not read: ") + why);
        return stores;
    }
    CKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, kKeyPath, KEY_QUERY_VALUE) != ERROR_SUCCESS)
        return stores;
    for (DWORD index = 0; index < kMostEntries; ++index) {
        char name[256];
        DWORD nameChars = sizeof name;
        char data[kLongestEntryBytes + 1];
        DWORD dataBytes = kLongestEntryBytes;
        LONG listed = key.EnumValue(index, name, nameChars, data, dataBytes);
        if (listed == ERROR_NO_MORE_ITEMS)
            break;
        ConfiguredStore store;
        data[dataBytes < kLongestEntryBytes ? dataBytes : kLongestEntryBytes] = '\0';
        if (listed != ERROR_SUCCESS || !ParseEntry(CString(name, static_cast<int>(nameChars)), CString(data), store)) {
            LogLine(log, CString("  an entry of the stores configured before cannot be read (value ") +
                             CRunLog::Number(static_cast<long>(index)) + "): left as it is");
            continue;
        }
        stores.push_back(store);
    }
    return stores;
}

bool CConfiguredStores::Remember(int kind, const CString& file, const CString& programFolder, CRunLog* log)
{
    CString moved; // the entry of the same database, its server since moved
    for (const ConfiguredStore& store : Read(nullptr)) {
        if (!SameStore(store.kind, store.file, kind, file))
            continue;
        if (store.programFolder == programFolder)
            return true;
        moved = store.name;
    }
    if (!MakeProtectedKeys({kParentPath, kKeyPath}, KeyLife::Lasting, KeyThere::Judged, log))
        return false;
    CKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, kKeyPath, KEY_QUERY_VALUE | KEY_SET_VALUE) != ERROR_SUCCESS)
        return false;
    if (!moved.IsEmpty())
        return key.SetValue(moved, Entry(kind, file, programFolder)) == ERROR_SUCCESS;
    // The lowest free number names the entry.
    for (long number = 1; number <= kMostEntries; ++number) {
        CString name = CRunLog::Number(number);
        DWORD size = 0;
        DWORD type = 0;
        if (key.QueryValue(name, nullptr, size, type) != ERROR_FILE_NOT_FOUND)
            continue;
        LONG written = key.SetValue(name, Entry(kind, file, programFolder));
        if (written != ERROR_SUCCESS)
            LogLine(log, CString("  the store cannot be remembered for the uninstall (error ") + CRunLog::Number(written) +
                             ")");
        return written == ERROR_SUCCESS;
    }
    LogLine(log, "  the store cannot be remembered for the uninstall: the key holds too many");
    return false;
}

void CConfiguredStores::Forget(const CString& name)
{
    CKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, kKeyPath, KEY_SET_VALUE) == ERROR_SUCCESS)
        key.DeleteValue(name);
}
