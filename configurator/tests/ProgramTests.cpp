// vpsetup.exe as the setup starts it: a process with switches, in the product folder. Most cases
// run the copy beside a recording double of vpsetup.dll, which writes each call it receives
// into "vpsetup-calls.txt" and lengthens the installation path by "+".
#include "ConfiguredStores.h"
#include "DialogWatch.h"
#include "InstalledServersRecord.h"
#include "TestFixtures.h"

#include <catch.hpp>

namespace {

const char kRecordParent[] = "SOFTWARE\\Corvane Linkwell Server Temp";

// Starts the program in the folder; the caller waits for it.
void Start(CProcessInformation& process, const CString& program, const char* switches, const CString& folder)
{
    StartProgram(process, program, CString("vpsetup.exe ") + switches, folder);
}

// A run to its end. The program always ends with exit code 0; any other code is a crash.
void Run(const CString& program, const char* switches, const CString& folder)
{
    CProcessInformation process;
    Start(process, program, switches, folder);
    REQUIRE(WaitForExit(process) == 0);
}

CString WithDouble()
{
    return ProgramFolder() + "configurator-double\\vpsetup.exe";
}

CString WithLibrary()
{
    return ProgramFolder() + "vpsetup.exe";
}

std::string Calls(const CScratchDir& dir)
{
    CString path = dir / "vpsetup-calls.txt";
    return FileExists(path) ? ReadBytes(path) : std::string();
}

bool RecordExists()
{
    return RegistryKeyExists(CInstalledServersRecord::kKeyPath);
}

// The record's DWORD value, or 0xFFFFFFFF when it is absent.
DWORD RecordDword(const char* name)
{
    DWORD value = 0xFFFFFFFF;
    CKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, CInstalledServersRecord::kKeyPath, KEY_READ) == ERROR_SUCCESS)
        key.QueryValue(name, value);
    return value;
}

// No record and no server product keys before and after a case.
struct CleanMachine {
    CCleanServerProductKeys products;
    CleanMachine() { DeleteRegistryTree(HKEY_LOCAL_MACHINE, kRecordParent); }
    ~CleanMachine() { DeleteRegistryTree(HKEY_LOCAL_MACHINE, kRecordParent); }
};

// The double's operation fails (gives -1) for a file path holding "FAILS": Skylane's, the first
// to be configured.
void RecordAllFound()
{
    CInstalledServersRecord record;
    record.WriteServer(Mondrel, 1, CString("D:\\M\\MONCFG.VSF"), CString("D:\\M"));
    record.WriteServer(Brell, 1, CString("C:\\B\\HTTPD.CNF"), CString());
    record.WriteServer(Skylane, 1, CString("C:\\FAILS\\HTTPD.CNF"), CString());
    record.WriteServer(Iis, 1, CString(), CString());
    record.WriteServer(CorvaneHttpd, 1, CString("C:\\H\\conf\\HTTPD.CONF"), CString());
    record.WriteServer(Netscape, 1, CString("C:\\N\\OBJ.CONF"), CString());
}

} // namespace

TEST_CASE("a configuring run calls the operations of the recorded kinds in the configure order, with one path object")
{
    // The first operation fails; the others still have their turn. Taking back calls the twins
    // ("-") in the same order with the same arguments, and wins over configuring.
    struct Case {
        const char* switches;
        const char* twin;
    } cases[] = {{"/configure /path=c:\\prod", ""},
                 {"/unconfigure /path=c:\\prod", "-"},
                 {"/CONFIGURE /UNCONFIGURE /PATH=C:\\PROD", "-"}};
    for (const Case& c : cases) {
        SECTION(c.switches)
        {
            CleanMachine clean;
            CScratchDir dir;
            RecordAllFound();
            Run(WithDouble(), c.switches, dir.Path());
            const std::string t = c.twin;
            CHECK(Calls(dir) == "SLS" + t + "|C:\\FAILS\\HTTPD.CNF|C:\\PROD\\\r\n"
                                "Mondrel" + t + "|D:\\M\\MONCFG.VSF|C:\\PROD\\+|D:\\M\r\n"
                                "Brell" + t + "|C:\\B\\HTTPD.CNF|C:\\PROD\\++\r\n"
                                "IIS" + t + "|C:\\PROD\\+++\r\n"
                                "HTTPD" + t + "|C:\\H\\conf\\HTTPD.CONF|C:\\PROD\\++++\r\n"
                                "NET" + t + "|C:\\N\\OBJ.CONF|C:\\PROD\\+++++\r\n");
            // The record is left as it is.
            CHECK(RecordDword("Pellan Brell") == 1);
        }
    }
}

