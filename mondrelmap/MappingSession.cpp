#include "MappingSession.h"

#include <windows.h>

namespace {

const unsigned long kMessageBufferBytes = 512;

void ShowClientError(PVSTATUS status)
{
    char message[kMessageBufferBytes] = "";
    PVGetErrorMessage(status, message, kMessageBufferBytes);
    MessageBoxA(nullptr, message, "Error:", MB_ICONSTOP | MB_OK);
}

} // namespace

bool RunMappingSession(const CString& databasePath, const std::function<void(PVDatabase&)>& steps, bool showErrors)
{
    bool complete = false;
    PVVeldaSession session;
    PVDatabase database;
    try {
        session.Initialize(410, 0, nullptr, nullptr);
        PVSetThrowAllErrors(1);
        session.GetDatabase(PVString(databasePath.c_str()), database, PVString(""));
        database.Open();
        steps(database);
        complete = true;
    } catch (PVSTATUS status) {
        // What was changed before the error stays; no entry is retried.
        if (showErrors)
            ShowClientError(status);
    } catch (...) {
        // Out of memory on our side: the client library has nothing to say about it, but its
        // database must still be closed and its session ended.
    }
    // Whatever closing and ending raise goes no further.
    try {
        database.Close();
    } catch (...) {
    }
    try {
        session.Term();
    } catch (...) {
    }
    return complete;
}
