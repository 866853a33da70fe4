// vpmondrel.dll: the Mondrel server's directory mappings, brought in line with the
// "[PELLAN MONDREL]" section of the template. Loaded by the web server configuration library
// with the Mondrel program folder on PATH, where the loader finds the client library.
#include "CString.h"
#include "MondrelMappings.h"

#include <windows.h>

namespace {

const char kMondrelSection[] = "[PELLAN MONDREL]";
const unsigned long kMessageBufferBytes = 512;

void ShowClientError(PVSTATUS status)
{
    char message[kMessageBufferBytes] = "";
    PVGetErrorMessage(status, message, kMessageBufferBytes);
    MessageBoxA(nullptr, message, "Error:", MB_ICONSTOP | MB_OK);
}

int EnsureMappings(CString& databasePath, CString& installationPath)
{
    PVVeldaSession session;
    if (GetFileAttributesA(databasePath) == INVALID_FILE_ATTRIBUTES)
        return -1;
    std::vector<TemplateEntry> entries;
    if (!ReadTemplateSection(kMondrelSection, installationPath, SeparatorForm::Backslash, entries))
        return -1; // nothing touched yet, as for the other servers without a template

    session.Initialize(410, 0, nullptr, nullptr);
    PVSetThrowAllErrors(1);
    PVDatabase database;
    try {
        session.GetDatabase(PVString(databasePath.c_str()), database, PVString(""));
        database.Open();
        ApplyMappingTemplate(database, entries);
    } catch (PVSTATUS status) {
        // What was changed before the error stays; no entry is retried.
        ShowClientError(status);
    }
    // Closing and ending are outside the handler; whatever they raise goes no further.
    try {
        database.Close();
    } catch (...) {
    }
    try {
        session.Term();
    } catch (...) {
    }
    return 0;
}

} // namespace

extern "C" int __cdecl EnsureMondrelContainsVPPrime(CString& databasePath, CString& installationPath)
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
