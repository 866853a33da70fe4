#include "DiskPath.h"
#include "ProtocolInstaller.h"
#include "RecordingWorld.h"
#include "TestFixtures.h"

#include <catch.hpp>

#include <memory>

TEST_CASE("the arguments are everything after the program name and its blanks, verbatim")
{
    struct Case {
        const char* commandLine;
        const char* arguments;
    } cases[] = {
        {"protoinst.exe", ""},
        {"protoinst.exe   ", ""},
        {"protoinst.exe A:\\", "A:\\"},
        {"protoinst  D:\\LLC2 disk  ", "D:\\LLC2 disk  "},
        {"\"C:\\Program Files\\protoinst.exe\" \"E:\\x y\"", "\"E:\\x y\""},
        {"\"C:\\P\\protoinst.exe\"", ""},
    };
    for (const Case& c : cases) {
        SECTION(c.commandLine) { CHECK(ArgumentsOf(c.commandLine) == c.arguments); }
    }
}

TEST_CASE("the installation folder is read from the registry within its 256 bytes")
{
    DeleteRegistryTree(HKEY_LOCAL_MACHINE, kInstallationDirectoryKey);
    CString path("before");
    SECTION("no key")
    {
        CHECK(ReadInstallationDirectory(path) == ReadOutcome::NoKey);
        CHECK(path == "before");
    }
    SECTION("the key, with its default value or without it")
    {
        CScratchRegistryKey key(kInstallationDirectoryKey);
        CHECK(ReadInstallationDirectory(path) == ReadOutcome::NoValue);
        key.SetString("", std::string("C:\\LINKWELL\\LLC2", 17));
        CHECK(ReadInstallationDirectory(path) == ReadOutcome::Read);
        CHECK(path == "C:\\LINKWELL\\LLC2");
    }
    SECTION("256 bytes without a terminating zero end within the buffer")
    {
        CScratchRegistryKey key(kInstallationDirectoryKey);
        key.SetString("", std::string(256, 'p'));
        CHECK(ReadInstallationDirectory(path) == ReadOutcome::Read);
        CHECK(path == std::string(255, 'p').c_str());
    }
    SECTION("a value too long for the buffer is no value")
    {
        CScratchRegistryKey key(kInstallationDirectoryKey);
        key.SetString("", std::string(300, 'q') + '\0');
        CHECK(ReadInstallationDirectory(path) == ReadOutcome::NoValue);
    }
    SECTION("a DWORD is read as its bytes, still ending within the buffer")
    {
        CScratchRegistryKey key(kInstallationDirectoryKey);
        key.SetDword("", 0x00434241);
        CHECK(ReadInstallationDirectory(path) == ReadOutcome::Read);
        CHECK(path == "ABC");
    }
    DeleteRegistryTree(HKEY_LOCAL_MACHINE, kInstallationDirectoryKey);
}

TEST_CASE("the disk path: the arguments before the registry, else the registry's folder, typed into the prompt")
{
    DeleteRegistryTree(HKEY_LOCAL_MACHINE, kInstallationDirectoryKey);
    enum class Entry { NoKey, KeyWithoutValue, Folder, EmptyFolder };
    struct Case {
        const char* name;
        const char* commandLine;
        Entry entry;
        std::vector<std::string> seen; // beeps, the panel started, the text typed
    } cases[] = {
        {"arguments, with a folder in the registry", "protoinst.exe A:\\LLC2", Entry::Folder,
         {"start control panel", "text disk prompt 581: A:\\LLC2"}},
        {"arguments, with a key without a value: the registry is not read", "protoinst.exe A:\\LLC2",
         Entry::KeyWithoutValue, {"start control panel", "text disk prompt 581: A:\\LLC2"}},
        {"no arguments: the registry's folder", "protoinst.exe  ", Entry::Folder,
         {"start control panel", "text disk prompt 581: C:\\LINKWELL\\LLC2"}},
        {"no arguments, an empty folder in the registry", "protoinst.exe", Entry::EmptyFolder,
         {"start control panel", "text disk prompt 581: "}},
        {"no arguments, a key without a value: one beep, before the panel opens", "protoinst.exe",
         Entry::KeyWithoutValue, {"beep", "start control panel", "text disk prompt 581: "}},
        {"no arguments, no key: no beep", "protoinst.exe", Entry::NoKey, {"start control panel", "text disk prompt 581: "}},
    };
    for (const Case& c : cases) {
        SECTION(c.name)
        {
            std::unique_ptr<CScratchRegistryKey> key;
            if (c.entry != Entry::NoKey)
                key.reset(new CScratchRegistryKey(kInstallationDirectoryKey));
            if (c.entry == Entry::Folder)
                key->SetString("", std::string("C:\\LINKWELL\\LLC2", 17));
            if (c.entry == Entry::EmptyFolder)
                key->SetString("", std::string(1, '\0'));
            CRecordingWorld world;
            CNt4ProtocolInstaller(world).Install(DetermineDiskPath(c.commandLine, world));
            std::vector<std::string> seen;
            for (const std::string& line : world.Record()) {
                if (line == "beep" || line == "start control panel" || line.compare(0, 5, "text ") == 0)
                    seen.push_back(line);
            }
            CHECK(seen == c.seen);
        }
    }
    DeleteRegistryTree(HKEY_LOCAL_MACHINE, kInstallationDirectoryKey);
}

TEST_CASE("the control panel's command line is the system folder's control program with ncpa.cpl")
{
    CHECK(ControlPanelCommandLine(CString("C:\\WINNT\\system32")) == "C:\\WINNT\\system32\\control ncpa.cpl");
    CString longFolder = CString("C:\\") + std::string(200, 'd').c_str();
    CHECK(ControlPanelCommandLine(longFolder).GetLength() == 203 + 17);
}
