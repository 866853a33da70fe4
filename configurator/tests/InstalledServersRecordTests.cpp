#include "InstalledServersRecord.h"
#include "TestFixtures.h"

#include <catch.hpp>

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
    CScratchRegistryKey key(CInstalledServersRecord::kKeyPath); // made first, so not volatile
    CInstalledServersRecord record;
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
    CScratchRegistryKey key(CInstalledServersRecord::kKeyPath); // made first, so not volatile
    CInstalledServersRecord record;
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
