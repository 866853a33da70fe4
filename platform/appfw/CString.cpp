#include "CString.h"

#include "ByteBlock.h"
#include "LeadBytes.h"

#include <windows.h>

#include <cstring>
#include <new>
#include <utility>

namespace {

char* HeapGrow(char* block, int bytes)
{
    HANDLE heap = GetProcessHeap();
    void* grown = block ? HeapReAlloc(heap, 0, block, bytes) : HeapAlloc(heap, 0, bytes);
    if (!grown)
        throw std::bad_alloc();
    return static_cast<char*>(grown);
}

} // namespace

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

CString::CString() : m_data(nullptr), m_length(0), m_capacity(0) {}

CString::CString(const char* text) : CString()
{
    if (text)
        Append(text, static_cast<int>(strlen(text)));
}

CString::CString(const char* text, int length) : CString()
{
    Append(text, length);
}

CString::CString(const CString& other) : CString()
{
    Append(other.m_data, other.m_length);
}

CString::CString(CString&& other) noexcept
    : m_data(other.m_data), m_length(other.m_length), m_capacity(other.m_capacity)
{
    other.m_data = nullptr;
    other.m_length = other.m_capacity = 0;
}

CString::~CString()
{
    if (m_data)
        HeapFree(GetProcessHeap(), 0, m_data);
}

CString& CString::operator=(const CString& other)
{
    if (this != &other) {
        Empty();
        Append(other.m_data, other.m_length);
    }
    return *this;
}

CString& CString::operator=(CString&& other) noexcept
{
    std::swap(m_data, other.m_data);
    std::swap(m_length, other.m_length);
    std::swap(m_capacity, other.m_capacity);
    return *this;
}

CString& CString::operator=(const char* text)
{
    CString copy(text);
    return *this = std::move(copy);
}

void CString::Reserve(int capacity)
{
    if (capacity <= m_capacity)
        return;
    int grown = m_capacity < 16 ? 16 : m_capacity;
    while (grown < capacity)
        grown = grown > (0x7FFFFFFF - 1) / 2 ? 0x7FFFFFFF - 1 : grown * 2;
    m_data = HeapGrow(m_data, grown + 1);
    m_capacity = grown;
    // A first block holds no text yet; GetBuffer hands it out before anything is appended.
    m_data[m_length] = '\0';
}

void CString::Empty()
{
    m_length = 0;
    if (m_data)
        m_data[0] = '\0';
}

void CString::Truncate(int newLength)
{
    if (newLength >= 0 && newLength < m_length) {
        m_length = newLength;
        m_data[m_length] = '\0';
    }
}

void CString::Append(const char* text, int length)
{
    if (length <= 0)
        return;
    if (length > 0x7FFFFFFE - m_length)
        throw std::bad_alloc();
    // text may point into this string's own buffer, which Reserve can move.
    if (m_data && text >= m_data && text < m_data + m_capacity) {
        CString copy(text, length);
        Append(copy.m_data, length);
        return;
    }
    Reserve(m_length + length);
    CopyBytes(m_data + m_length, text, length);
    m_length += length;
    m_data[m_length] = '\0';
}

CString& CString::operator+=(const CString& other)
{
    Append(other.m_data, other.m_length);
    return *this;
}

CString& CString::operator+=(const char* text)
{
    if (text)
        Append(text, static_cast<int>(strlen(text)));
    return *this;
}

CString& CString::operator+=(char c)
{
    Append(&c, 1);
    return *this;
}

int CString::Find(const CString& what, int start) const
{
    if (start < 0)
        start = 0;
    if (what.m_length == 0)
        return start <= m_length ? start : -1;
    for (int i = start; i + what.m_length <= m_length; ++i) {
        if (m_data[i] == what.m_data[0] && memcmp(m_data + i, what.m_data, what.m_length) == 0)
            return i;
    }
    return -1;
}

