#pragma once

#include "platform/metered_socket.h"
#include "web/response_parsers.h"
#include "web/selected_device.h"

class WebCommandQueue;

// The repeater the program is connected to, as the wizard's frame reaches it: where its
// commands go (the web command queue, with how far its socket has sent), its login as
// Connect took it from the search, and the record of what its pages told. The program
// owns all of it (its state object); the queue goes at the program's teardown, before the
// frame.
class IConnectedDevice {
public:
    virtual ~IConnectedDevice() = default;

    // The web command queue; null once the program's teardown has removed it.
    virtual WebCommandQueue* WebQueue() = 0;
    // How far the queue's socket has got with the request it sends now.
    virtual SendProgress WebSendProgress() const = 0;
    virtual const DeviceLogin& Login() const = 0;
    // Emptied by every loading, filled by the start-up reads, shown by the pages.
    virtual DeviceStatus& Status() = 0;
};
