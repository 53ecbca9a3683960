#pragma once

#include <poll.h>

#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include "sim/byte_spool.h"
#include "sim/http_request.h"
#include "sim/sim_options.h"
#include "sim/web_app.h"

class SimLog;

// The device's HTTP side on non-blocking sockets, driven by the simulator's poll loop.
// Like the real device it answers one request per connection and then closes it (it
// sends its FIN, reads and drops whatever the client still sends, and closes once the
// client has closed too, so that no unread byte turns the close into a reset). The
// misbehaviours change that on purpose.
class HttpServer {
public:
    using Handler = std::function<WebOutcome(const HttpRequest&)>;
    using AfterAnswerHook = std::function<void(AfterAnswer)>;

    HttpServer(SimLog& log, const Misbehaviour& misbehaviour, Handler handler,
               AfterAnswerHook afterAnswer);
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    // Listens on `address` (empty: every address) and `port`. Returns an error or empty.
    std::string Listen(const std::string& address, uint16_t port);
    void StopListening();
    bool listening() const { return m_listenFd >= 0; }
    // Drops every connection except those that have been answered and are only waiting
    // for the client to close (a reboot cuts the rest).
    void DropUnansweredConnections();

    // Poll integration: append the descriptors, then hand back the results.
    void CollectPollFds(std::vector<pollfd>& fds) const;
    void HandlePollResults(const std::vector<pollfd>& fds, int64_t nowMs);
    // Milliseconds until the next timed action (slow send, drain limit); -1 for none.
    int64_t MillisecondsToNextTimer(int64_t nowMs) const;
    void HandleTimers(int64_t nowMs);

private:
    struct Connection;
    static constexpr size_t kMaxConnections = 64;
    static constexpr int64_t kDrainLimitMs = 2000;
    static constexpr size_t kFastWriteBytes = 64 * 1024;
    static constexpr int kFastWriteRounds = 16;

    void Accept(int64_t nowMs);
    void OnReadable(Connection& connection, int64_t nowMs);
    void ProcessInput(Connection& connection, std::string_view bytes, int64_t nowMs);
    void Answer(Connection& connection, int64_t nowMs);
    void OnWritable(Connection& connection, int64_t nowMs);
    void FinishAnswer(Connection& connection, int64_t nowMs);
    void Close(Connection& connection);
    void LogRequest(Connection& connection, bool complete);

    SimLog& m_log;
    const Misbehaviour& m_misbehaviour;
    Handler m_handler;
    AfterAnswerHook m_afterAnswer;
    int m_listenFd = -1;
    uint64_t m_nextConnectionId = 1;
    std::list<std::unique_ptr<Connection>> m_connections;
};
