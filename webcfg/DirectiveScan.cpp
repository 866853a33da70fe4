#include "DirectiveScan.h"

#include "ByteBlock.h"
#include "MentionSieve.h"
#include "TextFile.h"

#include <cstring>

namespace {

// Directive words are separated by the space character alone; a tab belongs to the word.
void FindWord(const CString& line, int& pos, int& start)
{
    while (pos < line.GetLength() && line[pos] == ' ')
        ++pos;
    start = pos;
    while (pos < line.GetLength() && line[pos] != ' ')
        ++pos;
}

// The scan sees the line upper-cased, so the word is too.
CString TakeWord(const CString& line, int& pos)
{
    int start;
    FindWord(line, pos, start);
    CString word = line.Mid(start, pos - start);
    word.MakeUpper();
    return word;
}

int TextStart(const CString& line)
{
    int start = 0;
    while (start < line.GetLength() && IsBlank(line[start]))
        ++start;
    return start;
}

// The keyword the line's text begins with, read upper-cased, or -1; pos is put behind it.
int LeadingKeyword(const CString& line, int textStart, const DirectiveKeyword* keywords, int keywordCount, int& pos)
{
    for (int k = 0; k < keywordCount; ++k) {
        int keywordLength = static_cast<int>(strlen(keywords[k].searchText));
        if (line.HoldsInUpperAt(textStart, keywords[k].searchText, keywordLength)) {
            pos = textStart + keywordLength;
            return k;
        }
    }
    return -1;
}

DirectiveEntry TakeDirective(const CString& line, int pos, const DirectiveKeyword& keyword)
{
    DirectiveEntry entry;
    entry.urlPattern = TakeWord(line, pos);
    entry.targetPath = TakeWord(line, pos);
    entry.directiveName = keyword.name;
    return entry;
}

bool IsAmong(const CString& line, int start, int length, const std::vector<CString>& upperTexts)
{
    for (const CString& text : upperTexts) {
        if (text.GetLength() == length && line.HoldsInUpperAt(start, text, length))
            return true;
    }
    return false;
}

} // namespace

CDirectiveScanner::CDirectiveScanner(const DirectiveKeyword* keywords, int keywordCount, bool keepLines,
                                     const ScanInterest* interest)
    : m_keywords(keywords), m_keywordCount(keywordCount), m_keepLines(keepLines), m_interest(interest)
{
}

// Reads the line as if its leading white space were removed and it were upper-cased, without
// making that copy.
void CDirectiveScanner::TakeLine(const CString& line)
{
    if (m_beforeFirstDirective)
        ++m_counter;
    const int textStart = TextStart(line);
    if (m_keepLines) {
        int textEnd = line.GetLength();
        while (textEnd > textStart && IsBlank(line[textEnd - 1]))
            --textEnd;
        if (!m_interest || IsAmong(line, textStart, textEnd - textStart, m_interest->lines))
            m_scan.trimmedLines.push_back(line.Mid(textStart, textEnd - textStart));
    }
    int pos = 0;
    const int k = LeadingKeyword(line, textStart, m_keywords, m_keywordCount, pos);
    if (k < 0)
        return;
    m_beforeFirstDirective = false;
    if (m_interest) {
        int wordPos = pos, wordStart;
        FindWord(line, wordPos, wordStart);
        if (!IsAmong(line, wordStart, wordPos - wordStart, m_interest->urlPatterns))
            return;
    }
    m_scan.entries.push_back(TakeDirective(line, pos, m_keywords[k]));
}

bool ReadDirectiveLine(const CString& line, const DirectiveKeyword* keywords, int keywordCount, DirectiveEntry& entry)
{
    int pos = 0;
    const int k = LeadingKeyword(line, TextStart(line), keywords, keywordCount, pos);
    if (k < 0)
        return false;
    entry = TakeDirective(line, pos, keywords[k]);
    return true;
}

bool CDirectiveScanner::WantsMoreLines() const
{
    return m_beforeFirstDirective || !m_interest || !m_interest->urlPatterns.empty() ||
           (m_keepLines && !m_interest->lines.empty());
}

bool CDirectiveScanner::WantsOnlyMentions() const
{
    return !m_beforeFirstDirective && m_interest;
}

DirectiveScan CDirectiveScanner::Result()
{
    m_scan.insertionPoint = m_counter - 1;
    return std::move(m_scan);
}

bool ScanDirectives(const char* configPath, const DirectiveKeyword* keywords, int keywordCount,
                    bool keepLines, DirectiveScan& scan, const ScanInterest* interest)
{
    CTextFileReader file;
    return file.Open(configPath) && ScanDirectives(file, keywords, keywordCount, keepLines, scan, interest);
}

bool ScanDirectives(CTextFileReader& file, const DirectiveKeyword* keywords, int keywordCount, bool keepLines,
                    DirectiveScan& scan, const ScanInterest* interest)
{
    CDirectiveScanner scanner(keywords, keywordCount, keepLines, interest);
    // Past the first directive, a scan with an interest reads only the lines that mention one of
    // its texts: a directive's first word stands in its line, and a line kept is one of the lines.
    // The rest of a large file is passed over a run of lines at a time.
    std::vector<CString> mentioned;
    if (interest) {
        mentioned = interest->urlPatterns;
        if (keepLines)
            mentioned.insert(mentioned.end(), interest->lines.begin(), interest->lines.end());
    }
    const CMentionSieve sieve(mentioned);
    CString line;
    while (scanner.WantsMoreLines()) {
        CTextRun run;
        if (scanner.WantsOnlyMentions() && (file.ReadRun(run), run.length > 0)) {
            const char* end = run.text + run.length;
            for (const char* from = sieve.NextLine(run.text, end); from < end; from = sieve.NextLine(from, end)) {
                const char* next = NextLineStart(from, end);
                line = CString(from, static_cast<int>(next - from) - 2); // without its CR LF
                scanner.TakeLine(line);
                from = next;
            }
            continue;
        }
        if (!file.ReadLine(line))
            break;
        scanner.TakeLine(line);
    }
    if (file.Failed())
        return false;
    scan = scanner.Result();
    return true;
}
