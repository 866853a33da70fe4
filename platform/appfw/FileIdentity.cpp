#include "FileIdentity.h"

#include "UniqueHandle.h"

bool IdentityOf(HANDLE file, FileIdentity& identity)
{
    BY_HANDLE_FILE_INFORMATION information;
    if (!GetFileInformationByHandle(file, &information))
        return false;
    identity = {information.dwVolumeSerialNumber, information.nFileIndexHigh, information.nFileIndexLow,
                information.nNumberOfLinks};
    return true;
}

bool IdentityOf(const char* path, FileIdentity& identity)
{
    CFileHandle file(CreateFileA(path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, 0, nullptr));
    return file && IdentityOf(file.Get(), identity);
}
