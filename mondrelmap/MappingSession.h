// One session of the client library around the steps that change the Mondrel database.
#pragma once

#include "CString.h"
#include "pvapi411.h"

#include <functional>

// Initialises the session with errors thrown, gets and opens the database, and runs the steps on
// it. However the steps end, the database is then closed and the session ended. A client-library
// status ends the steps with the one "Error:" box (none when only looking: showErrors false);
// what they changed before it stays. Nothing is thrown out of it. False when the steps did not
// run to their end.
bool RunMappingSession(const CString& databasePath, const std::function<void(PVDatabase&)>& steps,
                       bool showErrors = true);
