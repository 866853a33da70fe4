// The Mondrel server is configured by the Mondrel mapping library, which links the server's own
// client library; this library binds it only at run time, with the server's directory on PATH.
#pragma once

#include "CString.h"

// Puts the program directory on PATH, loads the client library from the program directory and the
// mapping library beside this library (CMondrelLibraries), calls the mapping library's export of
// that name with the two strings and releases both. Nothing is loaded from a program directory that
// users may change. Always 0: the mapping library reports its own errors.
int CallMondrelMappingLibrary(CString& databasePath, CString& installationPath, const CString& programDirectory,
                              const char* entryName);
