// The file that takes another file's place: made beside it under the name the caller gives, born
// with the original's protection, written, flushed to the disk, and then moved over the original
// in one step. On every other way out (a failure, an exception) it is removed, so that nothing of
// a rewrite is left behind and the original is as it was.
#pragma once

#include "UniqueHandle.h"

#include <string>

class CReplacementFile {
public:
    CReplacementFile(const char* originalPath, const char* replacementPath)
        : m_original(originalPath), m_replacement(replacementPath)
    {
    }
    CReplacementFile(const CReplacementFile&) = delete;
    CReplacementFile& operator=(const CReplacementFile&) = delete;
    ~CReplacementFile() { Discard(); }

    // Creates the replacement, allowing no other opener, with the original's owner, group and
    // access list (and its audit list where SeSecurityPrivilege can be enabled) and its hidden and
    // system bits from the moment it exists; the archive bit is set, as on any file changed. A file
    // already standing at the name is removed first, never reused. False, with nothing of ours
    // left, when that file cannot be removed, when a file appears there all the same, or when the
    // original's protection cannot be read or given. On a volume that keeps no access lists only
    // the bits are handed on; a missing original has nothing to hand on.
    bool Create();
    // For writers that buffer on their own; valid until Commit.
    HANDLE Handle() const { return m_file.Get(); }
    bool Write(const void* data, DWORD length);
    // Flushes and closes the replacement and moves it over the original. True when the original's
    // name now holds the new content; false when the original is as it was and the replacement is
    // gone.
    bool Commit();
    // The system's error where Create, Write or Commit first failed.
    DWORD Error() const { return m_error; }

private:
    void Discard();
    bool Failed(DWORD error); // keeps the first error; false

    DWORD m_error = ERROR_SUCCESS;
    std::string m_original;
    std::string m_replacement;
    CFileHandle m_file;
    bool m_created = false;
};
