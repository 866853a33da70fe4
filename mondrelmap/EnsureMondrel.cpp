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

// The database's mappings changed by `change` with the template's entries; -1 when the database
// or the template is missing (nothing touched yet, as for the other servers without a
// template), else 0. Nothing is thrown out of it.
int WithTemplateMappings(CString& databasePath, CString& installationPath,
                         void (*change)(PVDatabase&, const std::vector<TemplateEntry>&))
{
    try {
        if (GetFileAttributesA(databasePath) == INVALID_FILE_ATTRIBUTES)
            return -1;
        std::vector<TemplateEntry> entries;
        if (!ReadTemplateSection(kMondrelSection, installationPath, SeparatorForm::Backslash, entries))
            return -1;
        RunMappingSession(databasePath, [&](PVDatabase& database) { change(database, entries); });
        return 0;
    } catch (...) {
        return 0;
    }
}

} // namespace

int __cdecl EnsureMondrelContainsVPPrime(CString& databasePath, CString& installationPath)
{
    return WithTemplateMappings(databasePath, installationPath, ApplyMappingTemplate);
}

int __cdecl EnsureMondrelLacksVPPrime(CString& databasePath, CString& installationPath)
{
    return WithTemplateMappings(databasePath, installationPath, DeleteOwnMappings);
}

int __cdecl ListMondrelMappingsPrime(CString& databasePath, MondrelMappingSink each, void* context)
{
    try {
        if (GetFileAttributesA(databasePath) == INVALID_FILE_ATTRIBUTES)
            return -1;
        const bool complete = RunMappingSession(
            databasePath,
            [&](PVDatabase& database) {
                const CString form("DirMap");
                for (const DirMapping& mapping : ReadMappings(database))
                    each(context, form, mapping.source, mapping.target, mapping.type);
            },
            false);
        return complete ? 0 : -2;
    } catch (...) {
        return -2;
    }
}

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID)
{
    return TRUE;
}
