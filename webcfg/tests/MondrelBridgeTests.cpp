#include "MondrelBinding.h"
#include "TestFixtures.h"
#include "vpsetup.h"

#include <catch.hpp>

#include <cstdlib>

namespace {

// The doubles are built into folders beside the test program, where the loader finds them only
// when the bridge has put the folder on PATH.
CString BesideThisProgram(const char* folder)
{
    return ProgramFolder() + folder;
}

CString EnvironmentPath()
{
    char value[32768];
    DWORD length = GetEnvironmentVariableA("PATH", value, sizeof value);
    return CString(value, static_cast<int>(length));
}

// Keeps the test program's own PATH for the next case.
struct SavedPath {
    CString saved = CString("PATH=") + EnvironmentPath();
    ~SavedPath() { _putenv(saved); }
};

bool VpmondrelLoaded()
{
    return GetModuleHandleA("vpmondrel.dll") != nullptr;
}

} // namespace

TEST_CASE("the PATH text appends the program directory after exactly one separator")
{
    struct Case {
        const char* rule;
        const char* current;
        const char* directory;
        const char* expected;
    } cases[] = {
        {"PATH not set", nullptr, "D:\\Mondrel", "PATH=;D:\\Mondrel"},
        {"PATH empty", "", "D:\\Mondrel", "PATH=;D:\\Mondrel"},
        {"PATH without a final separator", "C:\\WINNT", "D:\\M", "PATH=C:\\WINNT;D:\\M"},
        {"PATH ending in a separator", "C:\\WINNT;", "D:\\M", "PATH=C:\\WINNT;D:\\M"},
        {"an empty directory", "C:\\WINNT", "", "PATH=C:\\WINNT;"},
        {"the directory is taken as it is", "C:\\W", "D:\\", "PATH=C:\\W;D:\\"},
    };
    for (const Case& c : cases) {
        SECTION(c.rule) { CHECK(MakePathAssignment(c.current, CString(c.directory)) == CString(c.expected)); }
    }
}

TEST_CASE("the bridge loads the mapping library through PATH and hands on the caller's strings")
{
    SavedPath restore;
    CScratchDir dir;
    CString doubleDir = BesideThisProgram("mondrel-double");
    REQUIRE(FileExists(doubleDir + "\\vpmondrel.dll"));
    CString database("D:\\MONDREL\\CFG\\MONCFG.VSF");
    CString path("C:\\PROD");

    SECTION("the library is found, called once and released; the lengthened path is the caller's")
    {
        _putenv("PATH=C:\\windows\\system32");
        REQUIRE(EnsureMondrelContainsVP(database, path, doubleDir) == 0);
        CHECK(ReadBytes(dir / "mondrel-double.txt") == "D:\\MONDREL\\CFG\\MONCFG.VSF\r\nC:\\PROD\r\n");
        CHECK(path == CString("C:\\PROD\\"));
        CHECK_FALSE(VpmondrelLoaded());
        CHECK(EnvironmentPath() == CString("C:\\windows\\system32;") + doubleDir);
        CHECK(CString(getenv("PATH")) == EnvironmentPath());
    }
    SECTION("PATH unset: the environment gets a separator and the directory")
    {
        _putenv("PATH=");
        REQUIRE(EnsureMondrelContainsVP(database, path, doubleDir) == 0);
        CHECK(EnvironmentPath() == CString(";") + doubleDir);
        CHECK(FileExists(dir / "mondrel-double.txt"));
    }
    SECTION("two calls append the directory twice")
    {
        _putenv("PATH=C:\\w;");
        REQUIRE(EnsureMondrelContainsVP(database, path, doubleDir) == 0);
        REQUIRE(EnsureMondrelContainsVP(database, path, doubleDir) == 0);
        CHECK(EnvironmentPath() == CString("C:\\w;") + doubleDir + ";" + doubleDir);
        CHECK(ReadBytes(dir / "mondrel-double.txt") ==
              "D:\\MONDREL\\CFG\\MONCFG.VSF\r\nC:\\PROD\r\nD:\\MONDREL\\CFG\\MONCFG.VSF\r\nC:\\PROD\\\r\n");
    }
}

