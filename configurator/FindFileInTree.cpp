#include "FindFileInTree.h"

#include "PathText.h"
#include "UniqueHandle.h"

#include <deque>
#include <windows.h>

namespace {

CString CurrentDirectory()
{
    CString current;
    DWORD needed = GetCurrentDirectoryA(0, nullptr);
    if (needed == 0)
        return current;
    DWORD got = GetCurrentDirectoryA(needed, current.GetBuffer(static_cast<int>(needed)));
    current.ReleaseBuffer(got < needed ? static_cast<int>(got) : 0);
    return current;
}

CString ChildPath(const CString& directory, const char* name)
{
    CString path(directory);
    EnsureTrailingBackslash(path);
    path += name;
    return path;
}

bool IsDotEntry(const char* name)
{
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

enum class ListingStart { Started, SkipDirectory, EndSearch };

// Lists by full path, which leaves the working directory alone. A directory whose listing does
// not start is told apart as the product's search tells it: one that cannot be entered is
// skipped; one that can be entered but not listed ends the search.
ListingStart StartListing(const CString& directory, CFindHandle& listing, WIN32_FIND_DATAA& entry)
{
    listing.Reset(FindFirstFileA(ChildPath(directory, "*.*"), &entry));
    if (listing)
        return ListingStart::Started;
    CString saved = CurrentDirectory();
    if (!SetCurrentDirectoryA(directory))
        return ListingStart::SkipDirectory;
    SetCurrentDirectoryA(saved);
    return ListingStart::EndSearch;
}

} // namespace

bool FindFileInTree(const CString& root, const CString& fileName, CString& foundDirectory, int* visited,
                    const std::function<bool(const CString& directory)>& accept)
{
    std::deque<CString> pending;
    pending.push_back(root);
    while (!pending.empty()) {
        const CString& directory = pending.front();
        CFindHandle listing;
        WIN32_FIND_DATAA entry;
        ListingStart start = StartListing(directory, listing, entry);
        if (start == ListingStart::EndSearch)
            return false;
        if (start == ListingStart::Started) {
            if (visited)
                ++*visited;
            do {
                if (IsDotEntry(entry.cFileName))
                    continue;
                if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                    // A junction or link may point back up the tree; following it could go on for ever.
                    if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                        pending.push_back(ChildPath(directory, entry.cFileName));
                } else if (fileName.EqualsNoCase(CString(entry.cFileName)) && (!accept || accept(directory))) {
                    foundDirectory = directory;
                    return true;
                }
            } while (FindNextFileA(listing.Get(), &entry));
        }
        pending.pop_front();
    }
    return false;
}
