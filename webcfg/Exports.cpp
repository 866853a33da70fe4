// The twelve operations as the configurator binds them. No exception may leave the library (each
// module has its own unwinder), so an unexpected one ends the operation with its failure result.
#include "vpsetup.h"

#include "EnsureConfigFile.h"
#include "IisVirtualRoots.h"
#include "MondrelBridge.h"
#include "OperationError.h"
#include "vpmondrel.h"

#include <windows.h>

namespace {

// A -1 leaves the system's error behind it, for the caller's log.
template <typename Operation>
int Guarded(int failure, Operation operation)
{
    operation_error::Start();
    int result = failure;
    try {
        result = operation();
    } catch (...) {
        operation_error::Keep(ERROR_NOT_ENOUGH_MEMORY); // what the operations' own work throws
    }
    return operation_error::Leave(result);
}

} // namespace

VPSETUP_API int __cdecl EnsureBrellContainsVP(CString& configFile, CString& installationPath)
{
    return Guarded(-1, [&] { return EnsureConfigFileContainsVP(kBrellVariant, configFile, installationPath); });
}

VPSETUP_API int __cdecl EnsureCorvaneSLSContainsVP(CString& configFile, CString& installationPath)
{
    return Guarded(-1, [&] { return EnsureConfigFileContainsVP(kSkylaneVariant, configFile, installationPath); });
}

VPSETUP_API int __cdecl EnsureCorvaneHTTPDContainsVP(CString& configFile, CString& installationPath)
{
    return Guarded(-1, [&] { return EnsureConfigFileContainsVP(kCorvaneHttpdVariant, configFile, installationPath); });
}

VPSETUP_API int __cdecl EnsureNETContainsVP(CString& configFile, CString& installationPath)
{
    return Guarded(-1, [&] { return EnsureConfigFileContainsVP(kNetscapeVariant, configFile, installationPath); });
}

VPSETUP_API int __cdecl EnsureMSIISContainsVP(CString& installationPath)
{
    return Guarded(-1, [&] { return EnsureIisContainsVP(installationPath); });
}

VPSETUP_API int __cdecl EnsureMondrelContainsVP(CString& databasePath, CString& installationPath,
                                                CString& programDirectory)
{
    return Guarded(0, [&] {
        return CallMondrelMappingLibrary(databasePath, installationPath, programDirectory,
                                         kEnsureMondrelContainsVPPrimeName);
    });
}

VPSETUP_API int __cdecl EnsureBrellLacksVP(CString& configFile, CString& installationPath)
{
    return Guarded(-1, [&] { return EnsureConfigFileLacksVP(kBrellVariant, configFile, installationPath); });
}

VPSETUP_API int __cdecl EnsureCorvaneSLSLacksVP(CString& configFile, CString& installationPath)
{
    return Guarded(-1, [&] { return EnsureConfigFileLacksVP(kSkylaneVariant, configFile, installationPath); });
}

VPSETUP_API int __cdecl EnsureCorvaneHTTPDLacksVP(CString& configFile, CString& installationPath)
{
    return Guarded(-1, [&] { return EnsureConfigFileLacksVP(kCorvaneHttpdVariant, configFile, installationPath); });
}

VPSETUP_API int __cdecl EnsureNETLacksVP(CString& configFile, CString& installationPath)
{
    return Guarded(-1, [&] { return EnsureConfigFileLacksVP(kNetscapeVariant, configFile, installationPath); });
}

VPSETUP_API int __cdecl EnsureMSIISLacksVP(CString& installationPath)
{
    return Guarded(-1, [&] { return EnsureIisLacksVP(installationPath); });
}

VPSETUP_API int __cdecl EnsureMondrelLacksVP(CString& databasePath, CString& installationPath,
                                             CString& programDirectory)
{
    return Guarded(0, [&] {
        return CallMondrelMappingLibrary(databasePath, installationPath, programDirectory,
                                         kEnsureMondrelLacksVPPrimeName);
    });
}

VPSETUP_API int __cdecl PreviewMSIISOnKey(const char* previewRootsKey, int takeBack, CString& installationPath)
{
    return Guarded(-1, [&] {
        // Only a preview's copy: the real roots are never changed through this door.
        const CString key(previewRootsKey ? previewRootsKey : "");
        const CString prefix = CString(kPreviewRootsParent) + "\\" + kPreviewRootsPrefix;
        if (key.GetLength() <= prefix.GetLength() || !key.Left(prefix.GetLength()).EqualsNoCase(prefix))
            return operation_error::Keep(ERROR_INVALID_PARAMETER), -1;
        return ChangeIisRoots(installationPath, takeBack != 0, key);
    });
}

// No initialisation or clean-up of its own: every notification succeeds.
BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID)
{
    return TRUE;
}
