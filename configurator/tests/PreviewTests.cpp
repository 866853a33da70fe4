// "/PREVIEW": the run logs what the same run without it then does, line for line, and leaves the
// machine as it was: every store kind, configuring and taking back; and the window of a preview
// without a log.
#include "DialogWatch.h"
#include "InstalledServersRecord.h"
#include "PreviewScratch.h"
#include "ServerStores.h"
#include "Protection.h"
#include "TestFixtures.h"

#include <catch.hpp>

#include <string>
#include <vector>

namespace {

const char kRootsKey[] = "SYSTEM\\CurrentControlSet\\Services\\W3SVC\\Parameters\\Virtual Roots";
const char kRecordParent[] = "SOFTWARE\\Corvane Linkwell Server Temp";

const char kTemplate[] = "[PELLAN BRELL]\r\n/lw/*, web\\*, Pass,\r\n[END]\r\n"
                         "[CORVANE SLS]\r\n/lw-bin/*, web\\bin\\*, Exec,\r\n[END]\r\n"
                         "[CORVANE HTTPD]\r\n/lw/, web/, Alias,\r\n[END]\r\n"
                         "[NETSCAPE]\r\n/lw dir=\", web\", NameTrans fn=pfx2dir from=,\r\n[END]\r\n"
                         "[MS IIS]\r\n/lw, web, 1,\r\n[END]\r\n"
                         "[PELLAN MONDREL]\r\n/lw, web, Document,\r\n[END]\r\n";

// A database of the client library's own format with one mapping of an older product.
const char kDatabase[] = "PVAPI411 DATABASE 1\nnext 2\ndocuments 1\ndoc 1 4\n"
                         "item 4 0 1 4:Form\nvalue 6:DirMap\nitem 4 0 1 10:RM_MapFrom\nvalue 3:/lw\n"
                         "item 4 0 1 8:RM_MapTo\nvalue 6:C:\\OLD\nitem 4 0 1 10:RM_MapType\nvalue 8:Document\n"
                         "end\n";

// A run that a failing case leaves behind (its window open) does not hold up the next.
struct EndedAfterCase {
    const CProcessInformation& process;
    ~EndedAfterCase()
    {
        if (WaitForSingleObject(process.Process(), 0) == WAIT_TIMEOUT)
            TerminateProcess(process.Process(), 1);
    }
};

struct Machine {
    CCleanServerProductKeys products;
    CScratchDir dir;
    CScratchDir logs;
    CScratchRegistryKey roots{kRootsKey};

    Machine()
    {
        DeleteRegistryTree(HKEY_LOCAL_MACHINE, kRecordParent);
        WriteBytes(dir / "vpsetup.ini", kTemplate);
        WriteBytes(dir / "HTTPD.CNF", "# Brell\r\nPass /lw/* C:\\OLD\\*\r\nPass /* C:\\B\\*\r\n");
        WriteBytes(dir / "SKY.CNF", "# Skylane\r\nPass /* C:\\S\\*\r\n");
        // A file that is not ours to replace: what the preview says of it is what the run then does.
        SetFileAttributesA(dir / "SKY.CNF", FILE_ATTRIBUTE_READONLY);
        WriteBytes(dir / "HTTPD.CONF", "# httpd\r\nAlias /icons/ C:/H/icons/\r\n");
        WriteBytes(dir / "OBJ.CONF", "<Object name=default>\r\nNameTrans fn=pfx2dir from=/x dir=C:/X\r\n</Object>\r\n");
        WriteBytes(dir / "MONCFG.VSF", kDatabase);
        roots.SetString("/lw", Sz("C:\\OLD,,1"));
        CInstalledServersRecord record;
        record.WriteServer(Mondrel, 1, dir / "MONCFG.VSF", ProgramFolder() + "mondrel-program");
        record.WriteServer(Brell, 1, dir / "HTTPD.CNF", CString());
        record.WriteServer(Skylane, 1, dir / "SKY.CNF", CString());
        record.WriteServer(Iis, 1, CString(), CString());
        record.WriteServer(CorvaneHttpd, 1, dir / "HTTPD.CONF", CString());
        record.WriteServer(Netscape, 1, dir / "OBJ.CONF", CString());
    }
    ~Machine() { DeleteRegistryTree(HKEY_LOCAL_MACHINE, kRecordParent); }

