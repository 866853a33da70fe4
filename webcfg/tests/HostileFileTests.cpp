// The four file-editing operations against files that people or accidents have made: random
// bytes, NUL bytes, CR without LF, Ctrl-Z inside a line, lines of a megabyte, ten thousand
// sections, headers without bodies and bodies without headers, no line end at the end. Each case
// is compared with a plain reading of the procedure over strings, and runs under a time limit.
// A failing case names its seed; TEST_SEED=<seed> runs that case alone.
#include "ByteBlock.h"
#include "ConfigVariant.h"
#include "EnsureConfigFile.h"
#include "TestFixtures.h"
#include "vpsetup.h"

#include <catch.hpp>

#include <algorithm>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace {

const unsigned kSeed = 31337;
const int kCases = 2400;
const DWORD kTimeLimitMs = 20000;
const char kInstallationPath[] = "C:\\LINK WELL";

// ---- The procedure read plainly, over strings ----

const std::string kWhite(" \t\r\n\v\f");

// Spaces, then the characters up to the next space.
std::string TakeWord(const std::string& text, size_t& pos)
{
    while (pos < text.size() && text[pos] == ' ')
        ++pos;
    size_t start = pos;
    while (pos < text.size() && text[pos] != ' ')
        ++pos;
    return text.substr(start, pos - start);
}

std::string Trim(const std::string& text)
{
    size_t first = text.find_first_not_of(kWhite);
    return first == std::string::npos ? "" : text.substr(first, text.find_last_not_of(kWhite) - first + 1);
}

struct Rule {
    std::string url, target, name;
};

std::vector<Rule> TemplateSection(const std::string& ini, const ConfigFileVariant& variant, const std::string& prefix)
{
    std::vector<Rule> rules;
    bool inSection = false;
    for (const std::string& line : TextModeLines(ini)) {
        if (!inSection) {
            inSection = UpperAscii(line).find(variant.sectionName) != std::string::npos;
            continue;
        }
        if (line.find("[END]") != std::string::npos)
            break;
        size_t c1 = line.find(','), c2 = c1 == std::string::npos ? c1 : line.find(',', c1 + 1);
        size_t c3 = c2 == std::string::npos ? c2 : line.find(',', c2 + 1);
        if (c3 == std::string::npos)
            continue;
        rules.push_back({Trim(line.substr(0, c1)), prefix + Trim(line.substr(c1 + 1, c2 - c1 - 1)),
                         Trim(line.substr(c2 + 1, c3 - c2 - 1))});
    }
    return rules;
}

// The expected file after the operation, and its result.
std::string Ensure(const ConfigFileVariant& variant, const std::string& before, const std::string& ini,
                   const std::string& installationPath, int& result)
{
    std::vector<std::string> lines = TextModeLines(before);
    int counter = 0;
    bool beforeFirst = true;
    std::vector<Rule> found;
    for (const std::string& line : lines) {
        if (beforeFirst)
            ++counter;
        std::string text = UpperAscii(line);
        text = text.substr(std::min(text.size(), text.find_first_not_of(kWhite)));
        for (const DirectiveKeyword& keyword : variant.keywords) {
            std::string search = keyword.searchText;
            if (text.compare(0, search.size(), search) != 0)
                continue;
            beforeFirst = false;
            size_t pos = search.size();
            std::string url = TakeWord(text, pos);
            found.push_back({url, TakeWord(text, pos), keyword.name});
            break;
        }
    }
    const int n = counter - 1;
    result = n < 1 ? -1 : 1;
    if (n < 1)
        return before;

    std::string prefix = installationPath + "\\";
    if (variant.separator == SeparatorForm::ForwardSlash)
        std::replace(prefix.begin(), prefix.end(), '\\', '/');
    std::vector<std::string> now = lines;
    int cut = CutLineIndex(lines, before); // known by its place, as it moves
    bool changed = false;
    for (const Rule& rule : TemplateSection(ini, variant, prefix)) {
        bool present = false;
        const Rule* sameUrl = nullptr;
        for (const Rule& f : found) {
            bool url = UpperAscii(f.url) == UpperAscii(rule.url);
            present = present || (url && UpperAscii(f.target) == UpperAscii(rule.target) && UpperAscii(f.name) == UpperAscii(rule.name));
            if (url && !sameUrl)
                sameUrl = &f;
        }
        const char* gap = variant.lineForm == DirectiveLineForm::SpacedFields ? "  " : "";
        std::string newLine = rule.name + gap + rule.url + gap + rule.target;
        if (variant.presentWhenLineStands) {
            for (const std::string& line : lines)
                present = present || UpperAscii(Trim(line)) == UpperAscii(Trim(newLine));
        }
        if (present)
            continue;
        changed = true;
        if (sameUrl && !sameUrl->url.empty())
            now = WithoutLinesMentioning(now, sameUrl->url, cut);
        if (now.size() < static_cast<size_t>(n))
            now.resize(n);
        now.insert(now.begin() + n, newLine);
        cut += cut >= n ? 1 : 0;
        // A line put behind it: that rewrite gave it its line end, and it is cut no more.
        cut = cut + 1 == static_cast<int>(now.size()) ? cut : -1;
    }
    if (!changed)
        return before;
    return RewrittenBytes(now, before, cut);
}

