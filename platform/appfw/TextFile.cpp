#include "TextFile.h"

#include "ByteBlock.h"

#include <cstring>

namespace {
const char kCtrlZ = '\x1A';
}

bool CTextFileReader::Open(const char* path)
{
    m_used = m_pos = 0;
    m_atEnd = m_failed = m_atMark = m_lineCut = false;
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

bool CTextFileReader::ReadLine(CTextLine& line)
{
    m_joined.Empty();
    m_lineCut = false;
    bool any = false;
    const char* text;
    int length;
    for (;;) {
        if (m_pos == m_used && !Fill()) {
            // The file ends without a line end: a CR at its end stays in the line.
            line.text = m_joined.c_str();
            line.length = m_joined.GetLength();
            return any;
        }
        const char* start = m_buffer + m_pos;
        const char* end = m_buffer + m_used;
        const char* stop = FindEitherByte(start, end, '\n', kCtrlZ);
        any = any || stop > start;
        m_pos = static_cast<DWORD>(stop - m_buffer);
        if (stop == end) {
            // The next block overwrites this one: keep what there is of the line.
            m_joined.Append(start, static_cast<int>(stop - start));
            continue;
        }
        if (m_joined.IsEmpty()) {
            text = start;
            length = static_cast<int>(stop - start);
        } else {
            m_joined.Append(start, static_cast<int>(stop - start));
            text = m_joined.c_str();
            length = m_joined.GetLength();
        }
        if (*stop == kCtrlZ) {
            // The text ends here; what follows stays in the file for ReadPastEndMark.
            m_atEnd = m_atMark = true;
            m_lineCut = any;
            m_blockEnd = m_used;
            m_used = m_pos;
        } else {
            ++m_pos; // the LF
            any = true;
            // Text mode: a CR right before the LF belongs to the line end.
            if (length > 0 && text[length - 1] == '\r')
                --length;
        }
        break;
    }
    line.text = text;
    line.length = length;
    return any;
}

void CTextFileReader::ReadRun(CTextRun& run)
{
    run.lines = 0;
    if (m_pos == m_used)
        Fill();
    const char* start = m_buffer + m_pos;
    const char* end = m_buffer + m_used;
    const char* next = start;
    for (;;) {
        const char* stop = FindEitherByte(next, end, '\n', kCtrlZ);
        if (stop == end || *stop == kCtrlZ || stop == next || stop[-1] != '\r')
            break;
        next = stop + 1;
        ++run.lines;
    }
    run.text = start;
    run.length = static_cast<int>(next - start);
    m_pos = static_cast<DWORD>(next - m_buffer);
}

bool CTextFileReader::ReadPastEndMark(const char*& bytes, int& length)
{
    if (!m_atMark || !m_file)
        return false;
    if (m_pos == m_blockEnd) {
        DWORD got = 0;
        if (!ReadFile(m_file.Get(), m_buffer, sizeof m_buffer, &got, nullptr))
            m_failed = true;
        if (m_failed || got == 0)
            return false;
        m_pos = 0;
        m_blockEnd = got;
    }
    bytes = m_buffer + m_pos;
    length = static_cast<int>(m_blockEnd - m_pos);
    m_pos = m_used = m_blockEnd; // nothing of it is read as lines
    return true;
}

bool CTextFileReader::ReadLine(CString& line)
{
    CTextLine read;
    line.Empty();
    if (!ReadLine(read))
        return false;
    line.Append(read.text, read.length);
    return true;
}

CTextFileWriter::~CTextFileWriter()
{
    Close();
}

bool CTextFileWriter::Create(const char* path)
{
    m_used = 0;
    m_failed = m_lineEndLast = false;
    m_owned.Reset(CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    m_file = m_owned.Get();
    return m_owned.IsValid();
}

bool CTextFileWriter::Attach(HANDLE file)
{
    m_used = 0;
    m_failed = m_lineEndLast = false;
    m_owned.Reset();
    m_file = file;
    return file != INVALID_HANDLE_VALUE && file != nullptr;
}

bool CTextFileWriter::Flush()
{
    DWORD done = 0;
    while (!m_failed && done < m_used) {
        DWORD wrote = 0;
        if (!WriteFile(m_file, m_buffer + done, m_used - done, &wrote, nullptr) || wrote == 0)
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
        CopyBytes(m_buffer + m_used, data, take);
        m_used += take;
        data += take;
        length -= static_cast<int>(take);
    }
    return !m_failed;
}

bool CTextFileWriter::WriteLine(const char* text, int length)
{
    if (m_file == INVALID_HANDLE_VALUE)
        return false;
    m_lineEndLast = true;
    if (static_cast<DWORD>(length) + 2 <= sizeof m_buffer - m_used && !m_failed) {
        CopyBytes(m_buffer + m_used, text, length);
        m_used += length;
        m_buffer[m_used++] = '\r';
        m_buffer[m_used++] = '\n';
        return true;
    }
    Put(text, length);
    // The line end goes into the buffer whole, where LeaveOffLastLineEnd can take it back.
    if (sizeof m_buffer - m_used < 2)
        Flush();
    return Put("\r\n", 2);
}

bool CTextFileWriter::WriteBytes(const char* bytes, int length)
{
    if (m_file == INVALID_HANDLE_VALUE)
        return false;
    m_lineEndLast = false;
    return Put(bytes, length);
}

void CTextFileWriter::LeaveOffLastLineEnd()
{
    if (m_lineEndLast && !m_failed && m_used >= 2)
        m_used -= 2;
    m_lineEndLast = false;
}

bool CTextFileWriter::Close()
{
    if (m_file == INVALID_HANDLE_VALUE)
        return !m_failed;
    Flush();
    m_file = INVALID_HANDLE_VALUE;
    if (!m_owned)
        return !m_failed;
    // The data must be on the disk before the file can take a configuration's name: a power cut
    // after the rename must not leave the name on a file whose blocks were never written.
    if (!m_failed && !FlushFileBuffers(m_owned.Get()))
        m_failed = true;
    if (!m_owned.Reset())
        m_failed = true;
    return !m_failed;
}