    // Every file of the folder with its bytes, the roots, the record, and whatever the system's
    // temporary folder holds of a preview's.
    std::string State() const
    {
        std::string state;
        WIN32_FIND_DATAA found;
        CFindHandle find(FindFirstFileA(dir / "*", &found));
        for (bool more = find.IsValid(); more; more = FindNextFileA(find.Get(), &found) != FALSE) {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                state += std::string(found.cFileName) + ": " + ReadBytes(dir / found.cFileName) + "\r\n";
        }
        for (const char* key : {kRootsKey, CInstalledServersRecord::kKeyPath}) {
            state += RegistryKeyExists(key) ? "" : std::string("no key ") + key + "\r\n";
            for (const NamedRegistryValue& value : RegistryKeyExists(key) ? ListRegistryValues(key) : std::vector<NamedRegistryValue>())
                state += value.name + " = " + value.value.bytes + "\r\n";
        }
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        CFindHandle scratch(FindFirstFileA(CString(temp) + "vpsetup-preview*", &found));
        if (scratch.IsValid())
            state += std::string("left in the temporary folder: ") + found.cFileName + "\r\n";
        CKey software;
        char name[256];
        software.Open(HKEY_LOCAL_MACHINE, "SOFTWARE", KEY_ENUMERATE_SUB_KEYS);
        for (DWORD index = 0, chars = sizeof name; software.EnumKey(index, name, chars) == ERROR_SUCCESS; chars = sizeof name, ++index) {
            if (std::string(name).find("Preview Roots") != std::string::npos)
                state += std::string("left in the registry: ") + name + "\r\n";
        }
        return state;
    }

    // The lines of the log from the configuring part on, its last line left out. The client
    // library's error boxes are answered as a person would, and counted.
    std::vector<std::string> Run(const char* switches, const char* logName, int* boxes = nullptr) const
    {
        CProcessInformation process;
        StartProgram(process, ProgramFolder() + "vpsetup.exe",
                     CString("vpsetup.exe ") + switches + " /PATH=C:\\LW /LOG=" + (logs / logName), dir.Path());
        EndedAfterCase ended{process};
        int answered = 0;
        while (WaitForSingleObject(process.Process(), 0) == WAIT_TIMEOUT) {
            if (HWND box = WaitForWindow("Error:", 100)) {
                PostMessageA(box, WM_COMMAND, IDOK, 0);
                for (int wait = 0; wait < 100 && IsWindow(box); ++wait)
                    Sleep(20);
                ++answered;
            }
        }
        if (boxes)
            *boxes = answered;
        REQUIRE(WaitForExit(process) == 0);
        std::vector<std::string> lines = TextModeLines(ReadBytes(logs / logName));
        size_t from = 0;
        while (from < lines.size() && lines[from].find("configuring the kinds") == std::string::npos)
            ++from;
        REQUIRE(from + 1 < lines.size());
        return std::vector<std::string>(lines.begin() + static_cast<long>(from), lines.end() - 1);
    }
};

size_t Count(const std::vector<std::string>& lines, const char* what)
{
    size_t count = 0;
    for (const std::string& line : lines)
        count += line.find(what) != std::string::npos;
    return count;
}

} // namespace

TEST_CASE("a preview logs what the run then does, line for line, and changes nothing")
{
    Machine machine;
    struct Case {
        const char* mode;
        const char* changeInFiles; // what the lines of the three files that can change show
        const char* changeInRoots;
        const char* changeInMappings;
        size_t refused; // the read-only file, said with the system's reason
    } cases[] = {
        {"/CONFIGURE", "put in", "root added", "mapping created", 1},
        {"/UNCONFIGURE", "taken out", "root removed", "mapping deleted", 0},
    };
    // Configuring first, then taking back what it added, on the same machine.
    for (const Case& c : cases) {
        INFO(c.mode);
        const std::string before = machine.State();
        const std::vector<std::string> preview = machine.Run((std::string(c.mode) + " /PREVIEW").c_str(), "preview.log");
        CHECK(machine.State() == before);
        const std::vector<std::string> real = machine.Run(c.mode, "real.log");
        CHECK(machine.State() != before);
        CHECK(preview == real);
        CHECK(Count(preview, c.changeInFiles) >= 3);
        CHECK(Count(preview, c.changeInRoots) == 1);
        CHECK(Count(preview, "  result -1 (error 5: ") == c.refused);
        CHECK(Count(preview, c.changeInMappings) == 1);
        DeleteFileA(machine.logs / "preview.log");
        DeleteFileA(machine.logs / "real.log");
    }
}

