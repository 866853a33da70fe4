// Characters of the ANSI code page, told apart by its lead bytes.
//
// On a double-byte code page (932 on a Japanese machine) the second byte of a character may be
// the byte of an ASCII letter or of a backslash: "\x83\x6A" and "\x83\x4A" are two different
// characters, not one character in two letter cases. Text is therefore read character by
// character from its start, and letter case is folded for single-byte ASCII letters only.
#pragma once

#include "ByteBlock.h"

class CLeadBytes {
public:
    // The lead bytes as IsDBCSLeadByte tells them for the ANSI code page, read once.
    static const CLeadBytes& Ansi();

    // Whether the code page has double-byte characters at all.
    bool Any() const { return m_any; }
    // Whether no byte below 0x80 is a lead byte, so that a run of such bytes is single characters.
    bool AsciiAlone() const { return m_asciiAlone; }
    bool IsLead(char c) const { return m_lead[static_cast<unsigned char>(c)]; }
    // Where the character that starts at `at` ends: a lead byte takes the byte after it along,
    // unless it is the last byte of the text.
    int CharacterEnd(const char* text, int length, int at) const
    {
        return IsLead(text[at]) && at + 1 < length ? at + 2 : at + 1;
    }

private:
    void Read();

    bool m_read = false;
    bool m_any = false;
    bool m_asciiAlone = true;
    bool m_lead[256] = {};
};

// Whether `length` bytes of text that start a character, read with their single-byte ASCII
// letters upper-cased, equal upperWhat; the second byte of a double-byte character compares as
// it stands.
inline bool HoldsInUpperCharacters(const CLeadBytes& leads, const char* text, const char* upperWhat, int length)
{
    for (int i = 0; i < length; ++i) {
        const char c = text[i];
        if (leads.IsLead(c)) {
            if (c != upperWhat[i] || (i + 1 < length && text[i + 1] != upperWhat[i + 1]))
                return false;
            ++i;
        } else if (AsciiUpper(c) != upperWhat[i]) {
            return false;
        }
    }
    return true;
}

// Tells the places of a text where characters start, walking it once from its start: a search
// asks about its candidates in increasing order.
class CCharacterWalk {
public:
    CCharacterWalk(const CLeadBytes& leads, const char* text, const char* end)
        : m_leads(leads), m_next(text), m_end(end)
    {
    }

    bool StartsAt(const char* place)
    {
        using namespace byte_block::swar;
        if (m_leads.AsciiAlone()) {
            while (place - m_next >= kWordBytes && (Load(m_next) & kHighBits) == 0)
                m_next += kWordBytes;
        }
        while (m_next < place)
            m_next += m_leads.IsLead(*m_next) && m_next + 1 < m_end ? 2 : 1;
        return m_next == place;
    }

private:
    const CLeadBytes& m_leads;
    const char* m_next;
    const char* m_end;
};
