#include "DialogWatch.h"
#include "TestFixtures.h"
#include "vpmondrel.h"
#include "vpsetup.h"

#include <catch.hpp>

#include <cstdlib>
#include <vector>

namespace {

CString MondrelProgram()
{
    return ProgramFolder() + "mondrel-program";
}

// Runs pvdb with the arguments and gives what it printed.
std::string Pvdb(const CString& arguments)
{
    CScratchDir out;
    {
        SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
        CFileHandle output(
            CreateFileA(out / "out.txt", GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr));
        REQUIRE(output);
        CProcessInformation process;
        StartProgram(process, MondrelProgram() + "\\pvdb.exe", CString("pvdb ") + arguments, CString(), output.Get());
        WaitForExit(process, 30000);
    }
    std::string text = ReadBytes(out / "out.txt");
    std::string clean;
    for (char c : text)
        if (c != '\r')
            clean += c;
    return clean;
}

void AddMapping(const CString& db, const char* from, const char* to, const char* type, const char* form = "DirMap")
{
    Pvdb(CString("add ") + db + " Form=" + form + " RM_MapFrom=" + from + " RM_MapTo=" + to + " RM_MapType=" + type);
}

// The mapping library loaded as the bridge loads it, with the program folder on PATH.
struct MappingLibrary {
    CString savedPath = CString("PATH=") + getenv("PATH");
    HMODULE module = nullptr;
    EnsureMondrelPrimeProc prime = nullptr;
    EnsureMondrelPrimeProc lacks = nullptr;
    MappingLibrary()
    {
        _putenv(CString("PATH=") + getenv("PATH") + ";" + MondrelProgram());
        module = LoadLibraryA("vpmondrel.dll");
        REQUIRE(module);
        prime = reinterpret_cast<EnsureMondrelPrimeProc>(
            reinterpret_cast<void*>(GetProcAddress(module, kEnsureMondrelContainsVPPrimeName)));
        lacks = reinterpret_cast<EnsureMondrelPrimeProc>(
            reinterpret_cast<void*>(GetProcAddress(module, kEnsureMondrelLacksVPPrimeName)));
        REQUIRE(prime);
        REQUIRE(lacks);
    }
    ~MappingLibrary()
    {
        FreeLibrary(module);
        _putenv(savedPath);
        _putenv("PVAPI411_FAIL=");
    }
};

// Every "Error:" box shown while a call runs: its text read, then closed with OK.
struct BoxWatch {
    std::vector<std::string> texts;
    bool ownerless = true;
    int buttons = 0;
    volatile bool stop = false;
};

DWORD WINAPI WatchBoxes(void* param)
{
    BoxWatch* watch = static_cast<BoxWatch*>(param);
    while (!watch->stop) {
        HWND box = WaitForWindow("Error:", 100);
        if (!box)
            continue;
        watch->texts.push_back(MessageBoxText(box));
        watch->ownerless = watch->ownerless && GetWindow(box, GW_OWNER) == nullptr;
        for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            char cls[32];
            GetClassNameA(child, cls, sizeof cls);
            watch->buttons += lstrcmpiA(cls, "Button") == 0 ? 1 : 0;
        }
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        while (IsWindow(box))
            Sleep(20);
    }
    return 0;
}

int CallWatched(EnsureMondrelPrimeProc operation, CString& db, CString& path, BoxWatch& watch)
{
    watch.stop = false;
    CKernelHandle thread(CreateThread(nullptr, 0, WatchBoxes, &watch, 0, nullptr));
    int result = operation(db, path);
    Sleep(300); // a box shown late would still be counted
    watch.stop = true;
    WaitForSingleObject(thread.Get(), 5000);
    return result;
}

std::string Message(unsigned long status)
{
    HMODULE client = GetModuleHandleA("pvapi411.dll");
    auto get = reinterpret_cast<unsigned long(__cdecl*)(unsigned long, char*, unsigned long)>(
        reinterpret_cast<void*>(GetProcAddress(client, "PVGetErrorMessage")));
    char text[512] = "";
    get(status, text, sizeof text);
    return text;
}

const char kTemplate[] = "[PELLAN MONDREL]\r\n/lw, web, Document,\r\n/lw-bin, web\\bin, Program,\r\n[END]\r\n";

} // namespace

