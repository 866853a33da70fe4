#include "TextFile.h"

#include <cstring>

namespace {
const char kCtrlZ = '\x1A';
}

bool CTextFileReader::Open(const char* path)
{
    m_used = m_pos = 0;
    m_atEnd = m_failed = false;
    m_file.Reset(CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return m_file.IsValid();
}

bool CTextFileReader::Fill()
{
    if (m_atEnd || !m_file)
        return false;
    DWORD got = 0;
    if (!ReadFile(m_file.Get(), m_buffer, sizeof m_buffer, &got, nullptr)) {
        m_failed = m_atEnd = true;
        return false;
    }
    if (got == 0) {
        m_atEnd = true;
        return false;
    }
    m_used = got;
    m_pos = 0;
    return true;
}

bool CTextFileReader::ReadLine(CString& line)
{
    line.Empty();
    bool any = false;
    for (;;) {
        if (m_pos == m_used && !Fill())
            return any;
        const char* start = m_buffer + m_pos;
        const char* end = m_buffer + m_used;
        const char* p = start;
        while (p < end && *p != '\n' && *p != kCtrlZ)
            ++p;
        line.Append(start, static_cast<int>(p - start));
        any = any || p > start;
        m_pos = static_cast<DWORD>(p - m_buffer);
        if (p == end)
            continue;
        if (*p == kCtrlZ) {
            m_atEnd = true;
            m_used = m_pos;
            break;
        }
        ++m_pos; // the LF
        any = true;
        break;
    }
    // Text mode: a CR right before the LF belongs to the line end.
    if (line.GetLast() == '\r')
        line.Truncate(line.GetLength() - 1);
    return any || !line.IsEmpty();
}

CTextFileWriter::~CTextFileWriter()
{
    Close();
}

bool CTextFileWriter::Create(const char* path)
{
    m_used = 0;
    m_failed = false;
    m_file.Reset(CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    return m_file.IsValid();
}

bool CTextFileWriter::Flush()
{
    DWORD done = 0;
    while (!m_failed && done < m_used) {
        DWORD wrote = 0;
        if (!WriteFile(m_file.Get(), m_buffer + done, m_used - done, &wrote, nullptr) || wrote == 0)
            m_failed = true;
        done += wrote;
    }
    m_used = 0;
    return !m_failed;
}

bool CTextFileWriter::Put(const char* data, int length)
{
    while (length > 0 && !m_failed) {
        if (m_used == sizeof m_buffer && !Flush())
            break;
        DWORD room = sizeof m_buffer - m_used;
        DWORD take = static_cast<DWORD>(length) < room ? static_cast<DWORD>(length) : room;
        memcpy(m_buffer + m_used, data, take);
        m_used += take;
        data += take;
        length -= static_cast<int>(take);
    }
    return !m_failed;
}

bool CTextFileWriter::WriteLine(const CString& line)
{
    if (!m_file)
        return false;
    Put(line.c_str(), line.GetLength());
    return Put("\r\n", 2);
}

bool CTextFileWriter::Close()
{
    if (!m_file)
        return !m_failed;
    Flush();
    if (!m_file.Reset())
        m_failed = true;
    return !m_failed;
}
