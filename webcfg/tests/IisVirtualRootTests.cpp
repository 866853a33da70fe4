#include "IisVirtualRoots.h"
#include "TestFixtures.h"
#include "vpsetup.h"

#include <catch.hpp>

#include <map>
#include <sddl.h>

namespace {

const char kRootsKey[] = "SYSTEM\\CurrentControlSet\\Services\\W3SVC\\Parameters\\Virtual Roots";

// Every value of the key by its name.
std::map<std::string, RawRegistryValue> ReadRoots()
{
    std::map<std::string, RawRegistryValue> roots;
    for (const NamedRegistryValue& stored : ListRegistryValues(kRootsKey))
        roots[stored.name] = stored.value;
    return roots;
}

// An access list that lets no one change the key's values (0x2), as an administrator may set one.
void DenyValueChanges(HKEY key)
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    REQUIRE(ConvertStringSecurityDescriptorToSecurityDescriptorA("D:(D;;0x2;;;WD)(A;;KA;;;WD)", SDDL_REVISION_1,
                                                                 &descriptor, nullptr));
    CHECK(RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor) == ERROR_SUCCESS);
    LocalFree(descriptor);
}

struct IisMachine {
    CScratchDir dir;
    CScratchRegistryKey roots{kRootsKey};
    explicit IisMachine(const char* section)
    {
        WriteBytes(dir / "vpsetup.ini", std::string("[MS IIS]\r\n") + section + "[END]\r\n");
    }
};

} // namespace

TEST_CASE("virtual root data splits at commas into directory and flags, untrimmed")
{
    struct Case {
        const char* rule;
        std::string data;
        const char* directory;
        const char* flags;
    } cases[] = {
        {"three fields", "C:\\wa,,1", "C:\\wa", "1"},
        {"the whole third field, however long", "C:\\wa,x, 12345 ", "C:\\wa", " 12345 "},
        {"text after a third comma is ignored", "d,s,f,extra", "d", "f"},
        {"no comma: all directory", "C:\\wa", "C:\\wa", ""},
        {"leading commas: empty directory", ",,5", "", "5"},
        {"one comma", "d,s", "d", ""},
        {"the text ends at the first zero byte", std::string("d,,1\0,,9", 8), "d", "1"},
        {"data without any zero byte", std::string("abc,,7"), "abc", "7"},
    };
    for (const Case& c : cases) {
        SECTION(c.rule)
        {
            VirtualRoot root = ParseVirtualRoot(CString("/x"), c.data.data(), static_cast<int>(c.data.size()));
            CHECK(root.directory == CString(c.directory));
            CHECK(root.flags == CString(c.flags));
        }
    }
}

TEST_CASE("both operations fail without the virtual roots key and read no template")
{
    CScratchDir dir;
    DeleteRegistryTree(HKEY_LOCAL_MACHINE, kRootsKey);
    WriteBytes(dir / "vpsetup.ini", "[MS IIS]\r\n/wa, wa, 1,\r\n[END]\r\n");
    CString path("C:\\PROD");
    CHECK(EnsureMSIISContainsVP(path) == -1);
    CHECK(EnsureMSIISLacksVP(path) == -1);
    CHECK(path == CString("C:\\PROD"));
}

TEST_CASE("taking back deletes the roots equal to the template's entries, and no other")
{
    IisMachine iis("/wa, wa, 1,\r\n/Scripts, cgi, 4,\r\n");
    iis.roots.SetString("/WA", Sz("c:\\prod\\WA,,1"));      // equal but for case: ours
    iis.roots.SetString("/scripts", Sz("C:\\PROD\\cgi,,5")); // our name, other flags: the administrator's
    iis.roots.SetString("/other", Sz("C:\\PROD\\wa,,1"));    // our data under another name
    iis.roots.SetString("/docs", Sz("C:\\PROD\\doc,,"), REG_EXPAND_SZ);
    const auto before = ReadRoots();
    CString path("C:\\PROD");
    REQUIRE(EnsureMSIISLacksVP(path) == 1);
    CHECK(path == CString("C:\\PROD\\"));
    auto kept = before;
    kept.erase("/WA");
    CHECK(ReadRoots() == kept);
    REQUIRE(EnsureMSIISLacksVP(path) == 1);
    CHECK(ReadRoots() == kept);
}