// ---- Hostile files ----

std::string RandomBytes(std::mt19937& random, size_t length)
{
    std::string bytes;
    for (size_t i = 0; i < length; ++i)
        bytes += static_cast<char>(random() % 256);
    return bytes;
}

template <typename T, size_t N>
const T& Pick(std::mt19937& random, const T (&choices)[N])
{
    return choices[random() % N];
}

// Lines made of directive-like pieces and every awkward byte a line can hold.
std::string HostileLines(std::mt19937& random, int lineCount)
{
    static const std::string pieces[] = {
        "Pass ", "PASS  ", "exec ", "Alias ", "ScriptAlias ", "NameTrans", "PathCheck ", " ", "\t", "/wa/*", "/WA/",
        "/wa dir=", "C:\\LINK WELL\\wa\\*", "C:/LINK WELL/wa/", "fn=pfx2dir", "# note", "x", ",", "[PELLAN BRELL]",
        "[CORVANE SLS]", "[CORVANE HTTPD]", "[NETSCAPE]", "[END]", "[end]", std::string(1, '\0'), "\r", "\x1A",
        "\xE0\xFF", "\v\f"};
    static const char* const ends[] = {"\r\n", "\r\n", "\n", "\r", "\r\r\n", ""};
    std::string bytes;
    for (int line = 0; line < lineCount; ++line) {
        for (int i = random() % 7; i > 0; --i)
            bytes += Pick(random, pieces);
        bytes += Pick(random, ends);
    }
    return bytes;
}

std::string HostileTemplate(std::mt19937& random, const ConfigFileVariant& variant)
{
    static const char* const fields[] = {"/wa/*", "/WA/", "/wa dir=\"", " wa\\* ", "wa/", "Pass", "Exec", "Alias",
                                         "ScriptAlias", "NameTrans fn=pfx2dir from=", "", " \t", "\r", "x y"};
    std::string bytes = random() % 5 == 0 ? "" : std::string(variant.sectionName) + "\r\n";
    for (int line = random() % 6; line > 0; --line) {
        int commas = random() % 5;
        for (int i = 0; i < 3; ++i) {
            bytes += Pick(random, fields);
            if (i < commas)
                bytes += ",";
        }
        bytes += random() % 8 == 0 ? "\n" : "\r\n";
    }
    if (random() % 3)
        bytes += "[END]\r\n";
    return bytes;
}

// What kind of hostile input a case gets, by its number.
struct Files {
    std::string config, ini;
};

Files MakeCase(std::mt19937& random, int number, const ConfigFileVariant& variant)
{
    Files files;
    switch (number % 6) {
    case 0: // random bytes in the configuration file
        files.config = RandomBytes(random, random() % 3000);
        files.ini = HostileTemplate(random, variant);
        break;
    case 1: // random bytes in the template
        files.config = HostileLines(random, 1 + random() % 20);
        files.ini = RandomBytes(random, random() % 3000);
        break;
    case 2: // random bytes behind a header
        files.config = HostileLines(random, 1 + random() % 20);
        files.ini = std::string(variant.sectionName) + "\n" + RandomBytes(random, random() % 2000);
        break;
    default: // both files made of awkward lines
        files.config = HostileLines(random, random() % 40);
        files.ini = HostileTemplate(random, variant) + HostileLines(random, random() % 4);
        break;
    }
    return files;
}

