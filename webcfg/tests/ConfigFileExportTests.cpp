// The four file-editing operations as the configurator calls them: through vpsetup.dll, with the
// template in the current directory and the real files on disk.
#include "TestFixtures.h"
#include "vpsetup.h"

#include <catch.hpp>
#include <sddl.h>

namespace {

const char kTemplate[] =
    "; Linkwell web administration\r\n"
    "[PELLAN BRELL]\r\n"
    "/wa/*, wa\\*, Pass,\r\n"
    "/wacgi/*, cgi\\*, Exec,\r\n"
    "/wadoc/*, doc\\*, Pass,\r\n"
    "[END]\r\n"
    "[CORVANE SLS]\r\n"
    "/wa/*, wa\\*, Pass,\r\n"
    "/wacgi/*, cgi\\*, Exec,\r\n"
    "/wadoc/*, doc\\*, Pass,\r\n"
    "[END]\r\n"
    "[CORVANE HTTPD]\r\n"
    "/wacgi/, cgi/, ScriptAlias,\r\n"
    "/wa/, wa/, Alias,\r\n"
    "[END]\r\n"
    "[NETSCAPE]\r\n"
    "/wa dir=\", wa\", NameTrans fn=pfx2dir from=,\r\n"
    "/wacgi dir=\", cgi\" name=cgi, NameTrans fn=pfx2dir from=,\r\n"
    "[END]\r\n";

struct ServerFiles {
    CScratchDir dir;
    CString config;
    explicit ServerFiles(const char* name, const std::string& content, const char* templateText = kTemplate)
        : config(dir / name)
    {
        WriteBytes(dir / "vpsetup.ini", templateText);
        WriteBytes(config, content);
    }
};

} // namespace

TEST_CASE("a CERN-style file gains the missing rules above its first rule, in reverse template order")
{
    ServerFiles files("HTTPD.CNF",
                      "# Brell rules\n"
                      "Map /x/* /y/*\n"
                      "Pass /wa/* C:\\PROD\\WA\\*\n"
                      "Pass /icons/* C:\\Brell\\icons\\*\n");
    CString path("C:\\PROD");
    REQUIRE(EnsureBrellContainsVP(files.config, path) == 1);
    CHECK(path == CString("C:\\PROD\\"));
    CHECK(ReadBytes(files.config) == "# Brell rules\r\n"
                                     "Map /x/* /y/*\r\n"
                                     "Pass  /wadoc/*  C:\\PROD\\doc\\*\r\n"
                                     "Exec  /wacgi/*  C:\\PROD\\cgi\\*\r\n"
                                     "Pass /wa/* C:\\PROD\\WA\\*\r\n"
                                     "Pass /icons/* C:\\Brell\\icons\\*\r\n");

    SECTION("a second run changes nothing, not even the line ends, and leaves no temporary file")
    {
        std::string first = ReadBytes(files.config);
        CHECK(LeftUntouched(files.config, [&] { REQUIRE(EnsureBrellContainsVP(files.config, path) == 1); }));
        CHECK(ReadBytes(files.config) == first);
        CHECK_FALSE(FileExists(files.config + "1"));
        CHECK(path == CString("C:\\PROD\\"));
    }
    SECTION("the Skylane operation with the same lines produces the same file")
    {
        ServerFiles other("HTTPD.CNF", "# Brell rules\nMap /x/* /y/*\nPass /wa/* C:\\PROD\\WA\\*\nPass /icons/* C:\\Brell\\icons\\*\n");
        CString samePath("C:\\PROD");
        REQUIRE(EnsureCorvaneSLSContainsVP(other.config, samePath) == 1);
        CHECK(ReadBytes(other.config) == ReadBytes(files.config));
    }
}

