// What an operation changed in a server's store, for the log: the configurator looks at the store
// before and after the call, so that the library's interface stays as it is.
#pragma once

#include "CString.h"

#include <vector>

class CRunLog;

struct LineChange {
    bool added;  // put in; else taken out
    int number;  // 1-based, in the file after the change for a line put in, before it for one taken out
    CString text;
};

// The fewest lines taken out and put in that turn `before` into `after`, in file order; false
// when more than `most` lines would be needed.
bool DiffLines(const std::vector<CString>& before, const std::vector<CString>& after, int most,
               std::vector<LineChange>& changes);

// A store as it stands, taken before and after one operation. It holds at most a bounded amount
// of lines, so that a log never costs a run its memory: beyond that a change is found by size and
// checksum, and only the line counts are said.
class CStoreSnapshot {
public:
    enum Kind { ConfigFile, VirtualRoots, Database };
    static const size_t kMostHeldBytes = 8 << 20;
    // path: the file, or the key of the roots (empty for IIS's own) under HKEY_LOCAL_MACHINE.
    CStoreSnapshot(Kind kind, const CString& path, size_t mostHeldBytes = kMostHeldBytes)
        : m_kind(kind), m_path(path), m_mostHeldBytes(mostHeldBytes)
    {
    }
    void Take();
    // A database's mappings are read through the libraries in the Mondrel program folder.
    void ReadMappingsWith(const CString& programDirectory) { m_programDirectory = programDirectory; }
    // Logs how `later` differs from this snapshot, or that nothing did.
    void LogChangesTo(const CStoreSnapshot& later, CRunLog& log) const;
    // A configuration file's bytes after its first end-of-file mark (Ctrl-Z); -1 without a mark.
    long long BytesAfterEndMark() const { return m_afterEndMark; }

private:
    // Counts the line into the checksum of the roots and holds it while the bound allows.
    void Hold(const char* text, int length);
    bool TakeFile();
    bool TakeRoots();

    Kind m_kind;
    CString m_path;
    size_t m_mostHeldBytes;
    bool m_readable = false;
    bool m_allHeld = true;           // false once the lines outgrew the bound: they are only counted
    size_t m_heldBytes = 0;
    std::vector<CString> m_lines;    // a file's lines; for the roots, "name = data"; a database's mappings
    std::vector<CString> m_names;    // the roots' names, beside their lines
    CString m_programDirectory;
    bool m_listed = false;           // a database's mappings could be read
    long m_lineCount = 0;
    unsigned long long m_size = 0;   // a file's size in bytes
    unsigned long m_checksum = 0;    // of a file's bytes, or of the roots' lines
    unsigned long long m_written = 0; // the database's last write time
    long long m_afterEndMark = -1;
    std::vector<CString> m_unread;   // what of the roots could not be read, for the log
};
