#include "EnsureConfigFile.h"

#include "ConfigRewrite.h"
#include "EditPlan.h"

int EnsureConfigFileContainsVP(const ConfigFileVariant& variant, const CString& configPath, CString& installationPath)
{
    // The insertion point decides whether the file can be used at all, before the template is
    // read; this first reading keeps no directive.
    const ScanInterest nothing;
    DirectiveScan scan;
    if (!ScanDirectives(configPath, variant.keywords, 2, false, scan, &nothing))
        return -1;
    // With no line above the first directive there is nowhere to put a new one.
    const int insertionPoint = scan.insertionPoint;
    if (insertionPoint < 1)
        return -1;

    std::vector<TemplateEntry> entries;
    if (!ReadTemplateSection(variant.sectionName, installationPath, variant.separator, entries))
        return -1;
    // The directives themselves are read again with what the template can meet, which in a
    // large file is a few of many thousands.
    const ScanInterest interest = InterestOf(variant, entries);
    if (!ScanDirectives(configPath, variant.keywords, 2, variant.presentWhenLineStands, scan, &interest))
        return -1;

    for (const ConfigEdit& edit : PlanConfigEdits(variant, scan, entries)) {
        // A failed rewrite leaves the file as it was; the next entry is still tried.
        if (edit.kind == ConfigEdit::RemoveLinesMentioning)
            RemoveDirectiveLines(configPath, edit.text);
        else
            InsertDirectiveLine(configPath, edit.text, insertionPoint);
    }
    return 1;
}
