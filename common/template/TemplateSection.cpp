#include "TemplateSection.h"

#include "PathText.h"
#include "TextFile.h"

namespace {
const char kTemplateFileName[] = "vpsetup.ini";
const char kSectionEnd[] = "[END]";
} // namespace

CString MakePathPrefix(const CString& installationPath, SeparatorForm form)
{
    CString prefix(installationPath);
    if (form == SeparatorForm::ForwardSlash)
        ReplaceBackslashes(prefix, '/');
    return prefix;
}

bool ParseTemplateLine(const CString& line, const CString& prefix, TemplateEntry& entry)
{
    int firstComma = line.Find(',');
    int secondComma = firstComma < 0 ? -1 : line.Find(',', firstComma + 1);
    int thirdComma = secondComma < 0 ? -1 : line.Find(',', secondComma + 1);
    if (thirdComma < 0)
        return false;
    entry.urlPattern = line.Left(firstComma);
    entry.urlPattern.Trim();
    CString field2 = line.Mid(firstComma + 1, secondComma - firstComma - 1);
    field2.Trim();
    entry.targetPath = prefix + field2;
    entry.directiveName = line.Mid(secondComma + 1, thirdComma - secondComma - 1);
    entry.directiveName.Trim();
    return true;
}

CTemplateSectionParser::CTemplateSectionParser(const char* sectionName, const CString& prefix)
    : m_sectionName(sectionName), m_prefix(prefix)
{
    m_sectionName.MakeUpper();
}

bool CTemplateSectionParser::TakeLine(const CString& line)
{
    if (!m_inSection) {
        m_inSection = line.Upper().Find(m_sectionName) >= 0;
        return true;
    }
    // The end marker is only recognised in upper case, as the product's template writes it.
    if (line.Find(CString(kSectionEnd)) >= 0)
        return false;
    TemplateEntry entry;
    if (ParseTemplateLine(line, m_prefix, entry))
        m_entries.push_back(entry);
    return true;
}

bool ReadTemplateSection(const char* sectionName, CString& installationPath, SeparatorForm form,
                         std::vector<TemplateEntry>& entries)
{
    EnsureTrailingBackslash(installationPath);
    CTemplateSectionParser parser(sectionName, MakePathPrefix(installationPath, form));
    CTextFileReader file;
    if (!file.Open(kTemplateFileName))
        return false;
    CString line;
    while (file.ReadLine(line) && parser.TakeLine(line)) {
    }
    if (file.Failed()) {
        SetLastError(file.Error()); // the reader's closing must not hide why it failed
        return false;
    }
    entries.swap(parser.Entries());
    return true;
}
