#include "ConfigRewrite.h"

#include "ByteBlock.h"
#include "OperationError.h"
#include "ReadGuard.h"
#include "vpsetup.h"

#include <windows.h>

#include <cstring>

namespace {

// Writes what the editor passes on. It watches for the line that an end mark cut short: where
// that line is still the last one written, it stays without a line end, as it was. The line is
// known by its place in the text read, never by its text: a line put in may read the same.
class CFileSink : public CLineSink {
public:
    explicit CFileSink(CTextFileWriter& writer) : m_writer(writer) {}
    bool Put(const CTextLine& line) override
    {
        m_endsInCutLine = m_watching && line.text == m_cutLine.text && line.length == m_cutLine.length;
        return m_writer.WriteLine(line.text, line.length);
    }
    bool PutRun(const char* text, int length) override
    {
        m_endsInCutLine = false;
        return m_writer.WriteLines(text, length);
    }
    // Edits in turn would have written the cut line with its line end when a line went behind it.
    void PassOver() override { m_endsInCutLine = false; }
    void WatchForCutLine(const CTextLine& line)
    {
        m_cutLine = line;
        m_watching = true;
        m_endsInCutLine = false;
    }
    bool EndsInCutLine() const { return m_endsInCutLine; }

private:
    CTextFileWriter& m_writer;
    CTextLine m_cutLine = {nullptr, 0};
    bool m_watching = false;
    bool m_endsInCutLine = false;
};

bool IsReadOnly(const char* path)
{
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

} // namespace

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

bool COpenConfigFile::Open()
{
    if (m_text.Open(m_path, CTextFileReader::MappedOnFixedDrive))
        return true;
    operation_error::KeepLast();
    return false;
}

CTextFileReader* COpenConfigFile::FromStart()
{
    if (m_text.Rewind())
        return &m_text;
    operation_error::Keep(m_text.Error());
    return nullptr;
}

int COpenConfigFile::Run(const std::function<int()>& call)
{
    if (!m_text.MappedBytes())
        return call();
    int result = -1;
    if (!RunGuardingMappedReads(m_text.MappedBytes(), m_text.MappedLength(), [&] { result = call(); })) {
        operation_error::Keep(ERROR_READ_FAULT);
        m_replacement.reset();
        return -1;
    }
    return result;
}

int COpenConfigFile::Rewrite(CLineEditor& editor)
{
    const CString tempPath = m_path + kRewriteSuffix;
    // Read-only files are not ours to replace: neither the configuration file nor a file that
    // already holds the temporary name. Checked here because a privileged process may be let
    // through by the system.
    if (IsReadOnly(m_path) || IsReadOnly(tempPath)) {
        operation_error::Keep(ERROR_ACCESS_DENIED);
        return -1;
    }
    if (!FromStart())
        return -1;
    m_replacement.reset(new CReplacementFile(m_path, tempPath));
    CTextFileWriter temp;
    if (!m_replacement->Create() || !temp.Attach(m_replacement->Handle())) {
        operation_error::Keep(m_replacement->Error());
        return -1;
    }

    CFileSink sink(temp);
    for (;;) {
        CTextRun run;
        m_text.ReadRun(run);
        if (run.length > 0) {
            editor.TakeRun(run, sink);
            continue;
        }
        CTextLine line;
        if (!m_text.ReadLine(line))
            break;
        if (m_text.LineCutByEndMark())
            sink.WatchForCutLine(line);
        editor.TakeLine(line, sink);
    }
    editor.Finish(sink);
    // The edits end at the end mark; the mark and all after it go on as they stand.
    if (sink.EndsInCutLine())
        temp.LeaveOffLastLineEnd();
    const char* rest = nullptr;
    int restLength = 0;
    while (m_text.ReadPastEndMark(rest, restLength))
        temp.WriteBytes(rest, restLength);
    if (m_text.Failed())
        operation_error::Keep(m_text.Error());
    bool complete = !m_text.Failed() && (temp.Close() || (operation_error::Keep(temp.Error()), false));
    m_text.Close();
    complete = complete && (m_replacement->Commit() || (operation_error::Keep(m_replacement->Error()), false));
    m_replacement.reset();
    return complete ? 0 : -1;
}

int RewriteConfigFile(const CString& configPath, CLineEditor& editor)
{
    COpenConfigFile file(configPath);
    return file.Open() ? file.Run([&] { return file.Rewrite(editor); }) : -1;
}
