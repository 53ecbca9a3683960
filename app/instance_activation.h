#pragma once

#include <QByteArray>
#include <QLocalServer>
#include <QObject>
#include <QString>

#include <functional>

class QLocalSocket;

// How a second start of tamsel brings the running copy's window forward. The running copy,
// which holds the single-instance lock, listens on a local socket beside the lock, in the
// user's own private directory. A second copy sends one line, "activate" and the desktop's
// activation token it was started with when it has one ("activate TOKEN"), and waits for
// one line back: "shown" when the window came forward, "refused" when the desktop kept it
// back (focus-stealing prevention, or no way to ask for it).
//
// Only the user's own programs can reach the socket; even so the line is read as untrusted
// input: at most kMaxLineBytes, within kLineLimitMs, and a token of printable characters
// only.

// A token as desktops issue them (XDG_ACTIVATION_TOKEN on Wayland, DESKTOP_STARTUP_ID on
// X11): printable ASCII without blanks, at most this long.
inline constexpr int kMaxActivationTokenBytes = 256;
inline constexpr int kMaxLineBytes = 512;
inline constexpr int kLineLimitMs = 2000;

// The token this process was started with: XDG_ACTIVATION_TOKEN, else DESKTOP_STARTUP_ID;
// empty when neither is a well-formed token.
QByteArray ActivationTokenFromEnvironment();

// The running copy's side.
class ActivationListener : public QObject {
public:
    // `answer` is called once, with whether the window came forward.
    using Answer = std::function<void(bool shown)>;
    // Brings the window forward with `token` (maybe empty).
    using BringForward = std::function<void(const QByteArray& token, Answer answer)>;

    explicit ActivationListener(BringForward bringForward, QObject* parent = nullptr);

    // Listens at `path`, first removing a socket that a copy which ended without closing
    // left there: the caller holds the lock, so no other copy listens. False when it
    // cannot listen; a second copy then gets no answer.
    bool Listen(const QString& path);

private:
    void OnConnection();
    // Takes the client's one request line and has the window brought forward; `answered`
    // is set once the request is taken, and what comes after it is dropped.
    void OnReadable(QLocalSocket* client, bool& answered);

    BringForward m_bringForward;
    QLocalServer m_server;
};

// The second copy's side.
enum class ActivationReply {
    kShown,
    kRefused,
    kNoAnswer,  // nothing listens at `path`, or no answer came within the limit
};

// Asks the copy listening at `path` to bring its window forward with `token`; waits at most
// `limitMs` for its answer. A QCoreApplication must exist; no event loop needs to run.
ActivationReply SendComeForwardRequest(const QString& path, const QByteArray& token, int limitMs);
