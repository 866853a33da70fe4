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

// A store as it stands, taken before and after one operation: each kind of store looks at itself
// in its own way. It holds at most a bounded amount of lines, so that a log never costs a run its
// memory: beyond that a change is found by size and checksum, and only the line counts are said.
class CStoreSnapshot {
public:
    static const size_t kMostHeldBytes = 8 << 20;
    virtual ~CStoreSnapshot() = default;
    void Take();
    // Logs how `later`, a look at the same store, differs from this snapshot, or that nothing did.
    void LogChangesTo(const CStoreSnapshot& later, CRunLog& log) const;
    // What the log says of the store as the call finds it, besides its change.
    virtual void LogFoundAsIs(CRunLog&) const {}

protected:
    explicit CStoreSnapshot(size_t mostHeldBytes) : m_mostHeldBytes(mostHeldBytes) {}
    // Reads the store; false when it cannot be read.
    virtual bool Read() = 0;
    // The change to `later` (of the same class), both read.
    virtual void LogChange(const CStoreSnapshot& later, CRunLog& log) const = 0;
    // Counts the line into the checksum and holds it while the bound allows.
    void Hold(const char* text, int length);
    // The lines taken out and put in, each said by `said`, or how many when they are too many to list.
    void LogLineChanges(const CStoreSnapshot& later, CRunLog& log, const char* unchanged,
                        CString (*said)(const LineChange& change)) const;

    size_t m_mostHeldBytes;
    bool m_allHeld = true;           // false once the lines outgrew the bound: they are only counted
    size_t m_heldBytes = 0;
    std::vector<CString> m_lines;
    long m_lineCount = 0;
    unsigned long long m_size = 0;   // a file's size in bytes
    unsigned long m_checksum = 0;
    std::vector<CString> m_unread;   // the parts of the store that could not be read, for the log

private:
    bool m_readable = false;
};

// A configuration file: its lines as the library reads them.
class CFileSnapshot : public CStoreSnapshot {
public:
    explicit CFileSnapshot(const CString& file, size_t mostHeldBytes = kMostHeldBytes)
        : CStoreSnapshot(mostHeldBytes), m_file(file)
    {
    }
    // The bytes after its first end-of-file mark (Ctrl-Z), which the library keeps as they are.
    void LogFoundAsIs(CRunLog& log) const override;

private:
    bool Read() override;
    void LogChange(const CStoreSnapshot& later, CRunLog& log) const override;

    CString m_file;
    long long m_afterEndMark = -1;
};

// The IIS virtual roots: every value of the key as "name = data".
class CRootsSnapshot : public CStoreSnapshot {
public:
    // key: under HKEY_LOCAL_MACHINE; empty for IIS's own.
    explicit CRootsSnapshot(const CString& key, size_t mostHeldBytes = kMostHeldBytes)
        : CStoreSnapshot(mostHeldBytes), m_key(key)
    {
    }

private:
    bool Read() override;
    void LogChange(const CStoreSnapshot& later, CRunLog& log) const override;

    CString m_key;
};

// A Mondrel database: its directory mappings, read through the libraries in the program folder,
// or where they cannot be read its file's size and time.
class CDatabaseSnapshot : public CStoreSnapshot {
public:
    CDatabaseSnapshot(const CString& file, const CString& programFolder)
        : CStoreSnapshot(kMostHeldBytes), m_file(file), m_programFolder(programFolder)
    {
    }

private:
    bool Read() override;
    void LogChange(const CStoreSnapshot& later, CRunLog& log) const override;

    CString m_file;
    CString m_programFolder;
    bool m_listed = false;            // the mappings could be read
    unsigned long long m_written = 0; // the file's last write time
};
