// How the Mondrel mapping library and the server's client library it links are bound at run time:
// the client library by its full path in the server's program folder, then the mapping library
// from the folder of the module that binds it (by name, through the search path, only when it is
// not there). The mapping library's import then binds to the client library already loaded, so
// no copy of it elsewhere on the search path, in the current folder or in the system folders is
// ever run. Nothing is loaded from a program folder that users may change.
#pragma once

#include "CString.h"
#include "LibraryLoading.h"
#include "PathText.h"
#include "Protection.h"
#include "UniqueHandle.h"

const char kMondrelClientLibrary[] = "pvapi411.dll";
const char kMondrelMappingLibrary[] = "vpmondrel.dll";

// "PATH=" + the current search path (nullptr when unset) + ";" unless it already ends in one +
// the Mondrel program folder, as put into the environment: the client library's own imports are
// found in its folder.
inline CString MakePathAssignment(const char* currentPath, const CString& programFolder)
{
    CString text("PATH=");
    text += currentPath;
    if (text.GetLast() != ';')
        text += ';';
    text += programFolder;
    return text;
}

// Why nothing may be loaded from the program folder; empty when its client library may be.
inline const char* WhyMondrelProgramFolderNotTrusted(const CString& programFolder)
{
    return programFolder.IsEmpty() ? "no program folder is recorded" : WhyNotTrusted(programFolder, kMondrelClientLibrary);
}

// The folder of the configuring library, vpsetup.dll, which the mapping library ships beside.
inline CString ConfiguringLibraryFolder()
{
    return FolderOfModule(GetModuleHandleA("vpsetup.dll"));
}

class CMondrelLibraries {
public:
    CMondrelLibraries(const CString& programFolder, const CString& besideFolder = ConfiguringLibraryFolder())
    {
        if (*WhyMondrelProgramFolderNotTrusted(programFolder))
            return;
        m_client.Reset(LoadFromFolder(programFolder, kMondrelClientLibrary));
        if (!m_client)
            return;
        CString beside(besideFolder);
        EnsureTrailingBackslash(beside);
        // By name, through the search path, only where it does not ship beside the library (an
        // unknown folder is no folder: "\" would name a drive's root).
        if (!besideFolder.IsEmpty() && GetFileAttributesA(beside + kMondrelMappingLibrary) != INVALID_FILE_ATTRIBUTES)
            m_mapping.Reset(LoadFromFolder(besideFolder, kMondrelMappingLibrary));
        else
            m_mapping.Reset(LoadLibraryA(kMondrelMappingLibrary));
    }
    CMondrelLibraries(const CMondrelLibraries&) = delete;
    CMondrelLibraries& operator=(const CMondrelLibraries&) = delete;

    // The mapping library's export of that name; null when the libraries are not loaded.
    FARPROC Export(const char* name) const { return m_mapping ? GetProcAddress(m_mapping.Get(), name) : nullptr; }

private:
    // Released in the reverse order: the mapping library before the client library it links.
    CModuleHandle m_client;
    CModuleHandle m_mapping;
};
