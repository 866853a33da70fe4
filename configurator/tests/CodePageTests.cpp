// The configurator's paths on a Japanese machine (ANSI code page 932; the test rig runs these
// cases alone under that locale): a folder name may end in a character whose second byte is that
// of a backslash (0x95 0x5C), and is not a path that ends in a backslash.
#include "FindFileInTree.h"
#include "ServerDiscovery.h"
#include "Switches.h"
#include "TemplateSection.h"
#include "TestFixtures.h"

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

