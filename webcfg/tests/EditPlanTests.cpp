#include "EditPlan.h"

#include <catch.hpp>

#include <random>
#include <sstream>
#include <string>

namespace {

TemplateEntry Entry(const char* url, const char* target, const char* name)
{
    return TemplateEntry{CString(url), CString(target), CString(name)};
}

DirectiveEntry Directive(const char* name, const char* url, const char* target)
{
    return DirectiveEntry{CString(url), CString(target), CString(name)};
}

std::string Describe(const std::vector<ConfigEdit>& edits)
{
    std::ostringstream out;
    for (const ConfigEdit& e : edits)
        out << (e.kind == ConfigEdit::RemoveLinesMentioning ? "-" : "+") << e.text.c_str() << ";";
    return out.str();
}

} // namespace

TEST_CASE("the plan keeps present entries, replaces conflicting ones and inserts missing ones")
{
    DirectiveScan scan;
    scan.insertionPoint = 3;
    scan.entries = {Directive("Pass", "/A/*", "C:\\P\\A"), Directive("Pass", "/B/*", "C:\\OLD\\B"),
                    Directive("Exec", "/B/*", "C:\\OTHER")};

    SECTION("an equal rule is left alone")
    {
        CHECK(Describe(PlanConfigEdits(kBrellVariant, scan, {Entry("/a/*", "c:\\p\\a", "pass")})) == "");
    }
    SECTION("a rule with the same URL pattern is removed by the pattern the scan found, then the entry inserted")
    {
        CHECK(Describe(PlanConfigEdits(kBrellVariant, scan, {Entry("/b/*", "C:\\P\\B", "Exec")})) ==
              "-/B/*;+Exec  /b/*  C:\\P\\B;");
    }
    SECTION("a new rule is only inserted, and a duplicated template line twice")
    {
        CHECK(Describe(PlanConfigEdits(kBrellVariant, scan,
                                       {Entry("/c/*", "C:\\P\\C", "Pass"), Entry("/c/*", "C:\\P\\C", "Pass")})) ==
              "+Pass  /c/*  C:\\P\\C;+Pass  /c/*  C:\\P\\C;");
    }
    SECTION("an unknown directive name never finds its equal")
    {
        CHECK(Describe(PlanConfigEdits(kBrellVariant, scan, {Entry("/a/*", "C:\\P\\A", "Map")})) ==
              "-/A/*;+Map  /a/*  C:\\P\\A;");
    }
}

TEST_CASE("Netscape lines are joined, and a line already standing in the file counts as present")
{
    DirectiveScan scan;
    scan.insertionPoint = 5;
    scan.entries = {Directive("NameTrans", "FN=PFX2DIR", "FROM=/WA")};
    scan.trimmedLines = {CString("<Object name=default>"), CString("NameTrans fn=pfx2dir from=/wa dir=d:/p/wa")};
    // Every blank of the line stands inside a field: the reader trims the fields' ends.
    TemplateEntry present = Entry("/wa dir=", "D:/P/wa", "NameTrans fn=pfx2dir from=");
    CHECK(MakeDirectiveLine(kNetscapeVariant, present) == CString("NameTrans fn=pfx2dir from=/wa dir=D:/P/wa"));
    CHECK(Describe(PlanConfigEdits(kNetscapeVariant, scan, {present})) == "");

    TemplateEntry missing = Entry("/wb dir=", "D:/P/wb", "NameTrans fn=pfx2dir from=");
    CHECK(Describe(PlanConfigEdits(kNetscapeVariant, scan, {missing})) == "+NameTrans fn=pfx2dir from=/wb dir=D:/P/wb;");
}

namespace {

DirectiveScan ScanLines(const ConfigFileVariant& variant, const std::vector<std::string>& lines,
                        const ScanInterest* interest)
{
    CDirectiveScanner scanner(variant.keywords, 2, variant.presentWhenLineStands, interest);
    for (const std::string& line : lines) {
        if (!scanner.WantsMoreLines())
            break;
        scanner.TakeLine(CString(line.c_str()));
    }
    return scanner.Result();
}

} // namespace

TEST_CASE("a scan that keeps only what the template can meet gives the same plan as a full scan")
{
    // Files of rules for the entries' URL patterns in any case, with equal and other targets,
    // Netscape lines with blanks around them, and rules no entry can meet.
    const unsigned seed = 9191;
    std::mt19937 random(seed);
    const ConfigFileVariant* variants[] = {&kBrellVariant, &kCorvaneHttpdVariant, &kNetscapeVariant};
    const std::vector<std::string> pool = {
        "# comment", "", "Pass  /a/*  C:\\LW\\wa\\*", "pass /A/* c:\\other", "Exec /b/*  C:\\LW\\wb",
        "  PASS   /site/*  D:\\site", "Alias /a/ C:/LW/wa/", "ALIAS /A/  C:/old/", "ScriptAlias /b/ C:/LW/wb/",
        "Alias /site/ D:/site/", "NameTrans fn=pfx2dir from=/a dir=C:/LW/wa", " nametrans FN=PFX2DIR from=/a dir=c:/lw/wa \t",
        "NameTrans fn=pfx2dir from=/site dir=D:/site", "PathCheck fn=unix-uri-clean"};
    const std::vector<TemplateEntry> entries = {
        Entry("/a/*", "C:\\LW\\wa\\*", "Pass"), Entry("/b/*", "C:\\LW\\wb", "Exec"), Entry("/a/", "C:/LW/wa/", "Alias"),
        Entry("/b/", "C:/LW/wb/", "ScriptAlias"), Entry("/a dir=", "C:/LW/wa", "NameTrans fn=pfx2dir from="),
        Entry("fn=pfx2dir", "from=/site", "NameTrans")};
    for (int round = 0; round < 500; ++round) {
        INFO("seed " << seed << ", round " << round);
        const ConfigFileVariant& variant = *variants[random() % 3];
        std::vector<std::string> lines(random() % 12);
        for (std::string& line : lines)
            line = pool[random() % pool.size()];
        std::vector<TemplateEntry> chosen;
        for (int i = random() % 4; i > 0; --i)
            chosen.push_back(entries[random() % entries.size()]);

        DirectiveScan full = ScanLines(variant, lines, nullptr);
        ScanInterest interest = InterestOf(variant, chosen);
        DirectiveScan kept = ScanLines(variant, lines, &interest);
        CHECK(kept.insertionPoint == full.insertionPoint);
        CHECK(Describe(PlanConfigEdits(variant, kept, chosen)) == Describe(PlanConfigEdits(variant, full, chosen)));
        const ScanInterest nothing;
        CHECK(ScanLines(variant, lines, &nothing).insertionPoint == full.insertionPoint);
    }
}