// Each row's roots are made in order, their names sorting that way too, under an installation
// path of 95 characters; the row that says -1 lets no one change the key's values.
TEST_CASE("taking back reads roots of any size and says -1 when one of ours stays")
{
    const std::string path = "C:\\" + std::string(92, 'p'), ours = path + "\\wa,,1", longName = "/" + std::string(250, 'n');
    const std::string unc = "\\\\server\\" + std::string(99, 's') + ",,1";
    struct Root {
        std::string name, data;
        bool goes;
        DWORD type = REG_SZ;
    };
    struct Case {
        const char* rule;
        std::vector<Root> roots;
        int result;
    } cases[] = {
        {"a UNC folder's root of 100+ bytes and a name of 250 characters before ours",
         {{"/a-unc", unc, false}, {"/a" + longName, ours, false}, {longName, ours, true}, {"/wa", ours, true}}, 1},
        {"ours alone: each over 100 bytes", {{"/wa", ours, true}, {"/wa-bin", path + "\\wa\\bin,,4", true}}, 1},
        {"not strings: compared by their bytes as text",
         {{"/wa", ours, true, REG_BINARY}, {"/wa-bin", std::string("\x04\0\0", 3), false, REG_DWORD}}, 1},
        {"a deletion that fails leaves ours", {{"/a-unc", unc, false}, {"/wa", ours, false}}, -1},
    };
    for (const Case& c : cases) {
        SECTION(c.rule)
        {
            IisMachine iis(("/wa, wa, 1,\r\n/wa-bin, wa\\bin, 4,\r\n" + longName + ", wa, 1,\r\n").c_str());
            for (const Root& root : c.roots)
                iis.roots.SetString(root.name.c_str(), Sz(root.data), root.type);
            auto expected = ReadRoots();
            for (const Root& root : c.roots) {
                if (root.goes)
                    expected.erase(root.name);
            }
            if (c.result < 0)
                DenyValueChanges(iis.roots.Key());
            CString installationPath(path.c_str());
            CHECK(EnsureMSIISLacksVP(installationPath) == c.result);
            CHECK(ReadRoots() == expected);
        }
    }
}

TEST_CASE("template roots are written, equal ones kept, differing ones replaced, others untouched")
{
    IisMachine iis("/wa, wa, 1,\r\n/Scripts, cgi, 4,\r\n/docs, doc,,\r\n");
    iis.roots.SetString("/WA", Sz("c:\\prod\\WA,,1"));             // equal but for case: kept as it is
    iis.roots.SetString("/scripts", Sz("C:\\old,something,5"));   // same name, other data: replaced
    iis.roots.SetString("/other", Sz("C:\\other,,1"), REG_EXPAND_SZ); // not named by the template
    CString path("C:\\PROD");
    REQUIRE(EnsureMSIISContainsVP(path) == 1);
    CHECK(path == CString("C:\\PROD\\"));
    auto roots = ReadRoots();
    CHECK(roots.size() == 4);
    CHECK(roots["/WA"] == RawRegistryValue{REG_SZ, Sz("c:\\prod\\WA,,1")});
    CHECK(roots.count("/scripts") == 0);
    CHECK(roots["/Scripts"] == RawRegistryValue{REG_SZ, Sz("C:\\PROD\\cgi,,4")});
    CHECK(roots["/docs"] == RawRegistryValue{REG_SZ, Sz("C:\\PROD\\doc,,")});
    CHECK(roots["/other"] == RawRegistryValue{REG_EXPAND_SZ, Sz("C:\\other,,1")});

    SECTION("a second run changes nothing")
    {
        REQUIRE(EnsureMSIISContainsVP(path) == 1);
        CHECK(ReadRoots() == roots);
    }
}

