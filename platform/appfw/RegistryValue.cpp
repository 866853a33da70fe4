#include "RegistryValue.h"

#include <vector>

CString QueryStringValue(HKEY key, const char* name, DWORD bufferBytes)
{
    std::vector<BYTE> data(bufferBytes ? bufferBytes : 1);
    DWORD size = bufferBytes;
    DWORD type = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, data.data(), &size) != ERROR_SUCCESS)
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
