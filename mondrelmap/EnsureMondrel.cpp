// vpmondrel.dll: the Mondrel server's directory mappings, brought in line with the
// "[PELLAN MONDREL]" section of the template. Loaded by the web server configuration library
// with the Mondrel program folder on PATH, where the loader finds the client library.
#include "CString.h"
#include "MappingSession.h"
#include "MondrelMappings.h"
#include "vpmondrel.h"

#include <windows.h>

namespace {

const char kMondrelSection[] = "[PELLAN MONDREL]";

int EnsureMappings(CString& databasePath, CString& installationPath)
{
    if (GetFileAttributesA(databasePath) == INVALID_FILE_ATTRIBUTES)
        return -1;
    std::vector<TemplateEntry> entries;
    if (!ReadTemplateSection(kMondrelSection, installationPath, SeparatorForm::Backslash, entries))
        return -1; // nothing touched yet, as for the other servers without a template
    RunMappingSession(databasePath, [&](PVDatabase& database) { ApplyMappingTemplate(database, entries); });
    return 0;
}

} // namespace

int __cdecl EnsureMondrelContainsVPPrime(CString& databasePath, CString& installationPath)
{
    try {
        return EnsureMappings(databasePath, installationPath);
    } catch (...) {
        return 0;
    }
}

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID)
{
    return TRUE;
}
