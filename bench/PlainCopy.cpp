#include "PlainCopy.h"

#include <string>
#include <windows.h>

namespace {

bool CopyBlocks(HANDLE from, HANDLE to)
{
    static char block[65536];
    for (;;) {
        DWORD got = 0, wrote = 0;
        if (!ReadFile(from, block, sizeof block, &got, nullptr))
            return false;
        if (got == 0)
            return true;
        if (!WriteFile(to, block, got, &wrote, nullptr) || wrote != got)
            return false;
    }
}

} // namespace

bool PlainRewrite(const char* path)
{
    std::string temp = std::string(path) + "1";
    HANDLE from = CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (from == INVALID_HANDLE_VALUE)
        return false;
    HANDLE to = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (to == INVALID_HANDLE_VALUE) {
        CloseHandle(from);
        return false;
    }
    // Flushed like the product's rewrite, so that the two are compared doing the same work.
    bool copied = CopyBlocks(from, to) && FlushFileBuffers(to);
    CloseHandle(from);
    copied = CloseHandle(to) && copied;
    return copied && MoveFileExA(temp.c_str(), path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}
