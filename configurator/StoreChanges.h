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
    // A database's mappings are read through the libraries in the Mondrel program folder.
    CStoreSnapshot(Kind kind, const CString& path, const CString& programDirectory = CString())
        : m_kind(kind), m_path(path), m_programDirectory(programDirectory)
    {
    }
    void Take();
    // The roots as a preview's changes leave them: a value deleted under its name as enumerated,
    // a value written as the library writes it (a name in other letter case is the same value).
    void DeleteRoot(const CString& name);
    void WriteRoot(const CString& name, const CString& data);
    // Logs how `later` differs from this snapshot, or that nothing did.
    void LogChangesTo(const CStoreSnapshot& later, CRunLog& log) const;

private:
    Kind m_kind;
    CString m_path;
    CString m_programDirectory;
    bool m_readable = false;
    bool m_listed = false;           // a database's mappings could be read
    std::vector<CString> m_lines;    // a file's lines; for the roots, "name = data"; a database's mappings
    std::vector<CString> m_names;    // the roots' names, beside their lines
    unsigned long m_size = 0;        // the database's size and last write time
    unsigned long long m_written = 0;
};
