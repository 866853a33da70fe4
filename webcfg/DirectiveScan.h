// The scan of a server configuration file: which directives of a variant's two keywords it
// already holds, and the insertion point in front of the first of them.
#pragma once

#include "CString.h"
#include "TextFile.h"

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

// What a template can meet in the file, in upper case: a large file holds many directives and
// lines that no template entry can equal, and keeping every one of them would cost more than
// all the rewrites of the file. A scan with an interest keeps only the directives with one of
// these URL patterns and only the lines (without outer white space) among these lines.
struct ScanInterest {
    std::vector<CString> urlPatterns;
    std::vector<CString> lines;
};

class CDirectiveScanner {
public:
    // Without an interest every directive (and, with keepLines, every line) is kept.
    CDirectiveScanner(const DirectiveKeyword* keywords, int keywordCount, bool keepLines,
                      const ScanInterest* interest = nullptr);
    void TakeLine(const CString& line);
    // False once further lines can change nothing: with an interest in nothing, the first
    // directive line settles the insertion point.
    bool WantsMoreLines() const;
    // True once only lines that mention a text of the interest can change the result.
    bool WantsOnlyMentions() const;
    // Finishes the scan and hands over its result.
    DirectiveScan Result();

private:
    const DirectiveKeyword* m_keywords;
    int m_keywordCount;
    bool m_keepLines;
    const ScanInterest* m_interest;
    bool m_beforeFirstDirective = true;
    int m_counter = 0;
    DirectiveScan m_scan;
};

// The directive that one line holds, read as the scan reads it; false when the line's text does
// not begin with one of the keywords.
bool ReadDirectiveLine(const CString& line, const DirectiveKeyword* keywords, int keywordCount, DirectiveEntry& entry);

// Scans the file; false when it cannot be opened or read.
bool ScanDirectives(const char* configPath, const DirectiveKeyword* keywords, int keywordCount,
                    bool keepLines, DirectiveScan& scan, const ScanInterest* interest = nullptr);
// Scans a file already open, from where its reader stands.
bool ScanDirectives(CTextFileReader& file, const DirectiveKeyword* keywords, int keywordCount, bool keepLines,
                    DirectiveScan& scan, const ScanInterest* interest);
