#include "Switches.h"

#include "LeadBytes.h"
#include "PathText.h"

#include <windows.h>

CString UpperCaseCommandLine(const CString& commandLine)
{
    CString upper(commandLine);
    char* text = upper.GetBuffer(upper.GetLength());
    const CLeadBytes& leads = CLeadBytes::Ansi();
    for (int i = 0; i < upper.GetLength(); ++i) {
        if (leads.IsLead(text[i]) && i + 1 < upper.GetLength()) {
            CharUpperBuffA(text + i, 2);
            ++i;
        } else {
            text[i] = AsciiUpper(text[i]);
        }
    }
    return upper;
}

namespace {

// The text after the first occurrence of the switch up to the first blank or the end.
bool FindValueSwitch(const CString& text, const char* name, CString& value)
{
    const CString switchText(name);
    int at = text.Find(switchText);
    if (at < 0)
        return false;
    int start = at + switchText.GetLength();
    int end = text.Find(' ', start);
    value = text.Mid(start, (end < 0 ? text.GetLength() : end) - start);
    return true;
}

} // namespace

Switches ParseSwitches(const CString& commandLine, CString& installationPath)
{
    Switches switches;
    CString text = UpperCaseCommandLine(commandLine);
    if (text.IsEmpty())
        return switches;
    if (text.Find(CString("/DISCOVER")) >= 0) {
        switches.discover = true;
        switches.select = text.Find(CString("/SELECT")) >= 0;
    } else {
        switches.selectIgnored = text.Find(CString("/SELECT")) >= 0;
    }
    switches.configure = text.Find(CString("/CONFIGURE")) >= 0;
    switches.unconfigure = text.Find(CString("/UNCONFIGURE")) >= 0;
    switches.preview = text.Find(CString("/PREVIEW")) >= 0;

    CString value;
    if (FindValueSwitch(text, "/PATH=", value)) {
        installationPath += value;
        EnsureTrailingBackslash(installationPath);
    }
    FindValueSwitch(text, "/LOG=", switches.logPath);
    return switches;
}
