#include "ConfigRewrite.h"

#include "ByteBlock.h"

#include <windows.h>

namespace {

class CFileSink : public CLineSink {
public:
    explicit CFileSink(CTextFileWriter& writer) : m_writer(writer) {}
    bool Put(const CTextLine& line) override { return m_writer.WriteLine(line.text, line.length); }
    bool PutRun(const char* text, int length) override { return m_writer.WriteLines(text, length); }

private:
    CTextFileWriter& m_writer;
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
        editor.TakeLine(line, sink);
    }
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
