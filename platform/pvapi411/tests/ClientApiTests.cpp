// The client library through its exports and the caller's wrappers, as the mapping library uses
// it (this program lies beside the library in the Mondrel program folder).
#include "TestFixtures.h"
#include "pvapi411.h"

#include <catch.hpp>

#include <string>
#include <vector>

namespace {

std::string Database(const char* next, const char* documents = "0\n")
{
    return std::string("PVAPI411 DATABASE 1\nnext ") + next + "\ndocuments " + documents + "end\n";
}

// One new document saved in a session; the first status raised on the way.
PVSTATUS SaveNewDocument(const CString& path)
{
    PVVeldaSession session;
    session.Initialize(410, 0, nullptr, nullptr);
    PVSetThrowAllErrors(1);
    PVSTATUS status = PVOK;
    try {
        PVDatabase database;
        session.GetDatabase(PVString(path.c_str()), database, PVString(""));
        database.Open();
        PVDocument document;
        database.CreateDocument(document);
        PVText form;
        document.CreateItem("Form", form, 4, 0);
        form.SetValue(PVString("DirMap"));
        document.Save(0);
    } catch (PVSTATUS raised) {
        status = raised;
    }
    session.Term();
    return status;
}

PVSTATUS OpenStatus(const CString& path)
{
    PVVeldaSession session;
    session.Initialize(410, 0, nullptr, nullptr);
    PVDatabase database;
    session.GetDatabase(PVString(path.c_str()), database, PVString(""));
    PVSTATUS status = database.Open();
    session.Term();
    return status;
}

} // namespace

TEST_CASE("new documents take ids up to the last one a file can hold, and no further")
{
    CScratchDir dir;
    CString path = dir / "MONCFG.VSF";
    struct Case {
        const char* next;
        PVSTATUS saved;
        const char* nextAfter;
    } cases[] = {
        {"999999999", PVOK, "next 1000000000\n"},
        {"4294967294", PVOK, "next 4294967295\n"},
        {"4294967295", PVERR_NO_DOCUMENT_ID, "next 4294967295\n"},
    };
    for (const Case& c : cases) {
        INFO("next " << c.next);
        WriteBytes(path, Database(c.next));
        std::string before = ReadBytes(path);
        CHECK(SaveNewDocument(path) == c.saved);
        CHECK(ReadBytes(path).find(c.nextAfter) != std::string::npos);
        if (c.saved != PVOK)
            CHECK(ReadBytes(path) == before);
        CHECK(OpenStatus(path) == PVOK);
    }
    WriteBytes(path, Database("9", "2\ndoc 3 0\ndoc 3 0\n"));
    CHECK(OpenStatus(path) == PVERR_DATABASE_DAMAGED);
}

TEST_CASE("a position beyond the document collection raises a status")
{
    CScratchDir dir;
    CString path = dir / "MONCFG.VSF";
    WriteBytes(path, Database("3", "1\ndoc 2 0\n"));
    PVVeldaSession session;
    session.Initialize(410, 0, nullptr, nullptr);
    PVDatabase database;
    session.GetDatabase(PVString(path.c_str()), database, PVString(""));
    REQUIRE(database.Open() == PVOK);
    PVDocumentArray documents;
    REQUIRE(database.GetDocuments(documents) == PVOK);
    REQUIRE(documents.GetCount() == 1);
    CHECK(documents[0].Open(0) == PVOK);

    PVDocument& none = documents[1];
    CHECK(none.Open(0) == PVERR_BAD_ARGUMENT);
    PVSetThrowAllErrors(1);
    PVSTATUS raised = PVOK;
    try {
        (void)documents[5];
    } catch (PVSTATUS status) {
        raised = status;
    }
    CHECK(raised == PVERR_NO_SUCH_DOCUMENT);
    session.Term();
}

namespace {

// Takes the process's free address space, all but one block, while it lives: allocations larger
// than that block fail as they would on a machine out of memory.
class CAddressSpaceTaken {
public:
    explicit CAddressSpaceTaken(SIZE_T leftFree)
    {
        for (SIZE_T size = SIZE_T(1) << 30; size >= 65536; size /= 2) {
            while (void* block = VirtualAlloc(nullptr, size, MEM_RESERVE, PAGE_NOACCESS))
                m_blocks.push_back(block);
        }
        m_blocks.push_back(nullptr);
        // Give back the first block of the asked size, so that small allocations go on working.
        for (void*& block : m_blocks) {
            MEMORY_BASIC_INFORMATION info;
            if (block && VirtualQuery(block, &info, sizeof info) && info.RegionSize >= leftFree &&
                info.RegionSize < 2 * leftFree) {
                VirtualFree(block, 0, MEM_RELEASE);
                block = nullptr;
                break;
            }
        }
    }
    ~CAddressSpaceTaken()
    {
        for (void* block : m_blocks)
            if (block)
                VirtualFree(block, 0, MEM_RELEASE);
    }

private:
    std::vector<void*> m_blocks;
};

} // namespace

TEST_CASE("running out of memory inside a call is a status of its own, the file unchanged")
{
    if (sizeof(void*) != 4) {
        WARN("only a 32-bit process can be made to run out of address space");
        return;
    }
    CScratchDir dir;
    CString path = dir / "MONCFG.VSF";
    const std::string value(48u * 1024u * 1024u, 'v');
    WriteBytes(path, Database("2", ("1\ndoc 1 1\nitem 4 0 1 4:Form\nvalue " + std::to_string(value.size()) + ":" +
                                    value + "\n").c_str()));
    PVVeldaSession session;
    session.Initialize(410, 0, nullptr, nullptr);
    PVDatabase database;
    session.GetDatabase(PVString(path.c_str()), database, PVString(""));
    PVSTATUS status;
    {
        CAddressSpaceTaken taken(16u * 1024u * 1024u);
        status = database.Open();
    }
    CHECK(status == PVERR_OUT_OF_MEMORY);
    CHECK(database.Open() == PVOK);
    session.Term();
}
