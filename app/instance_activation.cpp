#include "app/instance_activation.h"

#include <QDeadlineTimer>
#include <QLocalSocket>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <memory>
#include <optional>

namespace {

const QByteArray kActivate = QByteArrayLiteral("activate");
const QByteArray kShown = QByteArrayLiteral("shown");
const QByteArray kRefused = QByteArrayLiteral("refused");

bool IsToken(const QByteArray& text) {
    return !text.isEmpty() && text.size() <= kMaxActivationTokenBytes &&
           std::all_of(text.begin(), text.end(), [](char ch) { return ch > ' ' && ch < 0x7f; });
}

// The token of a request line, without its line end; nullopt for a line that is no
// request. A malformed token counts as none: the window still comes forward if it may.
std::optional<QByteArray> ParseRequest(const QByteArray& line) {
    if (line == kActivate) {
        return QByteArray();
    }
    if (!line.startsWith(kActivate + ' ')) {
        return std::nullopt;
    }
    const QByteArray token = line.mid(kActivate.size() + 1);
    return IsToken(token) ? token : QByteArray();
}

}  // namespace

QByteArray ActivationTokenFromEnvironment() {
    for (const char* name : {"XDG_ACTIVATION_TOKEN", "DESKTOP_STARTUP_ID"}) {
        const QByteArray token = qgetenv(name);
        if (IsToken(token)) {
            return token;
        }
    }
    return QByteArray();
}

ActivationListener::ActivationListener(BringForward bringForward, QObject* parent)
    : QObject(parent), m_bringForward(std::move(bringForward)) {
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&m_server, &QLocalServer::newConnection, this, [this] { OnConnection(); });
}

bool ActivationListener::Listen(const QString& path) {
    if (path.isEmpty()) {
        return false;
    }
    QLocalServer::removeServer(path);
    return m_server.listen(path);
}

void ActivationListener::OnConnection() {
    while (QLocalSocket* client = m_server.nextPendingConnection()) {
        client->setParent(this);
        client->setReadBufferSize(kMaxLineBytes + 1);
        auto answered = std::make_shared<bool>(false);
        connect(client, &QLocalSocket::readyRead, this,
                [this, client, answered] { OnReadable(client, *answered); });
        connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
        // A client that sends no line in time is let go.
        QTimer::singleShot(kLineLimitMs, client, [client] { client->abort(); });
    }
}

void ActivationListener::OnReadable(QLocalSocket* client, bool& answered) {
    if (answered) {
        client->readAll();  // one request per connection
        return;
    }
    if (!client->canReadLine()) {
        if (client->bytesAvailable() > kMaxLineBytes) {
            client->abort();
        }
        return;
    }
    const QByteArray line = client->readLine(kMaxLineBytes + 1).trimmed();
    const std::optional<QByteArray> token = ParseRequest(line);
    if (!token) {
        client->abort();
        return;
    }
    answered = true;
    QPointer<QLocalSocket> guarded(client);
    m_bringForward(*token, [guarded](bool shown) {
        if (guarded != nullptr) {
            guarded->write((shown ? kShown : kRefused) + '\n');
            guarded->disconnectFromServer();
        }
    });
}

ActivationReply SendComeForwardRequest(const QString& path, const QByteArray& token, int limitMs) {
    QLocalSocket socket;
    const QDeadlineTimer deadline(limitMs);
    socket.connectToServer(path);
    if (!socket.waitForConnected(static_cast<int>(deadline.remainingTime()))) {
        return ActivationReply::kNoAnswer;
    }
    socket.write((IsToken(token) ? kActivate + ' ' + token : kActivate) + '\n');
    if (!socket.waitForBytesWritten(static_cast<int>(deadline.remainingTime()))) {
        return ActivationReply::kNoAnswer;
    }
    QByteArray reply;
    while (!reply.contains('\n') && reply.size() <= kMaxLineBytes) {
        if (socket.bytesAvailable() == 0 &&
            !socket.waitForReadyRead(static_cast<int>(deadline.remainingTime()))) {
            break;
        }
        reply += socket.read(kMaxLineBytes + 1 - reply.size());
    }
    const QByteArray answer = reply.left(reply.indexOf('\n')).trimmed();
    if (answer == kShown) {
        return ActivationReply::kShown;
    }
    return answer == kRefused ? ActivationReply::kRefused : ActivationReply::kNoAnswer;
}
