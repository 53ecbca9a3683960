#pragma once

#include <cstdint>
#include <memory>

#include "platform/async_socket.h"

// How far the current stream send has got: bytes handed to the socket for the present
// connection, and how many of them have reached the kernel.
struct SendProgress {
    uint64_t sent = 0;
    uint64_t total = 0;
};

// Wraps a socket factory so that the progress of stream sends can be read from outside
// the web manager, which owns its socket: tamselctl's progress bar and the firmware page
// show how far an upload has got. The factory must outlive the sockets it makes.
class MeteredSocketFactory : public ISocketFactory {
public:
    explicit MeteredSocketFactory(ISocketFactory& inner);
    ~MeteredSocketFactory() override;

    std::unique_ptr<IAsyncSocket> MakeSocket(IAsyncSocketEvents& events) override;

    // Progress of the stream socket created last; zeros when there is none.
    SendProgress StreamProgress() const;

private:
    class MeteredSocket;
    friend class MeteredSocket;

    ISocketFactory& m_inner;
    // The stream socket most recently (re)created; cleared when that socket is destroyed.
    MeteredSocket* m_stream = nullptr;
};
