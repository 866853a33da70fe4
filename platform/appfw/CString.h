// The framework's counted string of single-byte characters.
//
// Its memory comes from the process heap, so a string that one module lengthens can be freed by
// another: the configurator and the libraries pass CString references across module boundaries
// and each module carries its own copy of this code. The text may hold NUL bytes; c_str() is
// always NUL-terminated after the counted characters.
#pragma once

#include "ByteBlock.h" // AsciiUpper

#include <cstddef>

class CString {
public:
    CString();
    CString(const char* text);
    CString(const char* text, int length);
    CString(const CString& other);
    CString(CString&& other) noexcept;
    ~CString();

    CString& operator=(const CString& other);
    CString& operator=(CString&& other) noexcept;
    CString& operator=(const char* text);

    int GetLength() const { return m_length; }
    bool IsEmpty() const { return m_length == 0; }
    const char* c_str() const { return m_data ? m_data : ""; }
    operator const char*() const { return c_str(); }
    char operator[](int index) const { return m_data[index]; }
    char GetLast() const { return m_length ? m_data[m_length - 1] : '\0'; }

    void Empty();
    // Keeps the first newLength characters (no change when the string is not longer).
    void Truncate(int newLength);
    void Append(const char* text, int length);
    CString& operator+=(const CString& other);
    CString& operator+=(const char* text);
    CString& operator+=(char c);

    // Index of the first occurrence at or after start, or -1.
    int Find(const CString& what, int start = 0) const;
    int Find(char c, int start = 0) const;
    // Whether the text at `at` (where a character starts), read upper-cased, begins with an
    // upper-case text.
    bool HoldsInUpperAt(int at, const char* upperWhat, int length) const;
    CString Mid(int first, int count) const;
    CString Mid(int first) const;
    CString Left(int count) const { return Mid(0, count); }

    // Single-byte ASCII letters only: other bytes stay as they are, and so does the second byte
    // of a double-byte character of the ANSI code page, whatever letter its byte is (LeadBytes.h).
    void MakeUpper();
    CString Upper() const;
    // Compares ignoring the case of letters as MakeUpper folds them: <0, 0 or >0.
    int CompareNoCase(const CString& other) const;
    bool EqualsNoCase(const CString& other) const { return CompareNoCase(other) == 0; }
    bool operator==(const CString& other) const;
    bool operator!=(const CString& other) const { return !(*this == other); }
    bool operator==(const char* text) const { return *this == CString(text); }
    bool operator!=(const char* text) const { return !(*this == CString(text)); }

    // White space here is space, tab, CR, LF, vertical tab and form feed.
    void TrimLeft();
    void TrimRight();
    void Trim();
    void Replace(char from, char to);

    // Writable room for at least minLength characters; ReleaseBuffer sets the length.
    char* GetBuffer(int minLength);
    void ReleaseBuffer(int newLength = -1);

private:
    void Reserve(int capacity);

    char* m_data;
    int m_length;
    int m_capacity;
};

CString operator+(const CString& left, const CString& right);
CString operator+(const CString& left, const char* right);
CString operator+(const char* left, const CString& right);

bool IsBlank(char c);
