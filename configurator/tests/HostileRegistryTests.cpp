// Discovery and the installed-servers record against registry contents that people and other
// setups leave behind: values of other types, strings without their zero or with more after it,
// strings of a buffer's size and one byte over, version keys whose names do not fit their buffer.
// Each case is compared with a plain reading of the rules; a failing case names its seed, and
// TEST_SEED=<seed> runs it alone.
#include "HostileRegistryValue.h"
#include "InstalledServersRecord.h"
#include "ServerDiscovery.h"
#include "TestFixtures.h"

#include <catch.hpp>

#include <algorithm>
#include <vector>

namespace {

const unsigned kProbeSeed = 27182;
const unsigned kIisSeed = 31415;
const unsigned kRecordSeed = 16180;
const int kCases = 400;

const size_t kNameBuffer = 128;
const size_t kDirectoryBuffer = 128;
const size_t kRecordStringBuffer = 255;

// The name the registry lists first under the key, read with room to spare.
std::string FirstListedSubkey(const std::string& path)
{
    CKey key;
    REQUIRE(key.Open(HKEY_LOCAL_MACHINE, path.c_str(), KEY_READ) == ERROR_SUCCESS);
    char name[512];
    DWORD length = sizeof name;
    std::string first;
    if (key.EnumKey(0, name, length) == ERROR_SUCCESS)
        first.assign(name, length);
    return first;
}

// The folder's path stretched to the length wanted with "\." steps, and a final backslash for an
// odd length, so that it still names the folder.
std::string Stretched(const std::string& folder, size_t length)
{
    std::string path = folder;
    while (path.size() + 2 <= length)
        path += "\\.";
    if (path.size() < length)
        path += "\\";
    return path;
}

// A version key's name: a usual one, or one around the size of the name buffer.
std::string VersionName(std::mt19937& random)
{
    static const char* const usual[] = {"1.0", "2.1", "4.0b", "Current"};
    if (random() % 2)
        return usual[random() % 4];
    static const size_t lengths[] = {126, 127, 128, 129, 200};
    return std::string(lengths[random() % 5], 'v') + std::to_string(random() % 10);
}

struct ProbedKind {
    const RegistryProbe& probe;
    const char* productKey;
};

const ProbedKind kKinds[] = {
    {kBrellProbe, "SOFTWARE\\Pellan\\Mondrel Brell Webserver"},
    {kBrellProbe, "SOFTWARE\\Pellan\\Brell Webserver"},
    {kSkylaneProbe, "SOFTWARE\\Corvane\\Skylane Server"},
    {kCorvaneHttpdProbe, "SOFTWARE\\Corvane\\HTTP Server"},
    {kNetscapeProbe, "SOFTWARE\\Netscape\\Enterprise"},
};

// A folder holding every kind's configuration file where its probe looks.
struct ServerFolder {
    CScratchDir dir;
    std::string path{dir.Path().c_str()};
    std::string computer = ComputerName().c_str();
    ServerFolder()
    {
        WriteBytes(dir / "HTTPD.CNF", "# rules\r\n");
        CreateDirectoryA(dir / "conf", nullptr);
        WriteBytes(dir / "conf\\HTTPD.CONF", "# rules\r\n");
        std::string netscape = "https-" + computer;
        CreateDirectoryA(dir / netscape.c_str(), nullptr);
        CreateDirectoryA(dir / (netscape + "\\config").c_str(), nullptr);
        WriteBytes(dir / (netscape + "\\config\\OBJ.CONF").c_str(), "# objects\r\n");
        // Hostile text such as ".\\." is a relative path; it must not lead to these files.
        SetCurrentDirectoryA(ProgramFolder());
    }
    std::string FileBelow(const RegistryProbe& probe) const
    {
        std::string suffix = probe.suffix;
        size_t hole = suffix.find("%s");
        return hole == std::string::npos ? suffix : suffix.replace(hole, 2, computer);
    }
};

// Whether the kind was to be found; the caller counts them, so that the cases are known to reach
// the configuration file and not only the refusals.
bool CheckProbeCase(const ServerFolder& folder, unsigned seed)
{
    std::mt19937 random(seed);
    const ProbedKind& kind = kKinds[random() % 5];
    bool namesFolder = random() % 3 != 0;
    const size_t lengths[] = {folder.path.size(), folder.path.size() + random() % 20, 126, 127, 128, 129};
    std::string text = namesFolder ? Stretched(folder.path, lengths[random() % 6]) : HostileText(random, {3, 4, 127, 128});
    RawRegistryValue value = HostileValue(random, text);

    // The hostile value lies in one version key; another, when there is one, names the folder
    // plainly, so that reading the wrong key shows.
    std::vector<std::string> versions = {VersionName(random)};
    std::string second = VersionName(random);
    if (random() % 3 == 0 && second != versions[0])
        versions.push_back(second);
    size_t holder = random() % versions.size();
    const RawRegistryValue plain{REG_SZ, folder.path + std::string("\0", 1)};
    for (size_t i = 0; i < versions.size(); ++i) {
        const RawRegistryValue& stored = i == holder ? value : plain;
        SetRegistryValue((std::string(kind.productKey) + "\\" + versions[i]).c_str(), kind.probe.directoryValue,
                         stored.bytes, stored.type);
    }

    std::string first = FirstListedSubkey(kind.productKey);
    bool readsHostile = first == versions[holder];
    std::string directory;
    bool found = first.size() < kNameBuffer && StringValueText(readsHostile ? value : plain, kDirectoryBuffer, directory) &&
                 directory.size() > 3 && (namesFolder || !readsHostile);
    std::string expectedFile;
    if (found)
        expectedFile = directory + (directory.back() == '\\' ? "" : "\\") + folder.FileBelow(kind.probe);

    INFO("case seed " << seed << ", " << kind.productKey << ", first version key of " << first.size()
                      << " characters, value " << Describe(value));
    DiscoveredServer got;
    got.found = -1;
    got.firstFile = "before";
    CServerDiscovery::ProbeRegistry(kind.probe, got);
    CHECK(got.found == (found ? 1 : 0));
    CHECK(std::string(got.firstFile.c_str()) == (found ? expectedFile : "before"));
    return found;
}

} // namespace

