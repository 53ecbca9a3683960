#pragma once

#include <QObject>
#include <QTimerEvent>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "support/fakes/fake_socket.h"

// Repeaters behind the web command queue's fake socket, for GUI tests without a network:
// they accept every connection at once and answer each complete request, from the
// address it was sent to, with what `answer` gives for it, then close the connection.
// Polls the socket on the event loop, so answers arrive the way a device's do: between
// the queue's steps.
class FakeRepeater : public QObject {
public:
    using Answer = std::function<std::string(const std::string& request)>;

    FakeRepeater(FakeSocketState& socket, Answer answer)
        : m_socket(socket), m_answer(std::move(answer)) {
        m_socket.duringConnect = [this] { m_socket.events->OnConnect(0); };
        startTimer(1);
    }

    // The requests answered so far.
    std::vector<std::string> requests;

protected:
    void timerEvent(QTimerEvent* /*event*/) override {
        if (!m_socket.open || m_socket.events == nullptr || m_socket.sent.size() <= m_answered) {
            return;
        }
        const std::string request = m_socket.sent.back();
        if (request.find("\r\n\r\n") == std::string::npos) {
            return;  // not sent in full yet
        }
        m_answered = m_socket.sent.size();
        requests.push_back(request);
        const std::string& target = m_socket.connects.back();  // "address:80"
        m_socket.DeliverChunk(m_answer(request), target.substr(0, target.rfind(':')));
        m_socket.events->OnClose(0);
    }

private:
    FakeSocketState& m_socket;
    Answer m_answer;
    size_t m_answered = 0;
};
