#include "ConfigRewrite.h"
#include "EditsInOnePass.h"
#include "ReadGuard.h"
#include "SequenceOfRewrites.h"
#include "TestFixtures.h"

#include <catch.hpp>

#include <algorithm>
#include <new>
#include <random>
#include <string>
#include <vector>

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
        CFileHandle held(CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        REQUIRE(held);
        CHECK(InsertDirectiveLine(path, CString("x"), 1) == -1);
        held.Reset();
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
    SECTION("the editor throws part-way")
    {
        int taken = 0;
        CRemoveLinesWhere editor([&taken](const CString&) { return ++taken == 2 ? throw std::bad_alloc() : false; });
        CHECK_THROWS_AS(RewriteConfigFile(path, editor), std::bad_alloc);
        CHECK_FALSE(FileExists(temp));
    }
    SECTION("the configuration file is read-only")
    {
        REQUIRE(SetFileAttributesA(path, FILE_ATTRIBUTE_READONLY));
        CHECK(InsertDirectiveLine(path, CString("x"), 1) == -1);
        CHECK_FALSE(FileExists(temp));
    }
    SECTION("the disk fails under the mapped file once the rewrite has begun")
    {
        COpenConfigFile file(path);
        REQUIRE(file.Open());
        CTextFileReader* text = file.FromStart();
        REQUIRE(text);
        const char* view = text->MappedBytes();
        REQUIRE((view != nullptr) == CanGuardMappedReads());
        // The bytes taken away after the first line has gone through, as a failing disk takes
        // them: every read of them faults.
        CRemoveLinesWhere editor([&](const CString&) {
            DWORD was = 0;
            if (view)
                VirtualProtect(const_cast<char*>(view), text->MappedLength(), PAGE_NOACCESS, &was);
            return false;
        });
        CHECK(file.Run([&] { return file.Rewrite(editor); }) == (view ? -1 : 0));
        CHECK_FALSE(FileExists(temp));
        if (!view)
            return; // nothing was mapped; the file is read in blocks
    }
    CHECK(ReadBytes(path) == kRules);
}

namespace {

// Rule files of short lines and some long ones (beyond one read buffer), mostly with CR LF.
std::string RandomRuleFile(std::mt19937& random)
{
    const char* words[] = {"Pass ", "/a/*", "/A/* ", "/ab", "C:\\a\\*", "# /a/* old", "x", "\t", "\r"};
    size_t size = random() % 4 == 0 ? 70000 + random() % 70000 : random() % 400;
    std::string bytes = RandomLines(random, size, 10, [&] {
        std::string line;
        for (int count = random() % 200 == 0 ? 3000 : random() % 6; count > 0; --count)
            line += words[random() % 9];
        return line;
    });
    if (random() % 5 == 0)
        bytes.resize(bytes.size() - 1); // a last line without its LF
    return bytes;
}

} // namespace

TEST_CASE("rewrites of any rule file give its text-mode lines, edited, each ending in CR LF")
{
    // Most of a large file goes through as runs of lines; this holds that path and the one for
    // single lines to what the lines of the file say.
    const unsigned seed = 4242;
    std::mt19937 random(seed);
    const char* patterns[] = {"/A/*", "/AB", "A", "\r", "/A/* ", "X\r", "/A/*\r\n"};
    CScratchDir dir;
    CString path = dir / "HTTPD.CNF";
    for (int round = 0; round < 300; ++round) {
        INFO("seed " << seed << ", round " << round);
        std::string before = RandomRuleFile(random);
        std::vector<std::string> lines = TextModeLines(before);

        WriteBytes(path, before);
        std::string pattern = patterns[random() % 7];
        REQUIRE(RemoveDirectiveLines(path, CString(pattern.c_str())) == 0);
        const int cut = CutLineIndex(lines, before);
        int keptCut = cut;
        const std::vector<std::string> kept = WithoutLinesMentioning(lines, pattern, keptCut);
        CHECK(ReadBytes(path) == RewrittenBytes(kept, before, keptCut));

        WriteBytes(path, before);
        int n = static_cast<int>(random() % (lines.size() + 4)) - 1;
        REQUIRE(InsertDirectiveLine(path, CString("NEW"), n) == 0);
        std::vector<std::string> inserted = lines;
        if (n < 0) {
            inserted.push_back("NEW");
        } else {
            inserted.resize(std::max<size_t>(inserted.size(), n));
            inserted.insert(inserted.begin() + n, "NEW");
        }
        CHECK(ReadBytes(path) == RewrittenBytes(inserted, before, n >= 0 && cut >= n ? cut + 1 : cut));
    }
    CHECK_FALSE(FileExists(path + "1"));
}

TEST_CASE("insertions that each complete the next one's place are placed by a loop, on any stack")
{
    // The file's first line goes at the second removal, each line put in at the removal two entries
    // on: placed, each insertion completes the next one's place. The edits in turn leave the last
    // two lines put in. Run on a thread with a small stack, which the placing must not grow.
    static std::vector<ConfigEdit> edits;
    static std::vector<std::string> file = {"# /u2/"}, expected, put;
    for (int k = 1; k <= 30000; ++k) {
        const std::string url = "/U" + std::to_string(k) + "/", line = "Pass  " + url + "  C:\\x/u" + std::to_string(k + 2) + "/";
        edits.push_back({ConfigEdit::RemoveLinesMentioning, CString(url.c_str())});
        edits.push_back({ConfigEdit::InsertLine, CString(line.c_str())});
        file.push_back("Pass " + url + " /u1/");
        if (k >= 29999)
            expected.push_back(line);
    }
    struct Lines : CLineSink {
        bool Put(const CTextLine& line) override { return put.emplace_back(line.text, line.length), true; }
        bool PutRun(const char*, int) override { return false; }
        static DWORD WINAPI Pass(void*)
        {
            Lines out;
            CEditsInOnePass editor(edits, 1);
            for (const std::string& line : file)
                editor.TakeLine(CTextLine{line.c_str(), static_cast<int>(line.size())}, out);
            editor.Finish(out);
            return 0;
        }
    };
    CKernelHandle thread(CreateThread(nullptr, 256 * 1024, Lines::Pass, nullptr, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr));
    REQUIRE(WaitForSingleObject(thread.Get(), 60000) == WAIT_OBJECT_0);
    CHECK(put == expected);
}

TEST_CASE("a line put behind the line an end mark cut short, then taken out, leaves it its line end")
{
    // The edits in turn: the insertion's rewrite writes the cut line with its line end; the
    // removal's rewrite keeps that line end.
    CScratchDir dir;
    const std::string before = "A\r\nC\x1A after\r\n";
    WriteBytes(dir / "inTurn", before);
    REQUIRE(InsertDirectiveLine(dir / "inTurn", CString("L"), 2) == 0);
    REQUIRE(RemoveDirectiveLines(dir / "inTurn", CString("L")) == 0);
    WriteBytes(dir / "onePass", before);
    CEditsInOnePass editor({{ConfigEdit::InsertLine, CString("L")}, {ConfigEdit::RemoveLinesMentioning, CString("L")}}, 2);
    REQUIRE(RewriteConfigFile(dir / "onePass", editor) == 0);
    CHECK(ReadBytes(dir / "onePass") == ReadBytes(dir / "inTurn"));
    CHECK(ReadBytes(dir / "onePass") == "A\r\nC\r\n\x1A after\r\n");
}
