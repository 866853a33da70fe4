#include "OwnLines.h"

#include "EntryPlan.h"

COwnLines::COwnLines(const ConfigFileVariant& variant, const std::vector<TemplateEntry>& entries)
    : m_variant(variant), m_entries(entries)
{
    for (const TemplateEntry& entry : entries) {
        CString line = MakeDirectiveLine(variant, entry);
        line.Trim();
        line.MakeUpper();
        m_insertedLines.push_back(line);
    }
}

bool COwnLines::IsOwn(const CString& line) const
{
    CString text(line);
    text.Trim();
    text.MakeUpper();
    for (const CString& inserted : m_insertedLines) {
        if (inserted == text)
            return true;
    }
    // Compared as configuring compares a scanned directive with an entry.
    DirectiveEntry directive;
    return ReadDirectiveLine(line, m_variant.keywords, 2, directive) &&
           EqualsAnyEntry(directive, m_entries,
                          EqualNoCase(&DirectiveEntry::urlPattern, &DirectiveEntry::targetPath,
                                      &DirectiveEntry::directiveName));
}
