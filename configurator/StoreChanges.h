// What an operation changed in a server's store, for the log: the configurator looks at the store
// before and after the call, so that the library's interface stays as it is.
#pragma once

#include "CString.h"

#include <vector>

class CRunLog;

// The lines of a file as text mode reads them; false when it cannot be read.
bool ReadFileLines(const CString& path, std::vector<CString>& lines);

struct LineChange {
    bool added;  // put in; else taken out
    int number;  // 1-based, in the file after the change for a line put in, before it for one taken out
    CString text;
};

// The fewest lines taken out and put in that turn `before` into `after`, in file order; false
// when more than `most` lines would be needed.
bool DiffLines(const std::vector<CString>& before, const std::vector<CString>& after, int most,
               std::vector<LineChange>& changes);

// A store as it stands, taken before and after one operation.
class CStoreSnapshot {
public:
    enum Kind { ConfigFile, VirtualRoots, Database };
    CStoreSnapshot(Kind kind, const CString& path) : m_kind(kind), m_path(path) {}
    void Take();
    // Logs how `later` differs from this snapshot, or that nothing did.
    void LogChangesTo(const CStoreSnapshot& later, CRunLog& log) const;

private:
    Kind m_kind;
    CString m_path;
    bool m_readable = false;
    std::vector<CString> m_lines;    // a file's lines; for the roots, "name = data"
    unsigned long m_size = 0;        // the database's size and last write time
    unsigned long long m_written = 0;
};
