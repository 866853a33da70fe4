// All the edits of one configuring call in one pass over the file: the file comes out exactly as
// the edits would leave it each rewriting the file in turn, but it is written once, so it is only
// ever as it was or as the call finishes it.
#pragma once

#include "ConfigRewrite.h"
#include "EditPlan.h"
#include "MentionSieve.h"
#include "UpperTextFinder.h"

#include <vector>

class CEditsInOnePass : public CLineEditor {
public:
    // The edits in the order the plan makes them; every insertion is after the first
    // insertionPoint lines of the file as the edits before it have left it (after none for 0,
    // at the end for a negative point).
    CEditsInOnePass(const std::vector<ConfigEdit>& edits, int insertionPoint);
    void TakeLine(const CTextLine& line, CLineSink& out) override;
    void TakeRun(const CTextRun& run, CLineSink& out) override;
    void Finish(CLineSink& out) override;

private:
    static const int kNever = 0x7FFFFFFF;

    // A line the edits insert: at its step, and taken out again at the first later removal
    // whose pattern it mentions (kNever when none does).
    struct NewLine {
        CString text;
        int step;
        int removedAt;
    };
    // An insertion not placed yet, with the lines counted so far that stand in the file at its
    // step; it goes right behind the one that makes them insertionPoint.
    struct Waiting {
        int line;
        int counted;
    };

    int FirstRemovalMentioned(const char* text, int length, int after) const;
    void PutPlainLines(const char* from, const char* to, CLineSink& out);
    void Count(int madeAt, int removedAt);
    void PlaceBehind(int madeAt, int removedAt, CLineSink& out);
    void PlaceCompleted(CLineSink& out);
    void Start(CLineSink& out);
    void PutNewLine(const NewLine& line, CLineSink& out);

    int m_insertionPoint;
    std::vector<int> m_patternSteps;
    std::vector<CUpperTextFinder> m_finders;
    CMentionSieve m_sieve;
    std::vector<NewLine> m_newLines;
    std::vector<Waiting> m_waiting; // in the order of their steps
    bool m_started = false;
};
