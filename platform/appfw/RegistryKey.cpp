#include "RegistryKey.h"

#include <vector>

LONG CKey::Create(HKEY parent, const char* name, DWORD options, REGSAM access, SECURITY_ATTRIBUTES* security,
                  bool* created)
{
    DWORD disposition = 0;
    LONG result = RegCreateKeyExA(parent, name, 0, nullptr, options, access, security, m_key.Receive(), &disposition);
    if (created)
        *created = result == ERROR_SUCCESS && disposition == REG_CREATED_NEW_KEY;
    return result;
}

LONG CKey::Open(HKEY parent, const char* name, REGSAM access)
{
    return RegOpenKeyExA(parent, name, 0, access, m_key.Receive());
}

LONG CKey::SetValue(const char* name, DWORD value)
{
    return RegSetValueExA(m_key.Get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

LONG CKey::SetValue(const char* name, const CString& text)
{
    return RegSetValueExA(m_key.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>(text.GetLength()) + 1);
}

LONG CKey::DeleteValue(const char* name)
{
    return RegDeleteValueA(m_key.Get(), name);
}

LONG CKey::QueryValue(const char* name, DWORD& value) const
{
    DWORD read = 0;
    DWORD size = sizeof read;
    DWORD type = 0;
    LONG result = RegQueryValueExA(m_key.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&read), &size);
    if (result != ERROR_SUCCESS)
        return result;
    if (type != REG_DWORD || size != sizeof read)
        return ERROR_INVALID_DATA;
    value = read;
    return ERROR_SUCCESS;
}

LONG CKey::QueryValue(const char* name, void* data, DWORD& size, DWORD& type) const
{
    return RegQueryValueExA(m_key.Get(), name, nullptr, &type, static_cast<BYTE*>(data), &size);
}

CString CKey::QueryString(const char* name, DWORD bufferBytes) const
{
    std::vector<BYTE> data(bufferBytes ? bufferBytes : 1);
    DWORD size = bufferBytes;
    DWORD type = 0;
    if (QueryValue(name, data.data(), size, type) != ERROR_SUCCESS)
        return CString();
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        return CString();
    DWORD length = 0;
    while (length < size && length < bufferBytes && data[length] != 0)
        ++length;
    if (length >= bufferBytes)
        return CString();
    return CString(reinterpret_cast<const char*>(data.data()), static_cast<int>(length));
}

LONG CKey::EnumKey(DWORD index, char* name, DWORD& chars) const
{
    return RegEnumKeyExA(m_key.Get(), index, name, &chars, nullptr, nullptr, nullptr, nullptr);
}

LONG CKey::EnumValue(DWORD index, char* name, DWORD& nameChars, void* data, DWORD& dataBytes) const
{
    return RegEnumValueA(m_key.Get(), index, name, &nameChars, nullptr, nullptr, static_cast<BYTE*>(data), &dataBytes);
}

LONG CKey::QueryValueSizes(DWORD& values, DWORD& longestNameChars, DWORD& longestDataBytes) const
{
    return RegQueryInfoKeyA(m_key.Get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values,
                            &longestNameChars, &longestDataBytes, nullptr, nullptr);
}
