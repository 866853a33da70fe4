// The configurator's paths on a Japanese machine (ANSI code page 932; the test rig runs these
// cases alone under that locale): a folder name may end in a character whose second byte is that
// of a backslash (0x95 0x5C), and is not a path that ends in a backslash.
#include "DirectiveScan.h"
#include "EntryPlan.h"
#include "FindFileInTree.h"
#include "ServerDiscovery.h"
#include "Switches.h"
#include "TemplateSection.h"
#include "TestFixtures.h"
#include "UpperTextFinder.h"

#include <catch.hpp>

namespace {
const char kFolder[] = "\x95\x5C";
}

TEST_CASE("paths whose last character's second byte is 0x5C get their backslash", "[.cp932]")
{
    REQUIRE(GetACP() == 932);
    CScratchDir dir;
    CString folder = dir / kFolder;

    CString installationPath;
    ParseSwitches(CString("/CONFIGURE /PATH=C:\\") + kFolder, installationPath);
    CHECK(installationPath == CString("C:\\") + kFolder + "\\");

    CHECK(BuildConfigFilePath(kBrellProbe, folder, CString()) == folder + "\\HTTPD.CNF");

    // The search lists the folder itself, not its parent under a cut name.
    REQUIRE(CreateDirectoryA(folder, nullptr));
    WriteBytes(folder + "\\VSERVER.EXE", "");
    CString found;
    CHECK(FindFileInTree(dir.Path(), CString("VSERVER.EXE"), found));
    CHECK(found == folder);

    WriteBytes(dir / "vpsetup.ini", "[CORVANE HTTPD]\r\n/wa, web, Alias,\r\n[END]\r\n");
    std::vector<TemplateEntry> entries;
    CString path = CString("C:\\") + kFolder;
    REQUIRE(ReadTemplateSection("[CORVANE HTTPD]", path, SeparatorForm::ForwardSlash, entries));
    CHECK(path == CString("C:\\") + kFolder + "\\");
    REQUIRE(entries.size() == 1);
    CHECK(entries[0].targetPath == CString("C:/") + kFolder + "/web");
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
