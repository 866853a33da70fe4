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
    // Creates the key (and its missing parent) as volatile, or opens it as it is.
    CInstalledServersRecord();

    // Writes the kind's found value and file values; any other kind number writes nothing.
    void WriteServer(int kind, int found, const CString& firstFile, const CString& secondFile);
    // The found value (0 when absent); the file values are read only when it is non-zero.
    // Reads only: a run may look at the record before it would create the key.
    static int ReadServer(int kind, CString& firstFile, CString& secondFile);
    // "HasAWebServerBeenDiscovered" and, last of a discovering run, "Finished".
    void WriteSummary();

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

    DWORD m_anyFound = 0;
};
