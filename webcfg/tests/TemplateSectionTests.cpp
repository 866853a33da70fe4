#include "TemplateSection.h"
#include "TestFixtures.h"

#include <catch.hpp>

#include <sstream>
#include <vector>

namespace {

std::vector<TemplateEntry> ParseSection(const char* section, const std::vector<const char*>& lines,
                                        const char* prefix = "C:\\PROD\\")
{
    CTemplateSectionParser parser(section, CString(prefix));
    for (const char* line : lines) {
        if (!parser.TakeLine(CString(line)))
            break;
    }
    return parser.Entries();
}

std::string Describe(const std::vector<TemplateEntry>& entries)
{
    std::ostringstream out;
    for (const TemplateEntry& e : entries)
        out << "[" << e.urlPattern.c_str() << "|" << e.targetPath.c_str() << "|" << e.directiveName.c_str() << "]";
    return out.str();
}

} // namespace

TEST_CASE("a section is found by its header and ends at the upper-case end marker")
{
    struct Case {
        const char* rule;
        std::vector<const char*> lines;
        const char* expected;
    } cases[] = {
        {"header in any case with other text around it",
         {"junk, before, header,", "; the [pellan brell] rules", "/a, x, Pass,", "[END]"},
         "[/a|C:\\PROD\\x|Pass]"},
        {"lines after the end marker are not read",
         {"[PELLAN BRELL]", "/a, x, Pass,", "[END]", "/b, y, Exec,"},
         "[/a|C:\\PROD\\x|Pass]"},
        {"an end marker in lower case is a template line",
         {"[PELLAN BRELL]", "/a, x, Pass,", "[end], y, Exec,", "[END]"},
         "[/a|C:\\PROD\\x|Pass][[end]|C:\\PROD\\y|Exec]"},
        {"only the first of two sections of the same name is read",
         {"[PELLAN BRELL]", "/a, x, Pass,", "[END]", "[PELLAN BRELL]", "/b, y, Exec,", "[END]"},
         "[/a|C:\\PROD\\x|Pass]"},
        {"without an end marker the section runs to the end, later sections included",
         {"[PELLAN BRELL]", "/a, x, Pass,", "[CORVANE SLS]", "/b, y, Exec,"},
         "[/a|C:\\PROD\\x|Pass][/b|C:\\PROD\\y|Exec]"},
        {"the end marker may stand anywhere on its line", {"[PELLAN BRELL]", "/a, x, Pass,", "x [END] y"},
         "[/a|C:\\PROD\\x|Pass]"},
        {"no header, no entries", {"[CORVANE SLS]", "/a, x, Pass,", "[END]"}, ""},
        {"a header without a body gives no entries", {"[PELLAN BRELL]"}, ""},
        {"a body without a header is not read", {"/a, x, Pass,", "[END]"}, ""},
    };
    for (const Case& c : cases) {
        SECTION(c.rule) { CHECK(Describe(ParseSection("[PELLAN BRELL]", c.lines)) == c.expected); }
    }
}

TEST_CASE("template lines are three trimmed fields, each ended by a comma")
{
    struct Case {
        const char* rule;
        const char* line;
        const char* expected;
    } cases[] = {
        {"white space around the fields is removed", " \t/wa/* ,\twa\\* , Pass ,", "[/wa/*|C:\\PROD\\wa\\*|Pass]"},
        {"inner spaces and case are kept", "/My Pages/*, Web Pages\\*, pASS,", "[/My Pages/*|C:\\PROD\\Web Pages\\*|pASS]"},
        {"text after the third comma is ignored", "/a, x, Exec, remark, more,", "[/a|C:\\PROD\\x|Exec]"},
        {"empty fields are empty strings", ",,,", "[|C:\\PROD\\|]"},
        {"a line with two commas is skipped", "/a, x, Pass", ""},
        {"a line without commas is skipped", "just a remark", ""},
        {"an empty line is skipped", "", ""},
    };
    for (const Case& c : cases) {
        SECTION(c.rule) { CHECK(Describe(ParseSection("[PELLAN BRELL]", {"[PELLAN BRELL]", c.line})) == c.expected); }
    }
}

TEST_CASE("the installation path ends in exactly one backslash, and the prefix takes the server's separators")
{
    struct Case {
        const char* given;
        const char* path;
        const char* forwardPrefix;
    } cases[] = {
        {"", "\\", "/"},
        {"C:\\PROD", "C:\\PROD\\", "C:/PROD/"},
        {"C:\\PROD\\", "C:\\PROD\\", "C:/PROD/"},
        {"D:\\inst\\web", "D:\\inst\\web\\", "D:/inst/web/"},
    };
    for (const Case& c : cases) {
        CString path(c.given);
        EnsureTrailingBackslash(path);
        CHECK(path == CString(c.path));
        CHECK(MakePathPrefix(path, SeparatorForm::Backslash) == path);
        CHECK(MakePathPrefix(path, SeparatorForm::ForwardSlash) == CString(c.forwardPrefix));
    }
}

TEST_CASE("the template file is read from the current directory by its bare name")
{
    CScratchDir dir;
    CString path("D:\\inst\\web");
    std::vector<TemplateEntry> entries;

    SECTION("a missing template file is a failure")
    {
        CHECK_FALSE(ReadTemplateSection("[CORVANE HTTPD]", path, SeparatorForm::ForwardSlash, entries));
        CHECK(entries.empty());
    }
    SECTION("the forward-slash form converts the installation path only, never field 2")
    {
        WriteBytes(dir / "vpsetup.ini", "[Corvane HTTPD]\r\n/wa/, wa\\docs, Alias,\r\n[END]\r\n");
        REQUIRE(ReadTemplateSection("[CORVANE HTTPD]", path, SeparatorForm::ForwardSlash, entries));
        CHECK(Describe(entries) == "[/wa/|D:/inst/web/wa\\docs|Alias]");
        CHECK(path == CString("D:\\inst\\web\\"));
    }
    SECTION("the backslash form leaves forward slashes of field 2 alone")
    {
        WriteBytes(dir / "vpsetup.ini", "[MS IIS]\n/wa, wa/docs, 1,\n");
        REQUIRE(ReadTemplateSection("[MS IIS]", path, SeparatorForm::Backslash, entries));
        CHECK(Describe(entries) == "[/wa|D:\\inst\\web\\wa/docs|1]");
    }
    SECTION("a Ctrl-Z ends the template file")
    {
        WriteBytes(dir / "vpsetup.ini", "[MS IIS]\n/a, x, 1,\n\x1A/b, y, 2,\n");
        REQUIRE(ReadTemplateSection("[MS IIS]", path, SeparatorForm::Backslash, entries));
        CHECK(Describe(entries) == "[/a|D:\\inst\\web\\x|1]");
    }
}
