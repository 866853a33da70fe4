#include "UpperTextFinder.h"

#include "ByteBlock.h"
#include "LeadBytes.h"

namespace {

char AsciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

int CUpperTextFinder::FindIn(const char* text, int length) const
{
    const int wanted = m_text.GetLength();
    if (wanted == 0)
        return 0;
    if (wanted > length)
        return -1;
    const CLeadBytes& leads = CLeadBytes::Ansi();
    if (leads.Any())
        return FindInCharacters(leads, text, length);
    const char* end = text + length;
    const char first = m_text[0];
    if (wanted == 1) {
        const char* hit = FindEitherByte(text, end, first, AsciiLower(first));
        return hit == end ? -1 : static_cast<int>(hit - text);
    }
    // Candidates are the places of the first two characters, in either case; the text goes on
    // at least one byte beyond the last place where it could begin.
    const char second = m_text[1];
    const char* candidatesEnd = end - wanted + 1;
    for (const char* from = text; from < candidatesEnd;) {
        const char* hit = FindEitherPair(from, candidatesEnd, first, AsciiLower(first), second, AsciiLower(second));
        if (hit == candidatesEnd)
            return -1;
        if (HoldsInUpper(hit + 2, m_text.c_str() + 2, wanted - 2))
            return static_cast<int>(hit - text);
        from = hit + 1;
    }
    return -1;
}

// The same search on a double-byte code page: a candidate counts only where a character starts,
// and the second byte of a double-byte character is compared as it stands.
int CUpperTextFinder::FindInCharacters(const CLeadBytes& leads, const char* text, int length) const
{
    const int wanted = m_text.GetLength();
    const char* end = text + length;
    const char first = m_text[0];
    const char second = wanted > 1 ? m_text[1] : first;
    const char* candidatesEnd = end - wanted + 1;
    CCharacterWalk characters(leads, text, end);
    for (const char* from = text; from < candidatesEnd;) {
        const char* hit = wanted == 1 ? FindEitherByte(from, candidatesEnd, first, AsciiLower(first))
                                      : FindEitherPair(from, candidatesEnd, first, AsciiLower(first), second,
                                                       AsciiLower(second));
        if (hit == candidatesEnd)
            return -1;
        if (characters.StartsAt(hit) && HoldsInUpperCharacters(leads, hit, m_text.c_str(), wanted))
            return static_cast<int>(hit - text);
        from = hit + 1;
    }
    return -1;
}
