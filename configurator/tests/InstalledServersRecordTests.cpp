#include "InstalledServersRecord.h"
#include "RunLog.h"
#include "TestFixtures.h"

#include <catch.hpp>
#include <sddl.h>

#include <map>

namespace {

std::string Dword(DWORD value)
{
    return std::string(reinterpret_cast<const char*>(&value), 4);
}

std::map<std::string, RawRegistryValue> ReadRecord()
{
    std::map<std::string, RawRegistryValue> values;
    for (const NamedRegistryValue& stored : ListRegistryValues(CInstalledServersRecord::kKeyPath))
        values[stored.name] = stored.value;
    return values;
}

// The record's key starts absent in every case.
struct CleanRecord {
    CleanRecord() { DeleteRegistryTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\Corvane Linkwell Server Temp"); }
    ~CleanRecord() { DeleteRegistryTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\Corvane Linkwell Server Temp"); }
};

// A key's owner and access list as the registry holds them, in the system's text form.
std::string KeySecurity(const char* path)
{
    CKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, path, READ_CONTROL) != ERROR_SUCCESS)
        return "(no key)";
    char descriptor[4096];
    DWORD size = sizeof descriptor;
    char* text = nullptr;
    const SECURITY_INFORMATION what = OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
    REQUIRE(RegGetKeySecurity(key, what, descriptor, &size) == ERROR_SUCCESS);
    REQUIRE(ConvertSecurityDescriptorToStringSecurityDescriptorA(descriptor, SDDL_REVISION_1, what, &text, nullptr));
    std::string result(text);
    LocalFree(text);
    return result;
}

void SetKeySecurity(const char* path, const char* sddl)
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    REQUIRE(ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &descriptor, nullptr));
    CKey key;
    REQUIRE(key.Open(HKEY_LOCAL_MACHINE, path, WRITE_DAC | WRITE_OWNER) == ERROR_SUCCESS);
    SECURITY_INFORMATION what = DACL_SECURITY_INFORMATION;
    if (std::string(sddl).compare(0, 2, "O:") == 0)
        what |= OWNER_SECURITY_INFORMATION;
    LONG set = RegSetKeySecurity(key, what, descriptor);
    LocalFree(descriptor);
    REQUIRE(set == ERROR_SUCCESS);
}

void MakeKey(const char* path, DWORD options)
{
    CKey key;
    REQUIRE(key.Create(HKEY_LOCAL_MACHINE, path, options, KEY_ALL_ACCESS) == ERROR_SUCCESS);
    REQUIRE(key.SetValue("left before", DWORD(1)) == ERROR_SUCCESS);
}

} // namespace

TEST_CASE("a discovering run writes all fourteen values with their types and sizes")
{
    CleanRecord clean;
    CInstalledServersRecord record;
    record.WriteServer(Mondrel, 0, CString(), CString("D:\\MONDREL"));
    record.WriteServer(Brell, 1, CString("C:\\BRELL\\HTTPD.CNF"), CString("ignored"));
    record.WriteServer(Skylane, 0, CString(), CString());
    record.WriteServer(Iis, 1, CString("ignored"), CString("ignored"));
    record.WriteServer(CorvaneHttpd, 0, CString(), CString());
    record.WriteServer(Netscape, 0, CString(), CString());
    record.WriteServer(6, 1, CString("x"), CString("y"));
    record.WriteSummary();

    std::map<std::string, RawRegistryValue> expected = {
        {"Pellan Mondrel", {REG_DWORD, Dword(0)}},
        {"Pellan Mondrel Config File", {REG_SZ, Sz("")}},
        {"Pellan Mondrel NVelda DLL File", {REG_SZ, Sz("D:\\MONDREL")}},
        {"Pellan Brell", {REG_DWORD, Dword(1)}},
        {"Pellan Brell Config File", {REG_SZ, Sz("C:\\BRELL\\HTTPD.CNF")}},
        {"Corvane SLS", {REG_DWORD, Dword(0)}},
        {"Corvane SLS Config File", {REG_SZ, Sz("")}},
        {"Microsoft IIS", {REG_DWORD, Dword(1)}},
        {"Corvane HTTPD", {REG_DWORD, Dword(0)}},
        {"Corvane HTTPD Config File", {REG_SZ, Sz("")}},
        {"NETSCAPE", {REG_DWORD, Dword(0)}},
        {"NETSCAPE Config File", {REG_SZ, Sz("")}},
        {"HasAWebServerBeenDiscovered", {REG_DWORD, Dword(1)}},
        {"Finished", {REG_DWORD, Dword(1)}},
    };
    CHECK(ReadRecord() == expected);
}