int CString::Find(char c, int start) const
{
    for (int i = start < 0 ? 0 : start; i < m_length; ++i) {
        if (m_data[i] == c)
            return i;
    }
    return -1;
}

bool CString::HoldsInUpperAt(int at, const char* upperWhat, int length) const
{
    if (at < 0 || length > m_length - at)
        return false;
    const CLeadBytes& leads = CLeadBytes::Ansi();
    return leads.Any() ? HoldsInUpperCharacters(leads, m_data + at, upperWhat, length)
                       : HoldsInUpper(m_data + at, upperWhat, length);
}

CString CString::Mid(int first, int count) const
{
    if (first < 0)
        first = 0;
    if (first > m_length)
        first = m_length;
    if (count < 0 || count > m_length - first)
        count = m_length - first;
    return CString(m_data ? m_data + first : "", count);
}

CString CString::Mid(int first) const
{
    return Mid(first, -1);
}

void CString::MakeUpper()
{
    const CLeadBytes& leads = CLeadBytes::Ansi();
    for (int i = 0; i < m_length; ++i) {
        if (leads.IsLead(m_data[i]))
            ++i; // the second byte stays as it is
        else
            m_data[i] = AsciiUpper(m_data[i]);
    }
}

CString CString::Upper() const
{
    CString copy(*this);
    copy.MakeUpper();
    return copy;
}

int CString::CompareNoCase(const CString& other) const
{
    const CLeadBytes& leads = CLeadBytes::Ansi();
    int common = m_length < other.m_length ? m_length : other.m_length;
    // Up to the first difference both texts hold the same characters, so a lead byte in one is
    // one in the other, and the bytes after it compare as they stand.
    bool secondByte = false;
    for (int i = 0; i < common; ++i) {
        char a = m_data[i], b = other.m_data[i];
        if (secondByte) {
            secondByte = false;
        } else {
            secondByte = leads.IsLead(a);
            a = secondByte ? a : AsciiUpper(a);
            b = leads.IsLead(b) ? b : AsciiUpper(b);
        }
        if (a != b)
            return static_cast<unsigned char>(a) < static_cast<unsigned char>(b) ? -1 : 1;
    }
    return m_length == other.m_length ? 0 : (m_length < other.m_length ? -1 : 1);
}

bool CString::operator==(const CString& other) const
{
    return m_length == other.m_length && (m_length == 0 || memcmp(m_data, other.m_data, m_length) == 0);
}

void CString::TrimLeft()
{
    int skip = 0;
    while (skip < m_length && IsBlank(m_data[skip]))
        ++skip;
    if (skip > 0) {
        memmove(m_data, m_data + skip, m_length - skip);
        m_length -= skip;
        m_data[m_length] = '\0';
    }
}

void CString::TrimRight()
{
    while (m_length > 0 && IsBlank(m_data[m_length - 1]))
        --m_length;
    if (m_data)
        m_data[m_length] = '\0';
}

void CString::Trim()
{
    TrimRight();
    TrimLeft();
}

void CString::Replace(char from, char to)
{
    for (int i = 0; i < m_length; ++i) {
        if (m_data[i] == from)
            m_data[i] = to;
    }
}

char* CString::GetBuffer(int minLength)
{
    Reserve(minLength < 1 ? 1 : minLength);
    return m_data;
}

void CString::ReleaseBuffer(int newLength)
{
    if (!m_data)
        return;
    if (newLength < 0) {
        newLength = 0;
        while (newLength < m_capacity && m_data[newLength] != '\0')
            ++newLength;
    }
    m_length = newLength > m_capacity ? m_capacity : newLength;
    m_data[m_length] = '\0';
}

CString operator+(const CString& left, const CString& right)
{
    CString joined(left);
    joined += right;
    return joined;
}

CString operator+(const CString& left, const char* right)
{
    CString joined(left);
    joined += right;
    return joined;
}

CString operator+(const char* left, const CString& right)
{
    CString joined(left);
    joined += right;
    return joined;
}