TEST_CASE("the template's mappings are created, kept or replaced in the database")
{
    CScratchDir dir;
    WriteBytes(dir / "vpsetup.ini", kTemplate);
    CString db = dir / "MONCFG.VSF";
    Pvdb(CString("create ") + db);
    CString path("C:\\PROD");
    MappingLibrary library;
    BoxWatch watch;

    SECTION("an empty database gets every entry, in template order")
    {
        CHECK(CallWatched(library.prime, db, path, watch) == 0);
        CHECK(Pvdb(CString("list ") + db) ==
              "1: Form=DirMap RM_MapFrom=/lw RM_MapTo=C:\\PROD\\web RM_MapType=Document\n"
              "2: Form=DirMap RM_MapFrom=/lw-bin RM_MapTo=C:\\PROD\\web\\bin RM_MapType=Program\n");
        CHECK(path == "C:\\PROD\\");
        SECTION("and a second run changes nothing")
        {
            std::string once = ReadBytes(db);
            CHECK(CallWatched(library.prime, db, path, watch) == 0);
            CHECK(ReadBytes(db) == once);
        }
    }
    SECTION("a mapping equal but for letter case is left as it is")
    {
        AddMapping(db, "/LW", "c:\\prod\\WEB", "document");
        AddMapping(db, "/lw-bin", "C:\\PROD\\web\\bin", "PROGRAM");
        std::string before = ReadBytes(db);
        CHECK(CallWatched(library.prime, db, path, watch) == 0);
        CHECK(ReadBytes(db) == before);
    }
    SECTION("a mapping of the same source with another target goes, with every mapping spelled like it")
    {
        AddMapping(db, "/LW", "C:\\OLD", "Document");
        AddMapping(db, "/lw", "C:\\OTHER", "Document");
        AddMapping(db, "/LW", "C:\\OLD2", "Document");
        AddMapping(db, "/lw-bin", "C:\\PROD\\web\\bin", "Program");
        AddMapping(db, "/LW", "C:\\NOT-A-MAPPING", "Document", "dirmap");
        CHECK(CallWatched(library.prime, db, path, watch) == 0);
        CHECK(Pvdb(CString("list ") + db) ==
              "1: Form=DirMap RM_MapFrom=/lw RM_MapTo=C:\\OTHER RM_MapType=Document\n"
              "2: Form=DirMap RM_MapFrom=/lw-bin RM_MapTo=C:\\PROD\\web\\bin RM_MapType=Program\n"
              "3: Form=dirmap RM_MapFrom=/LW RM_MapTo=C:\\NOT-A-MAPPING RM_MapType=Document\n"
              "4: Form=DirMap RM_MapFrom=/lw RM_MapTo=C:\\PROD\\web RM_MapType=Document\n");
    }
    SECTION("two entries of one source, none in the database: both are created")
    {
        WriteBytes(dir / "vpsetup.ini", "[PELLAN MONDREL]\r\n/lw, a, T,\r\n/lw, b, T,\r\n[END]\r\n");
        CHECK(CallWatched(library.prime, db, path, watch) == 0);
        CHECK(Pvdb(CString("list ") + db) == "1: Form=DirMap RM_MapFrom=/lw RM_MapTo=C:\\PROD\\a RM_MapType=T\n"
                                             "2: Form=DirMap RM_MapFrom=/lw RM_MapTo=C:\\PROD\\b RM_MapType=T\n");
    }
    CHECK(watch.texts.empty());
}

TEST_CASE("without its database file the library does nothing and says nothing")
{
    CScratchDir dir;
    WriteBytes(dir / "vpsetup.ini", kTemplate);
    CString db = dir / "MONCFG.VSF";
    CString path("C:\\PROD");
    MappingLibrary library;
    BoxWatch watch;
    CHECK(CallWatched(library.prime, db, path, watch) == -1);
    CHECK(watch.texts.empty());
    CHECK(path == "C:\\PROD");
    CHECK_FALSE(FileExists(db));
}

