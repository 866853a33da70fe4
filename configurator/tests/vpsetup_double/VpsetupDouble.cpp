// Stands in for vpsetup.dll beside a copy of vpsetup.exe: records every call, with its
// arguments, in "vpsetup-calls.txt" in the current directory, and lengthens the installation
// path by "+" so that the tests see whether every call gets the same string object. An operation
// on a file whose path holds "FAILS" gives -1, as one on a file it cannot use; on one whose path
// holds "EXHAUSTS", it takes the free address space until the next call: the caller runs out.
#define VPSETUP_BUILDING_LIBRARY
#include "vpsetup.h"

#include "UniqueHandle.h"

#include <windows.h>

namespace {

void* g_taken[4096];
int g_takenCount = 0;
// True when nothing of 64 KiB was left (a 64-bit process has more than the table holds).
bool TakeAddressSpace()
{
    for (SIZE_T size = 64 << 20; size >= 64 << 10 && g_takenCount < 4096;) {
        if (void* block = VirtualAlloc(nullptr, size, MEM_RESERVE, PAGE_NOACCESS))
            g_taken[g_takenCount++] = block;
        else
            size /= 2;
    }
    return g_takenCount < 4096;
}

int Record(const char* operation, const CString* first, const CString* second, CString& path)
{
    while (g_takenCount > 0)
        VirtualFree(g_taken[--g_takenCount], 0, MEM_RELEASE);
    CString line(operation);
    if (first)
        line += CString("|") + *first;
    line += CString("|") + path;
    if (second)
        line += CString("|") + *second;
    line += "\r\n";
    CFileHandle file(CreateFileA("vpsetup-calls.txt", FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS, 0, nullptr));
    DWORD wrote = 0;
    WriteFile(file.Get(), line.c_str(), line.GetLength(), &wrote, nullptr);
    path += '+';
    if (first && first->Find(CString("EXHAUSTS")) >= 0 && TakeAddressSpace())
        WriteFile(file.Get(), "(address space taken)\r\n", 23, &wrote, nullptr);
    return first && first->Find(CString("FAILS")) >= 0 ? -1 : 1;
}

} // namespace

VPSETUP_API int __cdecl EnsureBrellContainsVP(CString& f, CString& p) { return Record("Brell", &f, nullptr, p); }
VPSETUP_API int __cdecl EnsureCorvaneSLSContainsVP(CString& f, CString& p) { return Record("SLS", &f, nullptr, p); }
VPSETUP_API int __cdecl EnsureCorvaneHTTPDContainsVP(CString& f, CString& p) { return Record("HTTPD", &f, nullptr, p); }
VPSETUP_API int __cdecl EnsureNETContainsVP(CString& f, CString& p) { return Record("NET", &f, nullptr, p); }
VPSETUP_API int __cdecl EnsureMSIISContainsVP(CString& p) { return Record("IIS", nullptr, nullptr, p); }
VPSETUP_API int __cdecl EnsureMondrelContainsVP(CString& d, CString& p, CString& m) { return Record("Mondrel", &d, &m, p); }

VPSETUP_API int __cdecl EnsureBrellLacksVP(CString& f, CString& p) { return Record("Brell-", &f, nullptr, p); }
VPSETUP_API int __cdecl EnsureCorvaneSLSLacksVP(CString& f, CString& p) { return Record("SLS-", &f, nullptr, p); }
VPSETUP_API int __cdecl EnsureCorvaneHTTPDLacksVP(CString& f, CString& p) { return Record("HTTPD-", &f, nullptr, p); }
VPSETUP_API int __cdecl EnsureNETLacksVP(CString& f, CString& p) { return Record("NET-", &f, nullptr, p); }
VPSETUP_API int __cdecl EnsureMSIISLacksVP(CString& p) { return Record("IIS-", nullptr, nullptr, p); }
VPSETUP_API int __cdecl EnsureMondrelLacksVP(CString& d, CString& p, CString& m) { return Record("Mondrel-", &d, &m, p); }

VPSETUP_API int __cdecl PreviewMSIISOnKey(const char* key, int takeBack, CString& p)
{
    const CString copy(key);
    return Record(takeBack ? "IIS preview-" : "IIS preview", &copy, nullptr, p);
}
