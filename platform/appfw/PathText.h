// Backslashes in paths, read character by character with the ANSI code page's lead bytes.
//
// On a double-byte code page (932 on a Japanese machine) the second byte of a character may be
// 0x5C, the byte of a backslash: the last byte of a path alone cannot tell whether the path ends
// in a backslash or in such a character.
#pragma once

#include "CString.h"

// The path as the system completes it from the current folder (GetFullPathName); empty when it
// cannot, or when it would be longer than MAX_PATH. `nameAt`, where given, is where its last part
// begins (its length when it has none).
CString FullPathOf(const char* path, int* nameAt = nullptr);

// Where the path's last part begins: behind its last backslash (and, with slashes, its last
// forward slash), read by character; 0 when it has none.
int FinalPartStart(const CString& path, bool slashes);

// Whether the last character of the text is a backslash.
bool EndsInBackslash(const CString& path);
// Appends one backslash unless the path already ends in one.
void EnsureTrailingBackslash(CString& path);
// Replaces every backslash character; the second bytes of double-byte characters stay.
void ReplaceBackslashes(CString& path, char with);
