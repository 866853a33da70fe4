// Lines that mention one of a few texts, found in a large file without reading each line.
#pragma once

#include "CString.h"

#include <vector>

// Finds, many bytes at a time, the lines of a run where one of the patterns may stand. A window
// as long as the shortest pattern moves on by as much as the two bytes at its end allow; with
// SSE2, where the patterns begin in a few ways, every place is instead looked at 16 at a time for
// a pattern's first two bytes. Bytes are compared with bit 5 cleared, so letters of either case are
// alike (and a few other bytes with them): every line that mentions a pattern is found, and the
// finds are then read exactly.
class CMentionSieve {
public:
    explicit CMentionSieve(const std::vector<CString>& upperPatterns);
    // The start of the first line in [from, end) (whole lines) where a pattern may stand, or end.
    const char* NextLine(const char* from, const char* end) const;

private:
    unsigned KeyAt(const char* last) const;
    bool MayStartAt(const char* first) const;

    bool m_everyLine = false; // an empty pattern stands in every line
    int m_window = 0;         // the shortest pattern's length; 0 when there is no pattern
    std::vector<unsigned char> m_shift;
    std::vector<unsigned> m_starts; // a bit for the folded first two bytes of each pattern
    std::vector<unsigned short> m_firstPairs; // the same, each once, where they are few
};
