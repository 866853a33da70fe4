// Stands in for vpmondrel.dll in the bridge's tests: records what it was given in
// "mondrel-double.txt" in the current directory, and lengthens the installation path as the
// real library's template reader does. Built once more without its entry point.
#include "CString.h"
#include "TemplateSection.h"
#include "vpmondrel.h"

#include <windows.h>

#ifdef WITH_ENTRY_POINT
extern "C" __declspec(dllexport) int __cdecl EnsureMondrelContainsVPPrime(CString& databasePath, CString& installationPath)
{
    CString record = databasePath + "\r\n" + installationPath + "\r\n";
    HANDLE file = CreateFileA("mondrel-double.txt", FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS, 0, nullptr);
    DWORD wrote = 0;
    WriteFile(file, record.c_str(), record.GetLength(), &wrote, nullptr);
    CloseHandle(file);
    EnsureTrailingBackslash(installationPath);
    return 7;
}
#else
extern "C" __declspec(dllexport) int __cdecl SomethingElse()
{
    return 0;
}
#endif
