#include "OperationError.h"

namespace {
// The operations are called one at a time, as setup calls them.
DWORD g_kept = ERROR_SUCCESS;
} // namespace

namespace operation_error {

void Start()
{
    g_kept = ERROR_SUCCESS;
}

void Keep(DWORD error)
{
    if (g_kept == ERROR_SUCCESS)
        g_kept = error;
}

int Leave(int result)
{
    // None kept: no cause is known, and none is made up from an earlier call's error.
    if (result == -1)
        SetLastError(g_kept);
    return result;
}

} // namespace operation_error
