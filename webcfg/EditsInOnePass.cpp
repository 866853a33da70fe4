#include "EditsInOnePass.h"

#include "ByteBlock.h"

namespace {

// An empty pattern is in every line and one with a line end in it is in none; neither takes a
// line out.
bool RemovesLines(const ConfigEdit& edit)
{
    return edit.kind == ConfigEdit::RemoveLinesMentioning && !edit.text.IsEmpty() && edit.text.Find('\n') < 0;
}

std::vector<CString> RemovalPatterns(const std::vector<ConfigEdit>& edits)
{
    std::vector<CString> patterns;
    for (const ConfigEdit& edit : edits) {
        if (RemovesLines(edit))
            patterns.push_back(edit.text.Upper());
    }
    return patterns;
}

} // namespace

CEditsInOnePass::CEditsInOnePass(const std::vector<ConfigEdit>& edits, int insertionPoint)
    : m_insertionPoint(insertionPoint), m_sieve(RemovalPatterns(edits))
{
    for (int step = 0; step < static_cast<int>(edits.size()); ++step) {
        if (RemovesLines(edits[step])) {
            m_patternSteps.push_back(step);
            m_finders.push_back(CUpperTextFinder(edits[step].text.Upper()));
        }
    }
    for (int step = 0; step < static_cast<int>(edits.size()); ++step) {
        if (edits[step].kind != ConfigEdit::InsertLine)
            continue;
        const CString& text = edits[step].text;
        m_newLines.push_back({text, step, FirstRemovalMentioned(text, text.GetLength(), step)});
        m_waiting.push_back({static_cast<int>(m_newLines.size()) - 1, 0});
    }
}

// The first removal after the given step whose pattern the text mentions, or kNever.
int CEditsInOnePass::FirstRemovalMentioned(const char* text, int length, int after) const
{
    for (size_t p = 0; p < m_finders.size(); ++p) {
        if (m_patternSteps[p] > after && m_finders[p].FindIn(text, length) >= 0)
            return m_patternSteps[p];
    }
    return kNever;
}

void CEditsInOnePass::PutNewLine(const NewLine& line, CLineSink& out)
{
    if (line.removedAt == kNever)
        out.Put(CTextLine{line.text, line.text.GetLength()});
    else
        out.PassOver();
}

// A line made at step madeAt (-1: the file's own) and taken out at removedAt has just been passed:
// it counts for every waiting insertion whose step finds it in the file.
void CEditsInOnePass::Count(int madeAt, int removedAt)
{
    for (Waiting& waiting : m_waiting) {
        const int step = m_newLines[waiting.line].step;
        if (madeAt < step && step < removedAt)
            ++waiting.counted;
    }
}

void CEditsInOnePass::PlaceBehind(int madeAt, int removedAt, CLineSink& out)
{
    Count(madeAt, removedAt);
    PlaceCompleted(out);
}

// The insertions that have counted their insertion point go right here, the latest first (each
// in front of those put at the same place before it), each followed by what its own line
// completes in turn. A loop over a stack of the lines still to put, not a recursion: one
// insertion may complete the next all along a template of any length.
void CEditsInOnePass::PlaceCompleted(CLineSink& out)
{
    std::vector<int> toPut; // the next one to put on top
    auto takeCompleted = [this, &toPut] {
        for (size_t w = 0; w < m_waiting.size();) {
            if (m_waiting[w].counted == m_insertionPoint) {
                toPut.push_back(m_waiting[w].line);
                m_waiting.erase(m_waiting.begin() + w);
            } else {
                ++w;
            }
        }
    };
    takeCompleted();
    while (!toPut.empty()) {
        const NewLine& newLine = m_newLines[toPut.back()];
        toPut.pop_back();
        PutNewLine(newLine, out);
        Count(newLine.step, newLine.removedAt);
        takeCompleted();
    }
}

// An insertion point of 0 is in front of the first line.
void CEditsInOnePass::Start(CLineSink& out)
{
    if (m_started)
        return;
    m_started = true;
    PlaceCompleted(out);
}

void CEditsInOnePass::TakeLine(const CTextLine& line, CLineSink& out)
{
    Start(out);
    // The sieve passes over most lines at once (those of a file with LF line ends come one by one).
    const char* end = line.text + line.length;
    const int removedAt = m_sieve.NextLine(line.text, end) == end ? kNever : FirstRemovalMentioned(line.text, line.length, -1);
    if (removedAt == kNever)
        out.Put(line);
    if (!m_waiting.empty())
        PlaceBehind(-1, removedAt, out);
}

// Whole lines that no removal takes out: they count alike for every waiting insertion, so they
// go out as runs up to each line where an insertion is placed.
void CEditsInOnePass::PutPlainLines(const char* from, const char* to, CLineSink& out)
{
    while (from < to && !m_waiting.empty()) {
        int most = 0;
        for (const Waiting& waiting : m_waiting)
            most = waiting.counted > most ? waiting.counted : most;
        const int untilPlaced = m_insertionPoint - most;
        if (untilPlaced <= 0)
            break; // a negative insertion point is the end of the file
        const char* last = from;
        int passed = 0;
        while (passed < untilPlaced - 1 && last < to) {
            last = NextLineStart(last, to);
            ++passed;
        }
        for (Waiting& waiting : m_waiting)
            waiting.counted += passed;
        if (last == to) {
            out.PutRun(from, static_cast<int>(to - from));
            return;
        }
        const char* next = NextLineStart(last, to);
        out.PutRun(from, static_cast<int>(next - from));
        PlaceBehind(-1, kNever, out);
        from = next;
    }
    out.PutRun(from, static_cast<int>(to - from));
}

void CEditsInOnePass::TakeRun(const CTextRun& run, CLineSink& out)
{
    Start(out);
    const char* end = run.text + run.length;
    for (const char* from = run.text;;) {
        const char* mention = m_sieve.NextLine(from, end);
        PutPlainLines(from, mention, out);
        if (mention == end)
            return;
        const char* next = NextLineStart(mention, end);
        TakeLine(CTextLine{mention, static_cast<int>(next - mention) - 2}, out); // without its CR LF
        from = next;
    }
}

// The insertions still waiting find fewer lines in the file than their insertion point: each
// goes behind the new lines and empty lines put at the end before it, or the file is padded
// with empty lines up to the insertion point at its step. A negative point is the file's end.
void CEditsInOnePass::Finish(CLineSink& out)
{
    Start(out);
    struct TailPart {
        int emptyLines; // when no new line
        int line;       // a new line, or -1
    };
    std::vector<TailPart> tail;
    for (const Waiting& waiting : m_waiting) {
        const int step = m_newLines[waiting.line].step;
        int wanted = m_insertionPoint - waiting.counted;
        size_t at = wanted < 0 ? tail.size() : 0;
        // Empty lines put in for an earlier step are never split: a later step finds no more
        // lines in front of them than that one did.
        for (; at < tail.size() && wanted > 0; ++at) {
            const TailPart& part = tail[at];
            const int standing = part.line < 0 ? part.emptyLines : (m_newLines[part.line].removedAt > step ? 1 : 0);
            wanted -= standing < wanted ? standing : wanted;
        }
        if (wanted > 0) {
            tail.push_back({wanted, -1});
            at = tail.size();
        }
        tail.insert(tail.begin() + at, TailPart{0, waiting.line});
    }
    m_waiting.clear();
    for (const TailPart& part : tail) {
        if (part.line >= 0)
            PutNewLine(m_newLines[part.line], out);
        for (int n = 0; n < part.emptyLines; ++n)
            out.Put(CTextLine{"", 0});
    }
}
