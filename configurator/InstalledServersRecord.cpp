#include "InstalledServersRecord.h"

#include "RegistryValue.h"
#include "UniqueHandle.h"

namespace {

const DWORD kStringBufferBytes = 255;

void SetDword(HKEY key, const char* name, DWORD value)
{
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

void SetString(HKEY key, const char* name, const CString& value)
{
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.GetLength()) + 1);
}

DWORD QueryFound(HKEY key, const char* name)
{
    DWORD value = 0;
    DWORD size = sizeof value;
    DWORD type = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof value)
        return 0;
    return value;
}

} // namespace

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
    CRegKey key;
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKeyPath, 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr,
                    key.Receive(), nullptr);
}

void CInstalledServersRecord::WriteServer(int kind, int found, const CString& firstFile, const CString& secondFile)
{
    if (kind < 0 || kind >= ServerKindCount)
        return;
    if (found != 0)
        m_anyFound = 1;
    CRegKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKeyPath, 0, KEY_SET_VALUE, key.Receive()) != ERROR_SUCCESS)
        return;
    const ValueNames& names = kNames[kind];
    SetDword(key.Get(), names.found, static_cast<DWORD>(found));
    if (names.firstFile)
        SetString(key.Get(), names.firstFile, firstFile);
    if (names.secondFile)
        SetString(key.Get(), names.secondFile, secondFile);
}

int CInstalledServersRecord::ReadServer(int kind, CString& firstFile, CString& secondFile) const
{
    if (kind < 0 || kind >= ServerKindCount)
        return 0;
    CRegKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKeyPath, 0, KEY_QUERY_VALUE, key.Receive()) != ERROR_SUCCESS)
        return 0;
    const ValueNames& names = kNames[kind];
    int found = static_cast<int>(QueryFound(key.Get(), names.found));
    if (found == 0)
        return 0;
    if (names.firstFile)
        firstFile = QueryStringValue(key.Get(), names.firstFile, kStringBufferBytes);
    if (names.secondFile)
        secondFile = QueryStringValue(key.Get(), names.secondFile, kStringBufferBytes);
    return found;
}

void CInstalledServersRecord::WriteSummary()
{
    CRegKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKeyPath, 0, KEY_SET_VALUE, key.Receive()) != ERROR_SUCCESS)
        return;
    SetDword(key.Get(), "HasAWebServerBeenDiscovered", m_anyFound);
    SetDword(key.Get(), "Finished", 1);
}
