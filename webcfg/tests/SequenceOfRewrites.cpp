#include "SequenceOfRewrites.h"

#include "EditsInOnePass.h"

namespace {

int RewriteWith(const CString& configPath, const ConfigEdit& edit, int insertionPoint)
{
    CEditsInOnePass editor({edit}, insertionPoint);
    return RewriteConfigFile(configPath, editor);
}

} // namespace

int RemoveDirectiveLines(const CString& configPath, const CString& urlPattern)
{
    return RewriteWith(configPath, {ConfigEdit::RemoveLinesMentioning, urlPattern}, 0);
}

int InsertDirectiveLine(const CString& configPath, const CString& line, int insertionPoint)
{
    return RewriteWith(configPath, {ConfigEdit::InsertLine, line}, insertionPoint);
}

int EnsureBySequenceOfRewrites(const ConfigFileVariant& variant, const CString& configPath, CString& installationPath)
{
    const ScanInterest nothing;
    DirectiveScan first;
    if (!ScanDirectives(configPath, variant.keywords, 2, false, first, &nothing) || first.insertionPoint < 1)
        return -1;
    std::vector<TemplateEntry> entries;
    if (!ReadTemplateSection(variant.sectionName, installationPath, variant.separator, entries))
        return -1;
    const ScanInterest interest = InterestOf(variant, entries);
    DirectiveScan scan;
    if (!ScanDirectives(configPath, variant.keywords, 2, variant.presentWhenLineStands, scan, &interest))
        return -1;
    for (const ConfigEdit& edit : PlanConfigEdits(variant, scan, entries)) {
        if (edit.kind == ConfigEdit::RemoveLinesMentioning)
            RemoveDirectiveLines(configPath, edit.text);
        else
            InsertDirectiveLine(configPath, edit.text, first.insertionPoint);
    }
    return 1;
}
