#include "ByteBlock.h"
#include "ConfigVariant.h"
#include "DirectiveScan.h"
#include "EntryPlan.h"
#include "MentionSieve.h"
#include "UpperTextFinder.h"

#include <catch.hpp>

#include <algorithm>
#include <cstring>
#include <random>
#include <sstream>
#include <vector>

namespace {

DirectiveScan Scan(const ConfigFileVariant& variant, const std::vector<const char*>& lines)
{
    CDirectiveScanner scanner(variant.keywords, 2, variant.presentWhenLineStands);
    for (const char* line : lines)
        scanner.TakeLine(CString(line));
    return scanner.Result();
}

std::string Describe(const DirectiveScan& scan)
{
    std::ostringstream out;
    out << "N=" << scan.insertionPoint;
    for (const DirectiveEntry& e : scan.entries)
        out << " [" << e.directiveName.c_str() << "|" << e.urlPattern.c_str() << "|" << e.targetPath.c_str() << "]";
    return out.str();
}

} // namespace

TEST_CASE("the insertion point counts the lines above the first directive line")
{
    struct Case {
        const char* rule;
        std::vector<const char*> lines;
        int expected;
    } cases[] = {
        {"two lines above the first rule", {"# rules", "", "Pass /a C:\\a", "# more", "Exec /b C:\\b"}, 2},
        {"no rule: one less than the number of lines", {"a", "b", "c"}, 2},
        {"one line and no rule", {"a"}, 0},
        {"an empty file", {}, -1},
        {"a rule on the first line", {"PASS /a C:\\a", "x"}, 0},
        {"lines after the first rule do not count", {"x", "Pass /a b", "y", "z"}, 1},
    };
    for (const Case& c : cases) {
        SECTION(c.rule) { CHECK(Scan(kBrellVariant, c.lines).insertionPoint == c.expected); }
    }
}

TEST_CASE("CERN-style rules: keyword then one space, words separated by spaces only")
{
    struct Case {
        const char* rule;
        const char* line;
        const char* expected;
    } cases[] = {
        {"a plain rule", "Pass /wa/* C:\\PROD\\wa\\*", "N=0 [Pass|/WA/*|C:\\PROD\\WA\\*]"},
        {"indented, lower-case keyword", "  \t pass   /a   b   c", "N=0 [Pass|/A|B]"},
        {"mixed-case Exec", "eXeC /cgi/* d:\\x\\*", "N=0 [Exec|/CGI/*|D:\\X\\*]"},
        {"a tab after the keyword is not a rule", "Pass\t/a b", "N=0"},
        {"a tab inside the words belongs to the word", "Pass /a\tb c", "N=0 [Pass|/A\tB|C]"},
        {"a keyword that goes on is not a rule", "Passive /a b", "N=0"},
        {"a rule without words has empty words", "PASS ", "N=0 [Pass||]"},
        {"a commented rule is not a rule", "# Pass /a b", "N=0"},
        {"Map is not one of the two keywords", "Map /a b", "N=0"},
    };
    for (const Case& c : cases) {
        SECTION(c.rule) { CHECK(Describe(Scan(kBrellVariant, {c.line})) == c.expected); }
    }
}

TEST_CASE("Apache-style directives: Alias is tested first, ScriptAlias falls to the second test")
{
    struct Case {
        const char* line;
        const char* expected;
    } cases[] = {
        {"Alias /wa/ \"C:/PROD/wa/\"", "N=0 [Alias|/WA/|\"C:/PROD/WA/\"]"},
        {"ScriptAlias /cgi/ C:/x/", "N=0 [ScriptAlias|/CGI/|C:/X/]"},
        {"AliasMatch ^/x(.*) /y$1", "N=0"},
        {"ScriptAliasMatch ^/x /y", "N=0"},
        {"<Directory C:/x>", "N=0"},
    };
    for (const Case& c : cases) {
        SECTION(c.line) { CHECK(Describe(Scan(kCorvaneHttpdVariant, {c.line})) == c.expected); }
    }
}

TEST_CASE("Netscape directives: nine letters, whatever follows them")
{
    struct Case {
        const char* line;
        const char* expected;
    } cases[] = {
        {"NameTrans fn=pfx2dir from=/wa dir=D:/wa", "N=0 [NameTrans|FN=PFX2DIR|FROM=/WA]"},
        {"PathCheck fn=unix-uri-clean", "N=0 [PathCheck|FN=UNIX-URI-CLEAN|]"},
        {"NameTransX fn=x", "N=0 [NameTrans|X|FN=X]"},
        {"  #NameTrans fn=x", "N=0"},
        {"ObjectType fn=type-by-extension", "N=0"},
    };
    for (const Case& c : cases) {
        SECTION(c.line) { CHECK(Describe(Scan(kNetscapeVariant, {c.line})) == c.expected); }
    }
}

