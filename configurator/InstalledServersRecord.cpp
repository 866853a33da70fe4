#include "InstalledServersRecord.h"

#include "RegistryKey.h"

namespace {
const DWORD kStringBufferBytes = 255;
}

const char CInstalledServersRecord::kKeyPath[] = "SOFTWARE\\Corvane Linkwell Server Temp\\Installed Web Servers";

const CInstalledServersRecord::ValueNames CInstalledServersRecord::kNames[ServerKindCount] = {
    {"Pellan Mondrel", "Pellan Mondrel Config File", "Pellan Mondrel NVelda DLL File"},
    {"Pellan Brell", "Pellan Brell Config File", nullptr},
    {"Corvane SLS", "Corvane SLS Config File", nullptr},
    {"Microsoft IIS", nullptr, nullptr},
    {"Corvane HTTPD", "Corvane HTTPD Config File", nullptr},
    {"NETSCAPE", "NETSCAPE Config File", nullptr},
};

CInstalledServersRecord::CInstalledServersRecord()
{
    CKey key;
    key.Create(HKEY_LOCAL_MACHINE, kKeyPath, REG_OPTION_VOLATILE, KEY_ALL_ACCESS);
}

void CInstalledServersRecord::WriteServer(int kind, int found, const CString& firstFile, const CString& secondFile)
{
    if (kind < 0 || kind >= ServerKindCount)
        return;
    if (found != 0)
        m_anyFound = 1;
    CKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, kKeyPath, KEY_SET_VALUE) != ERROR_SUCCESS)
        return;
    const ValueNames& names = kNames[kind];
    key.SetValue(names.found, static_cast<DWORD>(found));
    if (names.firstFile)
        key.SetValue(names.firstFile, firstFile);
    if (names.secondFile)
        key.SetValue(names.secondFile, secondFile);
}

int CInstalledServersRecord::ReadServer(int kind, CString& firstFile, CString& secondFile) const
{
    if (kind < 0 || kind >= ServerKindCount)
        return 0;
    CKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, kKeyPath, KEY_QUERY_VALUE) != ERROR_SUCCESS)
        return 0;
    const ValueNames& names = kNames[kind];
    // A found value of another type or size counts as 0.
    DWORD found = 0;
    if (key.QueryValue(names.found, found) != ERROR_SUCCESS || found == 0)
        return 0;
    if (names.firstFile)
        firstFile = key.QueryString(names.firstFile, kStringBufferBytes);
    if (names.secondFile)
        secondFile = key.QueryString(names.secondFile, kStringBufferBytes);
    return static_cast<int>(found);
}

void CInstalledServersRecord::WriteSummary()
{
    CKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, kKeyPath, KEY_SET_VALUE) != ERROR_SUCCESS)
        return;
    key.SetValue("HasAWebServerBeenDiscovered", static_cast<DWORD>(m_anyFound));
    key.SetValue("Finished", static_cast<DWORD>(1));
}
