#include "MondrelBridge.h"

#include "LibraryLoading.h"
#include "MondrelBinding.h"
#include "vpmondrel.h"

#include <cstdlib>
#include <windows.h>

int CallMondrelMappingLibrary(CString& databasePath, CString& installationPath, const CString& programDirectory,
                              const char* entryName)
{
    // The runtime's put-environment also changes the environment block the loader searches. It
    // keeps a copy of the assignment, so a string of this call is enough.
    CString assignment = MakePathAssignment(getenv("PATH"), programDirectory);
    _putenv(assignment);

    // Loaded by full paths all the same: the search path now ends in a folder a user may have
    // written, and begins with folders a user may have written too.
    CMondrelLibraries libraries(programDirectory);
    auto prime = reinterpret_cast<EnsureMondrelPrimeProc>(reinterpret_cast<void*>(libraries.Export(entryName)));
    if (prime)
        prime(databasePath, installationPath);
    return 0;
}
