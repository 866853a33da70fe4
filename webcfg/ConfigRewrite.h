// Changing a server configuration file: its lines are streamed through an editor into a
// temporary file (the path with kRewriteSuffix appended), which then replaces the file in one step.
#pragma once

#include "CString.h"
#include "ReplacementFile.h"
#include "TextFile.h"

#include <functional>
#include <memory>
#include <utility>
#include <vector>

class CLineSink {
public:
    virtual bool Put(const CTextLine& line) = 0;
    virtual bool PutRun(const char* text, int length) = 0;
    // A line an edit put here that a later edit of the same call takes out again: nothing is
    // written, but the lines before it were not the last of the file at that edit.
    virtual void PassOver() {}

protected:
    ~CLineSink() = default;
};

class CLineEditor {
public:
    virtual void TakeLine(const CTextLine& line, CLineSink& out) = 0;
    // The same as taking each line of the run in turn, only faster.
    virtual void TakeRun(const CTextRun& run, CLineSink& out) = 0;
    virtual void Finish(CLineSink& out) = 0;

protected:
    ~CLineEditor() = default;
};

// Leaves out every line that the test takes; the others stay byte for byte (with CR LF ends).
class CRemoveLinesWhere : public CLineEditor {
public:
    explicit CRemoveLinesWhere(std::function<bool(const CString& line)> removes) : m_removes(std::move(removes)) {}
    void TakeLine(const CTextLine& line, CLineSink& out) override;
    void TakeRun(const CTextRun& run, CLineSink& out) override;
    void Finish(CLineSink&) override {}

private:
    std::function<bool(const CString& line)> m_removes;
};

// A call's hold on one configuration file: opened once, allowing no other opener, read as often as
// the call's decisions need, and rewritten from what was read. Where it lies on a fixed drive it
// is mapped whole, and Run keeps a disk that fails under a read of it from ending the process.
class COpenConfigFile {
public:
    // Each failure keeps its system error for the operation (operation_error).
    explicit COpenConfigFile(const CString& path) : m_path(path) {}
    bool Open();
    // The file from its start, for one more reading; null when it cannot be read again.
    CTextFileReader* FromStart();
    // The call's result; -1, with the file as it was and no temporary file left, where a read of
    // the mapped file failed.
    int Run(const std::function<int()>& call);
    // Runs the editor over the file through the temporary file (CReplacementFile), which takes
    // on the file's protection, and closes the file to replace it. The editor sees the text before
    // an end mark (Ctrl-Z); the mark and every byte after it follow the edited lines as they
    // stood. 0 on success; -1 when a file cannot be read, written, protected as the original was
    // or replaced, in which case the file is as it was and no temporary file is left behind, also
    // when the editor throws.
    int Rewrite(CLineEditor& editor);

private:
    CString m_path;
    CTextFileReader m_text;
    // Held here, outside what Run guards, so that a failed read still removes it.
    std::unique_ptr<CReplacementFile> m_replacement;
};

// Opens the file and rewrites it (COpenConfigFile::Rewrite); -1 also when it cannot be opened.
int RewriteConfigFile(const CString& configPath, CLineEditor& editor);
