// The log a run leaves for support when "/LOG=" names a file: what the configurator saw and did,
// one fact per line, appended so that the runs of one setup land in one file. A log that cannot
// be opened or written is left out silently; nothing a run does depends on it: it is only ever a
// plain disk file of its own, never a device or a file the run uses, and nothing its own work
// throws reaches the run.
#pragma once

#include "CString.h"
#include "FileIdentity.h"
#include "UniqueHandle.h"

#include <vector>

class CRunLog {
public:
    // Longest text of a value, a path or a configuration line in the log; a longer one is cut
    // there and its length is said.
    static const int kLongestText = 200;

    CRunLog() = default;
    CRunLog(const CRunLog&) = delete;
    CRunLog& operator=(const CRunLog&) = delete;

    // Opens the file for appending, allowing others to read it meanwhile; false (and no log) when
    // it cannot be opened, is a folder or is read-only, when its name is a device's or one the
    // product's files bear, when it is not a disk file with one link, or when it is the template
    // or one of the files the run is known to use (by their full names, or as the same file).
    bool Open(const CString& path, const std::vector<CString>& filesInUse = std::vector<CString>());
    // Keeps the lines in memory instead, for a preview shown in its window.
    void KeepInMemory() { m_inMemory = true; }
    const CString& Text() const { return m_text; }
    bool IsOn() const { return m_file.IsValid() || m_inMemory; }

    // One line; nothing when the log is off or has failed once. Never throws.
    void Line(const CString& text);

    // Before the run opens a file: when the path names the log's own file, the log closes for the
    // rest of the run, without another line, so that the run finds the file as it would without
    // a log. True when it did.
    bool StandAsideFrom(const CString& path);

    // The log's own work failed (memory ran out, most likely): said once, then the log is off.
    void GoQuiet();

    // The text in double quotes, cut at kLongestText characters; every control byte is shown as
    // \x and two hexadecimal digits, so that a value keeps to its line and shows what it holds.
    static CString Quoted(const CString& text);
    static CString Number(long value);
    // "error 5: Access is denied", as the system words the error (its number alone where it
    // has no words for it).
    static CString SystemError(DWORD error);

    // Whether a log may not be named so, whatever folder it is in: a device's name (CON, PRN,
    // AUX, NUL, COM1-9, LPT1-9, with or without an extension) or the name of a file the product
    // reads or rewrites (the template, the servers' configuration files, the Mondrel database,
    // and the temporary names of their rewrites).
    static bool IsRefusedName(const CString& path);

private:
    CFileHandle m_file;
    FileIdentity m_identity;
    bool m_inMemory = false;
    CString m_text;
};

// Writes a line when there is a log: the callers keep their own code the same with or without one.
inline void LogLine(CRunLog* log, const CString& text)
{
    if (log)
        log->Line(text);
}

// The log's own work (its texts, its snapshots of the stores): whatever it throws ends the log,
// noted once, and never reaches the run.
template <typename Work>
void LogWork(CRunLog* log, Work work) noexcept
{
    if (!log || !log->IsOn())
        return;
    try {
        work(*log);
    } catch (...) {
        log->GoQuiet();
    }
}
