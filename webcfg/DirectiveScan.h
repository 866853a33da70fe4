// The scan of a server configuration file: which directives of a variant's two keywords it
// already holds, and the insertion point in front of the first of them.
#pragma once

#include "CString.h"

#include <vector>

struct DirectiveKeyword {
    const char* searchText; // upper case, as a directive line begins after upper-casing
    const char* name;       // the directive's own spelling
};

struct DirectiveEntry {
    CString urlPattern; // word 1, upper case
    CString targetPath; // word 2, upper case
    CString directiveName;
};

struct DirectiveScan {
    std::vector<DirectiveEntry> entries;
    // Lines in front of the first directive line; without one, the line count minus one.
    int insertionPoint = -1;
    // Every line of the file without its outer white space, kept only when asked for.
    std::vector<CString> trimmedLines;
};

class CDirectiveScanner {
public:
    CDirectiveScanner(const DirectiveKeyword* keywords, int keywordCount, bool keepLines);
    void TakeLine(const CString& line);
    // Finishes the scan and hands over its result.
    DirectiveScan Result();

private:
    const DirectiveKeyword* m_keywords;
    int m_keywordCount;
    bool m_keepLines;
    bool m_beforeFirstDirective = true;
    int m_counter = 0;
    DirectiveScan m_scan;
};

// Scans the file; false when it cannot be opened or read.
bool ScanDirectives(const char* configPath, const DirectiveKeyword* keywords, int keywordCount,
                    bool keepLines, DirectiveScan& scan);
