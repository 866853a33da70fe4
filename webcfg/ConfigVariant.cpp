#include "ConfigVariant.h"

const ConfigFileVariant kBrellVariant = {
    "[PELLAN BRELL]", SeparatorForm::Backslash,
    {{"PASS ", "Pass"}, {"EXEC ", "Exec"}},
    DirectiveLineForm::SpacedFields, false};

const ConfigFileVariant kSkylaneVariant = {
    "[CORVANE SLS]", SeparatorForm::Backslash,
    {{"PASS ", "Pass"}, {"EXEC ", "Exec"}},
    DirectiveLineForm::SpacedFields, false};

const ConfigFileVariant kCorvaneHttpdVariant = {
    "[CORVANE HTTPD]", SeparatorForm::ForwardSlash,
    {{"ALIAS ", "Alias"}, {"SCRIPTALIAS ", "ScriptAlias"}},
    DirectiveLineForm::SpacedFields, false};

const ConfigFileVariant kNetscapeVariant = {
    "[NETSCAPE]", SeparatorForm::ForwardSlash,
    {{"NAMETRANS", "NameTrans"}, {"PATHCHECK", "PathCheck"}},
    DirectiveLineForm::Joined, true};

CString MakeDirectiveLine(const ConfigFileVariant& variant, const TemplateEntry& entry)
{
    const char* gap = variant.lineForm == DirectiveLineForm::SpacedFields ? "  " : "";
    return entry.directiveName + gap + entry.urlPattern + gap + entry.targetPath;
}
