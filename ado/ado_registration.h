// Makes "ADODB.Connection" creatable in this process through the platform's
// class table (POSIX builds). Hosts and tests call it once at start; further
// calls do nothing.
#pragma once

extern "C" void AdoRegisterInProcess();
