// One session of the client library around the steps that change the Mondrel database.
#pragma once

#include "CString.h"
#include "pvapi411.h"

#include <functional>

// Initialises the session with errors thrown, gets and opens the database, and runs the steps on
// it. However the steps end, the database is then closed and the session ended. A client-library
// status ends the steps with the one "Error:" box; what they changed before it stays. Nothing is
// thrown out of it.
void RunMappingSession(const CString& databasePath, const std::function<void(PVDatabase&)>& steps);