TEST_CASE("nothing found: the summary says so, and Finished is still 1")
{
    CleanRecord clean;
    CInstalledServersRecord record;
    for (int kind = 0; kind < ServerKindCount; ++kind)
        record.WriteServer(kind, 0, CString(), CString());
    record.WriteSummary();
    auto values = ReadRecord();
    CHECK(values.size() == 14);
    CHECK(values["HasAWebServerBeenDiscovered"].bytes == Dword(0));
    CHECK(values["Finished"].bytes == Dword(1));
}

TEST_CASE("the record's key and its new parent are volatile")
{
    CleanRecord clean;
    CInstalledServersRecord record;
    for (const char* parent : {"SOFTWARE\\Corvane Linkwell Server Temp", CInstalledServersRecord::kKeyPath}) {
        CKey key;
        REQUIRE(key.Open(HKEY_LOCAL_MACHINE, parent, KEY_ALL_ACCESS) == ERROR_SUCCESS);
        CKey child;
        CHECK(child.Create(key, "lasting", REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS) == ERROR_CHILD_MUST_BE_VOLATILE);
    }
}

TEST_CASE("reading a kind: any non-zero found value counts, file values only then")
{
    CleanRecord clean;
    // Made by hand, not volatile: a run that only reads uses it all the same.
    CScratchRegistryKey key(CInstalledServersRecord::kKeyPath);
    CInstalledServersRecord record(CInstalledServersRecord::LookingOnly);
    CString first("kept"), second("kept too");

    SECTION("no value at all reads as 0 and leaves the out-parameters")
    {
        CHECK(record.ReadServer(Brell, first, second) == 0);
        CHECK(first == "kept");
    }
    SECTION("a found value of 7 counts, with its file")
    {
        key.SetDword("Pellan Brell", 7);
        key.SetString("Pellan Brell Config File", Sz("C:\\B\\HTTPD.CNF"));
        CHECK(record.ReadServer(Brell, first, second) == 7);
        CHECK(first == "C:\\B\\HTTPD.CNF");
        CHECK(second == "kept too");
    }
    SECTION("a found value of 0 leaves the out-parameters as they were")
    {
        key.SetDword("Pellan Mondrel", 0);
        key.SetString("Pellan Mondrel NVelda DLL File", Sz("D:\\M"));
        CHECK(record.ReadServer(Mondrel, first, second) == 0);
        CHECK(second == "kept too");
    }
    SECTION("Mondrel reads both file values")
    {
        key.SetDword("Pellan Mondrel", 1);
        key.SetString("Pellan Mondrel Config File", Sz("D:\\M\\MONCFG.VSF"));
        key.SetString("Pellan Mondrel NVelda DLL File", Sz("D:\\M"));
        CHECK(record.ReadServer(Mondrel, first, second) == 1);
        CHECK(first == "D:\\M\\MONCFG.VSF");
        CHECK(second == "D:\\M");
    }
    SECTION("IIS set by hand with no other value")
    {
        key.SetDword("Microsoft IIS", 1);
        CHECK(record.ReadServer(Iis, first, second) == 1);
        CHECK(first == "kept");
    }
    SECTION("a kind number out of range reads nothing")
    {
        CHECK(record.ReadServer(6, first, second) == 0);
        CHECK(record.ReadServer(-1, first, second) == 0);
    }
}

TEST_CASE("string values up to 254 characters are read; longer, missing or not strings read as empty")
{
    CleanRecord clean;
    CScratchRegistryKey key(CInstalledServersRecord::kKeyPath); // made by hand, not volatile
    CInstalledServersRecord record(CInstalledServersRecord::LookingOnly);
    key.SetDword("Corvane SLS", 1);
    struct Case {
        const char* rule;
        std::string data;
        DWORD type;
        std::string expected;
    } cases[] = {
        {"254 characters fit", Sz(std::string(254, 'a')), REG_SZ, std::string(254, 'a')},
        {"255 characters do not", Sz(std::string(255, 'b')), REG_SZ, ""},
        {"254 characters without a terminating zero", std::string(254, 'c'), REG_SZ, std::string(254, 'c')},
        {"255 bytes without a terminating zero", std::string(255, 'd'), REG_SZ, ""},
        {"a DWORD where a string belongs", Dword(65), REG_DWORD, ""},
        {"binary data where a string belongs", "C:\\X", REG_BINARY, ""},
    };
    for (const Case& c : cases) {
        SECTION(c.rule)
        {
            key.SetString("Corvane SLS Config File", c.data, c.type);
            CString first("before"), second;
            CHECK(record.ReadServer(Skylane, first, second) == 1);
            CHECK(std::string(first.c_str(), first.GetLength()) == c.expected);
        }
    }
    SECTION("a found value of another type than DWORD counts as absent")
    {
        key.SetString("Corvane SLS", Sz("1"));
        CString first, second;
        CHECK(record.ReadServer(Skylane, first, second) == 0);
        key.SetString("Corvane SLS", std::string("\x01\x00\x00\x00\x00", 5), REG_BINARY);
        CHECK(record.ReadServer(Skylane, first, second) == 0);
    }
}

