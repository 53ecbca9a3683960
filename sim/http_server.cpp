#include "sim/http_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "sim/http_response.h"
#include "sim/sim_log.h"

struct HttpServer::Connection {
    enum class Phase {
        kReading,   // collecting a request
        kWriting,   // sending the answer
        kDraining,  // answered and FIN sent; waiting for the client to close
        kIgnoring,  // silent device: reads and logs, never answers
    };

    uint64_t id = 0;
    int fd = -1;
    std::string peer;
    Phase phase = Phase::kReading;
    std::unique_ptr<HttpRequestReader> reader = std::make_unique<HttpRequestReader>();
    ByteSpool raw;         // received since the last log frame
    std::string leftover;  // received beyond the request being answered
    AnswerStream out;
    int64_t nextWriteMs = 0;
    int64_t drainUntilMs = 0;
    AfterAnswer after = AfterAnswer::kNothing;
    bool closed = false;
};

HttpServer::HttpServer(SimLog& log, const Misbehaviour& misbehaviour, Handler handler,
                       AfterAnswerHook afterAnswer)
    : m_log(log),
      m_misbehaviour(misbehaviour),
      m_handler(std::move(handler)),
      m_afterAnswer(std::move(afterAnswer)) {}

HttpServer::~HttpServer() {
    StopListening();
    for (auto& connection : m_connections) {
        Close(*connection);
    }
}

std::string HttpServer::Listen(const std::string& address, uint16_t port) {
    StopListening();
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(port);
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    if (!address.empty() && inet_pton(AF_INET, address.c_str(), &local.sin_addr) != 1) {
        return "invalid listening address " + address;
    }
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return std::string("socket: ") + std::strerror(errno);
    }
    int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
        ::listen(fd, 16) != 0) {
        std::string error = "HTTP port " + std::to_string(port) + ": " + std::strerror(errno);
        ::close(fd);
        return error;
    }
    m_listenFd = fd;
    return {};
}

void HttpServer::StopListening() {
    if (m_listenFd >= 0) {
        ::close(m_listenFd);
        m_listenFd = -1;
    }
}

void HttpServer::DropUnansweredConnections() {
    for (auto& connection : m_connections) {
        if (connection->phase != Connection::Phase::kDraining) {
            Close(*connection);
        }
    }
}

void HttpServer::CollectPollFds(std::vector<pollfd>& fds) const {
    if (m_listenFd >= 0) {
        fds.push_back({m_listenFd, POLLIN, 0});
    }
    for (const auto& connection : m_connections) {
        if (connection->closed) {
            continue;
        }
        short events = POLLIN;
        if (connection->phase == Connection::Phase::kWriting) {
            // While answering, read nothing more; a slow answer waits for its timer.
            events = m_misbehaviour.slowMs > 0 ? 0 : POLLOUT;
        }
        fds.push_back({connection->fd, events, 0});
    }
}

void HttpServer::HandlePollResults(const std::vector<pollfd>& fds, int64_t nowMs) {
    // The listener first: a descriptor number freed by a close below must not be taken
    // by a new connection while stale poll results for it are still being handled.
    for (const pollfd& entry : fds) {
        if (entry.fd == m_listenFd && m_listenFd >= 0 && (entry.revents & POLLIN)) {
            Accept(nowMs);
        }
    }
    for (const pollfd& entry : fds) {
        if (entry.revents == 0 || entry.fd == m_listenFd) {
            continue;
        }
        for (auto& connection : m_connections) {
            if (connection->closed || connection->fd != entry.fd) {
                continue;
            }
            if (entry.revents & POLLOUT) {
                OnWritable(*connection, nowMs);
            } else if (entry.revents & (POLLIN | POLLHUP | POLLERR)) {
                OnReadable(*connection, nowMs);
            }
            break;
        }
    }
    m_connections.remove_if([](const auto& connection) { return connection->closed; });
}

