#include "EditPlan.h"

#include "EntryPlan.h"

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
    // An entry whose line already stands is present whatever the scan found.
    std::vector<TemplateEntry> candidates;
    for (const TemplateEntry& entry : entries) {
        if (!variant.presentWhenLineStands || !LineStands(MakeDirectiveLine(variant, entry), scan.trimmedLines))
            candidates.push_back(entry);
    }
    std::vector<ConfigEdit> edits;
    const auto equal =
        EqualNoCase(&DirectiveEntry::urlPattern, &DirectiveEntry::targetPath, &DirectiveEntry::directiveName);
    const auto sameUrlPattern = SameKeyNoCase(&DirectiveEntry::urlPattern);
    for (const auto& step : PlanEntrySteps(candidates, scan.entries, equal, sameUrlPattern)) {
        // Every line that mentions the URL pattern the scan found goes.
        if (step.takeOut)
            edits.push_back({ConfigEdit::RemoveLinesMentioning, step.takeOut->urlPattern});
        edits.push_back({ConfigEdit::InsertLine, MakeDirectiveLine(variant, *step.add)});
    }
    return edits;
}
