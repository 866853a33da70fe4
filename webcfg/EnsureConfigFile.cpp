#include "EnsureConfigFile.h"

#include "ConfigRewrite.h"
#include "EditPlan.h"
#include "EditsInOnePass.h"
#include "OperationError.h"
#include "OwnLines.h"

namespace {

// The insertion point decides whether the file can be used at all, before the template is read;
// this first reading keeps no directive. With no line above the first directive there is nowhere
// to put a new one. 0 when the file cannot be used.
int UsableInsertionPoint(const ConfigFileVariant& variant, COpenConfigFile& file)
{
    const ScanInterest nothing;
    DirectiveScan scan;
    CTextFileReader* text = file.FromStart();
    if (!text)
        return 0;
    if (!ScanDirectives(*text, variant.keywords, 2, false, scan, &nothing)) {
        operation_error::Keep(text->Error());
        return 0;
    }
    if (scan.insertionPoint >= 1)
        return scan.insertionPoint;
    operation_error::Keep(ERROR_INVALID_DATA); // no line above the first directive
    return 0;
}

int ContainsVP(const ConfigFileVariant& variant, COpenConfigFile& file, CString& installationPath)
{
    const int insertionPoint = UsableInsertionPoint(variant, file);
    if (insertionPoint < 1)
        return -1;

    std::vector<TemplateEntry> entries;
    if (!ReadTemplateSection(variant.sectionName, installationPath, variant.separator, entries))
        return operation_error::KeepLast(), -1;
    DirectiveScan scan;
    // The directives themselves are read again with what the template can meet, which in a
    // large file is a few of many thousands.
    const ScanInterest interest = InterestOf(variant, entries);
    CTextFileReader* text = file.FromStart();
    if (!text)
        return -1;
    if (!ScanDirectives(*text, variant.keywords, 2, variant.presentWhenLineStands, scan, &interest))
        return operation_error::Keep(text->Error()), -1;

    const std::vector<ConfigEdit> edits = PlanConfigEdits(variant, scan, entries);
    // A file that needs nothing is not rewritten.
    if (edits.empty())
        return 1;
    // Every edit in one rewrite: the file is never left with some of them, and a failed rewrite
    // leaves it as it was.
    CEditsInOnePass editor(edits, insertionPoint);
    return file.Rewrite(editor) == 0 ? 1 : -1;
}

int LacksVP(const ConfigFileVariant& variant, COpenConfigFile& file, CString& installationPath)
{
    // Taking a line out needs no insertion point: only a file that cannot be read or holds no
    // line is refused, and that before the template is read, as configuring does.
    CTextFileReader* text = file.FromStart();
    CString line;
    if (!text)
        return -1;
    if (!text->ReadLine(line)) {
        operation_error::Keep(text->Failed() ? text->Error() : ERROR_INVALID_DATA); // or no line at all
        return -1;
    }
    std::vector<TemplateEntry> entries;
    if (!ReadTemplateSection(variant.sectionName, installationPath, variant.separator, entries))
        return operation_error::KeepLast(), -1;

    const COwnLines own(variant, entries);
    // Read once to learn whether anything is ours: a file without our lines is not touched.
    bool any = own.IsOwn(line);
    while (!any && text->ReadLine(line))
        any = own.IsOwn(line);
    if (text->Failed())
        return operation_error::Keep(text->Error()), -1;

    // All our lines go in one rewrite; a failed one leaves the file as it was, and our lines in it.
    CRemoveLinesWhere editor([&own](const CString& text) { return own.IsOwn(text); });
    return any && file.Rewrite(editor) != 0 ? -1 : 1;
}

} // namespace

// Each call opens its file once and holds it, so that nothing changes it between the reading
// that decides and the rewrite.
int EnsureConfigFileContainsVP(const ConfigFileVariant& variant, const CString& configPath, CString& installationPath)
{
    COpenConfigFile file(configPath);
    return file.Open() ? file.Run([&] { return ContainsVP(variant, file, installationPath); }) : -1;
}

int EnsureConfigFileLacksVP(const ConfigFileVariant& variant, const CString& configPath, CString& installationPath)
{
    COpenConfigFile file(configPath);
    return file.Open() ? file.Run([&] { return LacksVP(variant, file, installationPath); }) : -1;
}