TEST_CASE("a conflicting rule goes with every line that mentions its pattern, comments included")
{
    ServerFiles files("HTTPD.CNF",
                      "# first\n"
                      "# Pass /WACGI/* was here before\n"
                      "Pass /wacgi/* C:\\OLD\\*\n"
                      "Pass /wa/* C:\\PROD\\wa\\*\n"
                      "Pass /wadoc/* C:\\PROD\\doc\\*\n");
    CString path("C:\\PROD\\");
    REQUIRE(EnsureBrellContainsVP(files.config, path) == 1);
    // N was 2; the comment above the rule went, so the new rule lands one line lower than the old one.
    CHECK(ReadBytes(files.config) == "# first\r\n"
                                     "Pass /wa/* C:\\PROD\\wa\\*\r\n"
                                     "Exec  /wacgi/*  C:\\PROD\\cgi\\*\r\n"
                                     "Pass /wadoc/* C:\\PROD\\doc\\*\r\n");
}

TEST_CASE("a file without rules gets them in front of its last line")
{
    ServerFiles files("HTTPD.CNF", "line one\nline two\nlast line");
    CString path("C:\\P");
    REQUIRE(EnsureCorvaneSLSContainsVP(files.config, path) == 1);
    CHECK(ReadBytes(files.config) == "line one\r\nline two\r\n"
                                     "Pass  /wadoc/*  C:\\P\\doc\\*\r\n"
                                     "Exec  /wacgi/*  C:\\P\\cgi\\*\r\n"
                                     "Pass  /wa/*  C:\\P\\wa\\*\r\n"
                                     "last line\r\n");
}

TEST_CASE("a target path with a space is written unquoted and replaced on every run")
{
    ServerFiles files("HTTPD.CNF", "# top\nPass /other/* C:\\o\\*\n",
                      "[PELLAN BRELL]\n/wa/*, wa\\*, Pass,\n[END]\n");
    CString path("C:\\Program Files\\Prod");
    REQUIRE(EnsureBrellContainsVP(files.config, path) == 1);
    std::string once = ReadBytes(files.config);
    CHECK(once == "# top\r\nPass  /wa/*  C:\\Program Files\\Prod\\wa\\*\r\nPass /other/* C:\\o\\*\r\n");
    // The scan reads the target up to the space, so the rule never counts as present: the file
    // is rewritten, to the same bytes.
    CHECK_FALSE(LeftUntouched(files.config, [&] { REQUIRE(EnsureBrellContainsVP(files.config, path) == 1); }));
    CHECK(ReadBytes(files.config) == once);
}