int64_t HttpServer::MillisecondsToNextTimer(int64_t nowMs) const {
    int64_t next = -1;
    auto consider = [&](int64_t at) {
        int64_t wait = std::max<int64_t>(0, at - nowMs);
        next = next < 0 ? wait : std::min(next, wait);
    };
    for (const auto& connection : m_connections) {
        if (connection->closed) {
            continue;
        }
        if (connection->phase == Connection::Phase::kWriting && m_misbehaviour.slowMs > 0) {
            consider(connection->nextWriteMs);
        } else if (connection->phase == Connection::Phase::kDraining) {
            consider(connection->drainUntilMs);
        }
    }
    return next;
}

void HttpServer::HandleTimers(int64_t nowMs) {
    for (auto& connection : m_connections) {
        if (connection->closed) {
            continue;
        }
        if (connection->phase == Connection::Phase::kWriting && m_misbehaviour.slowMs > 0 &&
            nowMs >= connection->nextWriteMs) {
            OnWritable(*connection, nowMs);
        } else if (connection->phase == Connection::Phase::kDraining &&
                   nowMs >= connection->drainUntilMs) {
            Close(*connection);
        }
    }
    m_connections.remove_if([](const auto& connection) { return connection->closed; });
}

void HttpServer::Accept(int64_t) {
    while (true) {
        sockaddr_in peer{};
        socklen_t length = sizeof peer;
        int fd = ::accept4(m_listenFd, reinterpret_cast<sockaddr*>(&peer), &length,
                           SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            return;  // EAGAIN, or an aborted connection
        }
        if (m_connections.size() >= kMaxConnections) {
            ::close(fd);
            continue;
        }
        auto connection = std::make_unique<Connection>();
        connection->id = m_nextConnectionId++;
        connection->fd = fd;
        char text[INET_ADDRSTRLEN] = {};
        inet_ntop(AF_INET, &peer.sin_addr, text, sizeof text);
        connection->peer = std::string(text) + ":" + std::to_string(ntohs(peer.sin_port));
        m_connections.push_back(std::move(connection));
    }
}

void HttpServer::OnReadable(Connection& connection, int64_t nowMs) {
    char buffer[64 * 1024];
    ssize_t received = ::recv(connection.fd, buffer, sizeof buffer, 0);
    if (received > 0) {
        ProcessInput(connection, std::string_view(buffer, static_cast<size_t>(received)), nowMs);
    } else if (received == 0 || (errno != EAGAIN && errno != EINTR)) {
        Close(connection);  // the client closed or reset the connection
    }
}

void HttpServer::ProcessInput(Connection& connection, std::string_view bytes, int64_t nowMs) {
    if (m_log.enabled()) {
        connection.raw.Append(bytes);
    }
    if (connection.phase == Connection::Phase::kDraining) {
        return;
    }
    if (connection.phase == Connection::Phase::kWriting) {
        connection.leftover.append(bytes);  // the next request of a kept-open connection
        return;
    }
    while (!bytes.empty()) {
        size_t used = connection.reader->Feed(bytes);
        bytes.remove_prefix(used);
        auto state = connection.reader->state();
        if (state != HttpRequestReader::State::kComplete &&
            state != HttpRequestReader::State::kFailed) {
            continue;
        }
        LogRequest(connection, true);
        if (m_misbehaviour.silent) {
            connection.phase = Connection::Phase::kIgnoring;
            connection.reader = std::make_unique<HttpRequestReader>();
            continue;
        }
        connection.leftover = std::string(bytes);
        Answer(connection, nowMs);
        return;
    }
}

