// A second start of tamsel and the running copy, over the local socket beside the
// single-instance lock, with this test as the running copy and the real program as the
// second: the second hands over its activation token and ends quietly when the window came
// forward, and says that Tamsel is already running when the desktop refused or nobody
// answered. The listener takes one well-formed line per connection and lets anything else
// go. The second copy never gets the lock, so it never searches the network.

#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

#include <string>
#include <vector>

#include "app/instance_activation.h"
#include "app/single_instance.h"
#include "app/tamsel_app.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"

namespace {

struct SecondStart {
    int exitCode = -1;
    QString err;
};

// A listener in this process, in the running copy's place: it records the tokens it is
// handed and answers each time that the window came forward, or not, as `shown` says.
struct RecordingListener {
    explicit RecordingListener(bool shown)
        : listener([this, shown](const QByteArray& token, ActivationListener::Answer answer) {
              tokens.push_back(token);
              answer(shown);
          }) {}

    std::vector<QByteArray> tokens;
    ActivationListener listener;
};

}  // namespace

class InstanceActivationTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY(m_runtime.isValid());
        QVERIFY(QFile::setPermissions(m_runtime.path(),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path()));
        QCOMPARE(m_lock.Acquire(), SingleInstanceLock::Outcome::kAcquired);
        m_channel = QString::fromStdString(m_lock.ChannelPath());
        QCOMPARE(m_channel, m_runtime.filePath(QStringLiteral("Zelkora Q3150Tx Tamsel.socket")));
    }

    // The window came forward: the second start hands over the token it was started with
    // (Wayland's, else X11's) and ends at once, saying nothing. A token that is no token
    // is not passed on.
    void aSecondStartHandsOverItsTokenAndEndsQuietly() {
        RecordingListener shown(true);
        QVERIFY(shown.listener.Listen(m_channel));
        struct stat info {};
        QCOMPARE(stat(QFile::encodeName(m_channel).constData(), &info), 0);
        QVERIFY(S_ISSOCK(info.st_mode));
        QCOMPARE(info.st_mode & 0077u, 0u);  // the user's alone

        for (const auto& [variable, value] :
             {std::pair("XDG_ACTIVATION_TOKEN", "wl-token_1.2"),
              std::pair("DESKTOP_STARTUP_ID", "x11-startup_TIME123"),
              std::pair("XDG_ACTIVATION_TOKEN", "two words"), std::pair("NONE", "")}) {
            const SecondStart second = StartSecond({{variable, value}});
            QCOMPARE(second.exitCode, 0);
            QCOMPARE(second.err, QString());
        }
        QCOMPARE(shown.tokens,
                 (std::vector<QByteArray>{"wl-token_1.2", "x11-startup_TIME123", "", ""}));
    }

    // The desktop kept the window back, or nothing answered (a copy that holds the lock
    // but does not listen): the second start says that Tamsel is already running.
    void aRefusedOrUnansweredStartSaysTamselIsAlreadyRunning() {
        const QString running = QString::fromStdWString(LoadString(kTextAlreadyRunning));
        QVERIFY(running.startsWith(QStringLiteral("Tamsel is already running")));
        {
            RecordingListener refused(false);
            QVERIFY(refused.listener.Listen(m_channel));
            const SecondStart second = StartSecond({{"XDG_ACTIVATION_TOKEN", "t"}});
            QCOMPARE(refused.tokens, std::vector<QByteArray>{"t"});
            QCOMPARE(second.exitCode, 0);
            QCOMPARE(second.err, QStringLiteral("tamsel: %1\n").arg(running));
        }
        QVERIFY(!QFile::exists(m_channel));  // the listener took its socket with it
        const SecondStart unanswered = StartSecond({});
        QCOMPARE(unanswered.exitCode, 0);
        QCOMPARE(unanswered.err, QStringLiteral("tamsel: %1\n").arg(running));
    }

    // One request line per connection, and an answer to it; anything else ends the
    // connection without asking for the window: another line, an overlong one, or none.
    void theListenerTakesOneWellFormedLine() {
        RecordingListener shown(true);
        QVERIFY(shown.listener.Listen(m_channel));

        QLocalSocket twice;
        twice.connectToServer(m_channel);
        QVERIFY(twice.waitForConnected(5000));
        twice.write("activate first\nactivate second\n");
        QTRY_VERIFY(twice.canReadLine());
        QCOMPARE(twice.readLine(), QByteArray("shown\n"));
        QTRY_COMPARE(twice.state(), QLocalSocket::UnconnectedState);

        for (const QByteArray& request : {QByteArray("hello\n"), QByteArray("activated\n"),
                                          QByteArray(kMaxLineBytes + 8, 'a'), QByteArray()}) {
            QLocalSocket client;
            client.connectToServer(m_channel);
            QVERIFY(client.waitForConnected(5000));
            client.write(request);
            QTRY_COMPARE_WITH_TIMEOUT(client.state(), QLocalSocket::UnconnectedState,
                                      kLineLimitMs * 5);
            QCOMPARE(client.readAll(), QByteArray());
        }
        QCOMPARE(shown.tokens, std::vector<QByteArray>{"first"});
    }

    // The lock and the socket live only in a directory that is the user's alone.
    void aRuntimeDirectoryOthersMayWriteToIsNotUsed() {
        QTemporaryDir shared;
        QVERIFY(shared.isValid());
        QCOMPARE(chmod(QFile::encodeName(shared.path()).constData(), 0777), 0);
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(shared.path()));
        const std::string directory = SingleInstanceLock::LockDirectory();
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path()));
        QVERIFY(directory != QFile::encodeName(shared.path()).toStdString());
        QCOMPARE(SingleInstanceLock::LockDirectory(),
                 QFile::encodeName(m_runtime.path()).toStdString());
    }

private:
    // Starts the real program as a second copy, with `environment` added and no desktop,
    // and lets this process's event loop answer it until it has ended.
    SecondStart StartSecond(const std::vector<std::pair<const char*, const char*>>& environment) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name :
             {"DISPLAY", "WAYLAND_DISPLAY", "XDG_ACTIVATION_TOKEN", "DESKTOP_STARTUP_ID"}) {
            env.remove(QString::fromLatin1(name));
        }
        for (const auto& [name, value] : environment) {
            env.insert(QString::fromLatin1(name), QString::fromLatin1(value));
        }
        QProcess second;
        second.setProcessEnvironment(env);
        second.start(QStringLiteral(TAMSEL_PROGRAM), {});
        if (!second.waitForStarted(10000)) {
            return {};
        }
        if (!QTest::qWaitFor([&] { return second.state() == QProcess::NotRunning; }, 20000)) {
            second.kill();
            second.waitForFinished();
            return {};
        }
        return {second.exitStatus() == QProcess::NormalExit ? second.exitCode() : -1,
                QString::fromLocal8Bit(second.readAllStandardError())};
    }

    QTemporaryDir m_runtime;
    SingleInstanceLock m_lock{TamselApp::kInstanceName};
    QString m_channel;
};

QTEST_MAIN(InstanceActivationTest)
#include "instance_activation_test.moc"
