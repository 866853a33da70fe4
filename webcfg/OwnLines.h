// What the product added to a server configuration file, and nothing else: the lines that taking
// back removes.
#pragma once

#include "ConfigVariant.h"

#include <vector>

class COwnLines {
public:
    COwnLines(const ConfigFileVariant& variant, const std::vector<TemplateEntry>& entries);
    // A line is ours when it is the line configuring inserts for an entry (ignoring ASCII case
    // and white space at either end), or a directive the scan reads as equal to an entry in URL
    // pattern, target path and directive name. Comments that mention our URL patterns are not.
    bool IsOwn(const CString& line) const;

private:
    const ConfigFileVariant& m_variant;
    const std::vector<TemplateEntry>& m_entries;
    std::vector<CString> m_insertedLines; // trimmed and upper-cased
};