TEST_CASE("the record's keys: made administrator-only, kept when they are so, made anew when someone else could write them")
{
    CleanRecord clean;
    const char* parent = CInstalledServersRecord::kParentPath;
    const char* child = CInstalledServersRecord::kKeyPath;
    const std::string narrow = "O:BAD:P(A;;KA;;;BA)(A;;KA;;;SY)(A;;KR;;;WD)";
    struct Case {
        const char* rule;
        std::function<void()> before;
        bool kept;           // the value made before is still there
        const char* logSays; // about the key made anew
    } cases[] = {
        {"no keys: both made", [] {}, false, nullptr},
        {"an earlier discovering run's keys are kept", [] { CInstalledServersRecord earlier; MakeKey(CInstalledServersRecord::kKeyPath, REG_OPTION_VOLATILE); }, true, nullptr},
        {"lasting keys are made anew, the record's key first", [] { MakeKey(CInstalledServersRecord::kKeyPath, 0); },
         false, "it is not volatile"},
        {"a key owned by Users", [&] { CInstalledServersRecord earlier; MakeKey(child, REG_OPTION_VOLATILE); SetKeySecurity(parent, "O:BUD:(A;;KA;;;BA)"); },
         false, "it is owned by someone other than Administrators or SYSTEM"},
        {"a key that lets Everyone set values", [&] { CInstalledServersRecord earlier; MakeKey(child, REG_OPTION_VOLATILE); SetKeySecurity(child, "D:(A;;KA;;;BA)(A;;0x2;;;WD)"); },
         false, "it lets others than Administrators and SYSTEM change it"},
        {"a key that holds a key of someone else's is left, and nothing is written",
         [&] { MakeKey((std::string(parent) + "\\planted").c_str(), 0); }, false, "it holds a key this run did not make: nothing is written"},
    };
    for (const Case& c : cases) {
        SECTION(c.rule)
        {
            c.before();
            CRunLog log;
            log.KeepInMemory();
            CInstalledServersRecord record(CInstalledServersRecord::Writing, &log);
            record.WriteServer(Iis, 1, CString(), CString());
            const bool said = std::string(log.Text().c_str()).find(c.logSays ? c.logSays : "deleted") != std::string::npos;
            CHECK(said == (c.logSays != nullptr));
            const bool written = !c.logSays || !strstr(c.logSays, "nothing is written");
            CHECK(KeySecurity(child) == (written ? narrow : "(no key)"));
            CString first, second;
            CHECK(CInstalledServersRecord::ReadServer(Iis, first, second) == (written ? 1 : 0));
            if (written) {
                CHECK(KeySecurity(parent) == narrow);
                CHECK(ReadRecord().count("left before") == (c.kept ? 1u : 0u));
            }
        }
    }
}

TEST_CASE("a run that only reads the record uses it only while no one but administration may change it")
{
    CleanRecord clean;
    CScratchRegistryKey key(CInstalledServersRecord::kKeyPath);
    key.SetDword("Microsoft IIS", 1);
    struct Case {
        const char* rule;
        const char* path;
        const char* sddl;
        bool used;
    } cases[] = {
        {"made by an administrator by hand", CInstalledServersRecord::kKeyPath, "O:BAD:(A;;KA;;;BA)(A;;KR;;;BU)", true},
        {"owned by SYSTEM", CInstalledServersRecord::kKeyPath, "O:SYD:(A;;KA;;;SY)(A;;KA;;;BA)", true},
        {"Users may make subkeys", CInstalledServersRecord::kKeyPath, "D:(A;;KA;;;BA)(A;;0x4;;;BU)", false},
        {"its parent lets Everyone do everything", CInstalledServersRecord::kParentPath, "D:(A;;KA;;;WD)", false},
        {"owned by a user", CInstalledServersRecord::kKeyPath, "O:S-1-5-21-1-2-3-1001D:(A;;KA;;;BA)", false},
    };
    for (const Case& c : cases) {
        SECTION(c.rule)
        {
            SetKeySecurity(c.path, c.sddl);
            CString first, second;
            CHECK((CInstalledServersRecord::ReadServer(Iis, first, second) == 1) == c.used);
            CHECK(CInstalledServersRecord::WhyNotTrusted().IsEmpty() == c.used);
        }
    }
}
