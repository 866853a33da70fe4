#include "DirectiveScan.h"

#include "TextFile.h"

#include <cstring>

namespace {

// Directive words are separated by the space character alone; a tab belongs to the word.
CString TakeWord(const CString& line, int& pos)
{
    while (pos < line.GetLength() && line[pos] == ' ')
        ++pos;
    int start = pos;
    while (pos < line.GetLength() && line[pos] != ' ')
        ++pos;
    return line.Mid(start, pos - start);
}

} // namespace

CDirectiveScanner::CDirectiveScanner(const DirectiveKeyword* keywords, int keywordCount, bool keepLines)
    : m_keywords(keywords), m_keywordCount(keywordCount), m_keepLines(keepLines)
{
}

void CDirectiveScanner::TakeLine(const CString& line)
{
    if (m_beforeFirstDirective)
        ++m_counter;
    CString text(line);
    text.TrimLeft();
    if (m_keepLines) {
        CString trimmed(text);
        trimmed.TrimRight();
        m_scan.trimmedLines.push_back(trimmed);
    }
    text.MakeUpper();
    for (int k = 0; k < m_keywordCount; ++k) {
        int keywordLength = static_cast<int>(strlen(m_keywords[k].searchText));
        if (text.Left(keywordLength) != CString(m_keywords[k].searchText))
            continue;
        m_beforeFirstDirective = false;
        int pos = keywordLength;
        DirectiveEntry entry;
        entry.urlPattern = TakeWord(text, pos);
        entry.targetPath = TakeWord(text, pos);
        entry.directiveName = m_keywords[k].name;
        m_scan.entries.push_back(entry);
        break;
    }
}

DirectiveScan CDirectiveScanner::Result()
{
    m_scan.insertionPoint = m_counter - 1;
    return std::move(m_scan);
}

bool ScanDirectives(const char* configPath, const DirectiveKeyword* keywords, int keywordCount,
                    bool keepLines, DirectiveScan& scan)
{
    CTextFileReader file;
    if (!file.Open(configPath))
        return false;
    CDirectiveScanner scanner(keywords, keywordCount, keepLines);
    CString line;
    while (file.ReadLine(line))
        scanner.TakeLine(line);
    if (file.Failed())
        return false;
    scan = scanner.Result();
    return true;
}
