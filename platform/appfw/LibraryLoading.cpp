#include "LibraryLoading.h"

#include "PathText.h"

CString FolderOfModule(HMODULE module)
{
    char path[MAX_PATH + 1];
    DWORD length = GetModuleFileNameA(module, path, sizeof path);
    if (length == 0 || length >= sizeof path)
        return CString();
    // The last backslash, read by character so that a double-byte character's second byte is not one.
    const int cut = FinalPartStart(CString(path, static_cast<int>(length)), false) - 1;
    if (cut < 0)
        return CString();
    // "C:\" keeps its backslash, as a folder found by discovery does.
    return CString(path, cut == 2 && path[1] == ':' ? cut + 1 : cut);
}

HMODULE LoadFromFolder(const CString& folder, const char* name)
{
    if (folder.IsEmpty())
        return nullptr;
    CString path(folder);
    EnsureTrailingBackslash(path);
    path += name;
    return LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}
