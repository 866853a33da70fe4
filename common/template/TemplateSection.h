// The directive template file "vpsetup.ini": one section per server kind, each line
// "URL pattern, path below the installation path, directive name,". Shared by the web server
// configuration library and the Mondrel mapping library.
#pragma once

#include "CString.h"
#include "PathText.h"

#include <vector>

enum class SeparatorForm { Backslash, ForwardSlash };

struct TemplateEntry {
    CString urlPattern;
    CString targetPath;    // installation path in the reader's separator form, then field 2
    CString directiveName; // field 3
};

// The installation path always ends in one backslash once a section has been read
// (EnsureTrailingBackslash); the caller sees the change because every later operation of the run
// gets the same string.

// The directory prefix of every target path: the installation path, with forward slashes for
// servers that write their paths that way.
CString MakePathPrefix(const CString& installationPath, SeparatorForm form);

// Splits "field 1, field 2, field 3," into an entry; false for a line with fewer than three
// commas, which is not a template line and is skipped.
bool ParseTemplateLine(const CString& line, const CString& prefix, TemplateEntry& entry);

// Walks the file's lines: finds the first header that names the section, then takes every line
// up to the first "[END]" as a template line.
class CTemplateSectionParser {
public:
    CTemplateSectionParser(const char* sectionName, const CString& prefix);
    // False once the section has ended and no later line matters.
    bool TakeLine(const CString& line);
    const std::vector<TemplateEntry>& Entries() const { return m_entries; }
    std::vector<TemplateEntry>& Entries() { return m_entries; }

private:
    CString m_sectionName;
    CString m_prefix;
    bool m_inSection = false;
    std::vector<TemplateEntry> m_entries;
};

// Reads the section from "vpsetup.ini" in the current directory. Appends the backslash to the
// installation path first. False when the template file cannot be opened or read.
bool ReadTemplateSection(const char* sectionName, CString& installationPath, SeparatorForm form,
                         std::vector<TemplateEntry>& entries);
