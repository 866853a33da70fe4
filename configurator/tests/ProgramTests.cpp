// vpsetup.exe as the setup starts it: a process with switches, in the product folder. Most cases
// run the copy beside a recording double of vpsetup.dll, which writes each call it receives
// into "vpsetup-calls.txt" and lengthens the installation path by "+".
#include "DialogWatch.h"
#include "InstalledServersRecord.h"
#include "TestFixtures.h"

#include <catch.hpp>

namespace {

const char kRecordParent[] = "SOFTWARE\\Corvane Linkwell Server Temp";

// Starts the program in the folder; the caller waits for it.
HANDLE Start(const CString& program, const char* switches, const CString& folder)
{
    CString commandLine = CString("vpsetup.exe ") + switches;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    REQUIRE(CreateProcessA(program, commandLine.GetBuffer(commandLine.GetLength()), nullptr, nullptr, FALSE, 0,
                           nullptr, folder, &startup, &process));
    CloseHandle(process.hThread);
    return process.hProcess;
}

DWORD Finish(HANDLE process)
{
    REQUIRE(WaitForSingleObject(process, 60000) == WAIT_OBJECT_0);
    DWORD code = 0;
    GetExitCodeProcess(process, &code);
    CloseHandle(process);
    return code;
}

DWORD Run(const CString& program, const char* switches, const CString& folder)
{
    return Finish(Start(program, switches, folder));
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
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, CInstalledServersRecord::kKeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

DWORD RecordDword(const char* name)
{
    DWORD value = 0xFFFFFFFF, size = sizeof value;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, CInstalledServersRecord::kKeyPath, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size);
        RegCloseKey(key);
    }
    return value;
}

// No record and no server product keys before and after a case.
struct CleanMachine {
    CleanMachine() { Clean(); }
    ~CleanMachine() { Clean(); }
    static void Clean()
    {
        for (const char* key : {kRecordParent, "SOFTWARE\\Pellan", "SOFTWARE\\Corvane", "SOFTWARE\\Netscape",
                                "SOFTWARE\\Microsoft\\Inetsrv"})
            DeleteRegistryTree(HKEY_LOCAL_MACHINE, key);
    }
};

void RecordAllFound()
{
    CInstalledServersRecord record;
    record.WriteServer(Mondrel, 1, CString("D:\\M\\MONCFG.VSF"), CString("D:\\M"));
    record.WriteServer(Brell, 1, CString("C:\\B\\HTTPD.CNF"), CString());
    record.WriteServer(Skylane, 1, CString("C:\\S\\HTTPD.CNF"), CString());
    record.WriteServer(Iis, 1, CString(), CString());
    record.WriteServer(CorvaneHttpd, 1, CString("C:\\H\\conf\\HTTPD.CONF"), CString());
    record.WriteServer(Netscape, 1, CString("C:\\N\\OBJ.CONF"), CString());
}

void SetValue(const char* keyPath, const char* name, const std::string& data)
{
    HKEY key;
    REQUIRE(RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) ==
            ERROR_SUCCESS);
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()), static_cast<DWORD>(data.size() + 1));
    RegCloseKey(key);
}

} // namespace

TEST_CASE("a configuring run calls the operations of the recorded kinds in the configure order, with one path object")
{
    CleanMachine clean;
    CScratchDir dir;
    RecordAllFound();
    CHECK(Run(WithDouble(), "/configure /path=c:\\prod", dir.Path()) == 0);
    CHECK(Calls(dir) == "SLS|C:\\S\\HTTPD.CNF|C:\\PROD\\\r\n"
                        "Mondrel|D:\\M\\MONCFG.VSF|C:\\PROD\\+|D:\\M\r\n"
                        "Brell|C:\\B\\HTTPD.CNF|C:\\PROD\\++\r\n"
                        "IIS|C:\\PROD\\+++\r\n"
                        "HTTPD|C:\\H\\conf\\HTTPD.CONF|C:\\PROD\\++++\r\n"
                        "NET|C:\\N\\OBJ.CONF|C:\\PROD\\+++++\r\n");
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
    CHECK(Run(WithDouble(), "/CONFIGURE", dir.Path()) == 0);
    CHECK(Calls(dir) == "IIS|\r\nNET|C:\\N\\OBJ.CONF|+\r\n");
}

