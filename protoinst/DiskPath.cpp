#include "DiskPath.h"

#include "RegistryKey.h"

const char kInstallationDirectoryKey[] = "SOFTWARE\\Corvane\\Linkwell Server\\CurrentVersion\\Installation Directory";

namespace {
const DWORD kValueBufferBytes = 256;
}

CString ArgumentsOf(const char* commandLine)
{
    const char* p = commandLine ? commandLine : "";
    if (*p == '"') {
        ++p;
        while (*p && *p != '"')
            ++p;
        if (*p == '"')
            ++p;
    } else {
        while (*p && *p != ' ' && *p != '\t')
            ++p;
    }
    while (*p == ' ' || *p == '\t')
        ++p;
    return CString(p);
}

ReadOutcome ReadInstallationDirectory(CString& path)
{
    CKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, kInstallationDirectoryKey, KEY_READ) != ERROR_SUCCESS)
        return ReadOutcome::NoKey;
    char buffer[kValueBufferBytes] = {};
    DWORD size = kValueBufferBytes;
    DWORD type = 0; // whatever its type, the value's bytes are the path
    if (key.QueryValue("", buffer, size, type) != ERROR_SUCCESS)
        return ReadOutcome::NoValue;
    // Whatever the registry held, the text ends within the buffer.
    buffer[kValueBufferBytes - 1] = '\0';
    path = buffer;
    return ReadOutcome::Read;
}

CString DetermineDiskPath(const char* commandLine, CHelperWorld& world)
{
    CString path = ArgumentsOf(commandLine);
    if (!path.IsEmpty())
        return path;
    if (ReadInstallationDirectory(path) == ReadOutcome::NoValue) {
        world.Beep();
        path.Empty();
    }
    return path;
}
