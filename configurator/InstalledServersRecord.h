// The installed-servers record: which web servers a discovering run found and where each keeps
// its configuration, carried to a later configuring run. The key is volatile so that a restart
// forgets what an interrupted setup found. It names the files a run edits and the folder it loads
// the Mondrel client library from, so only administrators may write it: a run reads it only while
// Administrators or SYSTEM own both keys and no one else may change them.
#pragma once

#include "CString.h"
#include "ServerKind.h"

#include <windows.h>

class CRunLog;

class CInstalledServersRecord {
public:
    enum Use {
        Writing,    // both keys made volatile and administrator-only; one made by someone else is made anew
        Reading,    // a configuring run: missing keys made as for writing, others left for the reads to judge
        LookingOnly // a preview: nothing is created or written; writing only says what it would write
    };
    // The log, when given, says how the keys were made.
    explicit CInstalledServersRecord(Use use = Writing, CRunLog* log = nullptr);

    // Writes the kind's found value and file values; any other kind number writes nothing.
    void WriteServer(int kind, int found, const CString& firstFile, const CString& secondFile);
    // The found value (0 when absent, or when the record may not be trusted); the file values are
    // read only when it is non-zero. Reads only: a run may look at the record before it would
    // create the key.
    static int ReadServer(int kind, CString& firstFile, CString& secondFile);
    // Why the record may not be read: a key of it that someone other than Administrators or
    // SYSTEM owns or may change. Empty when it may (or when there is none).
    static CString WhyNotTrusted();
    // The name of the kind's found value ("Pellan Brell"); null for a number out of range.
    static const char* FoundValueName(int kind);
    // "HasAWebServerBeenDiscovered" and, last of a discovering run, "Finished".
    void WriteSummary();

    // A file value as ReadServer gives it back once written: empty when it does not fit.
    static CString AsReadBack(const CString& value);

    static const char kKeyPath[];
    static const char kParentPath[];
    // Where every value written is said, when a log was asked for.
    CRunLog* m_log = nullptr;

private:
    void LogWritten(const char* name, long result, const CString& value) const;

    Use m_use;
    bool m_usable = true;
    DWORD m_anyFound = 0;
};