TEST_CASE("files that cannot be used give -1 with the system's error and stay as they were, with the path untouched")
{
    struct Case {
        const char* rule;
        std::string content;
    } cases[] = {
        {"an empty file", ""},
        {"a single line without rules", "just one line\n"},
        {"a rule on the first line", "PASS /x/* C:\\x\\*\nsecond\nthird\n"},
    };
    for (const Case& c : cases) {
        SECTION(c.rule)
        {
            ServerFiles files("HTTPD.CNF", c.content);
            CString path("C:\\PROD");
            CHECK(EnsureBrellContainsVP(files.config, path) == -1);
            CHECK(GetLastError() == ERROR_INVALID_DATA);
            CHECK(ReadBytes(files.config) == c.content);
            CHECK(path == CString("C:\\PROD"));
        }
    }
    SECTION("a missing file")
    {
        ServerFiles files("HTTPD.CNF", "a\nb\n");
        CString missing = files.dir / "NOPE.CNF";
        CString path("C:\\PROD");
        CHECK(EnsureBrellContainsVP(missing, path) == -1);
        CHECK(GetLastError() == ERROR_FILE_NOT_FOUND);
        CHECK_FALSE(FileExists(missing));
        CHECK(path == CString("C:\\PROD"));
    }
    SECTION("a file that another opener holds without sharing")
    {
        ServerFiles files("HTTPD.CNF", "a\nb\n");
        CFileHandle held(CreateFileA(files.config, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        REQUIRE(held);
        CString path("C:\\PROD");
        CHECK(EnsureBrellContainsVP(files.config, path) == -1);
        CHECK(GetLastError() == ERROR_SHARING_VIOLATION);
        held.Reset();
        CHECK(ReadBytes(files.config) == "a\nb\n");
    }
}

TEST_CASE("the template decides what happens to a usable file")
{
    SECTION("no template file: -1 and the file unchanged")
    {
        ServerFiles files("HTTPD.CNF", "a\nb\n");
        DeleteFileA(files.dir / "vpsetup.ini");
        CString path("C:\\PROD");
        CHECK(EnsureBrellContainsVP(files.config, path) == -1);
        CHECK(ReadBytes(files.config) == "a\nb\n");
    }
    SECTION("no section of that name: 1 and the file unchanged, even its LF line ends")
    {
        ServerFiles files("HTTPD.CNF", "a\nb\n", "[CORVANE SLS]\n/wa/*, wa, Pass,\n[END]\n");
        CString path("C:\\PROD");
        CHECK(EnsureBrellContainsVP(files.config, path) == 1);
        CHECK(ReadBytes(files.config) == "a\nb\n");
        CHECK(path == CString("C:\\PROD\\"));
    }
    SECTION("malformed template lines are skipped, the good ones applied")
    {
        ServerFiles files("HTTPD.CNF", "a\nb\n",
                          "[PELLAN BRELL]\n"
                          "no commas at all\n"
                          "/x/*, only two,\n"
                          "\n"
                          "/ok/*, ok\\*, Pass, trailing remark\n"
                          "[END]\n");
        CString path("C:\\P\\");
        CHECK(EnsureBrellContainsVP(files.config, path) == 1);
        CHECK(ReadBytes(files.config) == "a\r\nPass  /ok/*  C:\\P\\ok\\*\r\nb\r\n");
    }
}

TEST_CASE("an Apache-style file takes forward-slash paths; the caller's path keeps its backslashes")
{
    ServerFiles files("HTTPD.CONF",
                      "ServerRoot \"C:/Corvane\"\n"
                      "<Directory C:/PROD/wa/>\n"
                      "AliasMatch ^/old(.*) C:/old$1\n"
                      "alias /WA/ c:/prod/wa/\n"
                      "ScriptAlias /wa2/ C:/x/\n");
    CString path("C:\\PROD");
    REQUIRE(EnsureCorvaneHTTPDContainsVP(files.config, path) == 1);
    CHECK(path == CString("C:\\PROD\\"));
    CHECK(ReadBytes(files.config) == "ServerRoot \"C:/Corvane\"\r\n"
                                     "<Directory C:/PROD/wa/>\r\n"
                                     "AliasMatch ^/old(.*) C:/old$1\r\n"
                                     "ScriptAlias  /wacgi/  C:/PROD/cgi/\r\n"
                                     "alias /WA/ c:/prod/wa/\r\n"
                                     "ScriptAlias /wa2/ C:/x/\r\n");
    std::string once = ReadBytes(files.config);
    REQUIRE(EnsureCorvaneHTTPDContainsVP(files.config, path) == 1);
    CHECK(ReadBytes(files.config) == once);
}

TEST_CASE("an Apache directive naming the folder with backslashes or quotes is replaced, its container too")
{
    ServerFiles files("HTTPD.CONF",
                      "# top\n"
                      "<Location /wa/>\n"
                      "</Location>\n"
                      "Alias /wa/ \"C:/PROD/wa/\"\n",
                      "[CORVANE HTTPD]\n/wa/, wa/, Alias,\n[END]\n");
    CString path("C:\\PROD\\");
    REQUIRE(EnsureCorvaneHTTPDContainsVP(files.config, path) == 1);
    CHECK(ReadBytes(files.config) == "# top\r\n</Location>\r\n\r\nAlias  /wa/  C:/PROD/wa/\r\n");
}

TEST_CASE("a Netscape file gains the template's lines once, in front of its first directive")
{
    std::string lines, crlfLines;
    for (int i = 1; i <= 9; ++i) {
        lines += "# line " + std::to_string(i) + "\n";
        crlfLines += "# line " + std::to_string(i) + "\r\n";
    }
    ServerFiles files("OBJ.CONF", lines + "NameTrans fn=pfx2dir from=/mc-icons dir=\"C:/ns/icons\"\n"
                                           "PathCheck fn=unix-uri-clean\n"
                                           "</Object>\n");
    CString path("D:\\inst\\web");
    REQUIRE(EnsureNETContainsVP(files.config, path) == 1);
    CHECK(path == CString("D:\\inst\\web\\"));
    std::string expected = crlfLines +
                           "NameTrans fn=pfx2dir from=/wacgi dir=\"D:/inst/web/cgi\" name=cgi\r\n"
                           "NameTrans fn=pfx2dir from=/wa dir=\"D:/inst/web/wa\"\r\n"
                           "NameTrans fn=pfx2dir from=/mc-icons dir=\"C:/ns/icons\"\r\n"
                           "PathCheck fn=unix-uri-clean\r\n"
                           "</Object>\r\n";
    CHECK(ReadBytes(files.config) == expected);

    SECTION("a second call adds nothing")
    {
        REQUIRE(EnsureNETContainsVP(files.config, path) == 1);
        CHECK(ReadBytes(files.config) == expected);
    }
    SECTION("a file whose first line is a directive is left alone")
    {
        ServerFiles first("OBJ.CONF", "PathCheck fn=unix-uri-clean\n<Object>\n</Object>\n");
        CHECK(EnsureNETContainsVP(first.config, path) == -1);
        CHECK(ReadBytes(first.config) == "PathCheck fn=unix-uri-clean\n<Object>\n</Object>\n");
    }
}

namespace {

using Operation = int(__cdecl*)(CString&, CString&);

struct FileOperation {
    const char* name;
    Operation operation;
    const char* fileName;
    const char* content; // with a directive the template replaces, so every run tries rewrites
};

const FileOperation kFileOperations[] = {
    {"Brell", EnsureBrellContainsVP, "HTTPD.CNF", "# rules\r\nPass /wa/* C:\\old\\*\r\n"},
    {"Skylane", EnsureCorvaneSLSContainsVP, "HTTPD.CNF", "# rules\r\nExec /wacgi/* C:\\old\\*\r\n"},
    {"Corvane HTTPD", EnsureCorvaneHTTPDContainsVP, "HTTPD.CONF", "# conf\r\nAlias /wa/ C:/old/\r\n"},
    {"Netscape", EnsureNETContainsVP, "OBJ.CONF", "# obj\r\nNameTrans fn=pfx2dir from=/wa dir=\"C:/old\"\r\n"},
};

// The rig's folder whose entries nobody may change, not even a privileged process: it holds a
// configuration file that can be read, and no temporary file can be made beside it.
CString LockedFolder()
{
    char full[MAX_PATH];
    GetFullPathNameA(ProgramFolder() + "..\\..\\..\\test-drives\\locked", MAX_PATH, full, nullptr);
    return CString(full);
}

bool CanCreateFileIn(const CString& folder)
{
    CString probe = folder + "\\probe";
    if (!CFileHandle(CreateFileA(probe, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr)))
        return false;
    DeleteFileA(probe);
    return true;
}

} // namespace

TEST_CASE("files that cannot be written: the file stays as it was, no temporary file is left, the result is -1")
{
    for (const FileOperation& op : kFileOperations) {
        SECTION(op.name)
        {
            ServerFiles files(op.fileName, op.content);
            CString temp = files.config + "1";
            CString path("C:\\PROD");
            SECTION("a read-only configuration file")
            {
                REQUIRE(SetFileAttributesA(files.config, FILE_ATTRIBUTE_READONLY));
                CHECK(op.operation(files.config, path) == -1);
                CHECK(GetLastError() == ERROR_ACCESS_DENIED);
                CHECK_FALSE(FileExists(temp));
            }
            CHECK(ReadBytes(files.config) == op.content);
        }
    }
}

TEST_CASE("a file at the temporary name is never written into: removed first, or the rewrite gives -1")
{
    const FileOperation& op = kFileOperations[0];
    const DWORD kAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, kNone = DWORD(-1);
    struct Case {
        const char* rule;
        DWORD attributes;  // of a file made there; 0 for a folder
        DWORD heldSharing; // a handle kept open on it with this sharing, or kNone
        int result;        // 0: either, as the system may let a name whose file is held be made again
    } cases[] = {
        {"a file someone left there, open to everyone", FILE_ATTRIBUTE_NORMAL, kNone, 1},
        {"a read-only file", FILE_ATTRIBUTE_READONLY, kNone, -1},
        {"a folder", 0, kNone, -1},
        {"a file held open without delete sharing", FILE_ATTRIBUTE_NORMAL, kAll & ~FILE_SHARE_DELETE, -1},
        {"a file held open with every sharing", FILE_ATTRIBUTE_NORMAL, kAll, 0},
    };
    for (const Case& c : cases) {
        SECTION(c.rule)
        {
            ServerFiles files(op.fileName, op.content);
            CString temp = files.config + "1", path("C:\\PROD");
            if (c.attributes == 0)
                REQUIRE(CreateDirectoryA(temp, nullptr));
            else
                WriteBytes(temp, "someone else's"), OpenToEveryone(temp), SetFileAttributesA(temp, c.attributes);
            CFileHandle held(c.heldSharing == kNone ? INVALID_HANDLE_VALUE
                                                    : CreateFileA(temp, GENERIC_READ, c.heldSharing, nullptr, OPEN_EXISTING, 0, nullptr));
            const int result = op.operation(files.config, path);
            CHECK((result == c.result || c.result == 0));
            CHECK((ReadBytes(files.config) == op.content) == (result == -1));
            // What the other opener holds never received a byte of ours.
            char read[64];
            if (DWORD got = 0; held)
                CHECK((ReadFile(held.Get(), read, sizeof read, &got, nullptr) && std::string(read, got) == "someone else's"));
            held.Reset();
            // Nothing of ours is left at the name: what blocked it stays, a file removed is gone.
            const bool removed = c.result == 1 || c.heldSharing == kAll;
            CHECK((GetFileAttributesA(temp) == INVALID_FILE_ATTRIBUTES) == removed);
            if (c.attributes && !removed)
                CHECK(ReadBytes(temp) == "someone else's");
            SetFileAttributesA(temp, FILE_ATTRIBUTE_NORMAL);
        }
    }
}

TEST_CASE("a configuration file in a folder whose entries cannot change stays as it was, with result -1")
{
    CString folder = LockedFolder();
    CString config = folder + "\\HTTPD.CNF";
    if (!FileExists(config) || CanCreateFileIn(folder)) {
        WARN("no locked folder at " << folder.c_str() << " (the rig makes it where the system allows)");
        return;
    }
    CScratchDir dir;
    WriteBytes(dir / "vpsetup.ini", kTemplate);
    const std::string before = ReadBytes(config);
    for (const FileOperation& op : kFileOperations) {
        INFO(op.name);
        CString configArgument(config), path("C:\\PROD");
        CHECK(op.operation(configArgument, path) == -1);
        CHECK(ReadBytes(config) == before);
        CHECK_FALSE(FileExists(config + "1"));
    }
}

TEST_CASE("taking back removes what configuring added to a file that did not mention it, byte for byte")
{
    typedef int(__cdecl * Operation)(CString&, CString&);
    struct Case {
        const char* variant;
        const char* fileName;
        Operation contains, lacks;
        const char* before;
    } cases[] = {
        {"Brell", "HTTPD.CNF", EnsureBrellContainsVP, EnsureBrellLacksVP, "# rules\r\nMap /x/* /y/*\r\nPass /* C:\\www\\*\r\n"},
        {"Skylane", "HTTPD.CNF", EnsureCorvaneSLSContainsVP, EnsureCorvaneSLSLacksVP, "# top\r\nlast\r\n"},
        {"Corvane HTTPD", "HTTPD.CONF", EnsureCorvaneHTTPDContainsVP, EnsureCorvaneHTTPDLacksVP,
         "ServerRoot \"C:/C\"\r\nAlias /icons/ C:/C/icons/\r\n"},
        {"Netscape", "OBJ.CONF", EnsureNETContainsVP, EnsureNETLacksVP,
         "<Object name=default>\r\nNameTrans fn=pfx2dir from=/x dir=\"C:/x\"\r\n</Object>\r\n"},
    };
    for (const Case& c : cases) {
        SECTION(c.variant)
        {
            ServerFiles files(c.fileName, c.before);
            CString path("C:\\PROD");
            REQUIRE(c.contains(files.config, path) == 1);
            REQUIRE(ReadBytes(files.config) != c.before);
            CHECK(c.lacks(files.config, path) == 1);
            CHECK(ReadBytes(files.config) == c.before);
            CHECK_FALSE(FileExists(files.config + "1"));

            // Nothing of ours is left: the file is not even rewritten.
            CHECK(LeftUntouched(files.config, [&] { CHECK(c.lacks(files.config, path) == 1); }));
        }
    }
}

TEST_CASE("taking back: what is ours in a file, and what stays")
{
    ServerFiles files("HTTPD.CNF",
                      "# Pass  /wa/*  C:\\PROD\\wa\\*\n"          // a comment that mentions ours: stays
                      "Map /x/* /y/*\n"
                      "  pass  /WA/*  c:\\prod\\WA\\*  \n"         // ours, in another case and with blanks
                      "Exec /wacgi/*   C:\\PROD\\cgi\\*   extra\n" // read by the scan as ours
                      "Pass /wa/* C:\\OTHER\\*\n"                  // our pattern, another target: stays
                      "Exec /wadoc/* C:\\PROD\\doc\\*\n"           // our pattern and target, another directive
                      "Pass /icons/* C:\\Brell\\icons\\*\n");
    CString path("C:\\PROD");
    REQUIRE(EnsureBrellLacksVP(files.config, path) == 1);
    CHECK(ReadBytes(files.config) == "# Pass  /wa/*  C:\\PROD\\wa\\*\r\n"
                                     "Map /x/* /y/*\r\n"
                                     "Pass /wa/* C:\\OTHER\\*\r\n"
                                     "Exec /wadoc/* C:\\PROD\\doc\\*\r\n"
                                     "Pass /icons/* C:\\Brell\\icons\\*\r\n");
}

TEST_CASE("taking back refuses only a file it cannot read or that is empty, and says when a rewrite fails")
{
    const char ours[] = "Pass  /wa/*  C:\\PROD\\wa\\*";
    const std::string mine = std::string(ours) + "\r\n";
    struct Case {
        const char* rule;
        std::string before, after;
        int result;
        bool readOnly, noTemplate, missing;
    } cases[] = {
        {"a read-only file keeps our lines: the rewrite fails", "# x\n" + mine, "# x\n" + mine, -1, true, false, false},
        {"no template", "# x\n" + mine, "# x\n" + mine, -1, false, true, false},
        {"a missing file", "", "", -1, false, false, true},
        {"an empty file", "", "", -1, false, false, false},
        {"our line first, no line before the first directive", mine + "Pass /x/* C:\\x\\*\r\n", "Pass /x/* C:\\x\\*\r\n", 1, false, false, false},
        {"nothing but our lines", mine + "Exec  /wacgi/*  C:\\PROD\\cgi\\*\r\n" + mine, "", 1, false, false, false},
        {"our line the only one, without a line end", ours, "", 1, false, false, false},
    };
    for (const Case& c : cases) {
        SECTION(c.rule)
        {
            ServerFiles files("HTTPD.CNF", c.before);
            CString config = c.missing ? files.dir / "none.cnf" : files.config;
            if (c.readOnly)
                REQUIRE(SetFileAttributesA(config, FILE_ATTRIBUTE_READONLY));
            if (c.noTemplate)
                DeleteFileA(files.dir / "vpsetup.ini");
            CString path("C:\\PROD");
            CHECK(EnsureBrellLacksVP(config, path) == c.result);
            CHECK((c.missing ? !FileExists(config) : ReadBytes(config) == c.after));
        }
    }
}

// The access list the temporary file has when another thread, as another user's program would,
// first sees it while `run` runs; empty when it was never seen.
std::string FirstAccessListSeen(const CString& temp, const std::function<void()>& run)
{
    struct Watch {
        CString temp;
        std::string seen;
        volatile bool stop;
        HANDLE thread;
        static DWORD WINAPI Look(void* context)
        {
            auto* w = static_cast<Watch*>(context);
            char descriptor[4096], *text = nullptr;
            DWORD size = 0;
            while (!w->stop && w->seen.empty())
                if (GetFileSecurityA(w->temp, DACL_SECURITY_INFORMATION, descriptor, sizeof descriptor, &size) &&
                    ConvertSecurityDescriptorToStringSecurityDescriptorA(descriptor, 1, DACL_SECURITY_INFORMATION, &text, nullptr))
                    w->seen = text, LocalFree(text);
            return 0;
        }
        // However `run` ends: the watcher reads this frame.
        ~Watch() { stop = true, WaitForSingleObject(thread, 10000), CloseHandle(thread); }
    } watch = {temp, std::string(), false, nullptr};
    watch.thread = CreateThread(nullptr, 0, Watch::Look, &watch, 0, nullptr);
    run();
    watch.stop = true;
    WaitForSingleObject(watch.thread, 10000);
    return watch.seen;
}

TEST_CASE("a rewrite's file is born with the file's access list and hidden and system bits, both ways, and is marked changed")
{
    // Large enough that the temporary file stands for a while.
    std::string content = "# rules\r\nPass /x/* C:\\x\\*\r\n";
    while (content.size() < (4u << 20))
        content += "# a comment line of the server's own configuration, kept as it is by every rewrite\r\n";
    ServerFiles files("HTTPD.CNF", content);
    LockDown(files.config);
    // A backup has saved it: the archive bit is clear, and a rewrite sets it again.
    REQUIRE(SetFileAttributesA(files.config, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    const std::string locked = ProtectionOf(files.config);
    const std::string accessList = locked.substr(locked.find("D:"), locked.find(" attributes") - locked.find("D:"));
    const std::string changed = locked.substr(0, locked.find(" attributes")) + " attributes " +
                                std::to_string(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE);
    CString path("C:\\PROD");
    for (auto operation : {EnsureBrellContainsVP, EnsureBrellLacksVP}) {
        CHECK(FirstAccessListSeen(files.config + "1", [&] { REQUIRE(operation(files.config, path) == 1); }) == accessList);
        CHECK(ProtectionOf(files.config) == changed);
        REQUIRE(SetFileAttributesA(files.config, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    }
}

TEST_CASE("an end mark and every byte after it stay where they were, configuring and taking back")
{
    const std::string top = "# top\r\nPass /x/* C:\\x\\*\r\n", ours = "Pass  /wa/*  C:\\PROD\\wa\\*";
    const std::string two = "# top\r\nPass  /wadoc/*  C:\\PROD\\doc\\*\r\nExec  /wacgi/*  C:\\PROD\\cgi\\*\r\n";
    const std::string added = two + ours + "\r\nPass /x/* C:\\x\\*\r\n", cutOurs = ours.substr(12) + "\r\n";
    const std::string twice = "\x1A# old\n\x1APass /wa/* C:\\OLD\\*\n", cutTheirs = "# note \x1A here\r\nPass /b/* C:\\b\\*\r\n";
    struct Case {
        const char* rule;
        std::string before, afterConfiguring, afterTakingBack; // configured from `before`, then taken back
        int result;
    } cases[] = {
        {"the first byte: no text, refused both ways", "\x1A" + top, "\x1A" + top, "\x1A" + top, -1},
        {"the last byte", top + "\x1A", added + "\x1A", top + "\x1A", 1},
        {"twice, with our pattern after it", top + twice, added + twice, top + twice, 1},
        {"inside a line of the administrator's", top + cutTheirs, added + cutTheirs, top + cutTheirs, 1},
        {"inside our own line", "# top\r\n" + ours.substr(0, 12) + "\x1A" + cutOurs, two + ours + "\r\n\x1A" + cutOurs,
         "# top\r\n\x1A" + cutOurs, 1},
    };
    for (const Case& c : cases) {
        SECTION(c.rule)
        {
            ServerFiles files("HTTPD.CNF", c.before);
            CString path("C:\\PROD");
            CHECK(EnsureBrellContainsVP(files.config, path) == c.result);
            CHECK(ReadBytes(files.config) == c.afterConfiguring);
            CHECK(EnsureBrellLacksVP(files.config, path) == c.result);
            CHECK(ReadBytes(files.config) == c.afterTakingBack);
            CHECK_FALSE(FileExists(files.config + "1"));
        }
    }
}
