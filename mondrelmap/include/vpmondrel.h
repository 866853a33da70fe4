// The export of the Mondrel mapping library (vpmondrel.dll). The web server configuration library
// loads it by name at run time, with the Mondrel program folder on PATH, and calls it by name.
#pragma once

#include "CString.h"

// Brings the database's "DirMap" documents in line with the template; the installation path may
// come back one backslash longer. -1 when the database or the template is missing, else 0.
extern "C" int __cdecl EnsureMondrelContainsVPPrime(CString& databasePath, CString& installationPath);

// Deletes the "DirMap" documents that configuring with the same template creates, and no other.
// Results as above.
extern "C" int __cdecl EnsureMondrelLacksVPPrime(CString& databasePath, CString& installationPath);

typedef int(__cdecl* EnsureMondrelPrimeProc)(CString& databasePath, CString& installationPath);
const char kEnsureMondrelContainsVPPrimeName[] = "EnsureMondrelContainsVPPrime";
const char kEnsureMondrelLacksVPPrimeName[] = "EnsureMondrelLacksVPPrime";
