// The IIS operation against virtual roots that people and other setups leave behind: values of
// every type, data without its zero or with more after it, names and data around the sizes of
// the enumeration's buffers, names differing only in case. Each case is compared with a plain
// reading of the rules; a failing case names its seed, and TEST_SEED=<seed> runs it alone.
#include "HostileRegistryValue.h"
#include "IisVirtualRoots.h"
#include "TestFixtures.h"
#include "vpsetup.h"

#include <catch.hpp>

#include <map>
#include <vector>

namespace {

const unsigned kSeed = 14142;
const int kCases = 300;
const char kRootsKey[] = "SYSTEM\\CurrentControlSet\\Services\\W3SVC\\Parameters\\Virtual Roots";
const size_t kNameBufferChars = 200;
const size_t kDataBufferBytes = 100;

std::string Field(const std::string& text, size_t index)
{
    size_t start = 0;
    for (size_t i = 0; i < index; ++i) {
        size_t comma = text.find(',', start);
        if (comma == std::string::npos)
            return "";
        start = comma + 1;
    }
    return text.substr(start, text.find(',', start) - start);
}

struct Row {
    std::string name, directory, flags;
};

// The roots up to the first that does not fit the buffers.
std::vector<Row> Snapshot(const std::vector<NamedRegistryValue>& roots)
{
    std::vector<Row> rows;
    for (const NamedRegistryValue& root : roots) {
        if (root.name.size() >= kNameBufferChars || root.value.bytes.size() > kDataBufferBytes)
            break;
        std::string text = root.value.bytes.substr(0, root.value.bytes.find('\0'));
        rows.push_back({root.name, Field(text, 0), Field(text, 2)});
    }
    return rows;
}

template <size_t N>
std::string Pick(std::mt19937& random, const char* const (&choices)[N])
{
    return choices[random() % N];
}

std::string FlipCase(std::mt19937& random, std::string text)
{
    for (char& c : text) {
        if (random() % 2 && ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')))
            c ^= 0x20;
    }
    return text;
}

const char* const kNames[] = {"/wa", "/Scripts", "/docs", "/", "/a b", "/x\\y"};
const char* const kDirectories[] = {"wa", "cgi", "doc", "wa\\sub"};
const char* const kFlags[] = {"1", "5", "", "4"};
const char kInstallationPath[] = "C:\\P";

// A root's name: a usual one in any case, or one around the size of the name buffer.
std::string RootName(std::mt19937& random)
{
    if (random() % 4 != 0)
        return FlipCase(random, Pick(random, kNames));
    static const size_t lengths[] = {198, 199, 200, 201};
    std::string name = Pick(random, kNames);
    return name + std::string(lengths[random() % 4] - name.size(), 'n');
}

std::string RootData(std::mt19937& random)
{
    switch (random() % 3) {
    case 0:
        return FlipCase(random, std::string(kInstallationPath) + "\\" + Pick(random, kDirectories) + ",," +
                                    Pick(random, kFlags));
    case 1:
        return HostileText(random, {0, 2, 98, 99, 100, 101});
    default:
        return "C:\\old," + HostileText(random, {1, 3}) + "," + Pick(random, kFlags) + "," + HostileText(random, {2});
    }
}

std::map<std::string, RawRegistryValue> ByUpperName(const std::vector<NamedRegistryValue>& roots)
{
    std::map<std::string, RawRegistryValue> byName;
    for (const NamedRegistryValue& root : roots)
        byName[UpperAscii(root.name)] = root.value;
    return byName;
}

void CheckCase(unsigned seed)
{
    std::mt19937 random(seed);
    CScratchDir dir;
    CScratchRegistryKey key(kRootsKey);
    for (int i = random() % 9; i > 0; --i) {
        RawRegistryValue value = HostileValue(random, RootData(random));
        SetExactValue(key.Key(), RootName(random).c_str(), value.type, value.bytes);
    }
    struct Entry {
        std::string name, directory, flags;
    };
    std::vector<Entry> entries;
    std::string ini = "[MS IIS]\r\n";
    for (int i = random() % 5; i > 0; --i) {
        Entry entry{RootName(random), FlipCase(random, Pick(random, kDirectories)), Pick(random, kFlags)};
        ini += entry.name + ", " + entry.directory + ", " + entry.flags + ",\r\n";
        entries.push_back(entry);
    }
    WriteBytes(dir / "vpsetup.ini", ini + "[END]\r\n");

    const std::vector<NamedRegistryValue> before = ListRegistryValues(kRootsKey);
    const std::vector<Row> rows = Snapshot(before);
    std::map<std::string, RawRegistryValue> expected = ByUpperName(before);
    for (const Entry& entry : entries) {
        std::string target = std::string(kInstallationPath) + "\\" + entry.directory;
        const Row* sameName = nullptr;
        bool present = false;
        for (const Row& row : rows) {
            if (UpperAscii(row.name) != UpperAscii(entry.name))
                continue;
            sameName = sameName ? sameName : &row;
            present = present || (UpperAscii(row.directory) == UpperAscii(target) && UpperAscii(row.flags) == UpperAscii(entry.flags));
        }
        if (present)
            continue;
        if (sameName)
            expected.erase(UpperAscii(sameName->name));
        expected[UpperAscii(entry.name)] = {REG_SZ, target + ",," + entry.flags + std::string("\0", 1)};
    }

    INFO("case seed " << seed << ", " << before.size() << " roots before, template:\n" << ini);
    std::vector<VirtualRoot> snapshot;
    REQUIRE(ReadVirtualRoots(snapshot));
    REQUIRE(snapshot.size() == rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        CHECK(std::string(snapshot[i].name.c_str()) == rows[i].name);
        CHECK(std::string(snapshot[i].directory.c_str(), snapshot[i].directory.GetLength()) == rows[i].directory);
        CHECK(std::string(snapshot[i].flags.c_str(), snapshot[i].flags.GetLength()) == rows[i].flags);
    }
    CString path(kInstallationPath);
    CHECK(EnsureMSIISContainsVP(path) == 1);
    CHECK(ByUpperName(ListRegistryValues(kRootsKey)) == expected);
}

} // namespace

TEST_CASE("hostile virtual roots: the snapshot ends at the first that does not fit, the template is applied")
{
    for (int number = 0; number < kCases; ++number) {
        if (SeedSelected(kSeed + number))
            CheckCase(kSeed + number);
    }
}