TEST_CASE("a kind whose found value is zero or absent is skipped; any other value counts")
{
    CleanMachine clean;
    CScratchDir dir;
    CScratchRegistryKey record(CInstalledServersRecord::kKeyPath);
    record.SetDword("Corvane SLS", 0);
    record.SetString("Corvane SLS Config File", std::string("C:\\S\\HTTPD.CNF", 16));
    record.SetDword("Microsoft IIS", 1);
    record.SetDword("NETSCAPE", 7);
    record.SetString("NETSCAPE Config File", std::string("C:\\N\\OBJ.CONF", 14));
    Run(WithDouble(), "/CONFIGURE", dir.Path());
    CHECK(Calls(dir) == "IIS|\r\nNET|C:\\N\\OBJ.CONF|+\r\n");
}

TEST_CASE("switches that configure nothing call nothing")
{
    CleanMachine clean;
    CScratchDir dir;

    SECTION("no switch at all: no record either")
    {
        Run(WithDouble(), "", dir.Path());
        CHECK_FALSE(RecordExists());
    }
    SECTION("/SELECT alone: a record there is neither configured nor written")
    {
        RecordAllFound();
        Run(WithDouble(), "/SELECT /PATH=C:\\P", dir.Path());
        CHECK(RecordDword("Pellan Brell") == 1);
        CHECK(RecordDword("HasAWebServerBeenDiscovered") == 0xFFFFFFFF);
        CHECK(RecordDword("Finished") == 0xFFFFFFFF);
    }
    SECTION("/CONFIGURE without a record creates the empty key")
    {
        Run(WithDouble(), "/CONFIGURE", dir.Path());
        CHECK(RecordExists());
        CHECK(RecordDword("Finished") == 0xFFFFFFFF);
    }
    CHECK(Calls(dir).empty());
}

TEST_CASE("/DISCOVER /CONFIGURE configures the kinds found in this very run")
{
    CleanMachine clean;
    CScratchDir dir;
    RecordAllFound(); // an earlier run's findings are overwritten by this run's
    CreateDirectoryA(dir / "brell", nullptr);
    CreateDirectoryA(dir / "sls", nullptr);
    WriteBytes(dir / "brell\\HTTPD.CNF", "x\r\n");
    WriteBytes(dir / "sls\\HTTPD.CNF", "x\r\n");
    SetRegistryValue("SOFTWARE\\Pellan\\Brell Webserver\\1.0", "ETCpath", Sz((dir / "brell").c_str()));
    SetRegistryValue("SOFTWARE\\Corvane\\Skylane Server\\4.0", "ETCpath", Sz((dir / "sls").c_str()));

    Run(WithDouble(), "/DISCOVER /CONFIGURE /PATH=C:\\Prod\\", dir.Path());
    CHECK(Calls(dir) == "SLS|" + std::string((dir / "sls\\HTTPD.CNF").c_str()) + "|C:\\PROD\\\r\n" + "Brell|" +
                            std::string((dir / "brell\\HTTPD.CNF").c_str()) + "|C:\\PROD\\+\r\n");
    CHECK(RecordDword("Pellan Brell") == 1);
    CHECK(RecordDword("NETSCAPE") == 0);
    CHECK(RecordDword("HasAWebServerBeenDiscovered") == 1);
    CHECK(RecordDword("Finished") == 1);
}

TEST_CASE("/DISCOVER /SELECT shows the dialog and then neither writes the record nor configures")
{
    CleanMachine clean;
    CScratchDir dir;
    WriteBytes(dir / "HTTPD.CNF", "x\r\n");
    SetRegistryValue("SOFTWARE\\Pellan\\Brell Webserver\\1.0", "ETCpath", Sz(dir.Path().c_str()));
    struct Case {
        const char* how;
        int button;
    } cases[] = {{"Configure Servers", 1001}, {"Cancel", 1014}};
    for (const Case& c : cases) {
        SECTION(c.how)
        {
            CProcessInformation process;
            Start(process, WithDouble(), "/DISCOVER /SELECT /CONFIGURE /UNCONFIGURE", dir.Path());
            HWND dialog = WaitForWindow("Remote Web Administration Configuration");
            REQUIRE(dialog);
            CHECK(SendMessageA(GetDlgItem(dialog, 1005), BM_GETCHECK, 0, 0) == BST_CHECKED);
            CHECK(SendMessageA(GetDlgItem(dialog, 1003), BM_GETCHECK, 0, 0) == BST_UNCHECKED);
            SendMessageA(GetDlgItem(dialog, 1003), BM_CLICK, 0, 0);
            PostButtonClick(dialog, c.button);
            CHECK(WaitForExit(process) == 0);
            CHECK_FALSE(RecordExists());
            CHECK(Calls(dir).empty());
        }
    }
}

