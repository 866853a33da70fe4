#include "DatabaseFile.h"
#include "TestFixtures.h"

#include <catch.hpp>

#include <cstring>

namespace {

PVDatabaseData Sample()
{
    PVDatabaseData d;
    d.nextId = 9;
    PVDocumentData mapping;
    mapping.id = 3;
    mapping.items = {{"Form", 4, 0, {"DirMap"}}, {"RM_MapFrom", 4, 0, {"/lw"}}, {"RM_MapTo", 4, 0, {"C:\\P\\web"}}};
    PVDocumentData odd;
    odd.id = 8;
    odd.items = {{"Title", 1, 2, {std::string("line\nbreak\0nul", 14), "", "second"}}, {"Empty", 0, 0, {}}};
    d.documents = {mapping, odd};
    return d;
}

bool Same(const PVDatabaseData& a, const PVDatabaseData& b)
{
    return FormatDatabase(a) == FormatDatabase(b);
}

} // namespace

TEST_CASE("a database survives being written and read back, whatever its values hold")
{
    PVDatabaseData read;
    REQUIRE(ParseDatabase(FormatDatabase(Sample()), read));
    CHECK(Same(read, Sample()));
    REQUIRE(read.documents.size() == 2);
    CHECK(read.documents[1].items[0].values[0] == std::string("line\nbreak\0nul", 14));
    CHECK(read.documents[0].FindItem("RM_MapTo")->values[0] == "C:\\P\\web");
    CHECK(read.documents[0].FindItem("rm_mapto") == nullptr);
}

TEST_CASE("numbers are read back over the whole 32-bit range they are written in")
{
    const unsigned long edges[] = {999999999ul, 1000000000ul, 4294967294ul, 4294967295ul};
    for (unsigned long edge : edges) {
        INFO(edge);
        PVDatabaseData d;
        d.nextId = edge;
        PVDocumentData document;
        document.id = edge - 1;
        document.items = {{"Form", edge, edge, {"DirMap"}}};
        d.documents = {document};
        PVDatabaseData read;
        REQUIRE(ParseDatabase(FormatDatabase(d), read));
        CHECK(Same(read, d));
        CHECK(read.nextId == edge);
        CHECK(read.documents[0].items[0].option == edge);
    }
}

TEST_CASE("every cut of a database file and every damaged byte is refused, never read past its end")
{
    std::string whole = FormatDatabase(Sample());
    PVDatabaseData read;
    for (size_t length = 0; length < whole.size(); ++length) {
        INFO("cut at " << length);
        CHECK_FALSE(ParseDatabase(whole.substr(0, length), read));
    }
    CHECK_FALSE(ParseDatabase(whole + "x", read));
    struct Case {
        const char* rule;
        std::string text;
    } cases[] = {
        {"a value longer than the file", "PVAPI411 DATABASE 1\nnext 2\ndocuments 1\ndoc 1 1\nitem 4 0 1 4:Form\nvalue 99999:x\nend\n"},
        {"a count that overflows", "PVAPI411 DATABASE 1\nnext 2\ndocuments 99999999999999999999\nend\n"},
        {"a document id not below next", "PVAPI411 DATABASE 1\nnext 2\ndocuments 1\ndoc 2 0\nend\n"},
        {"document id 0", "PVAPI411 DATABASE 1\nnext 2\ndocuments 1\ndoc 0 0\nend\n"},
        {"two documents of one id", "PVAPI411 DATABASE 1\nnext 9\ndocuments 3\ndoc 4 0\ndoc 5 0\ndoc 4 0\nend\n"},
        {"a number beyond 32 bits", "PVAPI411 DATABASE 1\nnext 4294967296\ndocuments 0\nend\n"},
        {"a number of eleven digits", "PVAPI411 DATABASE 1\nnext 00000000001\ndocuments 0\nend\n"},
        {"another format", "PVAPI411 DATABASE 2\nnext 1\ndocuments 0\nend\n"},
        {"CR LF line ends", "PVAPI411 DATABASE 1\r\nnext 1\r\ndocuments 0\r\nend\r\n"},
        {"random bytes", std::string("\x00\xff\x7fPVAPI", 8)},
    };
    for (const Case& c : cases) {
        SECTION(c.rule) { CHECK_FALSE(ParseDatabase(c.text, read)); }
    }
}

TEST_CASE("a database file is replaced in one step and the temporary file never stays")
{
    CScratchDir dir;
    std::string path = (dir / "MONCFG.VSF").c_str();
    REQUIRE(ReplaceFileContent(path, "first"));
    LockDown(CString(path.c_str()));
    const std::string locked = ProtectionOf(CString(path.c_str()));
    REQUIRE(ReplaceFileContent(path, "second"));
    std::string bytes;
    REQUIRE(ReadDatabaseFile(path, bytes) == FileRead::Ok);
    CHECK(bytes == "second");
    CHECK(ProtectionOf(CString(path.c_str())) == locked);
    CHECK_FALSE(FileExists(CString(path.c_str()) + ".new"));

    SECTION("a write that cannot replace the file leaves it as it was")
    {
        CreateDirectoryA((path + ".new").c_str(), nullptr);
        CHECK_FALSE(ReplaceFileContent(path, "third"));
        REQUIRE(ReadDatabaseFile(path, bytes) == FileRead::Ok);
        CHECK(bytes == "second");
        RemoveDirectoryA((path + ".new").c_str());
    }
    CHECK(ReadDatabaseFile((dir / "none.vsf").c_str(), bytes) == FileRead::Missing);
}

namespace {

// The text at the very end of a readable page, with a page nobody may touch right behind it: a
// parser that reads one byte past the text ends the test program there.
class CGuardedText {
public:
    CGuardedText()
    {
        SYSTEM_INFO system;
        GetSystemInfo(&system);
        m_page = system.dwPageSize;
        m_block = static_cast<char*>(VirtualAlloc(nullptr, 2 * m_page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        DWORD old = 0;
        VirtualProtect(m_block + m_page, m_page, PAGE_NOACCESS, &old);
    }
    ~CGuardedText() { VirtualFree(m_block, 0, MEM_RELEASE); }
    const char* Place(const std::string& text)
    {
        REQUIRE(text.size() <= m_page);
        char* at = m_block + m_page - text.size();
        memcpy(at, text.data(), text.size());
        return at;
    }

private:
    DWORD m_page = 0;
    char* m_block = nullptr;
};

} // namespace

TEST_CASE("a database file with any one byte changed is read or refused, never read past its end")
{
    const std::string whole = FormatDatabase(Sample());
    const char values[] = {'\0', '\n', ' ', ':', '0', '9', 'x', '\xFF'};
    CGuardedText guarded;
    size_t read = 0, refused = 0;
    for (size_t at = 0; at < whole.size(); ++at) {
        for (char value : values) {
            for (char changed : {value, static_cast<char>(whole[at] ^ 1)}) {
                std::string flipped = whole;
                flipped[at] = changed;
                INFO("byte " << at << " made " << int(static_cast<unsigned char>(changed)));
                PVDatabaseData data;
                if (!ParseDatabase(guarded.Place(flipped), flipped.size(), data)) {
                    ++refused;
                    continue;
                }
                ++read;
                // What is read is a database in its own right: written again, it reads the same.
                PVDatabaseData again;
                REQUIRE(ParseDatabase(FormatDatabase(data), again));
                CHECK(Same(again, data));
            }
        }
    }
    CHECK(read > 0);
    CHECK(refused > 0);
}