TEST_CASE("two template entries of one name: the last one written holds the value")
{
    IisMachine iis("/wa, first, 1,\r\n/wa, second, 5,\r\n");
    CString path("C:\\P\\");
    REQUIRE(EnsureMSIISContainsVP(path) == 1);
    CHECK(ReadRoots()["/wa"].bytes == Sz("C:\\P\\second,,5"));
}

TEST_CASE("an empty or missing section changes nothing and succeeds")
{
    IisMachine iis("");
    iis.roots.SetString("/x", Sz("d,,1"));
    CString path("C:\\P");
    CHECK(EnsureMSIISContainsVP(path) == 1);
    CHECK(ReadRoots().size() == 1);
}

// The names sort in the order they are made, so the enumeration meets them in that order also
// where the registry lists values alphabetically.
TEST_CASE("a value too large for the enumeration buffers ends the snapshot there, without overrun")
{
    std::string name199(199, 'n'), name200(200, 'm');
    std::string data99 = std::string(96, 'd') + ",,1"; // 99 characters and the zero: fits
    std::vector<VirtualRoot> snapshot;

    SECTION("a name of 199 characters and data of 99 fit")
    {
        IisMachine iis("");
        iis.roots.SetString(name199.c_str(), Sz(data99));
        iis.roots.SetString("z-after", Sz("x,,1"));
        REQUIRE(ReadVirtualRoots(snapshot));
        REQUIRE(snapshot.size() == 2);
        CHECK(snapshot[0].name == CString(name199.c_str()));
        CHECK(snapshot[0].flags == CString("1"));
    }
    SECTION("a name of 200 characters stops the enumeration")
    {
        IisMachine iis("");
        iis.roots.SetString("a-first", Sz("x,,1"));
        iis.roots.SetString(name200.c_str(), Sz("y,,1"));
        iis.roots.SetString("z-after", Sz("z,,1"));
        REQUIRE(ReadVirtualRoots(snapshot));
        REQUIRE(snapshot.size() == 1);
        CHECK(snapshot[0].name == CString("a-first"));
    }
    SECTION("data of 101 bytes stops the enumeration, and the template's root is written over it")
    {
        IisMachine iis("/big, new, 1,\r\n");
        iis.roots.SetString("/big", Sz(std::string(100, 'b')));
        REQUIRE(ReadVirtualRoots(snapshot));
        CHECK(snapshot.empty());
        CString path("C:\\P\\");
        REQUIRE(EnsureMSIISContainsVP(path) == 1);
        CHECK(ReadRoots()["/big"].bytes == Sz("C:\\P\\new,,1"));
    }
    SECTION("values of other types are read as text up to their length or first zero byte")
    {
        IisMachine iis("");
        iis.roots.SetString("/bin", "abc,,7", REG_BINARY);
        iis.roots.SetString("/dw", std::string("\x01\x00\x00\x00", 4), REG_DWORD);
        REQUIRE(ReadVirtualRoots(snapshot));
        REQUIRE(snapshot.size() == 2);
        CHECK(snapshot[0].directory == CString("abc"));
        CHECK(snapshot[0].flags == CString("7"));
        CHECK(snapshot[1].directory == CString("\x01"));
    }
}

TEST_CASE("a thousand virtual roots are all read and the template's are added")
{
    IisMachine iis("/wa, wa, 1,\r\n");
    for (int i = 0; i < 1000; ++i)
        iis.roots.SetString(("/root" + std::to_string(i)).c_str(), Sz("C:\\r" + std::to_string(i) + ",,1"));
    std::vector<VirtualRoot> snapshot;
    REQUIRE(ReadVirtualRoots(snapshot));
    CHECK(snapshot.size() == 1000);
    CString path("C:\\P");
    REQUIRE(EnsureMSIISContainsVP(path) == 1);
    CHECK(ReadRoots().size() == 1001);
}
