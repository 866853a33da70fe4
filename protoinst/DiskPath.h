// The folder typed into the control panel's disk prompt: the command line's arguments as they
// stand, else the product's installation folder from the registry, else nothing.
#pragma once

#include "CString.h"
#include "HelperWorld.h"

#include <windows.h>

extern const char kInstallationDirectoryKey[];

// Everything after the program name and the blanks that follow it, verbatim.
CString ArgumentsOf(const char* commandLine);

// How a read of the installation folder went: read into the path, or the key or its value missing.
enum class ReadOutcome { Read, NoKey, NoValue };
// The key's default value, read into 256 bytes and always ending in a zero within them.
ReadOutcome ReadInstallationDirectory(CString& path);

// The disk path as the program takes it; beeps once when the key exists but gives no value.
CString DetermineDiskPath(const char* commandLine, CHelperWorld& world);
