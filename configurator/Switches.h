// The configurator's command line: "/DISCOVER", "/SELECT", "/CONFIGURE", "/UNCONFIGURE", "/PREVIEW",
// "/PATH=" and "/LOG=", found by plain substring search in an upper-cased copy, wherever their letters
// occur ("/UNCONFIGURE" holds no "/CONFIGURE": the letters before "CONFIGURE" differ).
#pragma once

#include "CString.h"

struct Switches {
    bool discover = false;
    bool select = false; // only together with discover
    bool selectIgnored = false; // "/SELECT" given without "/DISCOVER", for the log
    bool configure = false;
    bool unconfigure = false; // takes back what configuring added; wins over configure
    bool preview = false;     // does everything up to changing something, and changes nothing
    CString logPath;          // "/LOG=" up to the first blank, upper-cased; empty: no log
};

// Letters a to z become A to Z; a double-byte character goes through the system's mapping.
CString UpperCaseCommandLine(const CString& commandLine);

// Sets the modes and appends the "/PATH=" value (up to the first blank) to installationPath,
// then one backslash unless it already ends in one.
Switches ParseSwitches(const CString& commandLine, CString& installationPath);
