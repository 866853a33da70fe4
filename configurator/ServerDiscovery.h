// Discovery: which of the six kinds of web server the machine has, and where each keeps the
// configuration that the library will edit. It only reads.
#pragma once

#include "CString.h"

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

class CServerDiscovery {
public:
    int m_mondrelFound = 0;
    int m_brellFound = 0;
    int m_skylaneFound = 0;
    int m_iisFound = 0;
    int m_corvaneHttpdFound = 0;
    int m_netscapeFound = 0;
    CString m_mondrelProgramDirectory;
    CString m_mondrelDatabase;
    CString m_brellConfigFile;
    CString m_skylaneConfigFile;
    CString m_corvaneHttpdConfigFile;
    CString m_netscapeConfigFile;

    // The six probes in the order Mondrel, Brell, Skylane, IIS, Corvane HTTPD, Netscape.
    void DiscoverAll();

    void ProbeMondrel();
    void ProbeIis();
    // Sets found to 1 and stores the path only when the file named by the registry opens.
    static void ProbeRegistry(const RegistryProbe& probe, int& found, CString& configFile);
};

// The fixed drives' roots ("C:\"), in the order the system reports them.
std::vector<CString> FixedDriveRoots();
