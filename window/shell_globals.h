#pragma once

// The managers that the main window owns and every page may use, reached through
// process-wide pointers. Each is null while its object does not exist (before start-up and
// after the teardown, which clears them before it destroys the pages), and all are read
// and written on the user-interface thread only.

class CUDPManager;
class CWEBManager;
class MeteredSocketFactory;

extern CUDPManager* G_pUDPManager;  // device discovery
extern CWEBManager* G_pWEBManager;  // the web command queue
// The sockets the web command queue sends through: how far its current send has got.
extern const MeteredSocketFactory* G_pWebSendMeter;
