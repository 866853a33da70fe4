#include "WholeFile.h"

#include "UniqueHandle.h"

bool ReadWholeFile(const char* path, std::string& bytes, size_t largest)
{
    bytes.clear();
    CFileHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file)
        return false;
    char block[65536];
    DWORD got = 0;
    for (;;) {
        if (!ReadFile(file.Get(), block, sizeof block, &got, nullptr))
            return false;
        if (got == 0)
            return true;
        if (got > largest - bytes.size()) {
            SetLastError(ERROR_FILE_TOO_LARGE);
            return false;
        }
        bytes.append(block, got);
    }
}
