// The Mondrel server's directory mappings as the log shows them, read through the mapping library
// and the server's own client library, which only the server's program folder holds.
#pragma once

#include "CString.h"

#include <vector>

// One line per "DirMap" document, in the order of the database's document collection; false when
// the database or the libraries cannot be read. The search path is as it was afterwards.
bool ListMondrelMappings(const CString& databasePath, const CString& programDirectory, std::vector<CString>& lines);
