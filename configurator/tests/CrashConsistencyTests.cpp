// A configuring or unconfiguring run killed at any moment: every server's configuration file is
// always either exactly as it was or exactly as the run finishes it, never between, and the next
// run finishes the job.
#include "InstalledServersRecord.h"
#include "ServerKinds.h"
#include "TestFixtures.h"

#include <catch.hpp>

#include <algorithm>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace {

const unsigned kSeed = 5150;
const int kKills = 48;
const int kEntries = 10;
const int kLines = 60000;
const char kInstallationPath[] = "C:\\LINKWELL";

struct ServerFile {
    ServerKind kind;
    const char* section; // of the template
    const char* folder;
    const char* name;
    const char* ruleFormat;     // printf form of a rule: URL name, number
    const char* templateFormat; // printf form of a template line: number, number
};

const ServerFile kServers[] = {
    {Brell, "[PELLAN BRELL]", "brell", "HTTPD.CNF", "Pass  /%s/*  D:\\SITES\\%05d\\*", "/lw%02d/*, web\\%02d\\*, Pass,"},
    {CorvaneHttpd, "[CORVANE HTTPD]", "httpd", "HTTPD.CONF", "Alias /%s/ D:/SITES/%05d/", "/lw%02d/, web/%02d/, Alias,"},
};

std::string Format(const char* format, const char* name, int number)
{
    char text[200];
    snprintf(text, sizeof text, format, name, number);
    return text;
}

// A large file whose every template entry stands in it with another target.
std::string LargeConfigFile(const ServerFile& server)
{
    std::string bytes = "# configuration of a busy server\r\n# rules follow\r\n";
    for (int n = 0; n < kLines; ++n) {
        char name[20];
        if (n % (kLines / kEntries) == 7)
            snprintf(name, sizeof name, "lw%02d", n / (kLines / kEntries));
        else
            snprintf(name, sizeof name, "site%05d", n);
        bytes += Format(server.ruleFormat, name, n) + "\r\n";
    }
    return bytes;
}

std::string Template()
{
    std::string bytes;
    for (const ServerFile& server : kServers) {
        bytes += std::string(server.section) + "\r\n";
        for (int e = 0; e < kEntries; ++e) {
            char line[100];
            snprintf(line, sizeof line, server.templateFormat, e, e);
            bytes += std::string(line) + "\r\n";
        }
        bytes += "[END]\r\n";
    }
    return bytes;
}

// Where everything lies, rewritten for every run.
struct Machine {
    CScratchDir dir;
    std::vector<std::string> before;

    Machine()
    {
        WriteBytes(dir / "vpsetup.ini", Template());
        CInstalledServersRecord record;
        for (const ServerFile& server : kServers) {
            CreateDirectoryA(dir / server.folder, nullptr);
            record.WriteServer(server.kind, 1, ConfigPath(server), CString());
            before.push_back(LargeConfigFile(server));
        }
    }
    ~Machine() { DeleteRegistryTree(HKEY_LOCAL_MACHINE, CInstalledServersRecord::kKeyPath); }

    CString ConfigPath(const ServerFile& server) const
    {
        return dir.Path() + "\\" + server.folder + "\\" + server.name;
    }

    // Every file as given (one content per server), no temporary file.
    void PutBack(const std::vector<std::string>& contents)
    {
        for (size_t i = 0; i < contents.size(); ++i) {
            DeleteFileA(ConfigPath(kServers[i]) + "1");
            WriteBytes(ConfigPath(kServers[i]), contents[i]);
        }
    }

    // switches: "/CONFIGURE" or "/UNCONFIGURE".
    void StartConfiguring(CProcessInformation& process, const char* switches) const
    {
        CString commandLine = CString("vpsetup.exe ") + switches + " /PATH=" + kInstallationPath;
        // Right after a process was killed while starting, Wine may refuse the next start for a
        // moment; that is the test's machinery, not the run under test, so it is tried again.
        bool started = false;
        for (int attempt = 0; attempt < 5 && !started; ++attempt) {
            if (attempt > 0)
                Sleep(200);
            started = TryStartProgram(process, ProgramFolder() + "vpsetup.exe", commandLine, dir.Path());
        }
        INFO("CreateProcess error " << GetLastError());
        REQUIRE(started);
    }

    void Configure(const char* switches) const
    {
        CProcessInformation process;
        StartConfiguring(process, switches);
        WaitForExit(process);
    }

    std::vector<std::string> Contents() const
    {
        std::vector<std::string> contents;
        for (size_t i = 0; i < before.size(); ++i)
            contents.push_back(ReadBytes(ConfigPath(kServers[i])));
        return contents;
    }
};

// The two contents the file may have: as it was, and as an undisturbed run leaves it, made here
// on a copy by the kind's operation.
std::vector<std::string> BeforeAndAfter(const Machine& machine, const ServerFile& server, const std::string& before)
{
    CString copy = machine.dir / "reference.cnf";
    WriteBytes(copy, before);
    CString path(kInstallationPath), noFolder;
    REQUIRE(KindRow(server.kind).call(false, copy, noFolder, path) == 1);
    std::vector<std::string> contents{before, ReadBytes(copy)};
    DeleteFileA(copy);
    return contents;
}

