#include "FindFileInTree.h"
#include "ServerDiscovery.h"
#include "TestFixtures.h"

#include <catch.hpp>

namespace {

CString CurrentDirectory()
{
    char path[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, path);
    return CString(path);
}

DiscoveredServer Probe(const RegistryProbe& probe)
{
    DiscoveredServer result;
    result.found = -1;
    CServerDiscovery::ProbeRegistry(probe, result);
    return result;
}

// The test drives the rig makes: D:, E: and G: fixed, F: a CD-ROM. Emptied before and after.
struct TestDrives {
    TestDrives() { Clean(); }
    ~TestDrives() { Clean(); }
    static void Clean()
    {
        for (const char* root : {"D:", "E:", "F:", "G:"})
            EmptyFolder(CString(root));
    }
    static void EmptyFolder(const CString& folder)
    {
        WIN32_FIND_DATAA found;
        CFindHandle find(FindFirstFileA(folder + "\\*", &found));
        if (!find)
            return;
        do {
            CString name(found.cFileName);
            if (name == "." || name == "..")
                continue;
            CString child = folder + "\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                DeleteTree(child);
            else {
                SetFileAttributesA(child, FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(child);
            }
        } while (FindNextFileA(find.Get(), &found));
    }
    // Makes the file and every folder on its way.
    static void MakeFile(const char* path)
    {
        CString full(path);
        for (int at = full.Find('\\', 3); at >= 0; at = full.Find('\\', at + 1))
            CreateDirectoryA(full.Left(at), nullptr);
        WriteBytes(full, "x");
    }
};

} // namespace

TEST_CASE("the test drives are there, with their types")
{
    CHECK(GetDriveTypeA("D:\\") == DRIVE_FIXED);
    CHECK(GetDriveTypeA("E:\\") == DRIVE_FIXED);
    CHECK(GetDriveTypeA("F:\\") == DRIVE_CDROM);
    CHECK(GetDriveTypeA("G:\\") == DRIVE_FIXED);
    std::vector<CString> roots = FixedDriveRoots();
    std::string listed;
    for (const CString& root : roots)
        listed += root.c_str();
    CHECK(listed.find("D:\\E:\\") != std::string::npos);
    CHECK(listed.find("F:\\") == std::string::npos);
    CHECK(listed.find("Z:\\") == std::string::npos);
}

TEST_CASE("a registry probe finds the configuration file its product's first version key names")
{
    CCleanServerProductKeys keys;
    CScratchDir dir;
    WriteBytes(dir / "HTTPD.CNF", "# rules\r\n");
    CString expected = dir / "HTTPD.CNF";

    SECTION("Brell under its first product key")
    {
        SetRegistryValue("SOFTWARE\\Pellan\\Mondrel Brell Webserver\\1.0", "ETCpath", Sz(dir.Path().c_str()));
        DiscoveredServer r = Probe(kBrellProbe);
        CHECK(r.found == 1);
        CHECK(r.firstFile == expected);
    }
    SECTION("Brell under its second product key, and a directory already ending in a backslash")
    {
        SetRegistryValue("SOFTWARE\\Pellan\\Brell Webserver\\2.1", "ETCpath", Sz((dir.Path() + "\\").c_str()));
        DiscoveredServer r = Probe(kBrellProbe);
        CHECK(r.found == 1);
        CHECK(r.firstFile == expected);
    }
    SECTION("Brell under both keys: only the first is used, even when it leads nowhere")
    {
        SetRegistryValue("SOFTWARE\\Pellan\\Mondrel Brell Webserver\\1.0", "ETCpath", Sz("C:\\NOWHERE\\AT\\ALL"));
        SetRegistryValue("SOFTWARE\\Pellan\\Brell Webserver\\1.0", "ETCpath", Sz(dir.Path().c_str()));
        CHECK(Probe(kBrellProbe).found == 0);
    }
    SECTION("a first product key without version subkeys ends the probe")
    {
        MakeRegistryKey("SOFTWARE\\Pellan\\Mondrel Brell Webserver");
        SetRegistryValue("SOFTWARE\\Pellan\\Brell Webserver\\1.0", "ETCpath", Sz(dir.Path().c_str()));
        CHECK(Probe(kBrellProbe).found == 0);
    }
    SECTION("only the first version subkey the registry lists is used")
    {
        MakeRegistryKey("SOFTWARE\\Corvane\\Skylane Server\\1.0");
        SetRegistryValue("SOFTWARE\\Corvane\\Skylane Server\\2.0", "ETCpath", Sz(dir.Path().c_str()));
        DiscoveredServer r = Probe(kSkylaneProbe);
        CHECK(r.found == 0);
        CHECK(r.firstFile.IsEmpty());
    }
    SECTION("Corvane HTTPD keeps its file under conf")
    {
        CreateDirectoryA(dir / "conf", nullptr);
        WriteBytes(dir / "conf\\HTTPD.CONF", "x\n");
        SetRegistryValue("SOFTWARE\\Corvane\\HTTP Server\\1.3", "ServerRoot", Sz(dir.Path().c_str()));
        DiscoveredServer r = Probe(kCorvaneHttpdProbe);
        CHECK(r.found == 1);
        CHECK(r.firstFile == dir / "conf\\HTTPD.CONF");
    }
    SECTION("Netscape's file lies in the folder named after the computer")
    {
        CString config = dir / "https-" + ComputerName() + "\\config";
        CreateDirectoryA(dir / "https-" + ComputerName(), nullptr);
        CreateDirectoryA(config, nullptr);
        WriteBytes(config + "\\OBJ.CONF", "x\n");
        SetRegistryValue("SOFTWARE\\Netscape\\Enterprise\\3.0", "RootPath", Sz(dir.Path().c_str()));
        DiscoveredServer r = Probe(kNetscapeProbe);
        CHECK(r.found == 1);
        CHECK(r.firstFile == config + "\\OBJ.CONF");
    }
}

TEST_CASE("a registry probe counts the kind as not found when the entries or the file fail it")
{
    CCleanServerProductKeys keys;
    CScratchDir dir;
    WriteBytes(dir / "HTTPD.CNF", "# rules\r\n");
    const char* version = "SOFTWARE\\Corvane\\Skylane Server\\4.0";
    DiscoveredServer r;

    SECTION("no product key") { r = Probe(kSkylaneProbe); }
    SECTION("a directory of exactly three characters is no directory")
    {
        SetRegistryValue(version, "ETCpath", Sz("C:\\"));
        r = Probe(kSkylaneProbe);
    }
    SECTION("an empty directory value") { SetRegistryValue(version, "ETCpath", Sz("")); r = Probe(kSkylaneProbe); }
    SECTION("a directory value of another type")
    {
        SetRegistryValue(version, "ETCpath", dir.Path().c_str(), REG_BINARY);
        r = Probe(kSkylaneProbe);
    }
    SECTION("a DWORD directory value")
    {
        SetRegistryValue(version, "ETCpath", std::string("\x01\x02\x03\x04", 4), REG_DWORD);
        r = Probe(kSkylaneProbe);
    }
    SECTION("a directory value of 128 characters does not fit its buffer")
    {
        SetRegistryValue(version, "ETCpath", Sz(std::string("C:\\") + std::string(125, 'x')));
        r = Probe(kSkylaneProbe);
    }
    SECTION("the same without a terminating zero")
    {
        SetRegistryValue(version, "ETCpath", std::string("C:\\") + std::string(125, 'y'));
        r = Probe(kSkylaneProbe);
    }
    SECTION("the file named by the registry is missing")
    {
        SetRegistryValue(version, "ETCpath", Sz((dir.Path() + "\\elsewhere").c_str()));
        r = Probe(kSkylaneProbe);
    }
    CHECK(r.found == 0);
    CHECK(r.firstFile.IsEmpty());
}

TEST_CASE("a configuration file another program holds open is there all the same")
{
    CCleanServerProductKeys keys;
    CScratchDir dir;
    WriteBytes(dir / "HTTPD.CNF", "# rules\r\n");
    SetRegistryValue("SOFTWARE\\Corvane\\Skylane Server\\4.0", "ETCpath", Sz(dir.Path().c_str()));
    // Even one that lets others read it keeps the unshared open out; the uninstall must not skip it.
    for (DWORD sharing : {DWORD(0), DWORD(FILE_SHARE_READ)}) {
        CFileHandle held(CreateFileA(dir / "HTTPD.CNF", GENERIC_READ, sharing, nullptr, OPEN_EXISTING, 0, nullptr));
        CHECK((held && Probe(kSkylaneProbe).firstFile == dir / "HTTPD.CNF"));
    }
}

TEST_CASE("IIS is found through its description, else through its service type")
{
    CCleanServerProductKeys keys;
    const char* current = "SOFTWARE\\Microsoft\\Inetsrv\\CurrentVersion";
    const char* serviceType =
        "SYSTEM\\CurrentControlSet\\Control\\ServiceProvider\\ServiceTypes\\Microsoft Internet Information Server";
    CServerDiscovery discovery;
    discovery.m_servers[Iis].found = -1;

    SECTION("a description of more than three characters")
    {
        SetRegistryValue(current, "Description", Sz("Microsoft Internet Information Server 2.0"));
        discovery.ProbeIis();
        CHECK(discovery.m_servers[Iis].found == 1);
    }
    SECTION("a short description, with the service type present: not found")
    {
        SetRegistryValue(current, "Description", Sz("IIS"));
        MakeRegistryKey(serviceType);
        discovery.ProbeIis();
        CHECK(discovery.m_servers[Iis].found == 0);
    }
    SECTION("no description in the key: not found")
    {
        MakeRegistryKey(current);
        MakeRegistryKey(serviceType);
        discovery.ProbeIis();
        CHECK(discovery.m_servers[Iis].found == 0);
    }
    SECTION("no version key, the service type present")
    {
        MakeRegistryKey(serviceType);
        discovery.ProbeIis();
        CHECK(discovery.m_servers[Iis].found == 1);
    }
    SECTION("neither")
    {
        discovery.ProbeIis();
        CHECK(discovery.m_servers[Iis].found == 0);
    }
}

TEST_CASE("the tree search is breadth-first and restores the working directory")
{
    TestDrives drives;
    CString before = CurrentDirectory();
    CString found("unchanged");

    SECTION("a shallower file wins over a deeper one, whatever the listing order")
    {
        TestDrives::MakeFile("D:\\aaa\\bbb\\VSERVER.EXE");
        TestDrives::MakeFile("D:\\zzz\\VSERVER.EXE");
        CHECK(FindFileInTree(CString("D:\\"), CString("VSERVER.EXE"), found));
        CHECK(found == "D:\\zzz");
    }
    SECTION("a match in the root keeps the root's backslash; names match in any case")
    {
        TestDrives::MakeFile("D:\\vserver.exe");
        CHECK(FindFileInTree(CString("D:\\"), CString("VSERVER.EXE"), found));
        CHECK(found == "D:\\");
    }
    SECTION("a folder of that name does not match")
    {
        CreateDirectoryA("D:\\VSERVER.EXE", nullptr);
        TestDrives::MakeFile("D:\\deep\\er\\VSERVER.EXE");
        CHECK(FindFileInTree(CString("D:\\"), CString("VSERVER.EXE"), found));
        CHECK(found == "D:\\deep\\er");
    }
    SECTION("hidden and system folders are searched too")
    {
        TestDrives::MakeFile("D:\\secret\\VSERVER.EXE");
        SetFileAttributesA("D:\\secret", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
        CHECK(FindFileInTree(CString("D:\\"), CString("VSERVER.EXE"), found));
        CHECK(found == "D:\\secret");
    }
    SECTION("no match leaves the out-parameter alone")
    {
        TestDrives::MakeFile("D:\\a\\b\\c\\other.exe");
        CHECK_FALSE(FindFileInTree(CString("D:\\"), CString("VSERVER.EXE"), found));
        CHECK(found == "unchanged");
    }
    SECTION("an empty drive root ends the search with not found")
    {
        CHECK_FALSE(FindFileInTree(CString("G:\\"), CString("VSERVER.EXE"), found));
        CHECK(found == "unchanged");
    }
    SECTION("a root that does not exist is skipped, not found")
    {
        CHECK_FALSE(FindFileInTree(CString("D:\\missing"), CString("VSERVER.EXE"), found));
    }
    SECTION("links are not followed: neither one back up the tree nor one out of it")
    {
        DWORD start = GetTickCount();
        CHECK_FALSE(FindFileInTree(CString("H:\\"), CString("VSERVER.EXE"), found));
        CHECK(GetTickCount() - start < 5000);
        CHECK(FindFileInTree(CString("H:\\tree\\elsewhere"), CString("VSERVER.EXE"), found));
    }
    SECTION("a search started inside a folder stays below it")
    {
        TestDrives::MakeFile("D:\\MONDREL\\VSERVER.EXE");
        TestDrives::MakeFile("D:\\MONCFG.VSF");
        CHECK_FALSE(FindFileInTree(CString("D:\\MONDREL"), CString("MONCFG.VSF"), found));
    }
    CHECK(CurrentDirectory() == before);
}

TEST_CASE("the Mondrel probe searches the fixed drives in order for the server and its database")
{
    TestDrives drives;
    CString before = CurrentDirectory();
    CServerDiscovery d;

    SECTION("both in the program directory")
    {
        TestDrives::MakeFile("E:\\PELLAN\\MONDREL\\VSERVER.EXE");
        TestDrives::MakeFile("E:\\PELLAN\\MONDREL\\MONCFG.VSF");
        d.ProbeMondrel();
        CHECK(d.m_servers[Mondrel].found == 1);
        CHECK(d.m_servers[Mondrel].secondFile == "E:\\PELLAN\\MONDREL");
        CHECK(d.m_servers[Mondrel].firstFile == "E:\\PELLAN\\MONDREL\\MONCFG.VSF");
    }
    SECTION("the database below the program directory is preferred to one nearer the root")
    {
        TestDrives::MakeFile("D:\\M\\bin\\VSERVER.EXE");
        TestDrives::MakeFile("D:\\MONCFG.VSF");
        TestDrives::MakeFile("D:\\M\\bin\\cfg\\data\\MONCFG.VSF");
        d.ProbeMondrel();
        CHECK(d.m_servers[Mondrel].firstFile == "D:\\M\\bin\\cfg\\data\\MONCFG.VSF");
    }
    SECTION("else on the whole drive of the program, else on a later fixed drive")
    {
        TestDrives::MakeFile("D:\\M\\VSERVER.EXE");
        TestDrives::MakeFile("E:\\data\\MONCFG.VSF");
        d.ProbeMondrel();
        CHECK(d.m_servers[Mondrel].found == 1);
        CHECK(d.m_servers[Mondrel].firstFile == "E:\\data\\MONCFG.VSF");
    }
    SECTION("the database only on an earlier drive: not found, the program directory kept")
    {
        TestDrives::MakeFile("E:\\M\\VSERVER.EXE");
        TestDrives::MakeFile("D:\\MONCFG.VSF");
        d.ProbeMondrel();
        CHECK(d.m_servers[Mondrel].found == 0);
        CHECK(d.m_servers[Mondrel].secondFile == "E:\\M");
        CHECK(d.m_servers[Mondrel].firstFile.IsEmpty());
    }
    SECTION("two servers: the one met first, drives in order")
    {
        TestDrives::MakeFile("E:\\VSERVER.EXE");
        TestDrives::MakeFile("D:\\a\\b\\c\\VSERVER.EXE");
        TestDrives::MakeFile("D:\\a\\b\\c\\MONCFG.VSF");
        d.ProbeMondrel();
        CHECK(d.m_servers[Mondrel].secondFile == "D:\\a\\b\\c");
    }
    SECTION("a CD-ROM drive is not searched")
    {
        TestDrives::MakeFile("F:\\M\\VSERVER.EXE");
        TestDrives::MakeFile("F:\\M\\MONCFG.VSF");
        d.ProbeMondrel();
        CHECK(d.m_servers[Mondrel].found == 0);
        CHECK(d.m_servers[Mondrel].secondFile.IsEmpty());
    }
    SECTION("a database without a server is nothing")
    {
        TestDrives::MakeFile("D:\\MONCFG.VSF");
        d.ProbeMondrel();
        CHECK(d.m_servers[Mondrel].found == 0);
        CHECK(d.m_servers[Mondrel].secondFile.IsEmpty());
    }
    CHECK(CurrentDirectory() == before);
}

TEST_CASE("a server or database that users may change is passed over, and the search goes on")
{
    TestDrives drives;
    CServerDiscovery d;
    struct Case {
        const char* rule;
        const char* openToEveryone[2];
        const char* programFolder;
        const char* database;
    } cases[] = {
        {"a server in a folder users may write", {"D:\\TEMP"}, "D:\\a\\MONDREL", "D:\\a\\MONDREL\\MONCFG.VSF"},
        {"a server file users may write", {"D:\\TEMP\\VSERVER.EXE"}, "D:\\a\\MONDREL", "D:\\a\\MONDREL\\MONCFG.VSF"},
        {"a database file users may write", {"D:\\TEMP\\MONCFG.VSF"}, "D:\\TEMP", "D:\\a\\MONDREL\\MONCFG.VSF"},
        {"every candidate: nothing found", {"D:\\TEMP", "D:\\a\\MONDREL"}, "", ""},
    };
    for (const Case& c : cases) {
        SECTION(c.rule)
        {
            // Met first: a server with its database in TEMP; then the genuine one a folder deeper.
            for (const char* file : {"D:\\TEMP\\VSERVER.EXE", "D:\\TEMP\\MONCFG.VSF", "D:\\a\\MONDREL\\VSERVER.EXE",
                                     "D:\\a\\MONDREL\\MONCFG.VSF"})
                TestDrives::MakeFile(file);
            for (const char* open : c.openToEveryone)
                if (open)
                    OpenToEveryone(CString(open));
            d.ProbeMondrel();
            CHECK(d.m_servers[Mondrel].secondFile == c.programFolder);
            CHECK(d.m_servers[Mondrel].firstFile == c.database);
        }
    }
}
