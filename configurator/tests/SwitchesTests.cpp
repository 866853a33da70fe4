#include "Switches.h"

#include <catch.hpp>

TEST_CASE("switches are found by substring search in the upper-cased command line")
{
    struct Case {
        const char* commandLine;
        bool discover, select, configure, unconfigure;
        const char* path;
    } cases[] = {
        {"", false, false, false, false, ""},
        {"/DISCOVER", true, false, false, false, ""},
        {"/discover /select", true, true, false, false, ""},
        {"/CONFIGURE", false, false, true, false, ""},
        {"/Discover /Configure", true, false, true, false, ""},
        {"/DISCOVER /SELECT /CONFIGURE", true, true, true, false, ""},
        {"/SELECT", false, false, false, false, ""},
        {"/SELECT /CONFIGURE", false, false, true, false, ""},
        {"/DISCOVERED", true, false, false, false, ""},
        {"x/discoverx", true, false, false, false, ""},
        {"/PATH=c:\\prod", false, false, false, false, "C:\\PROD\\"},
        {"/PATH=C:\\PROD\\ /CONFIGURE", false, false, true, false, "C:\\PROD\\"},
        {"/PATH=C:\\Program Files\\Prod /CONFIGURE", false, false, true, false, "C:\\PROGRAM\\"},
        {"/CONFIGURE /PATH=", false, false, true, false, "\\"},
        {"/PATH= /CONFIGURE", false, false, true, false, "\\"},
        {"/PATH=C:\\ONE /PATH=D:\\TWO", false, false, false, false, "C:\\ONE\\"},
        {"/PATH=C:\\/DISCOVER", true, false, false, false, "C:\\/DISCOVER\\"},
        {"/CONFIGURE\t/PATH=C:\\A\tB", false, false, true, false, "C:\\A\tB\\"},
        {"/UNCONFIGURE", false, false, false, true, ""},
        {"/discover /unconfigure /path=c:\\prod", true, false, false, true, "C:\\PROD\\"},
        {"/CONFIGURE /UNCONFIGURE", false, false, true, true, ""},
        {"/UNCONFIGURED", false, false, false, true, ""},
        {"/RECONFIGURE", false, false, false, false, ""},
    };
    for (const Case& c : cases) {
        SECTION(c.commandLine)
        {
            CString path;
            Switches s = ParseSwitches(CString(c.commandLine), path);
            CHECK(s.discover == c.discover);
            CHECK(s.select == c.select);
            CHECK(s.configure == c.configure);
            CHECK(s.unconfigure == c.unconfigure);
            CHECK(path == c.path);
        }
    }
}

TEST_CASE("upper-casing changes the letters a to z and no other single-byte character")
{
    CHECK(UpperCaseCommandLine(CString("/path=c:\\caf\xE9 ~`{|}")) == "/PATH=C:\\CAF\xE9 ~`{|}");
}
