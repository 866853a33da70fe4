#include "PathText.h"

#include <catch.hpp>

#include <windows.h>

// Run with the ANSI code page 932 (a Japanese machine); the test rig starts this case alone under
// that locale. 0x95 0x5C is one character there, whose second byte is that of a backslash.
TEST_CASE("a path ends in a backslash only when its last character is one", "[.cp932]")
{
    REQUIRE(GetACP() == 932);
    struct Case {
        const char* path;
        bool endsInBackslash;
        const char* withBackslash;
        const char* forwardSlashes;
    } cases[] = {
        {"C:\\", true, "C:\\", "C:/"},
        {"C:\\\x95\x5C", false, "C:\\\x95\x5C\\", "C:/\x95\x5C"},
        {"C:\\\x95\x5C\\", true, "C:\\\x95\x5C\\", "C:/\x95\x5C/"},
        {"\x95\x5C\x83\x5C", false, "\x95\x5C\x83\x5C\\", "\x95\x5C\x83\x5C"},
        {"x\\\\", true, "x\\\\", "x//"},
        {"C:\\\x95", false, "C:\\\x95\\", "C:/\x95"}, // a lead byte cut off at the end stands alone
        {"", false, "\\", ""},
    };
    for (const Case& c : cases) {
        INFO(c.path);
        CString path(c.path);
        CHECK(EndsInBackslash(path) == c.endsInBackslash);
        EnsureTrailingBackslash(path);
        CHECK(path == c.withBackslash);
        CString forward(c.path);
        ReplaceBackslashes(forward, '/');
        CHECK(forward == c.forwardSlashes);
    }
}