TEST_CASE("a preview meets what the run then meets")
{
    Machine machine;
    CFileHandle held;
    // A temporary folder so deep that a copy's name is too long for the system, though its folder is not.
    CString deep = machine.logs.Path();
    auto deepTemporaryFolder = [&] {
        while (deep.GetLength() < 236)
            CreateDirectoryA(deep += "\\" + CString(std::string(std::min(236 - deep.GetLength(), 40), 't').c_str()), nullptr);
        SetEnvironmentVariableA("TMP", deep), SetEnvironmentVariableA("TEMP", deep);
    };
    struct Case {
        const char* machine;
        std::function<void()> make;
        bool notPreviewed; // each store says why, in place of results the run would not give
    } cases[] = {
        {"a temporary folder where no copy can be made", deepTemporaryFolder, true},
        {"a database its server holds for reading, which the run reads all the same", [&] {
             std::string database = kDatabase;
             WriteBytes(machine.dir / "MONCFG.VSF", database.replace(database.find("6:C:\\OLD"), 8, "9:C:\\LW\\web"));
             held.Reset(CreateFileA(machine.dir / "MONCFG.VSF", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
         }, false},
        {"one file recorded for two kinds, by its long and its short name", [&] {
             char name[MAX_PATH];
             REQUIRE((GetShortPathNameA(machine.dir / "HTTPD.CNF", name, MAX_PATH) && CString(name) != machine.dir / "HTTPD.CNF"));
             CInstalledServersRecord().WriteServer(Skylane, 1, CString(name), CString());
         }, false},
        // The roots as the registry keeps them: what this process may do to them, names in letters
        // the ANSI calls show folded, and the case of letters beyond ASCII.
        {"no roots key at all", [&] { DeleteRegistryTree(HKEY_LOCAL_MACHINE, kRootsKey); }, false},
        {"roots administration may read but not change", [&] {
             CNarrowSecurity readOnly(CNarrowSecurity::AdministratorsAndMe, KEY_READ, 0);
             REQUIRE(RegSetKeySecurity(machine.roots.Key(), DACL_SECURITY_INFORMATION, readOnly.Descriptor()) == ERROR_SUCCESS);
         }, false},
        {"a root whose name the ANSI calls show folded", [&] {
             const wchar_t data[] = L"C:\\OLD,,1";
             REQUIRE(RegSetValueExW(machine.roots.Key(), L"/lw\x0101", 0, REG_SZ, reinterpret_cast<const BYTE*>(data), sizeof data) == ERROR_SUCCESS);
             std::string ini = kTemplate;
             WriteBytes(machine.dir / "vpsetup.ini", ini.replace(ini.find("/lw, web, 1,"), 3, "/lwa"));
         }, false},
        {"a root whose name is longer than the registry allows", [&] {
             std::string ini = kTemplate;
             WriteBytes(machine.dir / "vpsetup.ini", ini.replace(ini.find("/lw, web, 1,"), 3, "/" + std::string(17000, 'n')));
         }, false},
        {"a root whose name differs from the template's only in the case of a letter beyond ASCII", [&] {
             machine.roots.SetString("/lw\xC9", Sz("C:\\OLD,,1"));
             std::string ini = kTemplate;
             WriteBytes(machine.dir / "vpsetup.ini", ini.replace(ini.find("/lw, web, 1,"), 3, "/lw\xE9"));
         }, false},
        // Files that other programs hold: the run meets the system's sharing error, and so does the preview.
        {"a configuration file its server holds open", [&] {
             held.Reset(CreateFileA(machine.dir / "HTTPD.CONF", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
         }, false},
        {"a file another program holds where a rewrite is made", [&] {
             WriteBytes(machine.dir / "OBJ.CONF1", "an earlier rewrite");
             held.Reset(CreateFileA(machine.dir / "OBJ.CONF1", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
         }, false},
        // The client library saves the database through its ".new": the save fails, with its box.
        {"a file another program holds where the database is saved", [&] {
             WriteBytes(machine.dir / "MONCFG.VSF.new", "an earlier save");
             held.Reset(CreateFileA(machine.dir / "MONCFG.VSF.new", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
         }, false},
        {"a folder where the database is saved", [&] { CreateDirectoryA(machine.dir / "MONCFG.VSF.new", nullptr); }, false},
        {"a read-only file where the database is saved", [&] {
             WriteBytes(machine.dir / "MONCFG.VSF.new", "an earlier save");
             SetFileAttributesA(machine.dir / "MONCFG.VSF.new", FILE_ATTRIBUTE_READONLY);
         }, false},
    };
    for (const Case& c : cases) {
        SECTION(c.machine)
        {
            // The temporary folder as it was, however the case ends.
            struct Restored {
                char tmp[MAX_PATH] = "", temp[MAX_PATH] = "";
                void Put() { SetEnvironmentVariableA("TMP", tmp), SetEnvironmentVariableA("TEMP", temp); }
                ~Restored() { Put(); }
            } restored;
            GetEnvironmentVariableA("TMP", restored.tmp, MAX_PATH), GetEnvironmentVariableA("TEMP", restored.temp, MAX_PATH);
            c.make();
            const std::string before = machine.State();
            int previewBoxes = 0, runBoxes = 0;
            const std::vector<std::string> preview = machine.Run("/CONFIGURE /PREVIEW", "preview.log", &previewBoxes);
            restored.Put();
            CHECK(machine.State() == before);
            if (c.notPreviewed) {
                CHECK((Count(preview, ": not previewed: no copy of") == 5 && Count(preview, "  result") == 1));
            } else {
                CHECK(preview == machine.Run("/CONFIGURE", "real.log", &runBoxes));
                CHECK(previewBoxes == runBoxes);
            }
            held.Reset();
            CNarrowSecurity everyRight(CNarrowSecurity::AdministratorsAndMe, KEY_ALL_ACCESS, KEY_ALL_ACCESS);
            RegSetKeySecurity(machine.roots.Key(), DACL_SECURITY_INFORMATION, everyRight.Descriptor());
        }
    }
}

TEST_CASE("a preview removes the folder a preview killed before its end left, and nothing of anyone else's")
{
    Machine machine;
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    // Ours; one open to everyone; one of a running process (this one); one holding other files.
    const CString ours = CString(temp) + "vpsetup-preview-4000001", kept[] = {CString(temp) + "vpsetup-preview-4000002",
        CString(temp) + "vpsetup-preview-" + std::to_string(GetCurrentProcessId()).c_str(), CString(temp) + "vpsetup-preview-4000003"};
    REQUIRE((CreateDirectoryA(ours, nullptr) && CreateDirectoryA(ours + "\\1", nullptr) &&
             CreateDirectoryA(ours + "\\1\\HTTPD.CNF1", nullptr)));
    const char* const keptFile[] = {"\\1\\kept", "\\1\\kept", "\\kept"}; // each as ours but for one thing
    for (int k = 0; k < 3; ++k)
        CreateDirectoryA(kept[k], nullptr), CreateDirectoryA(kept[k] + "\\1", nullptr), WriteBytes(kept[k] + keptFile[k], "kept");
    WriteBytes(ours + "\\1\\HTTPD.CNF", "a copy"), OpenToEveryone(kept[0]);
    // The same of the roots' copies: ours of a process gone, one open to everyone, one of a running process.
    const std::string roots = "SOFTWARE\\Corvane Linkwell Server Preview Roots ";
    const std::string oursKey = roots + "4000001", keptKeys[] = {roots + "4000002", roots + std::to_string(GetCurrentProcessId())};
    CNarrowSecurity readOnly(CNarrowSecurity::AdministratorsOnly, KEY_READ | WRITE_DAC, 0),
        open(CNarrowSecurity::AdministratorsOnly, KEY_READ, KEY_ALL_ACCESS);
    for (const std::string& key : {oursKey, keptKeys[0], keptKeys[1]}) {
        CRegKey made;
        CNarrowSecurity& security = key == keptKeys[0] ? open : readOnly;
        REQUIRE(RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS,
                                security.Attributes(), made.Receive(), nullptr) == ERROR_SUCCESS);
        REQUIRE(RegSetKeySecurity(made.Get(), security.Parts(), security.Descriptor()) == ERROR_SUCCESS);
    }
    machine.Run("/CONFIGURE /PREVIEW", "preview.log");
    CHECK(GetFileAttributesA(ours) == INVALID_FILE_ATTRIBUTES);
    for (int k = 0; k < 3; ++k) {
        CHECK(ReadBytes(kept[k] + keptFile[k]) == "kept");
        DeleteTree(kept[k]);
    }
    CHECK_FALSE(RegistryKeyExists(oursKey.c_str()));
    CNarrowSecurity everyRight(CNarrowSecurity::AdministratorsOnly, KEY_ALL_ACCESS, 0);
    for (const std::string& key : keptKeys) {
        INFO(key);
        CHECK(RegistryKeyExists(key.c_str()));
        CKey left;
        left.Open(HKEY_LOCAL_MACHINE, key.c_str(), WRITE_DAC);
        RegSetKeySecurity(left, DACL_SECURITY_INFORMATION, everyRight.Descriptor());
        left.Close();
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, key.c_str());
    }
}

TEST_CASE("a preview without a log shows its text in a window, read-only, until it is closed")
{
    Machine machine;
    const std::string before = machine.State();
    struct Case {
        const char* how;
        bool escape;
    } cases[] = {{"the Close button", false}, {"the Escape key", true}};
    for (const Case& c : cases) {
        SECTION(c.how)
        {
            CProcessInformation process;
            StartProgram(process, ProgramFolder() + "vpsetup.exe", CString("vpsetup.exe /CONFIGURE /PREVIEW /PATH=C:\\LW"),
                         machine.dir.Path());
            EndedAfterCase ended{process};
            HWND window = WaitForWindow("Remote Web Administration Preview");
            REQUIRE(window);
            HWND text = GetDlgItem(window, 1020);
            REQUIRE(text);
            CHECK((GetWindowLongA(text, GWL_STYLE) & (ES_READONLY | ES_MULTILINE | WS_VSCROLL)) ==
                  (ES_READONLY | ES_MULTILINE | WS_VSCROLL));
            std::string shown(65536, '\0');
            shown.resize(static_cast<size_t>(
                SendMessageA(text, WM_GETTEXT, shown.size(), reinterpret_cast<LPARAM>(&shown[0]))));
            CHECK(shown.find("Pellan Brell: EnsureBrellContainsVP(\"" + std::string(machine.dir.Path().c_str()) +
                             "\\HTTPD.CNF\", \"C:\\LW\\\")\r\n  result 1\r\n") != std::string::npos);
            CHECK(shown.find("; a preview: nothing was changed\r\n") != std::string::npos);
            CHECK(WaitForSingleObject(process.Process(), 300) == WAIT_TIMEOUT); // open until closed
            if (c.escape)
                PostKey(GetDlgItem(window, IDCANCEL), VK_ESCAPE);
            else
                PostButtonClick(window, IDCANCEL);
            CHECK(WaitForExit(process) == 0);
            CHECK(machine.State() == before);
        }
    }
}

TEST_CASE("the preview's folder and every copy in it let in only Administrators, SYSTEM and the running user")
{
    CScratchDir dir;
    WriteBytes(dir / "HTTPD.CNF", "# rules\r\n");
    OpenToEveryone(dir / "HTTPD.CNF");
    CPreviewScratch scratch;
    REQUIRE(scratch.Make());
    CString copy;
    REQUIRE(scratch.CopyOf(CConfigFileStore(Brell, dir / "HTTPD.CNF"), copy));
    const CString copyFolder = copy.Left(copy.GetLength() - 10);
    REQUIRE(ReadBytes(copy) == "# rules\r\n");
    for (const CString& made : {copyFolder.Left(copyFolder.GetLength() - 2), copyFolder, copy})
        for (const char* others : {"D:", ";;;WD)", ";;;BU)", ";;;AU)", ";;;IU)"})
            CHECK((ProtectionOf(made).find(others) == std::string::npos) == (*others != 'D'));
}

TEST_CASE("a copy of a file that other programs hold open is held so: every opening meets the copy as it meets the file")
{
    CScratchDir dir;
    const DWORD r = GENERIC_READ, w = GENERIC_WRITE, d = DELETE;
    const DWORD sr = FILE_SHARE_READ, sw = FILE_SHARE_WRITE, sd = FILE_SHARE_DELETE;
    // How another program holds the file, one file each.
    const struct {
        DWORD access, sharing;
    } holders[] = {{r, sr}, {r, 0}, {w, sr | sw}, {r | w, sr | sw | sd}, {d, sr}, {r, sr | sw | sd}, {r | d, sd}};
    CPreviewScratch scratch;
    REQUIRE(scratch.Make());
    int number = 0;
    for (const auto& holder : holders) {
        const CString original = dir / ("HTTPD" + std::to_string(++number) + ".CNF").c_str();
        WriteBytes(original, "# rules\r\n");
        CFileHandle held(CreateFileA(original, holder.access, holder.sharing, nullptr, OPEN_EXISTING, 0, nullptr));
        REQUIRE(held);
        CString copy;
        REQUIRE(scratch.CopyOf(CConfigFileStore(Brell, original), copy));
        for (DWORD access : {r, w, d, r | w})
            for (DWORD sharing : {0ul, sr, sr | sw, sr | sw | sd}) {
                auto opens = [&](const CString& path) {
                    return CFileHandle(CreateFileA(path, access, sharing, nullptr, OPEN_EXISTING, 0, nullptr)).IsValid();
                };
                INFO("held " << holder.access << "/" << holder.sharing << ", opened " << access << "/" << sharing);
                CHECK(opens(copy) == opens(original));
            }
    }
}
