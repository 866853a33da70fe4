// The twelve operations as the configurator binds them. No exception may leave the library (each
// module has its own unwinder), so an unexpected one ends the operation with its failure result.
#include "vpsetup.h"

#include "EnsureConfigFile.h"
#include "IisVirtualRoots.h"
#include "MondrelBridge.h"
#include "vpmondrel.h"

#include <windows.h>

namespace {

template <typename Operation>
int Guarded(int failure, Operation operation)
{
    try {
        return operation();
    } catch (...) {
        return failure;
    }
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

// No initialisation or clean-up of its own: every notification succeeds.
BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID)
{
    return TRUE;
}