// Rule files and templates whose edits meet: lines above and below the first rule mention the
// URL patterns, so that removals take out lines above the insertion point, lines inserted before
// them in the same call, or nearly the whole file; entries share patterns or stand twice. One in
// twenty-five files is larger than a read block.
Files EditsThatMeet(std::mt19937& random, const ConfigFileVariant& variant)
{
    static const char* const urls[] = {"/a/", "/A/B/", "/b", "/lw/*", "/a", "/B/*"};
    static const char* const targets[] = {"x", "y", "X", "x y"};
    const std::string prefix = variant.separator == SeparatorForm::ForwardSlash ? "C:/LW/" : "C:\\LW\\";
    const int lines = random() % 25 == 0 ? 5000 + random() % 3000 : 2 + random() % 30;
    const int firstRule = 1 + random() % lines;
    Files files;
    for (int n = 0; n < lines; ++n) {
        const std::string mention = std::string(Pick(random, urls)) + " " + Pick(random, targets);
        switch (n == firstRule ? 3 : random() % (n < firstRule ? 3 : 4)) {
        case 0: files.config += "# old " + mention; break;
        case 1: files.config += random() % 2 ? "x" : ""; break;
        case 2: files.config += "Map " + mention; break;
        default: files.config += std::string(variant.keywords[random() % 2].name) + " " + Pick(random, urls) + " " + prefix + Pick(random, targets);
        }
        files.config += "\r\n";
    }
    files.ini = std::string(variant.sectionName) + "\r\n";
    for (int entry = random() % 9; entry > 0; --entry)
        files.ini += std::string(Pick(random, urls)) + ", " + Pick(random, targets) + ", " + variant.keywords[random() % 2].name + ",\r\n";
    return files;
}

// ---- Running a case ----

using Operation = int(__cdecl*)(CString&, CString&);

struct Variant {
    const ConfigFileVariant& variant;
    Operation operation;
    const char* fileName;
};

const Variant kVariants[] = {
    {kBrellVariant, EnsureBrellContainsVP, "HTTPD.CNF"},
    {kSkylaneVariant, EnsureCorvaneSLSContainsVP, "HTTPD.CNF"},
    {kCorvaneHttpdVariant, EnsureCorvaneHTTPDContainsVP, "HTTPD.CONF"},
    {kNetscapeVariant, EnsureNETContainsVP, "OBJ.CONF"},
};

DWORD WINAPI RunJob(void* job)
{
    (*static_cast<std::function<void()>*>(job))();
    return 0;
}

// Runs the job on a thread of its own; a job that overruns the limit ends the whole test
// program, naming the case, since a hung thread cannot be taken back.
void WithinTimeLimit(const std::string& name, std::function<void()> job)
{
    CKernelHandle thread(CreateThread(nullptr, 0, RunJob, &job, 0, nullptr));
    REQUIRE(thread);
    if (WaitForSingleObject(thread.Get(), kTimeLimitMs) != WAIT_OBJECT_0) {
        fprintf(stderr, "%s did not end within %lu ms\n", name.c_str(), kTimeLimitMs);
        fflush(stderr);
        TerminateProcess(GetCurrentProcess(), 3);
    }
}

// The ways a case is run, one each by its name: the module's export (SSE2 where the processor has
// it) or the same code linked here with the 32-bit pass, each on a file mapped on a fixed drive
// (the temporary folder) and on one read in blocks from a network drive (the program's folder).
struct Way {
    bool wordsPass;
    bool onNetworkDrive;
};
const Way kWays[] = {{false, false}, {true, false}, {false, true}, {true, true}};

