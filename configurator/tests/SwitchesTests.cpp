#include "Switches.h"

#include <catch.hpp>

TEST_CASE("switches are found by substring search in the upper-cased command line")
{
    struct Case {
        const char* commandLine;
        bool discover, select, configure;
        const char* path;
    } cases[] = {
        {"", false, false, false, ""},
        {"/DISCOVER", true, false, false, ""},
        {"/discover /select", true, true, false, ""},
        {"/CONFIGURE", false, false, true, ""},
        {"/Discover /Configure", true, false, true, ""},
        {"/DISCOVER /SELECT /CONFIGURE", true, true, true, ""},
        {"/SELECT", false, false, false, ""},
        {"/SELECT /CONFIGURE", false, false, true, ""},
        {"/DISCOVERED", true, false, false, ""},
        {"x/discoverx", true, false, false, ""},
        {"/PATH=c:\\prod", false, false, false, "C:\\PROD\\"},
        {"/PATH=C:\\PROD\\ /CONFIGURE", false, false, true, "C:\\PROD\\"},
        {"/PATH=C:\\Program Files\\Prod /CONFIGURE", false, false, true, "C:\\PROGRAM\\"},
        {"/CONFIGURE /PATH=", false, false, true, "\\"},
        {"/PATH= /CONFIGURE", false, false, true, "\\"},
        {"/PATH=C:\\ONE /PATH=D:\\TWO", false, false, false, "C:\\ONE\\"},
        {"/PATH=C:\\/DISCOVER", true, false, false, "C:\\/DISCOVER\\"},
        {"/CONFIGURE\t/PATH=C:\\A\tB", false, false, true, "C:\\A\tB\\"},
    };
    for (const Case& c : cases) {
        SECTION(c.commandLine)
        {
            CString path;
            Switches s = ParseSwitches(CString(c.commandLine), path);
            CHECK(s.discover == c.discover);
            CHECK(s.select == c.select);
            CHECK(s.configure == c.configure);
            CHECK(path == c.path);
        }
    }
}

TEST_CASE("upper-casing changes the letters a to z and no other single-byte character")
{
    CHECK(UpperCaseCommandLine(CString("/path=c:\\caf\xE9 ~`{|}")) == "/PATH=C:\\CAF\xE9 ~`{|}");
}
