#include "PathText.h"

#include "LeadBytes.h"

namespace {

int CharacterEnd(const CString& text, int at)
{
    return CLeadBytes::Ansi().CharacterEnd(text.c_str(), text.GetLength(), at);
}

} // namespace

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
