// The installed-servers record: which web servers a discovering run found and where each keeps
// its configuration, carried to a later configuring run. The key is volatile so that a restart
// forgets what an interrupted setup found.
#pragma once

#include "CString.h"
#include "ServerKind.h"

#include <windows.h>

class CRunLog;

class CInstalledServersRecord {
public:
    enum Use {
        Writing,    // the key (and its missing parent) is created as volatile when it is not there
        LookingOnly // a preview: nothing is created or written; writing only says what it would write
    };
    explicit CInstalledServersRecord(Use use = Writing);

    // Writes the kind's found value and file values; any other kind number writes nothing.
    void WriteServer(int kind, int found, const CString& firstFile, const CString& secondFile);
    // The found value (0 when absent); the file values are read only when it is non-zero.
    // Reads only: a run may look at the record before it would create the key.
    static int ReadServer(int kind, CString& firstFile, CString& secondFile);
    // "HasAWebServerBeenDiscovered" and, last of a discovering run, "Finished".
    void WriteSummary();

    // A file value as ReadServer gives it back once written: empty when it does not fit.
    static CString AsReadBack(const CString& value);

    static const char kKeyPath[];
    // Where every value written is said, when a log was asked for.
    CRunLog* m_log = nullptr;

private:
    void LogWritten(const char* name, long result, const CString& value) const;

    struct ValueNames {
        const char* found;
        const char* firstFile;  // nullptr for IIS
        const char* secondFile; // Mondrel only
    };
    static const ValueNames kNames[ServerKindCount];

    Use m_use;
    DWORD m_anyFound = 0;
};
