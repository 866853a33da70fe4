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

// A key's owner and access list in the system's text form ("(no key)" when it cannot be opened).
std::string KeySecurity(const char* path)
{
    CKey key;
    char descriptor[4096], *text = nullptr;
    DWORD size = sizeof descriptor;
    const SECURITY_INFORMATION what = OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
    if (key.Open(HKEY_LOCAL_MACHINE, path, READ_CONTROL) != ERROR_SUCCESS)
        return "(no key)";
    REQUIRE((RegGetKeySecurity(key, what, descriptor, &size) == ERROR_SUCCESS &&
             ConvertSecurityDescriptorToStringSecurityDescriptorA(descriptor, SDDL_REVISION_1, what, &text, nullptr)));
    std::string result(text);
    LocalFree(text);
    return result;
}

// Sets the access list, and the owner where the text names one.
void SetKeySecurity(const char* path, const char* sddl)
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    CKey key;
    REQUIRE((ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &descriptor, nullptr) &&
             key.Open(HKEY_LOCAL_MACHINE, path, WRITE_DAC | WRITE_OWNER) == ERROR_SUCCESS));
    LONG set = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION | (sddl[0] == 'O' ? OWNER_SECURITY_INFORMATION : 0), descriptor);
    LocalFree(descriptor);
    REQUIRE(set == ERROR_SUCCESS);
}

// A key as someone made it before this run, marked so that keeping it shows, with IIS found.
void MakeKey(const std::string& path, DWORD options)
{
    CKey key;
    REQUIRE((key.Create(HKEY_LOCAL_MACHINE, path.c_str(), options, KEY_ALL_ACCESS) == ERROR_SUCCESS &&
             key.SetValue("left before", DWORD(1)) == ERROR_SUCCESS && key.SetValue("Microsoft IIS", DWORD(1)) == ERROR_SUCCESS));
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

TEST_CASE("the record's keys: read only while administration alone may change them; made anew unless so and volatile")
{
    CleanRecord clean;
    const std::string parent = CInstalledServersRecord::kParentPath, child = CInstalledServersRecord::kKeyPath;
    auto earlierRun = [&] { CInstalledServersRecord earlier; MakeKey(child, REG_OPTION_VOLATILE); };
    struct Case {
        const char* rule;
        std::function<void()> before;
        bool read;           // a run that only reads uses the key as it is
        bool kept;           // a discovering run keeps it
        const char* logSays; // why the discovering run made a key anew, or wrote nothing
    } cases[] = {
        {"no keys: both made", [] {}, false, false, nullptr},
        {"an earlier discovering run's keys are kept", earlierRun, true, true, nullptr},
        {"owned by SYSTEM", [&] { earlierRun(), SetKeySecurity(child.c_str(), "O:SYD:(A;;KA;;;SY)(A;;KA;;;BA)"); }, true, true, nullptr},
        {"made by an administrator by hand, lasting", [&] { MakeKey(child, 0); }, true, false, "it is not volatile"},
        {"owned by Users", [&] { earlierRun(), SetKeySecurity(parent.c_str(), "O:BUD:(A;;KA;;;BA)"); }, false, false,
         "it is owned by someone other than Administrators or SYSTEM"},
        {"owned by a user", [&] { earlierRun(), SetKeySecurity(child.c_str(), "O:S-1-5-21-1-2-3-1001D:(A;;KA;;;BA)"); }, false,
         false, "it is owned by someone other than Administrators or SYSTEM"},
        {"letting Everyone set values", [&] { earlierRun(), SetKeySecurity(child.c_str(), "D:(A;;KA;;;BA)(A;;0x2;;;WD)"); },
         false, false, "it lets others than Administrators and SYSTEM change it"},
        {"its parent letting Users make subkeys", [&] { earlierRun(), SetKeySecurity(parent.c_str(), "D:(A;;KA;;;BA)(A;;0x4;;;BU)"); },
         false, false, "it lets others than Administrators and SYSTEM change it"},
        {"holding a key of someone else's: left, and nothing written", [&] { MakeKey(parent + "\\planted", 0); }, false,
         false, "it holds a key this run did not make: nothing is written"},
    };
    for (const Case& c : cases) {
        SECTION(c.rule)
        {
            c.before();
            const std::string made = KeySecurity(CInstalledServersRecord::kKeyPath);
            CString first, second;
            CHECK((CInstalledServersRecord::ReadServer(Iis, first, second) == 1) == c.read);
            CHECK(CInstalledServersRecord::WhyNotTrusted().IsEmpty() == (c.read || !RegistryKeyExists(child.c_str())));
            CRunLog log;
            log.KeepInMemory();
            CInstalledServersRecord(CInstalledServersRecord::Writing, &log).WriteServer(Iis, 1, CString(), CString());
            CHECK((strstr(log.Text(), c.logSays ? c.logSays : "deleted") != nullptr) == (c.logSays != nullptr));
            const bool written = !c.logSays || !strstr(c.logSays, "nothing is written");
            const std::string narrow = written ? "O:BAD:P(A;;KA;;;BA)(A;;KA;;;SY)(A;;KR;;;WD)" : "(no key)";
            CHECK(KeySecurity(child.c_str()) == (c.kept ? made : narrow));
            CHECK(CInstalledServersRecord::ReadServer(Iis, first, second) == (written ? 1 : 0));
            if (written && !c.kept)
                CHECK(KeySecurity(parent.c_str()) == narrow);
            if (written)
                CHECK(ReadRecord().count("left before") == (c.kept ? 1u : 0u));
        }
    }
}
