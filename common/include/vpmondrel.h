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

// The Mondrel client library saves a database through its path with this appended: the new content
// is written there and then takes the database's place.
const char kDatabaseSaveSuffix[] = ".new";

typedef int(__cdecl* EnsureMondrelPrimeProc)(CString& databasePath, CString& installationPath);
const char kEnsureMondrelContainsVPPrimeName[] = "EnsureMondrelContainsVPPrime";
const char kEnsureMondrelLacksVPPrimeName[] = "EnsureMondrelLacksVPPrime";

// Hands every "DirMap" document of the database to `each`, in the order of the document
// collection, with its four values, for the configurator's log: what a run deleted and created is
// seen by listing the mappings before and after it. Reads only; shows no message, whatever the
// client library reports. 0 when every document was read; -1 when the database is missing; -2
// when the client library failed (what was handed on before stays handed on). `each` must not
// throw.
typedef void(__cdecl* MondrelMappingSink)(void* context, const CString& form, const CString& source,
                                          const CString& target, const CString& type);
extern "C" int __cdecl ListMondrelMappingsPrime(CString& databasePath, MondrelMappingSink each, void* context);

typedef int(__cdecl* ListMondrelMappingsProc)(CString& databasePath, MondrelMappingSink each, void* context);
const char kListMondrelMappingsPrimeName[] = "ListMondrelMappingsPrime";
