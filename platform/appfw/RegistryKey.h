// One registry key, owned: opened or created, used, and closed when the owner goes. Every call
// gives the system's error code (ERROR_SUCCESS when it worked); buffers bound what is read.
#pragma once

#include "CString.h"
#include "UniqueHandle.h"

#include <windows.h>

class CKey {
public:
    CKey() = default;
    CKey(const CKey&) = delete;
    CKey& operator=(const CKey&) = delete;

    // options: REG_OPTION_VOLATILE for a key that a restart forgets. `security`, where given, is
    // the new key's protection from the moment it exists; `created` says whether it was new.
    LONG Create(HKEY parent, const char* name, DWORD options, REGSAM access, SECURITY_ATTRIBUTES* security = nullptr,
                bool* created = nullptr);
    LONG Open(HKEY parent, const char* name, REGSAM access);
    void Close() { m_key.Reset(); }
    bool IsOpen() const { return m_key.IsValid(); }
    operator HKEY() const { return m_key.Get(); }

    LONG SetValue(const char* name, DWORD value);
    // A REG_SZ value of the text and its terminating zero.
    LONG SetValue(const char* name, const CString& text);
    LONG DeleteValue(const char* name);

    // A REG_DWORD value of exactly four bytes; ERROR_INVALID_DATA for a value of another type or size.
    LONG QueryValue(const char* name, DWORD& value) const;
    // The value's bytes as stored, up to `size` bytes (set to the bytes read), and its type.
    LONG QueryValue(const char* name, void* data, DWORD& size, DWORD& type) const;
    // The text of a REG_SZ or REG_EXPAND_SZ value up to its first zero. Empty when the value is
    // missing, is not a string, or does not fit a buffer of bufferBytes with a terminating zero.
    CString QueryString(const char* name, DWORD bufferBytes) const;

    // The name of subkey `index`; `chars` is the buffer's size in, the name's length out.
    LONG EnumKey(DWORD index, char* name, DWORD& chars) const;
    // Value `index`: its name (as EnumKey) and up to `dataBytes` bytes of its data (with a null
    // `data`, only the number of bytes it holds).
    LONG EnumValue(DWORD index, char* name, DWORD& nameChars, void* data, DWORD& dataBytes) const;
    // How many values the key holds, and the longest name (without its zero) and data among them.
    LONG QueryValueSizes(DWORD& values, DWORD& longestNameChars, DWORD& longestDataBytes) const;

private:
    CRegKey m_key;
};
