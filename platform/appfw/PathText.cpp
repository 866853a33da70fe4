#include "PathText.h"

#include "LeadBytes.h"

#include <windows.h>

namespace {

int CharacterEnd(const CString& text, int at)
{
    return CLeadBytes::Ansi().CharacterEnd(text.c_str(), text.GetLength(), at);
}

} // namespace

CString FullPathOf(const char* path, int* nameAt)
{
    char full[MAX_PATH + 1];
    char* name = nullptr;
    const DWORD length = GetFullPathNameA(path, sizeof full, full, &name);
    if (length == 0 || length >= sizeof full)
        return CString();
    if (nameAt)
        *nameAt = name ? static_cast<int>(name - full) : static_cast<int>(length);
    return CString(full, static_cast<int>(length));
}

int FinalPartStart(const CString& path, bool slashes)
{
    int start = 0;
    for (int at = 0; at < path.GetLength();) {
        const int end = CharacterEnd(path, at);
        if (end == at + 1 && (path[at] == '\\' || (slashes && path[at] == '/')))
            start = end;
        at = end;
    }
    return start;
}

bool EndsInBackslash(const CString& path)
{
    // Characters can only be told apart from the start: a byte's role depends on those before it.
    int last = -1;
    for (int at = 0; at < path.GetLength(); at = CharacterEnd(path, at))
        last = at;
    return last >= 0 && last == path.GetLength() - 1 && path[last] == '\\';
}

void EnsureTrailingBackslash(CString& path)
{
    if (!EndsInBackslash(path))
        path += '\\';
}

void ReplaceBackslashes(CString& path, char with)
{
    CString replaced;
    for (int at = 0; at < path.GetLength();) {
        int end = CharacterEnd(path, at);
        if (end == at + 1 && path[at] == '\\')
            replaced += with;
        else
            replaced.Append(path.c_str() + at, end - at);
        at = end;
    }
    path = replaced;
}
