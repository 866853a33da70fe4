// Stands in for vpmondrel.dll in the bridge's tests: records what it was given in
// "mondrel-double.txt" in the current directory, and lengthens the installation path as the
// real library's template reader does. Built once more without its entry point. Both record
// their loading and release in "mondrel-double-loads.txt". Like the real library it links the
// client library, pvapi411.dll, and records which copy it was bound to in "mondrel-double-client.txt".
#include "CString.h"
#include "TemplateSection.h"
#include "pvapi411.h"
#include "vpmondrel.h"

#include "UniqueHandle.h"

#include <windows.h>

namespace {

void Append(const char* fileName, const CString& text)
{
    CFileHandle file(CreateFileA(fileName, FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS, 0, nullptr));
    DWORD wrote = 0;
    WriteFile(file.Get(), text.c_str(), text.GetLength(), &wrote, nullptr);
}

} // namespace

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        Append("mondrel-double-loads.txt", CString("loaded\r\n"));
        // Linked as the real library links the client library (the call makes the import).
        char client[MAX_PATH] = "";
        GetModuleFileNameA(GetModuleHandleA("pvapi411.dll"), client, PVAPI_ThrowsAllErrors() < 0 ? 0 : sizeof client);
        Append("mondrel-double-client.txt", CString(client) + "\r\n");
    }
    else if (reason == DLL_PROCESS_DETACH)
        Append("mondrel-double-loads.txt", CString("released\r\n"));
    return TRUE;
}

#ifdef WITH_ENTRY_POINT
extern "C" __declspec(dllexport) int __cdecl EnsureMondrelContainsVPPrime(CString& databasePath, CString& installationPath)
{
    CString record = databasePath + "\r\n" + installationPath + "\r\n";
    Append("mondrel-double.txt", record);
    EnsureTrailingBackslash(installationPath);
    return 7;
}
#else
extern "C" __declspec(dllexport) int __cdecl SomethingElse()
{
    return 0;
}
#endif
