// The file that takes another file's place: made beside it under the name the caller gives,
// written, flushed to the disk, given the original's protection, and then moved over the original
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

    // Creates the replacement (a file of that name is replaced), allowing no other opener.
    bool Create();
    // For writers that buffer on their own; valid until Commit.
    HANDLE Handle() const { return m_file.Get(); }
    bool Write(const void* data, DWORD length);
    // Flushes and closes the replacement, gives it the original's protection and moves it over
    // the original. True when the original's name now holds the new content; false when the
    // original is as it was and the replacement is gone.
    bool Commit();

private:
    void Discard();

    std::string m_original;
    std::string m_replacement;
    CFileHandle m_file;
    bool m_created = false;
};

// Hands the original's protection to the replacement: its owner, group and access list (and its
// audit list where SeSecurityPrivilege can be enabled) and its hidden, system and archive bits.
// On a volume that keeps no security only the bits are handed on; a missing original has nothing
// to hand on. False when any of it cannot be read or applied: a rewrite never widens access.
bool GiveProtectionOf(const char* original, const char* replacement);