TEST_CASE("hostile directory values and version keys: the probe finds only what fits and names a file")
{
    CCleanServerProductKeys keys;
    ServerFolder folder;
    int found = 0;
    for (int number = 0; number < kCases; ++number) {
        if (!SeedSelected(kProbeSeed + number))
            continue;
        found += CheckProbeCase(folder, kProbeSeed + number) ? 1 : 0;
        DeleteServerProductKeys();
    }
    if (SelectedSeed() == 0)
        CHECK(found > kCases / 10);
}

TEST_CASE("hostile IIS descriptions: found only for a string of more than three characters that fits")
{
    CCleanServerProductKeys keys;
    const char* current = "SOFTWARE\\Microsoft\\Inetsrv\\CurrentVersion";
    const char* serviceType =
        "SYSTEM\\CurrentControlSet\\Control\\ServiceProvider\\ServiceTypes\\Microsoft Internet Information Server";
    int foundCount = 0;
    for (int number = 0; number < kCases; ++number) {
        unsigned seed = kIisSeed + number;
        if (!SeedSelected(seed))
            continue;
        std::mt19937 random(seed);
        MakeRegistryKey(current);
        bool described = random() % 8 != 0;
        RawRegistryValue value = HostileValue(random, HostileText(random, {3, 4, 127, 128}));
        if (described)
            SetRegistryValue(current, "Description", value.bytes, value.type);
        if (random() % 2) // never consulted while the version key is there
            MakeRegistryKey(serviceType);

        std::string description;
        bool found = described && StringValueText(value, kDirectoryBuffer, description) && description.size() > 3;
        INFO("case seed " << seed << (described ? ", description " + Describe(value) : ", no description"));
        CServerDiscovery discovery;
        discovery.m_servers[Iis].found = -1;
        discovery.ProbeIis();
        CHECK(discovery.m_servers[Iis].found == (found ? 1 : 0));
        foundCount += found ? 1 : 0;
        DeleteServerProductKeys();
    }
    if (SelectedSeed() == 0)
        CHECK(foundCount > kCases / 10);
}

TEST_CASE("hostile record values: found values of other types are absent, file values fit or read empty")
{
    const char* parent = "SOFTWARE\\Corvane Linkwell Server Temp";
    DeleteRegistryTree(HKEY_LOCAL_MACHINE, parent);
    const char* const foundNames[] = {"Pellan Mondrel", "Pellan Brell", "Corvane SLS", "Microsoft IIS", "Corvane HTTPD", "NETSCAPE"};
    const char* const fileNames[] = {"Pellan Mondrel Config File", "Pellan Brell Config File", "Corvane SLS Config File",
                                     nullptr, "Corvane HTTPD Config File", "NETSCAPE Config File"};
    for (int number = 0; number < kCases; ++number) {
        unsigned seed = kRecordSeed + number;
        if (!SeedSelected(seed))
            continue;
        std::mt19937 random(seed);
        int kind = random() % ServerKindCount;
        static const DWORD kFoundNumbers[] = {0, 1, 7, 0xFFFFFFFF};
        DWORD number4 = kFoundNumbers[random() % 4];
        std::string dword(reinterpret_cast<const char*>(&number4), 4);
        RawRegistryValue found = random() % 2 ? RawRegistryValue{REG_DWORD, dword}
                                              : HostileValue(random, random() % 2 ? std::string("\x01\0\0", 3) : "1");
        RawRegistryValue first = HostileValue(random, HostileText(random, {254, 255}));
        RawRegistryValue second = HostileValue(random, HostileText(random, {254, 255}));
        bool firstStored = random() % 6 != 0;

        const char* recordKey = CInstalledServersRecord::kKeyPath;
        SetRegistryValue(recordKey, foundNames[kind], found.bytes, found.type);
        if (fileNames[kind] && firstStored)
            SetRegistryValue(recordKey, fileNames[kind], first.bytes, first.type);
        if (kind == Mondrel)
            SetRegistryValue(recordKey, "Pellan Mondrel NVelda DLL File", second.bytes, second.type);

        DWORD expectedFound = 0;
        if (found.type == REG_DWORD && found.bytes.size() == 4)
            memcpy(&expectedFound, found.bytes.data(), 4);
        std::string expectedFirst = "first before", expectedSecond = "second before";
        if (expectedFound != 0 && fileNames[kind]) {
            if (!firstStored || !StringValueText(first, kRecordStringBuffer, expectedFirst))
                expectedFirst.clear();
        }
        if (expectedFound != 0 && kind == Mondrel && !StringValueText(second, kRecordStringBuffer, expectedSecond))
            expectedSecond.clear();

        INFO("case seed " << seed << ", kind " << kind << ", found value " << Describe(found) << ", first file "
                          << (firstStored ? Describe(first) : "absent") << ", second file " << Describe(second));
        CString gotFirst("first before"), gotSecond("second before");
        CHECK(CInstalledServersRecord::ReadServer(kind, gotFirst, gotSecond) == static_cast<int>(expectedFound));
        CHECK(std::string(gotFirst.c_str(), gotFirst.GetLength()) == expectedFirst);
        CHECK(std::string(gotSecond.c_str(), gotSecond.GetLength()) == expectedSecond);
        DeleteRegistryTree(HKEY_LOCAL_MACHINE, parent);
    }
}
