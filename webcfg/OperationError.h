// The system's error behind an operation's -1. It is kept where the operation fails, since what
// the operation does on its way out (removing its temporary file, closing handles, giving back a
// privilege) calls the system again, and is left behind as the thread's last error when the
// operation returns.
#pragma once

#include <windows.h>

namespace operation_error {

// Begins an operation: nothing kept.
void Start();
// Keeps the error unless one is kept already: the first failure is the cause, what follows it
// is its consequence. ERROR_SUCCESS keeps nothing.
void Keep(DWORD error);
inline void KeepLast()
{
    Keep(GetLastError());
}
// Ends the operation: a -1 leaves the kept error (ERROR_SUCCESS where none was) as the thread's
// last error.
int Leave(int result);

} // namespace operation_error
