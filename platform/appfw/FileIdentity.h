// Which file a path names, whatever name it goes by (a long or a short name, another folder's
// path through a link): its volume and its file index.
#pragma once

#include <windows.h>

struct FileIdentity {
    DWORD volume = 0;
    DWORD indexHigh = 0;
    DWORD indexLow = 0;
    DWORD links = 0; // names the file has; a rewrite replaces it under one of them only
    bool operator==(const FileIdentity& other) const
    {
        return volume == other.volume && indexHigh == other.indexHigh && indexLow == other.indexLow;
    }
};

// Asks for the attributes only, which shares with every other opener; false when the path names
// nothing that can be opened so.
bool IdentityOf(const char* path, FileIdentity& identity);
// The identity of a file open on the handle.
bool IdentityOf(HANDLE file, FileIdentity& identity);
