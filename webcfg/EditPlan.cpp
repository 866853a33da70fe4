#include "EditPlan.h"

namespace {

bool LineStands(const CString& line, const std::vector<CString>& trimmedLines)
{
    CString wanted(line);
    wanted.Trim();
    for (const CString& existing : trimmedLines) {
        if (existing.EqualsNoCase(wanted))
            return true;
    }
    return false;
}

} // namespace

int FindDirective(const TemplateEntry& entry, const std::vector<DirectiveEntry>& directives)
{
    for (size_t i = 0; i < directives.size(); ++i) {
        const DirectiveEntry& d = directives[i];
        if (d.urlPattern.EqualsNoCase(entry.urlPattern) && d.targetPath.EqualsNoCase(entry.targetPath) &&
            d.directiveName.EqualsNoCase(entry.directiveName))
            return static_cast<int>(i) + 1;
    }
    return 0;
}

int FindUrlPattern(const CString& urlPattern, const std::vector<DirectiveEntry>& directives)
{
    for (size_t i = 0; i < directives.size(); ++i) {
        if (directives[i].urlPattern.EqualsNoCase(urlPattern))
            return static_cast<int>(i) + 1;
    }
    return 0;
}

ScanInterest InterestOf(const ConfigFileVariant& variant, const std::vector<TemplateEntry>& entries)
{
    ScanInterest interest;
    for (const TemplateEntry& entry : entries) {
        interest.urlPatterns.push_back(entry.urlPattern.Upper());
        if (variant.presentWhenLineStands) {
            CString line = MakeDirectiveLine(variant, entry);
            line.Trim();
            interest.lines.push_back(line.Upper());
        }
    }
    return interest;
}

std::vector<ConfigEdit> PlanConfigEdits(const ConfigFileVariant& variant, const DirectiveScan& scan,
                                        const std::vector<TemplateEntry>& entries)
{
    std::vector<ConfigEdit> edits;
    for (const TemplateEntry& entry : entries) {
        if (FindDirective(entry, scan.entries) != 0)
            continue;
        CString line = MakeDirectiveLine(variant, entry);
        if (variant.presentWhenLineStands && LineStands(line, scan.trimmedLines))
            continue;
        int sameUrl = FindUrlPattern(entry.urlPattern, scan.entries);
        if (sameUrl != 0)
            edits.push_back({ConfigEdit::RemoveLinesMentioning, scan.entries[sameUrl - 1].urlPattern});
        edits.push_back({ConfigEdit::InsertLine, line});
    }
    return edits;
}
