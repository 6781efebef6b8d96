// Makes "ADODB.Connection" creatable in this process through the platform's
// class table (POSIX builds). Hosts and tests call it once at start; further
// calls do nothing.
#pragma once

extern "C" void AdoRegisterInProcess();

// Asks every statement that connections of this process are running to stop
// (SQLite's interrupt, ODBC's SQLCancel); safe from any thread. Gives the
// number of statements asked.
extern "C" int AdoCancelRunning();