// Whether the case's file was rewritten; the caller counts them, so that the cases are known to
// reach the rewrites and not only the refusals.
bool CheckCase(const CScratchDir& dir, const Variant& v, const Files& files, const std::string& name,
               const char* installationPath = kInstallationPath)
{
    const Way& way = kWays[std::hash<std::string>()(name) % 4];
    INFO(name << (way.wordsPass ? ", 32-bit pass" : ", SSE2 pass") << (way.onNetworkDrive ? ", network drive" : ""));
    const CString config = way.onNetworkDrive ? ProgramFolder() + v.fileName : dir / v.fileName;
    WriteBytes(config, files.config);
    WriteBytes(dir / "vpsetup.ini", files.ini);
    int result = 0;
    WithinTimeLimit(name, [&] {
        CString configArgument(config), path(installationPath);
        const BytePass before = CurrentBytePass();
        if (way.wordsPass && UseBytePass(BytePass::Words))
            result = EnsureConfigFileContainsVP(v.variant, configArgument, path);
        else
            result = v.operation(configArgument, path);
        UseBytePass(before);
    });
    int expectedResult = 0;
    std::string expected = Ensure(v.variant, files.config, files.ini, installationPath, expectedResult);
    CHECK(result == expectedResult);
    CHECK(ReadBytes(config) == expected);
    CHECK_FALSE(FileExists(config + "1"));
    if (way.onNetworkDrive)
        DeleteFileA(config);
    return expected != files.config;
}

} // namespace

TEST_CASE("hostile files give the procedure's result and a whole file, each case within a time limit")
{
    CScratchDir dir;
    int rewritten = 0;
    for (int number = 0; number < kCases; ++number) {
        if (!SeedSelected(kSeed + number))
            continue;
        std::mt19937 random(kSeed + number);
        const Variant& v = kVariants[random() % 4];
        Files files = MakeCase(random, number, v.variant);
        rewritten += CheckCase(dir, v, files, "case seed " + std::to_string(kSeed + number)) ? 1 : 0;
    }
    if (SelectedSeed() == 0)
        CHECK(rewritten > kCases / 5);
}

TEST_CASE("large hostile files: a line of a megabyte, ten thousand sections, no line end at the end")
{
    CScratchDir dir;
    std::mt19937 random(kSeed);
    const std::string megabyteLine(1 << 20, 'm');
    for (const Variant& v : kVariants) {
        std::string section = std::string(v.variant.sectionName) + "\r\n";
        std::string manySections;
        for (int i = 0; i < 10000; ++i)
            manySections += "[SECTION " + std::to_string(i) + "]\r\n/x" + std::to_string(i) + "/, x, Pass,\r\n[END]\r\n";
        std::string rules = HostileLines(random, 30);
        struct {
            const char* name;
            Files files;
        } cases[] = {
            {"a megabyte line above the rules", {"# top\r\n" + megabyteLine + "\r\n" + rules, section + "/wa/*, wa, Pass,\r\n[END]\r\n"}},
            {"a megabyte line in the template", {"# top\r\n" + rules, section + megabyteLine + ",b,c,\r\n[END]\r\n"}},
            {"a megabyte line without a line end", {"# top\r\n# two\r\n" + megabyteLine, section + "/m, m, Alias,"}},
            {"the section after ten thousand others", {"# top\r\n" + rules, manySections + section + "/wa/, wa/, Alias,\r\n"}},
            {"ten thousand sections and not this one", {"# top\r\n" + rules, manySections}},
            {"a header without a body", {"# top\r\nPass /a b\r\n", section}},
            {"a body without a header", {"# top\r\nPass /a b\r\n", "/wa/*, wa, Pass,\r\n[END]\r\n"}},
        };
        for (const auto& c : cases)
            CheckCase(dir, v, c.files, std::string(v.fileName) + ", " + v.variant.sectionName + ": " + c.name);
    }
}

TEST_CASE("edits that meet: one rewrite leaves each file as the edits, each rewriting it in turn, would")
{
    const unsigned seed = 52000;
    const int cases = 1500;
    CScratchDir dir;
    // A line put in that reads as the line an end mark cuts short is known apart from it.
    CheckCase(dir, kVariants[0], {"# /a/* old\r\nPass /a/* C:\\OLD\r\nMap  /a/*  C:\\LW\\z\x1A", "[PELLAN BRELL]\r\n/a/*, z, Map,\r\n"},
              "an inserted line that reads as the cut line", "C:\\LW");
    int rewritten = 0;
    for (int number = 0; number < cases; ++number) {
        if (!SeedSelected(seed + number))
            continue;
        std::mt19937 random(seed + number);
        const Variant& v = kVariants[random() % 4];
        const Files files = EditsThatMeet(random, v.variant);
        rewritten += CheckCase(dir, v, files, "case seed " + std::to_string(seed + number), "C:\\LW") ? 1 : 0;
    }
    if (SelectedSeed() == 0)
        CHECK(rewritten > cases / 2);
}
