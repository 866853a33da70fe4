// The log a run leaves for support when "/LOG=" names a file: what the configurator saw and did,
// one fact per line, appended so that the runs of one setup land in one file. A log that cannot
// be opened or written is left out silently; nothing a run does depends on it.
#pragma once

#include "CString.h"
#include "UniqueHandle.h"

class CRunLog {
public:
    // Longest text of a value, a path or a configuration line in the log; a longer one is cut
    // there and its length is said.
    static const int kLongestText = 200;

    CRunLog() = default;
    CRunLog(const CRunLog&) = delete;
    CRunLog& operator=(const CRunLog&) = delete;

    // Opens the file for appending, allowing others to read it meanwhile; false (and no log) when
    // it cannot be opened, is a folder or is read-only.
    bool Open(const CString& path);
    // Keeps the lines in memory instead, for a preview shown in its window.
    void KeepInMemory() { m_inMemory = true; }
    const CString& Text() const { return m_text; }
    bool IsOn() const { return m_file.IsValid() || m_inMemory; }

    // One line; nothing when the log is off or has failed once.
    void Line(const CString& text);

    // The text in double quotes, cut at kLongestText characters.
    static CString Quoted(const CString& text);
    static CString Number(long value);

private:
    CFileHandle m_file;
    bool m_inMemory = false;
    CString m_text;
};

// Writes a line when there is a log: the callers keep their own code the same with or without one.
inline void LogLine(CRunLog* log, const CString& text)
{
    if (log)
        log->Line(text);
}
