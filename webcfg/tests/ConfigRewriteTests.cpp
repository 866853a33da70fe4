#include "ConfigRewrite.h"
#include "TestFixtures.h"

#include <catch.hpp>

namespace {
const char kRules[] = "# rules\nPass /a/* C:\\a\\*\n# old /b/* rule\nExec /B/* C:\\b\\*\nPass /sub/b/* C:\\sb\\*\n";
}

TEST_CASE("removal leaves out every line that mentions the pattern, in any case")
{
    CScratchDir dir;
    CString path = dir / "HTTPD.CNF";
    WriteBytes(path, kRules);
    REQUIRE(RemoveDirectiveLines(path, CString("/B/*")) == 0);
    // The comment goes too, and so does the rule whose own pattern merely contains /b/* ...
    CHECK(ReadBytes(path) == "# rules\r\nPass /a/* C:\\a\\*\r\n");
    CHECK_FALSE(FileExists(path + "1"));
}

TEST_CASE("an empty pattern removes nothing rather than every line")
{
    CScratchDir dir;
    CString path = dir / "HTTPD.CNF";
    WriteBytes(path, "a\r\nb\r\n");
    REQUIRE(RemoveDirectiveLines(path, CString()) == 0);
    CHECK(ReadBytes(path) == "a\r\nb\r\n");
}

TEST_CASE("insertion puts the line after the first N lines, padding a shorter file")
{
    CScratchDir dir;
    CString path = dir / "HTTPD.CNF";
    struct Case {
        const char* rule;
        const char* before;
        int n;
        const char* after;
    } cases[] = {
        {"in the middle", "a\nb\nc\n", 2, "a\r\nb\r\nNEW\r\nc\r\n"},
        {"after the last line", "a\nb", 2, "a\r\nb\r\nNEW\r\n"},
        {"two lines missing", "a\n", 3, "a\r\n\r\n\r\nNEW\r\n"},
    };
    for (const Case& c : cases) {
        SECTION(c.rule)
        {
            WriteBytes(path, c.before);
            REQUIRE(InsertDirectiveLine(path, CString("NEW"), c.n) == 0);
            CHECK(ReadBytes(path) == c.after);
        }
    }
}

TEST_CASE("a rewrite that cannot complete leaves the file as it was and no temporary file")
{
    CScratchDir dir;
    CString path = dir / "HTTPD.CNF";
    CString temp = path + "1";
    WriteBytes(path, kRules);

    SECTION("the configuration file is missing")
    {
        CHECK(InsertDirectiveLine(dir / "none.cnf", CString("x"), 1) == -1);
        CHECK_FALSE(FileExists(dir / "none.cnf1"));
    }
    SECTION("another opener holds the configuration file")
    {
        HANDLE held = CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        REQUIRE(held != INVALID_HANDLE_VALUE);
        CHECK(InsertDirectiveLine(path, CString("x"), 1) == -1);
        CloseHandle(held);
        CHECK_FALSE(FileExists(temp));
    }
    SECTION("the temporary name is taken by a read-only file")
    {
        WriteBytes(temp, "someone else's");
        REQUIRE(SetFileAttributesA(temp, FILE_ATTRIBUTE_READONLY));
        CHECK(InsertDirectiveLine(path, CString("x"), 1) == -1);
        CHECK(ReadBytes(temp) == "someone else's");
    }
    SECTION("the temporary name is taken by a folder")
    {
        REQUIRE(CreateDirectoryA(temp, nullptr));
        CHECK(RemoveDirectiveLines(path, CString("/A/*")) == -1);
        CHECK((GetFileAttributesA(temp) & FILE_ATTRIBUTE_DIRECTORY) != 0);
    }
    SECTION("the configuration file is read-only")
    {
        REQUIRE(SetFileAttributesA(path, FILE_ATTRIBUTE_READONLY));
        CHECK(InsertDirectiveLine(path, CString("x"), 1) == -1);
        CHECK_FALSE(FileExists(temp));
    }
    CHECK(ReadBytes(path) == kRules);
}
