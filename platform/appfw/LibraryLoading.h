// Libraries loaded by their full paths. A library loaded by name is searched for in the program's
// folder, the current folder, the system folders and every PATH folder, any of which a user may
// write on NT 4.0: setup, running as an administrator, loads what it decides to load.
#pragma once

#include "CString.h"

#include <windows.h>

// The folder a loaded module's file lies in, without a final backslash (a drive root keeps it);
// empty when it cannot be read.
CString FolderOfModule(HMODULE module);
// Loads folder\name, with that folder first in the search for the libraries it links in turn;
// null when it cannot be loaded (or the folder is empty).
HMODULE LoadFromFolder(const CString& folder, const char* name);
