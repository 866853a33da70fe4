// Finding an upper-case text in texts read with their ASCII letters upper-cased, without making
// the upper-case copy: the removal of the lines that mention a URL pattern searches every byte
// of a configuration file for it, once per removal.
#pragma once

#include "CString.h"

class CUpperTextFinder {
public:
    explicit CUpperTextFinder(const CString& upperText) : m_text(upperText) {}
    // Where the text first stands in [text, text + length), or -1. An empty text stands at 0.
    int FindIn(const char* text, int length) const;

private:
    CString m_text;
};
