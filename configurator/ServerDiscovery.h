// Discovery: which of the six kinds of web server the machine has, and where each keeps the
// configuration that the library will edit. It only reads.
#pragma once

#include "CString.h"
#include "ServerKind.h"

#include <windows.h>

#include <vector>

// How a server kind found through its registry entries is probed.
struct RegistryProbe {
    const char* productKeys[2]; // the first that opens is used; the second may be null
    const char* directoryValue;
    const char* suffix;         // appended after the directory; "%s" stands for the computer name
    bool needsComputerName;
};

extern const RegistryProbe kBrellProbe;
extern const RegistryProbe kSkylaneProbe;
extern const RegistryProbe kCorvaneHttpdProbe;
extern const RegistryProbe kNetscapeProbe;

// The directory value as read into its 128-byte buffer: usable when it is a string of more than
// 3 characters (a bare drive root is not an installation).
bool IsUsableDirectory(const CString& directory);
// directory, a backslash unless it ends in one, then the probe's suffix.
CString BuildConfigFilePath(const RegistryProbe& probe, const CString& directory, const CString& computerName);

// What discovery found of one kind, in the shape the installed-servers record keeps it.
struct DiscoveredServer {
    int found = 0;
    CString firstFile;  // the configuration file; Mondrel: its database
    CString secondFile; // Mondrel only: the folder of the server program, kept even without a database
};

class CRunLog;

class CServerDiscovery {
public:
    // One row per kind, indexed by ServerKind.
    DiscoveredServer m_servers[ServerKindCount];
    // Where the probes say what they looked at, when a log was asked for.
    CRunLog* m_log = nullptr;

    // The six probes in the order Mondrel, Brell, Skylane, IIS, Corvane HTTPD, Netscape.
    void DiscoverAll();

    void ProbeMondrel();
    void ProbeIis();
    // Sets found to 1 and stores the path only when the file named by the registry opens.
    static void ProbeRegistry(const RegistryProbe& probe, DiscoveredServer& server, CRunLog* log = nullptr);
};

struct DriveRoot {
    CString root; // "C:\"
    UINT type;    // as GetDriveType gives it
};
// Every drive's root, in the order the system reports them.
std::vector<DriveRoot> DriveRoots();
// The fixed drives' roots ("C:\"), in the order the system reports them.
std::vector<CString> FixedDriveRoots();