TEST_CASE("with the real library, configuring and then unconfiguring gives the machine back as it was")
{
    // Also when, at uninstall, the server's entry names a decoy copy and IIS is no longer described:
    // the stores configuring changed are taken back all the same.
    const bool missedAtUninstall = GENERATE(false, true);
    CleanMachine clean;
    CScratchDir dir;
    const char* roots = "SYSTEM\\CurrentControlSet\\Services\\W3SVC\\Parameters\\Virtual Roots";
    CScratchRegistryKey rootsKey(roots);
    rootsKey.SetString("/", Sz("C:\\InetPub\\wwwroot,,1"));
    const std::vector<NamedRegistryValue> rootsBefore = ListRegistryValues(roots);
    const std::string fileBefore = "# Brell\r\nPass /* C:\\BRELL\\HTDOCS\\*\r\n";
    WriteBytes(dir / "HTTPD.CNF", fileBefore);
    WriteBytes(dir / "vpsetup.ini", "[PELLAN BRELL]\r\n/lw/*, web\\*, Pass,\r\n[END]\r\n"
                                    "[MS IIS]\r\n/LW, web, 1,\r\n[END]\r\n");
    SetRegistryValue("SOFTWARE\\Pellan\\Mondrel Brell Webserver\\2.0", "ETCpath", Sz(dir.Path().c_str()));
    SetRegistryValue("SOFTWARE\\Microsoft\\Inetsrv\\CurrentVersion", "Description", Sz("Web Server"));

    Run(WithLibrary(), "/DISCOVER /CONFIGURE /PATH=C:\\LINKWELL", dir.Path());
    CHECK(ReadBytes(dir / "HTTPD.CNF") == "# Brell\r\nPass  /lw/*  C:\\LINKWELL\\web\\*\r\nPass /* C:\\BRELL\\HTDOCS\\*\r\n");
    CHECK(ListRegistryValues(roots).size() == 2);
    CHECK(ListRegistryValues(CConfiguredStores::kKeyPath).size() == 2);
    if (missedAtUninstall) {
        REQUIRE(CreateDirectoryA(dir / "decoy", nullptr));
        REQUIRE(CopyFileA(dir / "HTTPD.CNF", dir / "decoy\\HTTPD.CNF", TRUE));
        SetRegistryValue("SOFTWARE\\Pellan\\Mondrel Brell Webserver\\2.0", "ETCpath", Sz((dir / "decoy").c_str()));
        DeleteRegistryTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Inetsrv");
    }

    Run(WithLibrary(), "/DISCOVER /UNCONFIGURE /PATH=C:\\LINKWELL", dir.Path());
    CHECK(ReadBytes(dir / "HTTPD.CNF") == fileBefore);
    CHECK(ListRegistryValues(roots) == rootsBefore);
    CHECK(ListRegistryValues(CConfiguredStores::kKeyPath).empty());

    // Nothing of ours is left: a second run rewrites nothing.
    CHECK(LeftUntouched(dir / "HTTPD.CNF", [&] { Run(WithLibrary(), "/DISCOVER /UNCONFIGURE /PATH=C:\\LINKWELL", dir.Path()); }));
    CHECK(ListRegistryValues(roots) == rootsBefore);
}

TEST_CASE("without vpsetup.dll the program does not start, not even to discover")
{
    CleanMachine clean;
    CScratchDir dir;
    REQUIRE(CopyFileA(WithLibrary(), dir / "vpsetup.exe", FALSE));
    CProcessInformation process;
    Start(process, dir / "vpsetup.exe", "/DISCOVER", dir.Path());
    CHECK(WaitForExit(process) != 0);
    CHECK_FALSE(RecordExists());
}
