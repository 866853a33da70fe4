// Breadth-first search of a directory tree for a file, as the Mondrel probe walks whole drives.
#pragma once

#include "CString.h"

#include <functional>

// Searches root and everything below it; the first match in breadth-first order wins (every
// directory of one depth before any of the next, the file system's order within a directory).
// Sets foundDirectory to the directory as it was queued (a drive root keeps its backslash) and
// returns true; otherwise leaves it alone. Only files match. The working directory is the same
// afterwards, however the search ends.
// `visited`, when given, counts the directories whose listing was read. `accept`, when given, is
// asked of every match (with its directory as queued); one it refuses is passed over and the
// search goes on in its order.
bool FindFileInTree(const CString& root, const CString& fileName, CString& foundDirectory, int* visited = nullptr,
                    const std::function<bool(const CString& directory)>& accept = nullptr);
