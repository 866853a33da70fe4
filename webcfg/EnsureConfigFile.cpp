#include "EnsureConfigFile.h"

#include "ConfigRewrite.h"
#include "EditPlan.h"

int EnsureConfigFileContainsVP(const ConfigFileVariant& variant, const CString& configPath, CString& installationPath)
{
    DirectiveScan scan;
    if (!ScanDirectives(configPath, variant.keywords, 2, variant.presentWhenLineStands, scan))
        return -1;
    // With no line above the first directive there is nowhere to put a new one.
    if (scan.insertionPoint < 1)
        return -1;

    std::vector<TemplateEntry> entries;
    if (!ReadTemplateSection(variant.sectionName, installationPath, variant.separator, entries))
        return -1;

    for (const ConfigEdit& edit : PlanConfigEdits(variant, scan, entries)) {
        // A failed rewrite leaves the file as it was; the next entry is still tried.
        if (edit.kind == ConfigEdit::RemoveLinesMentioning)
            RemoveDirectiveLines(configPath, edit.text);
        else
            InsertDirectiveLine(configPath, edit.text, scan.insertionPoint);
    }
    return 1;
}
