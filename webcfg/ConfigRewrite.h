// Changing a server configuration file: its lines are streamed through an editor into a
// temporary file (the path with "1" appended), which then replaces the file in one step.
#pragma once

#include "CString.h"
#include "TextFile.h"

#include <functional>
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

// Runs the editor over the file through the temporary file (CReplacementFile), which takes on the
// file's protection. The editor sees the text before an end mark (Ctrl-Z); the mark and every byte
// after it follow the edited lines as they stood. 0 on success; -1 when a file cannot be opened,
// read, written, protected as the original was or replaced, in which case the file is as it was
// and no temporary file is left behind, also when the editor throws.
int RewriteConfigFile(const CString& configPath, CLineEditor& editor);
