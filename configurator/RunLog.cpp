#include "RunLog.h"

#include <initializer_list>

bool CRunLog::Open(const CString& path)
{
    DWORD attributes = GetFileAttributesA(path);
    // Read-only is a refusal even where the system would let a privileged process write.
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != 0)
        return false;
    m_file.Reset(CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!IsOn())
        return false;
    if (SetFilePointer(m_file.Get(), 0, nullptr, FILE_END) == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR)
        m_file.Reset();
    return IsOn();
}

void CRunLog::Line(const CString& text)
{
    if (!IsOn())
        return;
    CString line(text);
    line += "\r\n";
    if (m_inMemory) {
        m_text += line;
        return;
    }
    DWORD wrote = 0;
    if (!WriteFile(m_file.Get(), line.c_str(), static_cast<DWORD>(line.GetLength()), &wrote, nullptr) ||
        wrote != static_cast<DWORD>(line.GetLength()))
        m_file.Reset();
}

CString CRunLog::Quoted(const CString& text)
{
    CString shown = text.Left(kLongestText);
    // A value may hold what would end or break a line of the log.
    for (char c : {'\0', '\r', '\n', '\x1A'})
        shown.Replace(c, '?');
    CString quoted = CString("\"") + shown + "\"";
    if (text.GetLength() > kLongestText)
        quoted += CString("... (cut, ") + Number(text.GetLength()) + " characters in all)";
    return quoted;
}

CString CRunLog::Number(long value)
{
    char text[24];
    wsprintfA(text, "%ld", value);
    return CString(text);
}
