#include "sim/discovery_responder.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>

#include "sim/discovery_datagrams.h"
#include "sim/sim_log.h"

namespace {

// A reply of this or any other device: its signature with the reply code 00 A1.
bool IsSearchReply(const uint8_t* datagram, size_t length) {
    return length >= 16 && std::memcmp(datagram + 6, "ZELKOR", 6) == 0 && datagram[12] == 0x00 &&
           datagram[13] == 0xa1;
}

}  // namespace

DiscoveryResponder::~DiscoveryResponder() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

std::string DiscoveryResponder::Open(uint16_t port) {
    int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return std::string("socket: ") + std::strerror(errno);
    }
    int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    ::setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    ::setsockopt(fd, IPPROTO_IP, IP_PKTINFO, &on, sizeof on);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(port);
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
        std::string error = "discovery port " + std::to_string(port) + ": " + std::strerror(errno);
        ::close(fd);
        return error;
    }
    m_fd = fd;
    m_port = port;
    return {};
}

void DiscoveryResponder::OnReadable(const DeviceState& device, const Settings& settings,
                                    SimLog& log) {
    while (true) {
        uint8_t buffer[2048];
        sockaddr_in peer{};
        char control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
        iovec io{buffer, sizeof buffer};
        msghdr message{};
        message.msg_name = &peer;
        message.msg_namelen = sizeof peer;
        message.msg_iov = &io;
        message.msg_iovlen = 1;
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        ssize_t received = ::recvmsg(m_fd, &message, 0);
        if (received < 0) {
            return;
        }
        const auto length = static_cast<size_t>(received);
        if (IsSearchReply(buffer, length)) {
            continue;  // our own broadcast coming back, or another device's reply
        }
        int arrivalInterface = 0;
        in_addr destination{};  // as the datagram's header named it: broadcast or ours
        for (cmsghdr* header = CMSG_FIRSTHDR(&message); header;
             header = CMSG_NXTHDR(&message, header)) {
            if (header->cmsg_level == IPPROTO_IP && header->cmsg_type == IP_PKTINFO) {
                in_pktinfo info;
                std::memcpy(&info, CMSG_DATA(header), sizeof info);
                arrivalInterface = info.ipi_ifindex;
                destination = info.ipi_addr;
            }
        }

        const bool valid = IsSearchRequestFor(buffer, length, device.mac());
        const bool answer = valid && settings.answer;
        char peerText[INET_ADDRSTRLEN] = {};
        inet_ntop(AF_INET, &peer.sin_addr, peerText, sizeof peerText);
        char destinationText[INET_ADDRSTRLEN] = {};
        inet_ntop(AF_INET, &destination, destinationText, sizeof destinationText);
        log.Datagram(std::string("peer=") + peerText + ":" + std::to_string(ntohs(peer.sin_port)) +
                         " to=" + destinationText + " valid=" + (valid ? "yes" : "no") +
                         " answered=" + (answer ? "yes" : "no") +
                         (answer && settings.badDatagrams > 0
                              ? " invalid-sent=" + std::to_string(settings.badDatagrams)
                              : std::string()),
                     std::string_view(reinterpret_cast<const char*>(buffer), length));
        if (!answer) {
            continue;
        }

        sockaddr_in target = peer;
        msghdr out{};
        char outControl[CMSG_SPACE(sizeof(in_pktinfo))] = {};
        if (settings.target == ReplyTarget::kBroadcast) {
            target.sin_addr.s_addr = htonl(INADDR_BROADCAST);
            target.sin_port = htons(m_port);
            // A limited broadcast needs an outgoing interface; without one the kernel
            // looks for a default route, which a device's LAN need not have.
            if (arrivalInterface > 0) {
                out.msg_control = outControl;
                out.msg_controllen = sizeof outControl;
                cmsghdr* header = CMSG_FIRSTHDR(&out);
                header->cmsg_level = IPPROTO_IP;
                header->cmsg_type = IP_PKTINFO;
                header->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
                in_pktinfo info{};
                info.ipi_ifindex = arrivalInterface;
                std::memcpy(CMSG_DATA(header), &info, sizeof info);
            }
        }
        out.msg_name = &target;
        out.msg_namelen = sizeof target;
        auto send = [&](std::vector<uint8_t>& datagram, const char* what) {
            iovec outIo{datagram.data(), datagram.size()};
            out.msg_iov = &outIo;
            out.msg_iovlen = 1;
            if (::sendmsg(m_fd, &out, 0) < 0) {
                std::cerr << "tamsel-sim: " << what << ": " << std::strerror(errno) << "\n";
            }
        };

        DiscoveryIdentity decoy = device.Identity();
        decoy.mac[0] = 0x02;
        for (int i = 0; i < settings.badDatagrams; ++i) {
            std::vector<uint8_t> bad = BuildBadDatagram(i, decoy);
            send(bad, "invalid datagram");
        }
        std::vector<uint8_t> reply = BuildSearchReply(device.Identity(), settings.replyLength);
        send(reply, "discovery reply");
    }
}
