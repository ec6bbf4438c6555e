// Integers shared between the main thread and the log thread.
#pragma once
#include <windows.h>

// Connected clients as the main frame counts them; written by the main thread only.
extern volatile LONG g_nClients;
// Client objects that are alive (connected and not yet released), whatever
// a forced stop did to g_nClients; written by the main thread only. Nothing
// that frees the node pools may run while one is.
extern volatile LONG g_nLiveClients;
// Set (non-zero) by the log thread on a second Stop; read by the capture.
extern volatile LONG g_bForcedStop;
// The last client id handed out (1..255); main thread only.
extern LONG g_nClientId;
