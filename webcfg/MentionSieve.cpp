#include "MentionSieve.h"

#include "ByteBlock.h"

#include <algorithm>

namespace {

unsigned Folded(char c)
{
    return static_cast<unsigned char>(c) & 0xDFu;
}

const unsigned char kLongestShift = 255;
// Beyond this many ways of beginning, comparing each at every place costs more than the window.
const size_t kMostFirstPairs = 6;

} // namespace

CMentionSieve::CMentionSieve(const std::vector<CString>& upperPatterns)
{
    for (const CString& pattern : upperPatterns) {
        m_everyLine = m_everyLine || pattern.IsEmpty();
        if (m_window == 0 || pattern.GetLength() < m_window)
            m_window = pattern.GetLength();
    }
    if (m_window == 0 || m_everyLine)
        return;
    // The key is the window's last two bytes, or its one byte when a pattern is that short.
    const int keyBytes = m_window >= 2 ? 2 : 1;
    const int farthest = m_window - keyBytes + 1;
    m_shift.assign(keyBytes == 2 ? 0x10000 : 0x100, static_cast<unsigned char>(farthest < kLongestShift ? farthest : kLongestShift));
    m_starts.assign(0x10000 / 32, 0);
    for (const CString& pattern : upperPatterns) {
        const char* text = pattern.c_str();
        // Where the key stands in the pattern's first window, the window may move on only so far
        // that the key comes to lie there.
        for (int last = keyBytes - 1; last < m_window; ++last) {
            unsigned char& shift = m_shift[KeyAt(text + last)];
            const int distance = m_window - 1 - last;
            if (distance < shift)
                shift = static_cast<unsigned char>(distance);
        }
        const unsigned start = keyBytes == 2 ? KeyAt(text + 1) : KeyAt(text);
        m_starts[start / 32] |= 1u << (start % 32);
        const unsigned short pair = static_cast<unsigned short>(Folded(text[0]) | (Folded(text[1]) << 8));
        if (keyBytes == 2 && std::find(m_firstPairs.begin(), m_firstPairs.end(), pair) == m_firstPairs.end())
            m_firstPairs.push_back(pair);
    }
    if (keyBytes != 2 || m_firstPairs.size() > kMostFirstPairs)
        m_firstPairs.clear();
}

unsigned CMentionSieve::KeyAt(const char* last) const
{
    return m_window >= 2 ? (Folded(last[-1]) << 8) | Folded(last[0]) : Folded(last[0]);
}

bool CMentionSieve::MayStartAt(const char* first) const
{
    const unsigned start = m_window >= 2 ? KeyAt(first + 1) : KeyAt(first);
    return (m_starts[start / 32] & (1u << (start % 32))) != 0;
}

const char* CMentionSieve::NextLine(const char* from, const char* end) const
{
    if (m_everyLine)
        return from;
    if (m_window == 0 || end - from < m_window)
        return end;
    if (!m_firstPairs.empty() && CurrentBytePass() == BytePass::Sse2) {
        const char* first = FindFoldedPairInSse2(from, end, m_firstPairs.data(), static_cast<int>(m_firstPairs.size()));
        if (first == end)
            return end;
        while (first > from && first[-1] != '\n')
            --first;
        return first;
    }
    for (const char* last = from + m_window - 1; last < end;) {
        const unsigned char shift = m_shift[KeyAt(last)];
        if (shift != 0) {
            last += shift;
            continue;
        }
        const char* first = last - (m_window - 1);
        if (MayStartAt(first)) {
            while (first > from && first[-1] != '\n')
                --first;
            return first;
        }
        ++last;
    }
    return end;
}
