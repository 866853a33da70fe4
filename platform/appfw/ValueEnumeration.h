// The values of a registry key one at a time, each read with room for what it holds: the room
// grows to the longest name and data the key says it has, and again for a value that outgrew it
// meanwhile. The ANSI form shows names as the ANSI calls fold them; the wide form keeps a name's
// own letters.
#pragma once

#include <windows.h>

#include <new>
#include <vector>

namespace value_enumeration {

inline LONG Enumerate(HKEY key, DWORD index, char* name, DWORD* nameChars, DWORD* type, BYTE* data, DWORD* dataBytes)
{
    return RegEnumValueA(key, index, name, nameChars, nullptr, type, data, dataBytes);
}
inline LONG Enumerate(HKEY key, DWORD index, wchar_t* name, DWORD* nameChars, DWORD* type, BYTE* data, DWORD* dataBytes)
{
    return RegEnumValueW(key, index, name, nameChars, nullptr, type, data, dataBytes);
}
inline LONG Longest(HKEY key, char*, DWORD& nameChars, DWORD& dataBytes)
{
    return RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &nameChars, &dataBytes,
                            nullptr, nullptr);
}
inline LONG Longest(HKEY key, wchar_t*, DWORD& nameChars, DWORD& dataBytes)
{
    return RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &nameChars, &dataBytes,
                            nullptr, nullptr);
}

} // namespace value_enumeration

template <typename Char>
class CValueEnumeration {
public:
    // Names are at most 16,383 characters; in the ANSI code page each may take two bytes.
    static const DWORD kLongestName = sizeof(Char) == 1 ? 2 * 16383 + 1 : 16383 + 1;

    // Data beyond mostDataBytes is not read: such a value gives its name, type and size only.
    explicit CValueEnumeration(HKEY key, DWORD mostDataBytes = 0xFFFFFFFFu) : m_key(key), m_mostData(mostDataBytes)
    {
        MakeRoom();
    }

    // Value `index`: ERROR_SUCCESS, ERROR_NO_MORE_ITEMS, ERROR_MORE_DATA for data beyond the
    // bound, or why it cannot be read.
    LONG Read(DWORD index)
    {
        m_nameRead = m_dataRead = false;
        LONG result = ERROR_MORE_DATA;
        // The rounds bound the chase of a value that keeps growing.
        for (int round = 0; round < 16 && result == ERROR_MORE_DATA; ++round) {
            m_nameChars = static_cast<DWORD>(m_name.size());
            m_dataBytes = static_cast<DWORD>(m_data.size());
            result = value_enumeration::Enumerate(m_key, index, m_name.data(), &m_nameChars, &m_type, m_data.data(),
                                                  &m_dataBytes);
            if (result == ERROR_SUCCESS)
                return m_nameRead = m_dataRead = true, result;
            if (result == ERROR_MORE_DATA && !Grow())
                break;
        }
        if (result == ERROR_NO_MORE_ITEMS)
            return result;
        // Not read whole: its name, type and size where they can be.
        m_nameChars = static_cast<DWORD>(m_name.size());
        m_dataBytes = 0;
        m_nameRead = value_enumeration::Enumerate(m_key, index, m_name.data(), &m_nameChars, &m_type, nullptr,
                                                  &m_dataBytes) == ERROR_SUCCESS;
        return result;
    }

    bool NameRead() const { return m_nameRead; }
    const Char* Name() const { return m_name.data(); }
    DWORD NameChars() const { return m_nameChars < m_name.size() ? m_nameChars : static_cast<DWORD>(m_name.size() - 1); }
    DWORD Type() const { return m_type; }
    bool DataRead() const { return m_dataRead; }
    const BYTE* Data() const { return m_data.data(); }
    // The bytes read, or the value's size where only that could be read.
    DWORD DataBytes() const { return m_dataBytes; }

private:
    // Room for the longest the key says it holds; false when there is no more to make.
    bool MakeRoom()
    {
        DWORD nameChars = 0, dataBytes = 0;
        if (value_enumeration::Longest(m_key, static_cast<Char*>(nullptr), nameChars, dataBytes) != ERROR_SUCCESS)
            nameChars = dataBytes = 0;
        const size_t names = sizeof(Char) == 1 ? 2 * static_cast<size_t>(nameChars) + 2 : nameChars + 2;
        const size_t data = (dataBytes < m_mostData ? dataBytes : m_mostData) + 2;
        const bool more = names > m_name.size() || data > m_data.size();
        return Resize(m_name, names < kLongestName ? names : kLongestName) && Resize(m_data, data) && more;
    }

    // More room for what did not fit: what the key now says, else the data where it says how
    // much it needs, else the name, doubled up to the longest.
    bool Grow()
    {
        if (MakeRoom())
            return true;
        if (m_dataBytes > m_data.size())
            return m_dataBytes <= m_mostData && Resize(m_data, m_dataBytes);
        if (m_name.size() >= kLongestName)
            return false;
        return Resize(m_name, m_name.size() * 2 < kLongestName ? m_name.size() * 2 : kLongestName);
    }

    template <typename T>
    static bool Resize(std::vector<T>& room, size_t size)
    {
        try {
            if (size > room.size())
                room.resize(size);
            return true;
        } catch (const std::bad_alloc&) {
            return false;
        }
    }

    HKEY m_key;
    DWORD m_mostData;
    std::vector<Char> m_name;
    std::vector<BYTE> m_data;
    DWORD m_nameChars = 0;
    DWORD m_dataBytes = 0;
    DWORD m_type = REG_NONE;
    bool m_nameRead = false;
    bool m_dataRead = false;
};