TEST_CASE("only the Netscape scan keeps the file's lines, trimmed")
{
    CHECK(Scan(kBrellVariant, {" a "}).trimmedLines.empty());
    std::vector<CString> kept = Scan(kNetscapeVariant, {" \tNameTrans x \r", "b"}).trimmedLines;
    REQUIRE(kept.size() == 2);
    CHECK(kept[0] == CString("NameTrans x"));
}

TEST_CASE("the sieve passes over no line that mentions a pattern, with either byte pass")
{
    // Runs of CR LF lines made of pieces of the patterns in both cases, against one to eight
    // patterns (more than the 16-byte form takes at once, and a pattern of one byte, at times).
    const unsigned seed = 9090;
    std::mt19937 random(seed);
    const char* pieces[] = {"/lw", "/LW", "/l", "w/", "*", "\\", "a", "B", "\xE0", "\xC0", " ", "-0", "10/"};
    const BytePass before = CurrentBytePass();
    for (int round = 0; round < 2000; ++round) {
        INFO("seed " << seed << ", round " << round);
        std::vector<CString> patterns;
        for (int n = 1 + random() % 8; n > 0; --n) {
            std::string pattern;
            for (int p = 1 + random() % 3; p > 0; --p)
                pattern += pieces[random() % 13];
            patterns.push_back(CString(pattern.c_str()).Upper());
        }
        if (random() % 4 == 0)
            patterns.resize(1);
        std::string run;
        for (int line = random() % 12; line > 0; --line) {
            for (int p = random() % 14; p > 0; --p)
                run += pieces[random() % 13];
            run += "\r\n";
        }
        const char* end = run.data() + run.size();
        std::vector<const char*> mentioning;
        for (const char* line = run.data(); line < end;) {
            const char* next = strchr(line, '\n') + 1;
            const CString upper = CString(line, static_cast<int>(next - line) - 2).Upper();
            for (const CString& pattern : patterns) {
                if (upper.Find(pattern) >= 0) {
                    mentioning.push_back(line);
                    break;
                }
            }
            line = next;
        }
        for (BytePass pass : {BytePass::Words, BytePass::Sse2}) {
            REQUIRE(UseBytePass(pass));
            const CMentionSieve sieve(patterns);
            std::vector<const char*> found;
            for (const char* from = sieve.NextLine(run.data(), end); from < end; from = sieve.NextLine(from, end)) {
                REQUIRE((from == run.data() || from[-1] == '\n'));
                found.push_back(from);
                from = strchr(from, '\n') + 1;
            }
            CHECK(std::includes(found.begin(), found.end(), mentioning.begin(), mentioning.end()));
        }
    }
    UseBytePass(before);
}

// "\x83\x6A" and "\x83\x4A" are two characters whose second bytes are those of "j" and "J".
TEST_CASE("letter case is folded for single-byte letters only, in every comparison", "[.cp932]")
{
    REQUIRE(GetACP() == 932);
    struct Case {
        const char *rule, *held, *wanted;
        int order, foundAt; // held against wanted ignoring case; where wanted stands in held
    } cases[] = {
        {"two characters whose second bytes are letters of two cases", "C:\\\x83\x6A\\wa", "C:\\\x83\x4A\\wa", 1, -1},
        {"the single-byte letters beside them fold", "c:\\\x83\x6A\\wa", "C:\\\x83\x6A\\WA", 0, 0},
        {"a second byte is no letter to be found", "\x83J", "J", 1, -1},
        {"second bytes order as they stand", "\x83\x41", "\x83\x61", -1, -1},
    };
    for (const Case& c : cases) {
        SECTION(c.rule)
        {
            const CString held(c.held), wanted(c.wanted);
            const int order = held.CompareNoCase(wanted);
            CHECK((order > 0) - (order < 0) == c.order);
            CHECK(held.EqualsNoCase(wanted) == (c.order == 0));
            CHECK(CUpperTextFinder(wanted.Upper()).FindIn(held, held.GetLength()) == c.foundAt);
            CHECK(EqualNoCase(&DirectiveEntry::urlPattern, &DirectiveEntry::targetPath, &DirectiveEntry::directiveName)(
                      TemplateEntry{wanted, wanted, wanted}, DirectiveEntry{held, held, held}) == (c.order == 0));
        }
    }
}
