#include "PlainTreeWalk.h"

#include <cstring>
#include <deque>
#include <windows.h>

std::string PlainFindFile(const std::string& root, const std::string& fileName, std::string* lastDirectory)
{
    std::deque<std::string> pending{root};
    while (!pending.empty()) {
        std::string directory = pending.front();
        pending.pop_front();
        if (directory.back() != '\\')
            directory += '\\';
        if (lastDirectory)
            *lastDirectory = directory;
        WIN32_FIND_DATAA entry;
        HANDLE listing = FindFirstFileA((directory + "*.*").c_str(), &entry);
        if (listing == INVALID_HANDLE_VALUE)
            continue;
        do {
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                if (strcmp(entry.cFileName, ".") != 0 && strcmp(entry.cFileName, "..") != 0)
                    pending.push_back(directory + entry.cFileName);
            } else if (!fileName.empty() && lstrcmpiA(entry.cFileName, fileName.c_str()) == 0) {
                FindClose(listing);
                return directory;
            }
        } while (FindNextFileA(listing, &entry));
        FindClose(listing);
    }
    return std::string();
}