TEST_CASE("without a loadable mapping library, or without its entry point, the bridge calls nothing and gives 0")
{
    SavedPath restore;
    CScratchDir dir;
    CString database("D:\\MONCFG.VSF");
    CString path("C:\\PROD");

    SECTION("no vpmondrel.dll anywhere on the search path")
    {
        _putenv("PATH=C:\\windows\\system32");
        CString emptyFolder = dir.Path();
        CHECK(EnsureMondrelContainsVP(database, path, emptyFolder) == 0);
        CHECK(EnvironmentPath() == CString("C:\\windows\\system32;") + emptyFolder);
    }
    SECTION("a vpmondrel.dll that lacks the entry point is loaded and released again")
    {
        _putenv("PATH=C:\\windows\\system32");
        CString noEntryFolder = BesideThisProgram("mondrel-double-noentry");
        REQUIRE(FileExists(noEntryFolder + "\\vpmondrel.dll"));
        CHECK(EnsureMondrelContainsVP(database, path, noEntryFolder) == 0);
        CHECK(ReadBytes(dir / "mondrel-double-loads.txt") == "loaded\r\nreleased\r\n");
        CHECK_FALSE(VpmondrelLoaded());
    }
    CHECK_FALSE(FileExists(dir / "mondrel-double.txt"));
    CHECK(path == CString("C:\\PROD"));
}

TEST_CASE("the client library is loaded by its full path, and only from a program folder users may not change")
{
    SavedPath restore;
    CScratchDir dir;
    // The server's folder with the mapping library's double and the client library it links; a
    // copy a user put where a search for the client library meets it first.
    CString program = dir / "program", database("D:\\MONCFG.VSF"), path("C:\\PROD");
    REQUIRE((CreateDirectoryA(program, nullptr) && CopyFileA(BesideThisProgram("planted\\pvapi411.dll"), dir / "pvapi411.dll", TRUE)));
    for (const char* library : {"vpmondrel.dll", "pvapi411.dll"})
        REQUIRE(CopyFileA(BesideThisProgram("mondrel-double\\") + library, program + "\\" + library, TRUE));
    _putenv("PATH=C:\\windows\\system32");
    struct Case {
        const char* rule;
        const char* openToEveryone; // in the program folder, "" for the folder itself; "-": no client library
    } cases[] = {
        {"a genuine folder: its own client library, never the planted one", nullptr},
        {"a program folder users may change is not loaded from", ""},
        {"nor one whose client library users may change", "\\pvapi411.dll"},
        {"nor one without a client library", "-"},
    };
    for (const Case& c : cases) {
        SECTION(c.rule)
        {
            if (c.openToEveryone && *c.openToEveryone == '-')
                REQUIRE(DeleteFileA(program + "\\pvapi411.dll"));
            else if (c.openToEveryone)
                OpenToEveryone(program + c.openToEveryone);
            REQUIRE(EnsureMondrelContainsVP(database, path, program) == 0);
            // Called only with the genuine client library; the search path changed as ever.
            CHECK(FileExists(dir / "mondrel-double.txt") == !c.openToEveryone);
            if (!c.openToEveryone)
                CHECK(ReadBytes(dir / "mondrel-double-client.txt") == std::string(program.c_str()) + "\\pvapi411.dll\r\n");
            CHECK(EnvironmentPath() == CString("C:\\windows\\system32;") + program);
        }
    }
    CHECK_FALSE(FileExists(dir / "planted-pvapi411.txt"));
    CHECK_FALSE(VpmondrelLoaded());
    CHECK(GetModuleHandleA("pvapi411.dll") == nullptr);
}
