#include "ConfigRewrite.h"

#include "TextFile.h"

#include <windows.h>

namespace {

class CFileSink : public CLineSink {
public:
    explicit CFileSink(CTextFileWriter& writer) : m_writer(writer) {}
    bool Put(const CString& line) override { return m_writer.WriteLine(line); }

private:
    CTextFileWriter& m_writer;
};

bool IsReadOnly(const char* path)
{
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

} // namespace

void CRemoveLinesMentioning::TakeLine(const CString& line, CLineSink& out)
{
    // An empty pattern is in every line; taking it literally would empty the whole file.
    if (m_pattern.IsEmpty() || line.Upper().Find(m_pattern) < 0)
        out.Put(line);
}

void CInsertLineAt::TakeLine(const CString& line, CLineSink& out)
{
    if (!m_inserted && m_copied == m_linesBefore) {
        out.Put(m_newLine);
        m_inserted = true;
    }
    out.Put(line);
    ++m_copied;
}

void CInsertLineAt::Finish(CLineSink& out)
{
    if (m_inserted)
        return;
    for (; m_copied < m_linesBefore; ++m_copied)
        out.Put(CString());
    out.Put(m_newLine);
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
    CTextFileWriter temp;
    if (!temp.Create(tempPath))
        return -1;

    CFileSink sink(temp);
    CString line;
    while (original.ReadLine(line))
        editor.TakeLine(line, sink);
    editor.Finish(sink);
    bool complete = !original.Failed() && temp.Close();
    original.Close();

    // One step from the old content to the new: the server never lacks its configuration file.
    if (!complete || !MoveFileExA(tempPath, configPath, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        temp.Close();
        DeleteFileA(tempPath);
        return -1;
    }
    return 0;
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
