#include "window/shell_globals.h"

CUDPManager* G_pUDPManager = nullptr;
CWEBManager* G_pWEBManager = nullptr;
const MeteredSocketFactory* G_pWebSendMeter = nullptr;
