// Finding an upper-case text (as CString::Upper makes it) in texts read upper-cased the same way,
// without making the upper-case copy: the removal of the lines that mention a URL pattern
// searches every byte of a configuration file for it, once per removal.
#pragma once

#include "CString.h"

class CLeadBytes;

class CUpperTextFinder {
public:
    explicit CUpperTextFinder(const CString& upperText) : m_text(upperText) {}
    // Where the text first stands in [text, text + length), read character by character from
    // `text`, or -1. An empty text stands at 0.
    int FindIn(const char* text, int length) const;

private:
    int FindInCharacters(const CLeadBytes& leads, const char* text, int length) const;

    CString m_text;
};
