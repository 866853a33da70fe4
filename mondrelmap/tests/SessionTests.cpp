// The session around the mapping steps, run against the real client library (this program lies
// in the Mondrel program folder, beside it).
#include "DialogWatch.h"
#include "MappingSession.h"
#include "TestFixtures.h"

#include <catch.hpp>

#include <new>

namespace {

struct BoxCount {
    volatile LONG boxes = 0;
    volatile bool stop = false;
};

// Closes every "Error:" box that a session shows, counting them, so that a wrong box cannot hang
// the test.
DWORD WINAPI CloseBoxes(void* param)
{
    BoxCount* count = static_cast<BoxCount*>(param);
    while (!count->stop) {
        if (HWND box = WaitForWindow("Error:", 100)) {
            InterlockedIncrement(&count->boxes);
            PostMessageA(box, WM_COMMAND, IDOK, 0);
            while (IsWindow(box))
                Sleep(20);
        }
    }
    return 0;
}

} // namespace

TEST_CASE("the database is closed and the session ended however the mapping steps end")
{
    CScratchDir dir;
    CString db = dir / "MONCFG.VSF";
    WriteBytes(db, "PVAPI411 DATABASE 1\nnext 1\ndocuments 0\nend\n");
    struct Case {
        const char* how;
        std::function<void(PVDatabase&)> steps;
        LONG boxes;
    } cases[] = {
        {"they run out of memory", [](PVDatabase&) { throw std::bad_alloc(); }, 0},
        {"something else is thrown", [](PVDatabase&) { throw 1; }, 0},
        {"the client library raises a status", [](PVDatabase& d) {
             PVDocument none;
             d.DeleteDocument(none);
         }, 1},
        {"they end as they should", [](PVDatabase&) {}, 0},
    };
    for (const Case& c : cases) {
        INFO(c.how);
        BoxCount count;
        CKernelHandle watcher(CreateThread(nullptr, 0, CloseBoxes, &count, 0, nullptr));
        CHECK_NOTHROW(RunMappingSession(db, c.steps));
        Sleep(200); // a box shown late would still be counted
        count.stop = true;
        WaitForSingleObject(watcher.Get(), 5000);
        CHECK(count.boxes == c.boxes);
        PVHANDLE database = nullptr;
        CHECK(PVAPI_GetDatabase(db, "", &database) == PVERR_NOT_INITIALIZED);
        CHECK(PVAPI_ThrowsAllErrors() == 0);
    }
}
