// The floor of the drive search: the plainest breadth-first walk that the system allows, written
// with nothing but FindFirstFileA/FindNextFileA on full paths and standard strings.
#pragma once

#include <string>

// Walks root breadth-first and stops at the first file named `fileName` (any case); returns its
// directory, or an empty string when the walk ends without it. An empty fileName walks the whole
// tree, and then lastDirectory (when given) receives the directory listed last.
std::string PlainFindFile(const std::string& root, const std::string& fileName, std::string* lastDirectory = nullptr);
