#include "ConfigRewrite.h"

#include "ByteBlock.h"
#include "ReplacementFile.h"

#include <windows.h>

#include <cstring>

namespace {

// Writes what the editor passes on. It watches for the line that an end mark cut short: where
// that line is still the last one written, it stays without a line end, as it was.
class CFileSink : public CLineSink {
public:
    explicit CFileSink(CTextFileWriter& writer) : m_writer(writer) {}
    bool Put(const CTextLine& line) override
    {
        m_endsInCutLine = m_watching && line.length == m_cutLine.GetLength() &&
                          memcmp(line.text, m_cutLine.c_str(), line.length) == 0;
        return m_writer.WriteLine(line.text, line.length);
    }
    bool PutRun(const char* text, int length) override
    {
        m_endsInCutLine = false;
        return m_writer.WriteLines(text, length);
    }
    void WatchForCutLine(const CTextLine& line)
    {
        m_cutLine = CString(line.text, line.length);
        m_watching = true;
        m_endsInCutLine = false;
    }
    bool EndsInCutLine() const { return m_endsInCutLine; }

private:
    CTextFileWriter& m_writer;
    CString m_cutLine;
    bool m_watching = false;
    bool m_endsInCutLine = false;
};

bool IsReadOnly(const char* path)
{
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

// Just behind the next LF; a run always has one there.
const char* NextLineStart(const char* text, const char* end)
{
    return FindEitherByte(text, end, '\n', '\n') + 1;
}

} // namespace

CRemoveLinesMentioning::CRemoveLinesMentioning(const CString& upperPattern)
    : m_pattern(upperPattern.Upper()), m_finder(m_pattern)
{
    // An empty pattern is in every line; taking it literally would empty the whole file. A
    // pattern with a line end in it is in no line.
    m_removesNothing = m_pattern.IsEmpty() || m_pattern.Find('\n') >= 0;
}

void CRemoveLinesMentioning::TakeLine(const CTextLine& line, CLineSink& out)
{
    if (m_removesNothing || m_finder.FindIn(line.text, line.length) < 0)
        out.Put(line);
}

// Searches the whole run at once: the pattern holds no LF, so where it stands it stands within
// one line, unless it takes in the CR of that line's end, which is no part of the line.
void CRemoveLinesMentioning::TakeRun(const CTextRun& run, CLineSink& out)
{
    const char* kept = run.text;
    const char* end = run.text + run.length;
    const int length = m_pattern.GetLength();
    for (const char* from = kept; !m_removesNothing && from < end;) {
        int at = m_finder.FindIn(from, static_cast<int>(end - from));
        if (at < 0)
            break;
        const char* match = from + at;
        const char* lineEnd = NextLineStart(match, end);
        if (match + length < lineEnd - 1) {
            const char* lineStart = match;
            while (lineStart > kept && lineStart[-1] != '\n')
                --lineStart;
            out.PutRun(kept, static_cast<int>(lineStart - kept));
            kept = lineEnd;
        }
        from = lineEnd;
    }
    out.PutRun(kept, static_cast<int>(end - kept));
}

void CRemoveLinesWhere::TakeLine(const CTextLine& line, CLineSink& out)
{
    if (!m_removes(CString(line.text, line.length)))
        out.Put(line);
}

void CRemoveLinesWhere::TakeRun(const CTextRun& run, CLineSink& out)
{
    const char* end = run.text + run.length;
    for (const char* line = run.text; line < end;) {
        const char* next = NextLineStart(line, end);
        TakeLine(CTextLine{line, static_cast<int>(next - line) - 2}, out); // without its CR LF
        line = next;
    }
}

void CInsertLineAt::TakeLine(const CTextLine& line, CLineSink& out)
{
    if (!m_inserted && m_copied == m_linesBefore) {
        out.Put(CTextLine{m_newLine, m_newLine.GetLength()});
        m_inserted = true;
    }
    out.Put(line);
    ++m_copied;
}

void CInsertLineAt::TakeRun(const CTextRun& run, CLineSink& out)
{
    if (m_inserted || m_linesBefore < m_copied || m_linesBefore >= m_copied + run.lines) {
        out.PutRun(run.text, run.length);
        m_copied += run.lines;
        return;
    }
    const char* end = run.text + run.length;
    const char* split = run.text;
    for (int line = m_copied; line < m_linesBefore; ++line)
        split = NextLineStart(split, end);
    out.PutRun(run.text, static_cast<int>(split - run.text));
    out.Put(CTextLine{m_newLine, m_newLine.GetLength()});
    m_inserted = true;
    out.PutRun(split, static_cast<int>(end - split));
    m_copied += run.lines;
}

void CInsertLineAt::Finish(CLineSink& out)
{
    if (m_inserted)
        return;
    for (; m_copied < m_linesBefore; ++m_copied)
        out.Put(CTextLine{"", 0});
    out.Put(CTextLine{m_newLine, m_newLine.GetLength()});
    m_inserted = true;
}

int RewriteConfigFile(const CString& configPath, CLineEditor& editor)
{
    CString tempPath = configPath + "1";
    // Read-only files are not ours to replace: neither the configuration file nor a file that
    // already holds the temporary name. Checked here because a privileged process may be let
    // through by the system.
    if (IsReadOnly(configPath) || IsReadOnly(tempPath))
        return -1;
    CTextFileReader original;
    if (!original.Open(configPath))
        return -1;
    CReplacementFile replacement(configPath, tempPath);
    CTextFileWriter temp;
    if (!replacement.Create() || !temp.Attach(replacement.Handle()))
        return -1;

    CFileSink sink(temp);
    for (;;) {
        CTextRun run;
        original.ReadRun(run);
        if (run.lines > 0) {
            editor.TakeRun(run, sink);
            continue;
        }
        CTextLine line;
        if (!original.ReadLine(line))
            break;
        if (original.LineCutByEndMark())
            sink.WatchForCutLine(line);
        editor.TakeLine(line, sink);
    }
    editor.Finish(sink);
    // The edits end at the end mark; the mark and all after it go on as they stand.
    if (sink.EndsInCutLine())
        temp.LeaveOffLastLineEnd();
    const char* rest = nullptr;
    int restLength = 0;
    while (original.ReadPastEndMark(rest, restLength))
        temp.WriteBytes(rest, restLength);
    bool complete = !original.Failed() && temp.Close();
    original.Close();
    return complete && replacement.Commit() ? 0 : -1;
}

int RemoveDirectiveLines(const CString& configPath, const CString& urlPattern)
{
    CRemoveLinesMentioning editor(urlPattern);
    return RewriteConfigFile(configPath, editor);
}

int InsertDirectiveLine(const CString& configPath, const CString& line, int insertionPoint)
{
    CInsertLineAt editor(line, insertionPoint);
    return RewriteConfigFile(configPath, editor);
}