void HttpServer::Answer(Connection& connection, int64_t nowMs) {
    HttpResponse response;
    AfterAnswer after = AfterAnswer::kNothing;
    if (m_misbehaviour.forcedStatus > 0) {
        response = StatusResponse(m_misbehaviour.forcedStatus);
    } else if (connection.reader->state() == HttpRequestReader::State::kFailed) {
        response = StatusResponse(connection.reader->failureStatus());
    } else {
        WebOutcome outcome = m_handler(connection.reader->request());
        for (const std::string& event : outcome.events) {
            m_log.Event(event + " connection=" + std::to_string(connection.id));
        }
        response = std::move(outcome.response);
        after = outcome.after;
    }
    WireFaults faults;
    faults.nulInBody = m_misbehaviour.nulInResponse;
    faults.nulBytes = m_misbehaviour.nulBytes;
    faults.extraBytes = m_misbehaviour.hugePageBytes;
    faults.endlessBody = m_misbehaviour.endlessBody;
    connection.out = SerializeAnswer(std::move(response), faults);
    connection.after = after;
    connection.phase = Connection::Phase::kWriting;
    connection.nextWriteMs = nowMs;
    OnWritable(connection, nowMs);
}

void HttpServer::OnWritable(Connection& connection, int64_t nowMs) {
    if (connection.phase != Connection::Phase::kWriting) {
        return;
    }
    const bool slow = m_misbehaviour.slowMs > 0;
    if (slow && nowMs < connection.nextWriteMs) {
        return;
    }
    // A slow answer goes out one chunk per pause. A fast one as far as the socket takes
    // it, within a bound per call, so that an endless answer to a fast reader leaves the
    // other connections and the discovery socket their turn.
    const size_t chunk = slow ? m_misbehaviour.chunkBytes : kFastWriteBytes;
    for (int round = 0; round < (slow ? 1 : kFastWriteRounds); ++round) {
        std::string_view bytes = connection.out.Next(chunk);
        ssize_t sent =
            ::send(connection.fd, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent < 0) {
            if (errno != EAGAIN && errno != EINTR) {
                Close(connection);
            }
            return;
        }
        connection.out.Advance(static_cast<size_t>(sent));
        if (connection.out.Done()) {
            FinishAnswer(connection, nowMs);
            return;
        }
        if (static_cast<size_t>(sent) < bytes.size()) {
            break;  // the socket buffer is full: wait for the next POLLOUT
        }
    }
    connection.nextWriteMs = nowMs + m_misbehaviour.slowMs;
}

void HttpServer::FinishAnswer(Connection& connection, int64_t nowMs) {
    connection.out = AnswerStream{};
    AfterAnswer after = connection.after;
    connection.after = AfterAnswer::kNothing;
    const bool keepOpen = m_misbehaviour.keepOpen;
    if (keepOpen) {
        connection.phase = Connection::Phase::kReading;
        connection.reader = std::make_unique<HttpRequestReader>();
    } else {
        ::shutdown(connection.fd, SHUT_WR);
        connection.phase = Connection::Phase::kDraining;
        connection.drainUntilMs = nowMs + kDrainLimitMs;
    }
    if (after != AfterAnswer::kNothing) {
        m_afterAnswer(after);  // may drop this very connection (a reboot)
    }
    if (keepOpen && !connection.closed && !connection.leftover.empty()) {
        std::string pending = std::move(connection.leftover);
        connection.leftover.clear();
        // Already logged with the previous request: feed the parser only.
        std::string_view bytes = pending;
        while (!bytes.empty() && connection.phase == Connection::Phase::kReading) {
            size_t used = connection.reader->Feed(bytes);
            bytes.remove_prefix(used);
            auto state = connection.reader->state();
            if (state == HttpRequestReader::State::kComplete ||
                state == HttpRequestReader::State::kFailed) {
                connection.leftover = std::string(bytes);
                Answer(connection, nowMs);
                return;
            }
        }
    }
}

void HttpServer::Close(Connection& connection) {
    if (connection.closed) {
        return;
    }
    if (connection.raw.size() > 0) {
        LogRequest(connection, false);
    }
    ::close(connection.fd);
    connection.fd = -1;
    connection.closed = true;
}

void HttpServer::LogRequest(Connection& connection, bool complete) {
    if (!m_log.enabled()) {
        return;
    }
    m_log.Request("connection=" + std::to_string(connection.id) + " peer=" + connection.peer +
                      " complete=" + (complete ? "yes" : "no"),
                  connection.raw);
    connection.raw.Clear();
}