TEST_CASE("a client library error ends the run with one Error: box, keeping what was done")
{
    CScratchDir dir;
    CString db = dir / "MONCFG.VSF";
    Pvdb(CString("create ") + db);
    CString path("C:\\P\\");
    MappingLibrary library;
    BoxWatch watch;

    SECTION("the third of five new documents cannot be created")
    {
        WriteBytes(dir / "vpsetup.ini", "[PELLAN MONDREL]\r\n/a, a, T,\r\n/b, b, T,\r\n/c, c, T,\r\n/d, d, T,\r\n/e, e, T,\r\n[END]\r\n");
        _putenv("PVAPI411_FAIL=CreateDocument:3");
        CHECK(CallWatched(library.prime, db, path, watch) == 0);
        _putenv("PVAPI411_FAIL=");
        REQUIRE(watch.texts.size() == 1);
        CHECK(watch.texts[0] == Message(0x410D));
        CHECK(watch.ownerless);
        CHECK(watch.buttons == 1);
        CHECK(Pvdb(CString("list ") + db) == "1: Form=DirMap RM_MapFrom=/a RM_MapTo=C:\\P\\a RM_MapType=T\n"
                                             "2: Form=DirMap RM_MapFrom=/b RM_MapTo=C:\\P\\b RM_MapType=T\n");
    }
    SECTION("a damaged database file is reported and left as it was")
    {
        WriteBytes(dir / "vpsetup.ini", kTemplate);
        std::string damaged = ReadBytes(db).substr(0, 25);
        WriteBytes(db, damaged);
        CHECK(CallWatched(library.prime, db, path, watch) == 0);
        REQUIRE(watch.texts.size() == 1);
        CHECK(watch.texts[0] == Message(0x4104));
        CHECK(ReadBytes(db) == damaged);
    }
    SECTION("a document without one of the items read")
    {
        WriteBytes(dir / "vpsetup.ini", kTemplate);
        Pvdb(CString("add ") + db + " Title=no-form");
        CHECK(CallWatched(library.prime, db, path, watch) == 0);
        REQUIRE(watch.texts.size() == 1);
        CHECK(watch.texts[0] == Message(0x4109));
        CHECK(Pvdb(CString("list ") + db) == "1: Title=no-form\n");
    }
}

TEST_CASE("taking back deletes every mapping equal to a template entry, and no other document")
{
    CScratchDir dir;
    WriteBytes(dir / "vpsetup.ini", kTemplate);
    CString db = dir / "MONCFG.VSF";
    Pvdb(CString("create ") + db);
    AddMapping(db, "/LW", "c:\\prod\\WEB", "document");       // equal but for case: ours
    AddMapping(db, "/lw", "C:\\OLD", "Document");                // our source, another target
    AddMapping(db, "/lw-bin", "C:\\PROD\\web\\bin", "Program"); // ours
    AddMapping(db, "/lw", "C:\\PROD\\web", "Document", "dirmap"); // not a mapping
    AddMapping(db, "/lw", "C:\\PROD\\web", "Document");         // ours twice: both go
    CString path("C:\\PROD");
    MappingLibrary library;
    BoxWatch watch;
    CHECK(CallWatched(library.lacks, db, path, watch) == 0);
    CHECK(path == "C:\\PROD\\");
    CHECK(Pvdb(CString("list ") + db) ==
          "1: Form=DirMap RM_MapFrom=/lw RM_MapTo=C:\\OLD RM_MapType=Document\n"
          "2: Form=dirmap RM_MapFrom=/lw RM_MapTo=C:\\PROD\\web RM_MapType=Document\n");
    SECTION("a second time nothing is written")
    {
        std::string once = ReadBytes(db);
        CHECK(CallWatched(library.lacks, db, path, watch) == 0);
        CHECK(ReadBytes(db) == once);
    }
    SECTION("without its database it does nothing")
    {
        CString none = dir / "NONE.VSF";
        CHECK(CallWatched(library.lacks, none, path, watch) == -1);
        CHECK_FALSE(FileExists(none));
    }
    CHECK(watch.texts.empty());
}

TEST_CASE("through the bridge, the mapping library loads only with the Mondrel folder on PATH")
{
    CScratchDir dir;
    WriteBytes(dir / "vpsetup.ini", kTemplate);
    CString db = dir / "MONCFG.VSF";
    Pvdb(CString("create ") + db);
    CString saved = CString("PATH=") + getenv("PATH");

    CHECK(LoadLibraryA("vpmondrel.dll") == nullptr); // its client library is nowhere on the search path
    CString path("C:\\PROD");
    CString program = MondrelProgram();
    CHECK(EnsureMondrelContainsVP(db, path, program) == 0);
    CHECK(path == "C:\\PROD\\");
    CHECK(Pvdb(CString("list ") + db) ==
          "1: Form=DirMap RM_MapFrom=/lw RM_MapTo=C:\\PROD\\web RM_MapType=Document\n"
          "2: Form=DirMap RM_MapFrom=/lw-bin RM_MapTo=C:\\PROD\\web\\bin RM_MapType=Program\n");
    CHECK(GetModuleHandleA("vpmondrel.dll") == nullptr);
    // Its twin takes the mappings back out through the same bridge: the database as it was made.
    CHECK(EnsureMondrelLacksVP(db, path, program) == 0);
    CHECK(Pvdb(CString("list ") + db).empty());
    CHECK(GetModuleHandleA("vpmondrel.dll") == nullptr);
    _putenv(saved);
}
