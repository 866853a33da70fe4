// The log that "/LOG=" asks for: what one run saw and did, line by line, and a log that cannot be
// written leaving the run as it would be without one.
#include "InstalledServersRecord.h"
#include "RunLog.h"
#include "StoreChanges.h"
#include "Switches.h"
#include "TestFixtures.h"

#include <catch.hpp>

#include <string>
#include <vector>

namespace {

const char kRootsKey[] = "SYSTEM\\CurrentControlSet\\Services\\W3SVC\\Parameters\\Virtual Roots";

struct CleanMachine {
    CCleanServerProductKeys products;
    CleanMachine() { DeleteRegistryTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\Corvane Linkwell Server Temp"); }
    ~CleanMachine() { DeleteRegistryTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\Corvane Linkwell Server Temp"); }
};

void Run(const CString& program, const CString& switches, const CString& folder)
{
    CProcessInformation process;
    StartProgram(process, program, CString("vpsetup.exe ") + switches, folder);
    REQUIRE(WaitForExit(process) == 0);
}

// What differs from run to run is masked: the build date and the time of the run, the duration,
// and how many folders the search of the fixed drives read (the drives hold other tests' files).
std::string Masked(std::string line)
{
    auto maskBetween = [&line](const std::string& from, const std::string& to) {
        size_t at = line.find(from);
        if (at == std::string::npos)
            return;
        at += from.size();
        size_t end = to.empty() ? line.size() : line.find(to, at);
        if (end != std::string::npos)
            line.replace(at, end - at, "#");
    };
    maskBetween("(built ", "), run at ");
    maskBetween("), run at ", "");
    maskBetween("run ended after ", " ms");
    maskBetween(": not there (", " folders read)");
    return line;
}

std::vector<std::string> LogLines(const CString& path)
{
    std::vector<std::string> lines;
    for (const std::string& line : TextModeLines(ReadBytes(path)))
        lines.push_back(Masked(line));
    return lines;
}

} // namespace

TEST_CASE("a discovering and configuring run logs what it looked at, found, wrote and changed")
{
    CleanMachine clean;
    CScratchDir dir;
    CScratchRegistryKey roots(kRootsKey);
    roots.SetString("/lw", Sz("C:\\OLD,,1"));
    WriteBytes(dir / "HTTPD.CNF", "# Brell\r\nPass /lw-old/* C:\\LW\\*\r\n#\told\x01 /lw-old/*\r\nPass /* C:\\BRELL\\*\r\n\x1A# kept after it\r\n");
    WriteBytes(dir / "vpsetup.ini", "[PELLAN BRELL]\r\n/lw-old/*, web\\*, Pass,\r\n[END]\r\n"
                                    "[MS IIS]\r\n/lw, web, 1,\r\n[END]\r\n");
    SetRegistryValue("SOFTWARE\\Pellan\\Brell Webserver\\2.0", "ETCpath", Sz(dir.Path().c_str()));
    SetRegistryValue("SOFTWARE\\Microsoft\\Inetsrv\\CurrentVersion", "Description", Sz("Web Server"));
    WriteBytes(dir / "SETUP.LOG", "an earlier run\r\n");

    const CString program = ProgramFolder() + "vpsetup.exe";
    Run(program, CString("/DISCOVER /CONFIGURE /PATH=C:\\LW /LOG=") + dir.Path() + "\\SETUP.LOG", dir.Path());
    // A second run, of IIS alone, without "/PATH=" and with "/SELECT" but no "/DISCOVER".
    CInstalledServersRecord().WriteServer(Brell, 0, CString(), CString());
    Run(program, CString("/CONFIGURE /SELECT /LOG=") + dir.Path() + "\\SETUP.LOG", dir.Path());

    const std::string d = dir.Path().c_str();
    std::string upper = UpperAscii(d);
    const std::vector<std::string> expected = {
        "an earlier run",
        "==== vpsetup 1.0 (built #), run at #",
        "command line: \"vpsetup.exe /DISCOVER /CONFIGURE /PATH=C:\\LW /LOG=" + d + "\\SETUP.LOG\"",
        "current directory: \"" + d + "\"",
        "switches: discover yes, select no, configure yes, unconfigure no; installation path \"C:\\LW\\\"; log \"" + upper +
            "\\SETUP.LOG\"",
        "probe Pellan Mondrel: a breadth-first search of the fixed drives for VSERVER.EXE, then MONCFG.VSF",
        "  drives: C:\\ fixed; D:\\ fixed; E:\\ fixed; F:\\ CD-ROM; G:\\ fixed; H:\\ fixed; Z:\\ network; only the fixed ones are searched",
        "  searched \"C:\\\" for VSERVER.EXE: not there (# folders read)",
        "  searched \"D:\\\" for VSERVER.EXE: not there (# folders read)",
        "  searched \"E:\\\" for VSERVER.EXE: not there (# folders read)",
        "  searched \"G:\\\" for VSERVER.EXE: not there (# folders read)",
        "  searched \"H:\\\" for VSERVER.EXE: not there (# folders read)",
        "probe Pellan Brell: its registry entries, then HTTPD.CNF in the folder they name",
        "  key HKLM\\SOFTWARE\\Pellan\\Mondrel Brell Webserver: cannot be opened, error 2",
        "  key HKLM\\SOFTWARE\\Pellan\\Brell Webserver: opened",
        "  version key \"2.0\", value \"ETCpath\" = \"" + d + "\"",
        "  file \"" + d + "\\HTTPD.CNF\" opens for reading with nobody else holding it: found",
        "probe Corvane Skylane Server: its registry entries, then HTTPD.CNF in the folder they name",
        "  key HKLM\\SOFTWARE\\Corvane\\Skylane Server: cannot be opened, error 2",
        "probe Microsoft IIS: its registry entries",
        "  key HKLM\\SOFTWARE\\Microsoft\\Inetsrv\\CurrentVersion: opened; value \"Description\" = \"Web Server\": found",
        "probe Corvane HTTPD: its registry entries, then conf\\HTTPD.CONF below the folder they name",
        "  key HKLM\\SOFTWARE\\Corvane\\HTTP Server: cannot be opened, error 2",
        "probe Netscape Enterprise: its registry entries, then https-<computer name>\\config\\OBJ.CONF below the folder they "
        "name",
        "  key HKLM\\SOFTWARE\\Netscape\\Enterprise: cannot be opened, error 2",
        "discovery found:",
        "  Pellan Mondrel: not found",
        "  Pellan Brell: found, file \"" + d + "\\HTTPD.CNF\"",
        "  Corvane Skylane Server: not found",
        "  Microsoft IIS: found",
        "  Corvane HTTPD: not found",
        "  Netscape Enterprise: not found",
        "record written to the volatile key HKLM\\SOFTWARE\\Corvane Linkwell Server Temp\\Installed Web Servers:",
        "  \"Pellan Mondrel\" = 0",
        "  \"Pellan Mondrel Config File\" = \"\"",
        "  \"Pellan Mondrel NVelda DLL File\" = \"\"",
        "  \"Pellan Brell\" = 1",
        "  \"Pellan Brell Config File\" = \"" + d + "\\HTTPD.CNF\"",
        "  \"Corvane SLS\" = 0",
        "  \"Corvane SLS Config File\" = \"\"",
        "  \"Microsoft IIS\" = 1",
        "  \"Corvane HTTPD\" = 0",
        "  \"Corvane HTTPD Config File\" = \"\"",
        "  \"NETSCAPE\" = 0",
        "  \"NETSCAPE Config File\" = \"\"",
        "  \"HasAWebServerBeenDiscovered\" = 1",
        "  \"Finished\" = 1",
        "configuring the kinds the record marks as found",
        "Corvane Skylane Server: not marked as found, skipped",
        "Pellan Mondrel: not marked as found, skipped",
        "Pellan Brell: EnsureBrellContainsVP(\"" + d + "\\HTTPD.CNF\", \"C:\\LW\\\")",
        "  the file has 17 bytes after an end-of-file mark; they are kept as they are",
        "  result 1",
        "  line 2 of the file before, taken out: \"Pass /lw-old/* C:\\LW\\*\"",
        "  line 3 of the file before, taken out: \"#\\x09old\\x01 /lw-old/*\"",
        "  line 2 of the file after, put in: \"Pass  /lw-old/*  C:\\LW\\web\\*\"",
        "Microsoft IIS: EnsureMSIISContainsVP(\"C:\\LW\\\")",
        "  result 1",
        "  root removed: \"/lw\" = \"C:\\OLD,,1\"",
        "  root added: \"/lw\" = \"C:\\LW\\web,,1\"",
        "Corvane HTTPD: not marked as found, skipped",
        "Netscape Enterprise: not marked as found, skipped",
        "==== run ended after # ms",
        "==== vpsetup 1.0 (built #), run at #",
        "command line: \"vpsetup.exe /CONFIGURE /SELECT /LOG=" + d + "\\SETUP.LOG\"",
        "current directory: \"" + d + "\"",
        "switches: discover no, select given but ignored: no /DISCOVER, configure yes, unconfigure no; installation path "
        "\"\" (no /PATH=: the first operation that reads the template makes it \"\\\" for itself and the ones after "
        "it); log \"" + upper + "\\SETUP.LOG\"",
        "configuring the kinds the record marks as found",
        "Corvane Skylane Server: not marked as found, skipped",
        "Pellan Mondrel: not marked as found, skipped",
        "Pellan Brell: not marked as found, skipped",
        "Microsoft IIS: EnsureMSIISContainsVP(\"\")",
        "  result 1",
        "  the installation path is now \"\\\", as the operations after this one receive it",
        "  root removed: \"/lw\" = \"C:\\LW\\web,,1\"",
        "  root added: \"/lw\" = \"\\web,,1\"",
        "Corvane HTTPD: not marked as found, skipped",
        "Netscape Enterprise: not marked as found, skipped",
        "==== run ended after # ms",
    };
    const std::vector<std::string> logged = LogLines(dir / "SETUP.LOG");
    for (size_t i = 0; i < expected.size() && i < logged.size(); ++i) {
        INFO("line " << i + 1);
        REQUIRE(logged[i] == expected[i]);
    }
    CHECK(logged.size() == expected.size());
    CHECK(ReadBytes(dir / "SETUP.LOG").find("\n\n") == std::string::npos);
}

TEST_CASE("a log that cannot be written leaves the run as it is without one; long values are cut")
{
    CleanMachine clean;
    CScratchDir dir;
    const CString withDouble = ProgramFolder() + "configurator-double\\vpsetup.exe";
    // A record with every kind found, one file value as long as the record holds.
    const std::string longFile = "C:\\" + std::string(247, 'f') + ".CNF";
    auto record = [&] {
        CInstalledServersRecord servers;
        for (int kind = 0; kind < ServerKindCount; ++kind)
            servers.WriteServer(kind, 1, CString(kind == Brell ? longFile.c_str() : "C:\\S\\HTTPD.CNF"), CString("D:\\M"));
    };
    auto calls = [&] {
        std::string made = ReadBytes(dir / "vpsetup-calls.txt");
        DeleteFileA(dir / "vpsetup-calls.txt");
        return made;
    };
    record();
    Run(withDouble, CString("/CONFIGURE /PATH=C:\\P"), dir.Path());
    const std::string withoutLog = calls();

    CreateDirectoryA(dir / "folder.log", nullptr);
    WriteBytes(dir / "readonly.log", "kept\r\n");
    SetFileAttributesA(dir / "readonly.log", FILE_ATTRIBUTE_READONLY);
    WriteBytes(dir / "held.log", "kept\r\n");
    WriteBytes(dir / "foreign.log", "kept\r\n");
    OpenToEveryone(dir / "foreign.log");
    struct Case {
        const char* how;
        const char* log;
    } cases[] = {
        {"in a folder that does not exist", "missing\\run.log"},
        {"read-only", "readonly.log"},
        {"a folder", "folder.log"},
        {"held open by another program without sharing", "held.log"},
        {"made by someone else and open to everyone", "foreign.log"},
    };
    for (const Case& c : cases) {
        INFO(c.how);
        CFileHandle held(CreateFileA(dir / "held.log", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        Run(withDouble, CString("/CONFIGURE /PATH=C:\\P /LOG=") + dir.Path() + "\\" + c.log, dir.Path());
        CHECK(calls() == withoutLog);
    }
    CHECK_FALSE(FileExists(dir / "missing"));
    CHECK(ReadBytes(dir / "readonly.log") == "kept\r\n");
    CHECK(ReadBytes(dir / "held.log") == "kept\r\n");
    CHECK(ReadBytes(dir / "foreign.log") == "kept\r\n");
    SetFileAttributesA(dir / "readonly.log", FILE_ATTRIBUTE_NORMAL);

    // A record value of 254 characters is logged cut, with its length said.
    Run(withDouble, CString("/CONFIGURE /PATH=C:\\P /LOG=") + dir.Path() + "\\run.log", dir.Path());
    CHECK(calls() == withoutLog);
    std::string logged = ReadBytes(dir / "run.log");
    // A new log lets no one in but Administrators, SYSTEM and the running user.
    const std::string protection = ProtectionOf(dir / "run.log");
    for (const char* others : {";;;WD)", ";;;BU)", ";;;AU)", ";;;IU)"})
        CHECK(protection.find(others) == std::string::npos);
    CHECK(logged.find("\"C:\\" + std::string(197, 'f') + "\"... (cut, 254 characters in all)") != std::string::npos);
    for (const std::string& line : TextModeLines(logged))
        CHECK(line.size() < 400);

    // Memory runs out after the first call: the log's look at that file fails, says so once and
    // stops; every kind still has its turn, as without a log.
    std::string lines;
    while (lines.size() < 4000000)
        lines += "Pass /x/* C:\\X\\*\r\n";
    WriteBytes(dir / "EXHAUSTS.CNF", lines);
    CInstalledServersRecord().WriteServer(Skylane, 1, dir / "EXHAUSTS.CNF", CString());
    Run(withDouble, CString("/CONFIGURE /PATH=C:\\P"), dir.Path());
    const std::string exhaustedWithoutLog = calls();
    Run(withDouble, CString("/CONFIGURE /PATH=C:\\P /LOG=") + dir.Path() + "\\quiet.log", dir.Path());
    CHECK(calls() == exhaustedWithoutLog);
    if (exhaustedWithoutLog.find("(address space taken)") != std::string::npos)
        CHECK(TextModeLines(ReadBytes(dir / "quiet.log")).back().find("the log stops here") == 0);
}

TEST_CASE("the log's path is taken like the installation path; its texts are cut and kept on their line")
{
    CString path;
    CHECK(ParseSwitches(CString("/configure /log=c:\\setup.log /path=c:\\p"), path).logPath == "C:\\SETUP.LOG");
    CHECK(ParseSwitches(CString("/LOG= /CONFIGURE"), path).logPath.IsEmpty());
    CHECK(ParseSwitches(CString("/CATALOG=x"), path).logPath.IsEmpty());

    const std::string line(1 << 20, 'x');
    CHECK(std::string(CRunLog::Quoted(CString(line.c_str())).c_str()) ==
          "\"" + line.substr(0, CRunLog::kLongestText) + "\"... (cut, 1048576 characters in all)");
    // Every control byte as \x and two hexadecimal digits; other bytes as they are.
    CHECK(CRunLog::Quoted(CString("a\r\nb\x1A", 5)) == "\"a\\x0D\\x0Ab\\x1A\"");
    for (const char* refused : {"com9.txt", "C:\\X\\LPT1 .LOG", "\\\\.\\PIPE\\X", "C:NUL", "A\\OBJ.CONF1", "httpd.conf. ",
                                "D:/Vpsetup.INI", "MONCFG.VSF.NEW", "SETUP.LOG:STREAM"})
        CHECK(CRunLog::IsRefusedName(CString(refused)));
    for (const char* allowed : {"C:\\COM10", "CONSOLE.LOG", "C:\\NUL\\SETUP.LOG", "HTTPD.CNF.LOG", "C:\\AUXLOG"})
        CHECK_FALSE(CRunLog::IsRefusedName(CString(allowed)));
    CHECK(CRunLog::Quoted(CString("a\0b\x01\t\x1F\x7F \x80\xFF", 10)) == "\"a\\x00b\\x01\\x09\\x1F\\x7F \x80\xFF\"");
}

TEST_CASE("a log naming a device, a second link or a file the run uses is left out; the run is as without a log")
{
    CleanMachine clean;
    CScratchDir dir;
    CScratchRegistryKey roots(kRootsKey);
    const CString program = ProgramFolder() + "vpsetup.exe";
    for (int kind : {Brell, Skylane, Iis})
        CInstalledServersRecord().WriteServer(kind, 1, dir / (kind == Brell ? "HTTPD.CNF" : "site-config.cnf"), CString());
    // A configuration file of more short lines than the log's looks at it hold (each line costs
    // its characters and a string's 32 bytes): they count it and its checksum instead.
    std::string large = "# Brell\r\nPass /* C:\\BRELL\\*\r\n";
    while (large.size() < 3 * (CStoreSnapshot::kMostHeldBytes / 32))
        large += "#\r\n";
    // The stores as they are after a run, the template and the log's target included.
    auto run = [&](const CString& log, bool largeFile) {
        WriteBytes(dir / "HTTPD.CNF", largeFile ? large : "# Brell\r\nPass /* C:\\BRELL\\*\r\n");
        WriteBytes(dir / "site-config.cnf", "# Skylane\r\nExec /lw-bin/* C:\\OLD\\*\r\n");
        WriteBytes(dir / "vpsetup.ini", "[PELLAN BRELL]\r\n/lw/*, web\\*, Pass,\r\n[END]\r\n[CORVANE SLS]\r\n"
                                        "/lw-bin/*, bin\\*, Exec,\r\n[END]\r\n[MS IIS]\r\n/lw, web, 1,\r\n[END]\r\n");
        DeleteRegistryTree(HKEY_LOCAL_MACHINE, kRootsKey);
        MakeRegistryKey(kRootsKey);
        Run(program, CString("/CONFIGURE /PATH=C:\\LW") + (log.IsEmpty() ? CString() : CString(" /LOG=") + log), dir.Path());
        std::string stores = ReadBytes(dir / "HTTPD.CNF") + "|" + ReadBytes(dir / "site-config.cnf") + "|" +
                             ReadBytes(dir / "vpsetup.ini") + "|" + (FileExists(dir / "site-config.cnf1") ? "debris" : "");
        for (const NamedRegistryValue& root : ListRegistryValues(kRootsKey))
            stores += "|" + root.name + "=" + root.value.bytes;
        return stores;
    };
    const std::string withoutLog = run(CString(), false), largeWithoutLog = run(CString(), true);
    REQUIRE(withoutLog.find("C:\\LW\\bin\\*") != std::string::npos);

    WriteBytes(dir / "linked.log", "kept\r\n");
    REQUIRE(CreateHardLinkA(dir / "second.log", dir / "linked.log", nullptr));
    REQUIRE(CreateHardLinkA(dir / "template.log", dir / "vpsetup.ini", nullptr));
    const std::string folder = dir.Path().c_str();
    const std::string folderName = folder.substr(folder.rfind('\\') + 1);
    char shortName[MAX_PATH] = "";
    CHECK(GetShortPathNameA(dir / "site-config.cnf", shortName, sizeof shortName) > 0);
    struct Case {
        const char* how;
        std::string log;
    } cases[] = {
        {"a serial port", "COM1"},
        {"a printer port", "lpt1"},
        {"the auxiliary device", "AUX"},
        {"a device name with an extension in a folder", "C:\\X\\COM1.LOG"},
        {"the null device", "NUL"},
        {"a second link of a log", "second.log"},
        {"the template in other letter case", "VPSETUP.INI"},
        {"the template by a relative path", "..\\" + folderName + "\\.\\vpsetup.ini"},
        {"the template by a second link", "template.log"},
        {"a configuration file by its fixed name", "httpd.cnf"},
        {"a configuration file the record names, spelled otherwise", ".\\SITE-CONFIG.CNF"},
        {"that file by its short name", shortName},
        {"the temporary file of that file's rewrite", "site-config.cnf1"},
        {"the Mondrel database by its fixed name", "MONCFG.VSF"},
        {"a plain log, with a configuration file of more lines than a look holds", "large.log"},
    };
    for (const Case& c : cases) {
        INFO(c.how);
        const bool largeFile = c.log == "large.log";
        CHECK((run(CString(c.log.c_str()), largeFile) == (largeFile ? largeWithoutLog : withoutLog)));
    }
    CHECK(ReadBytes(dir / "large.log").find("  changed, too large to list (") != std::string::npos);
    CHECK(ReadBytes(dir / "linked.log") == "kept\r\n");
    CHECK_FALSE(FileExists(dir / "MONCFG.VSF"));
}

TEST_CASE("a look at a store holds a bounded amount of lines; beyond it a change is found by size and checksum")
{
    CScratchDir dir;
    CScratchRegistryKey roots(kRootsKey);
    std::string lines;
    for (int i = 0; i < 100; ++i)
        lines += "Pass /x" + std::to_string(i) + "/* C:\\X\\*\r\n";
    std::string oneByte = lines;
    oneByte[oneByte.find("/x50/")] = '\\';
    struct Case {
        const char* how;
        std::string after; // empty: the roots, first, where one that is no string and one beyond the bound come
        std::string logged;
    } cases[] = {
        {"the roots", "", "  root added: \"/big\" = REG_SZ, 3001 bytes (too large to show)\r\n  root added: \"/dw\" = REG_DWORD, 4 bytes"},
        {"more lines", lines + "Pass /y/* C:\\X\\*\r\n", "  changed, too large to list (100 lines before, 101 after)"},
        {"one byte changed", oneByte, "  changed, too large to list (100 lines before, 100 after)"},
        {"unchanged", lines, "  the file's lines are unchanged (too large to list: 100 lines)"},
    };
    for (const Case& c : cases) {
        INFO(c.how);
        WriteBytes(dir / "HTTPD.CNF", lines);
        // The roots: IIS's own key.
        auto look = [&]() -> std::unique_ptr<CStoreSnapshot> {
            if (c.after.empty())
                return std::unique_ptr<CStoreSnapshot>(new CRootsSnapshot(CString(), 1000));
            return std::unique_ptr<CStoreSnapshot>(new CFileSnapshot(dir / "HTTPD.CNF", 1000));
        };
        std::unique_ptr<CStoreSnapshot> before = look(), after = look();
        before->Take();
        WriteBytes(dir / "HTTPD.CNF", c.after);
        roots.SetDword("/dw", 7);
        roots.SetString("/big", Sz(std::string(3000, 'b')));
        after->Take();
        DeleteFileA(dir / "look.log");
        {
            CRunLog log;
            REQUIRE(log.Open(dir / "look.log"));
            before->LogChangesTo(*after, log);
        }
        CHECK(ReadBytes(dir / "look.log") == c.logged + "\r\n");
    }
}
