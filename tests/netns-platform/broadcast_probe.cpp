// Helper for the namespace broadcast test. Run only inside namespaces the test made.
//
//   broadcast_probe listen PORT      prints "ready", then one line per datagram received
//                                    ("from=ADDR payload=TEXT"); ends 300 ms after the
//                                    first one (exit 0) or after 10 s without any (exit 1)
//   broadcast_probe send PORT TEXT   SendBroadcastOnAllInterfaces; prints "interfaces=N"
//   broadcast_probe plain PORT TEXT  one plain sendto(255.255.255.255); prints "errno=N"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/async_socket.h"
#include "platform/linux/bsd_socket.h"
#include "platform/poll_event_loop.h"

namespace {

int Listen(uint16_t port) {
    PollEventLoop loop;
    struct Events : IAsyncSocketEvents {
        BsdSocket* socket = nullptr;
        int received = 0;
        void OnReceive(int) override {
            char buffer[1024];
            std::string from;
            uint16_t fromPort = 0;
            const int n = socket->ReceiveFrom(buffer, sizeof(buffer), from, fromPort);
            if (n >= 0) {
                std::printf("from=%s payload=%.*s\n", from.c_str(), n, buffer);
                std::fflush(stdout);
                ++received;
            }
        }
    } events;
    BsdSocket socket(loop, events);
    events.socket = &socket;
    if (!socket.Create(IAsyncSocket::Type::kDatagram, port, "")) {
        std::printf("create failed errno=%d\n", socket.LastError());
        return 2;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    if (!loop.RunUntil([&] { return events.received > 0; }, 10000)) {
        return 1;
    }
    // A little longer, so that a duplicate would show up in the output.
    loop.RunUntil([] { return false; }, 300);
    return 0;
}

int Send(uint16_t port, const std::string& text) {
    PollEventLoop loop;
    IAsyncSocketEvents events;
    BsdSocket socket(loop, events);
    if (!socket.Create(IAsyncSocket::Type::kDatagram, port, "")) {
        std::printf("create failed errno=%d\n", socket.LastError());
        return 2;
    }
    const int count = socket.SendBroadcastOnAllInterfaces(text.data(), text.size(), port);
    std::printf("interfaces=%d errno=%d\n", count, count > 0 ? 0 : socket.LastError());
    return count > 0 ? 0 : 1;
}

int SendPlain(uint16_t port, const std::string& text) {
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof(on));
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(INADDR_BROADCAST);
    to.sin_port = htons(port);
    const ssize_t sent = ::sendto(fd, text.data(), text.size(), 0,
                                  reinterpret_cast<const sockaddr*>(&to), sizeof(to));
    std::printf("errno=%d\n", sent < 0 ? errno : 0);
    ::close(fd);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s listen|send|plain PORT [TEXT]\n", argv[0]);
        return 2;
    }
    const std::string mode = argv[1];
    const auto port = static_cast<uint16_t>(std::atoi(argv[2]));
    const std::string text = argc > 3 ? argv[3] : "probe";
    if (mode == "listen") {
        return Listen(port);
    }
    if (mode == "send") {
        return Send(port, text);
    }
    if (mode == "plain") {
        return SendPlain(port, text);
    }
    return 2;
}
