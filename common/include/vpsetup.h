// The exported interface of the web server configuration library (vpsetup.dll).
//
// Every argument is a string object of the caller; the installation path may come back one
// backslash longer, and the caller hands the same object to every later operation. The results
// are for information only: 1 applied, -1 the configuration could not be used or its one rewrite
// failed, nothing changed then (Mondrel: 0).
#pragma once

#include "CString.h"

// A configuration file's operation writes the file's next content beside it, under its path with
// this appended, and then puts it in the file's place.
const char kRewriteSuffix[] = "1";

// IIS keeps its virtual roots as the values of this key under HKEY_LOCAL_MACHINE.
const char kVirtualRootsKey[] = "SYSTEM\\CurrentControlSet\\Services\\W3SVC\\Parameters\\Virtual Roots";
// A preview's copy of the roots: a volatile key below this one, named by this prefix and the
// previewing process's number.
const char kPreviewRootsParent[] = "SOFTWARE";
const char kPreviewRootsPrefix[] = "Corvane Linkwell Server Preview Roots ";

#ifdef VPSETUP_BUILDING_LIBRARY
#define VPSETUP_API extern "C" // exported under these names by vpsetup.def
#else
#define VPSETUP_API extern "C" __declspec(dllimport)
#endif

VPSETUP_API int __cdecl EnsureBrellContainsVP(CString& configFile, CString& installationPath);
VPSETUP_API int __cdecl EnsureCorvaneSLSContainsVP(CString& configFile, CString& installationPath);
VPSETUP_API int __cdecl EnsureCorvaneHTTPDContainsVP(CString& configFile, CString& installationPath);
VPSETUP_API int __cdecl EnsureNETContainsVP(CString& configFile, CString& installationPath);
VPSETUP_API int __cdecl EnsureMSIISContainsVP(CString& installationPath);
VPSETUP_API int __cdecl EnsureMondrelContainsVP(CString& databasePath, CString& installationPath,
                                                CString& programDirectory);

// The twins that take back what the operations above added, for the product's uninstall: with
// the same arguments and the same template, each removes from the store exactly what its twin
// puts there and nothing else. Results as above: 1 applied (whether or not anything had to go),
// -1 the configuration could not be used (nothing changed) or, for IIS, a root of ours could not
// be deleted and stays while the others went; always 0 for Mondrel.
VPSETUP_API int __cdecl EnsureBrellLacksVP(CString& configFile, CString& installationPath);
VPSETUP_API int __cdecl EnsureCorvaneSLSLacksVP(CString& configFile, CString& installationPath);
VPSETUP_API int __cdecl EnsureCorvaneHTTPDLacksVP(CString& configFile, CString& installationPath);
VPSETUP_API int __cdecl EnsureNETLacksVP(CString& configFile, CString& installationPath);
VPSETUP_API int __cdecl EnsureMSIISLacksVP(CString& installationPath);
VPSETUP_API int __cdecl EnsureMondrelLacksVP(CString& databasePath, CString& installationPath, CString& programDirectory);

// For "/PREVIEW" only: the IIS operation (takeBack 0) or its twin, run by this library's own code
// on a preview's copy of the roots: a key below kPreviewRootsParent whose name begins with
// kPreviewRootsPrefix, or a key below that one (any other key gives -1 and is not touched).
// Results as the operations'.
VPSETUP_API int __cdecl PreviewMSIISOnKey(const char* previewRootsKey, int takeBack, CString& installationPath);