std::vector<std::string> FolderNames(const CString& folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    CFindHandle listing(FindFirstFileA(folder + "\\*", &entry));
    if (!listing)
        return names;
    do {
        if (strcmp(entry.cFileName, ".") != 0 && strcmp(entry.cFileName, "..") != 0)
            names.push_back(entry.cFileName);
    } while (FindNextFileA(listing.Get(), &entry));
    std::sort(names.begin(), names.end());
    return names;
}

// Kills runs with the switches when each file's temporary file appears and at the others of
// `kills` moments spread over an undisturbed run's time, each run starting from `start`. After
// each kill every file is one of its two `states`, before or after, and the folder holds nothing
// else but perhaps a temporary file; the next complete run ends in the second state. Gives how
// often a kill fell inside the run's work: one file done and another not yet, or a temporary
// file left.
int KillRuns(Machine& machine, const char* switches, const std::vector<std::string>& start,
             const std::vector<std::vector<std::string>>& states, int kills, std::mt19937& random)
{
    machine.PutBack(start);
    DWORD started = GetTickCount();
    machine.Configure(switches);
    const DWORD runTime = GetTickCount() - started;
    for (size_t i = 0; i < states.size(); ++i)
        REQUIRE(ReadBytes(machine.ConfigPath(kServers[i])) == states[i].back());

    int caughtMidway = 0;
    for (int kill = 0; kill < kills; ++kill) {
        // One moment in each of `kills` equal parts of the run.
        DWORD moment = static_cast<DWORD>(runTime * (kill + std::uniform_real_distribution<double>(0, 1)(random)) / kills);
        INFO("seed " << kSeed << ", " << switches << " kill " << kill << " after " << moment << " ms of " << runTime);
        machine.PutBack(start);
        CProcessInformation process;
        machine.StartConfiguring(process, switches);
        if (kill < static_cast<int>(states.size())) {
            // One kill for each file falls when its temporary file appears, inside the run's work.
            CString temp = machine.ConfigPath(kServers[kill]) + "1";
            while (!FileExists(temp) && WaitForSingleObject(process.Process(), 0) == WAIT_TIMEOUT) {
            }
        } else {
            Sleep(moment);
        }
        TerminateProcess(process.Process(), 9);
        WaitForExit(process);

        size_t done = 0;
        bool tempLeft = false;
        for (size_t i = 0; i < states.size(); ++i) {
            const ServerFile& server = kServers[i];
            std::string now = ReadBytes(machine.ConfigPath(server));
            CHECK((now == states[i].front() || now == states[i].back()));
            done += now == states[i].back() ? 1 : 0;
            std::vector<std::string> names = FolderNames(machine.dir / server.folder);
            std::string temp = std::string(server.name) + "1";
            CHECK((names == std::vector<std::string>{server.name} || names == std::vector<std::string>{server.name, temp}));
            tempLeft = tempLeft || names.size() == 2;
        }
        if (tempLeft || (done != 0 && done != states.size()))
            ++caughtMidway;

        machine.Configure(switches);
        for (size_t i = 0; i < states.size(); ++i) {
            CHECK(ReadBytes(machine.ConfigPath(kServers[i])) == states[i].back());
            CHECK_FALSE(FileExists(machine.ConfigPath(kServers[i]) + "1"));
        }
    }
    return caughtMidway;
}

} // namespace

TEST_CASE("a configuring or unconfiguring run killed at any moment leaves each file whole, and the next run completes it")
{
    DeleteRegistryTree(HKEY_LOCAL_MACHINE, CInstalledServersRecord::kKeyPath);
    Machine machine;
    std::vector<std::vector<std::string>> contents;
    std::vector<std::string> configured;
    for (size_t i = 0; i < machine.before.size(); ++i) {
        contents.push_back(BeforeAndAfter(machine, kServers[i], machine.before[i]));
        REQUIRE(contents.back().back() != contents.back().front());
        configured.push_back(contents.back().back());
    }
    std::mt19937 random(kSeed);
    // Kills fell inside the run's work, not only before and after it.
    CHECK(KillRuns(machine, "/CONFIGURE", machine.before, contents, kKills, random) >= 1);

    // Taking back is one rewrite of each file: from the configured file to one without our lines.
    machine.PutBack(configured);
    machine.Configure("/UNCONFIGURE");
    std::vector<std::vector<std::string>> takenBack;
    for (size_t i = 0; i < configured.size(); ++i) {
        std::string after = ReadBytes(machine.ConfigPath(kServers[i]));
        REQUIRE(after != configured[i]);
        REQUIRE(after.find("lw0") == std::string::npos);
        takenBack.push_back({configured[i], after});
    }
    KillRuns(machine, "/UNCONFIGURE", configured, takenBack, kKills / 3, random);
}
