#include "server/core/Globals.h"

volatile LONG g_nClients = 0;
volatile LONG g_nLiveClients = 0;
volatile LONG g_bForcedStop = 0;
LONG g_nClientId = 0;
