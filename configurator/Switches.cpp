#include "Switches.h"

#include "PathText.h"

#include <windows.h>

CString UpperCaseCommandLine(const CString& commandLine)
{
    CString upper(commandLine);
    char* text = upper.GetBuffer(upper.GetLength());
    for (int i = 0; i < upper.GetLength(); ++i) {
        if (IsDBCSLeadByte(static_cast<BYTE>(text[i])) && i + 1 < upper.GetLength()) {
            CharUpperBuffA(text + i, 2);
            ++i;
        } else {
            text[i] = AsciiUpper(text[i]);
        }
    }
    return upper;
}

Switches ParseSwitches(const CString& commandLine, CString& installationPath)
{
    Switches switches;
    CString text = UpperCaseCommandLine(commandLine);
    if (text.IsEmpty())
        return switches;
    if (text.Find(CString("/DISCOVER")) >= 0) {
        switches.discover = true;
        switches.select = text.Find(CString("/SELECT")) >= 0;
    }
    switches.configure = text.Find(CString("/CONFIGURE")) >= 0;
    switches.unconfigure = text.Find(CString("/UNCONFIGURE")) >= 0;

    const CString pathSwitch("/PATH=");
    int at = text.Find(pathSwitch);
    if (at >= 0) {
        int start = at + pathSwitch.GetLength();
        int end = text.Find(' ', start);
        installationPath += text.Mid(start, (end < 0 ? text.GetLength() : end) - start);
        EnsureTrailingBackslash(installationPath);
    }
    return switches;
}