TEST_CASE("switches that configure nothing call nothing")
{
    CleanMachine clean;
    CScratchDir dir;

    SECTION("no switch at all: no record either")
    {
        CHECK(Run(WithDouble(), "", dir.Path()) == 0);
        CHECK_FALSE(RecordExists());
    }
    SECTION("/SELECT alone")
    {
        RecordAllFound();
        CHECK(Run(WithDouble(), "/SELECT /PATH=C:\\P", dir.Path()) == 0);
    }
    SECTION("/CONFIGURE without a record creates the empty key")
    {
        CHECK(Run(WithDouble(), "/CONFIGURE", dir.Path()) == 0);
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
    SetValue("SOFTWARE\\Pellan\\Brell Webserver\\1.0", "ETCpath", (dir / "brell").c_str());
    SetValue("SOFTWARE\\Corvane\\Skylane Server\\4.0", "ETCpath", (dir / "sls").c_str());

    CHECK(Run(WithDouble(), "/DISCOVER /CONFIGURE /PATH=C:\\Prod\\", dir.Path()) == 0);
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
    SetValue("SOFTWARE\\Pellan\\Brell Webserver\\1.0", "ETCpath", dir.Path().c_str());
    struct Case {
        const char* how;
        int button;
    } cases[] = {{"Configure Servers", 1001}, {"Cancel", 1014}};
    for (const Case& c : cases) {
        SECTION(c.how)
        {
            HANDLE process = Start(WithDouble(), "/DISCOVER /SELECT /CONFIGURE", dir.Path());
            HWND dialog = WaitForWindow("Remote Web Administration Configuration");
            REQUIRE(dialog);
            CHECK(SendMessageA(GetDlgItem(dialog, 1005), BM_GETCHECK, 0, 0) == BST_CHECKED);
            CHECK(SendMessageA(GetDlgItem(dialog, 1003), BM_GETCHECK, 0, 0) == BST_UNCHECKED);
            SendMessageA(GetDlgItem(dialog, 1003), BM_CLICK, 0, 0);
            PostButtonClick(dialog, c.button);
            CHECK(Finish(process) == 0);
            CHECK_FALSE(RecordExists());
            CHECK(Calls(dir).empty());
        }
    }
}

TEST_CASE("with the real library, a discovering and configuring run edits the server's file")
{
    CleanMachine clean;
    CScratchDir dir;
    WriteBytes(dir / "HTTPD.CNF", "# Brell\r\nPass /* C:\\BRELL\\HTDOCS\\*\r\n");
    WriteBytes(dir / "vpsetup.ini", "[PELLAN BRELL]\r\n/lw/*, web\\*, Pass,\r\n[END]\r\n");
    SetValue("SOFTWARE\\Pellan\\Mondrel Brell Webserver\\2.0", "ETCpath", dir.Path().c_str());
    CHECK(Run(WithLibrary(), "/DISCOVER /CONFIGURE /PATH=C:\\LINKWELL", dir.Path()) == 0);
    CHECK(ReadBytes(dir / "HTTPD.CNF") == "# Brell\r\nPass  /lw/*  C:\\LINKWELL\\web\\*\r\nPass /* C:\\BRELL\\HTDOCS\\*\r\n");
}

TEST_CASE("without vpsetup.dll the program does not start, not even to discover")
{
    CleanMachine clean;
    CScratchDir dir;
    REQUIRE(CopyFileA(WithLibrary(), dir / "vpsetup.exe", FALSE));
    CHECK(Run(dir / "vpsetup.exe", "/DISCOVER", dir.Path()) != 0);
    CHECK_FALSE(RecordExists());
}
