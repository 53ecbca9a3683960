// QtEventLoop under a QCoreApplication. Waits use QTRY_* with generous limits; nothing
// here checks how long anything took.

#include <QTest>

#include <unistd.h>

#include <memory>
#include <string>

#include "platform/linux/bsd_socket.h"
#include "platform/qt/qt_event_loop.h"
#include "support/loopback_support.h"

using loopback::DrainInto;
using loopback::RecordedEvent;
using loopback::RecordingEvents;
using loopback::ScopedFd;
using loopback::TcpListener;
using loopback::WriteAll;

namespace {

constexpr int kLimitMs = 20000;

// A pipe whose read end stays readable: one byte is written and never read.
struct ReadablePipe {
    int ends[2] = {-1, -1};
    ReadablePipe() {
        if (::pipe(ends) != 0 || ::write(ends[1], "!", 1) != 1) {
            qFatal("pipe");
        }
    }
    ~ReadablePipe() {
        ::close(ends[0]);
        ::close(ends[1]);
    }
    int readEnd() const { return ends[0]; }
};

}  // namespace

class QtEventLoopTest : public QObject {
    Q_OBJECT

private slots:
    void timerRepeatsUntilStoppedFromItsOwnCallback() {
        QtEventLoop loop;
        int fired = 0;
        int id = 0;
        id = loop.StartTimer(5, [&] {
            if (++fired == 3) {
                loop.StopTimer(id);
            }
        });
        QVERIFY(id > 0);
        QTRY_COMPARE_WITH_TIMEOUT(fired, 3, kLimitMs);
        QTest::qWait(50);
        QCOMPARE(fired, 3);
        QCOMPARE(loop.TimerCount(), size_t{0});
        loop.StopTimer(id);
        loop.StopTimer(999);
    }

    void watchRemovedAndReplacedFromInsideItsCallback() {
        QtEventLoop loop;
        ReadablePipe pipe;
        int oldCalls = 0, newCalls = 0;
        int watch = 0;
        watch = loop.WatchFd(pipe.readEnd(), IEventLoop::kRead, [&](int fd, unsigned events) {
            QCOMPARE(events, unsigned{IEventLoop::kRead});
            ++oldCalls;
            loop.UnwatchFd(watch);
            // The same descriptor and kind again, while the old notifier awaits deletion.
            loop.WatchFd(fd, IEventLoop::kRead, [&](int, unsigned) { ++newCalls; });
        });
        QTRY_VERIFY_WITH_TIMEOUT(newCalls >= 3, kLimitMs);
        QCOMPARE(oldCalls, 1);
        QCOMPARE(loop.WatchCount(), size_t{1});
    }

    void pausedWatchStaysQuietUntilResumed() {
        QtEventLoop loop;
        ReadablePipe pipe;
        int calls = 0;
        int watch = 0;
        watch = loop.WatchFd(pipe.readEnd(), IEventLoop::kRead, [&](int, unsigned) {
            ++calls;
            loop.UpdateFd(watch, 0);
        });
        QTRY_COMPARE_WITH_TIMEOUT(calls, 1, kLimitMs);
        QTest::qWait(50);
        QCOMPARE(calls, 1);
        loop.UpdateFd(watch, IEventLoop::kRead);
        QTRY_COMPARE_WITH_TIMEOUT(calls, 2, kLimitMs);
    }

    void loopbackExchangeThroughTheQtLoop() {
        QtEventLoop loop;
        RecordingEvents events;
        std::unique_ptr<IAsyncSocket> socket = MakeBsdSocketFactory(loop)->MakeSocket(events);
        TcpListener listener(64 * 1024);
        QVERIFY(socket->Create(IAsyncSocket::Type::kStream, 0, ""));
        QVERIFY(socket->Connect("127.0.0.1", listener.port()));
        QTRY_VERIFY_WITH_TIMEOUT(events.Has(RecordedEvent::kConnect), kLimitMs);
        QCOMPARE(events.events.front(), (RecordedEvent{RecordedEvent::kConnect, 0}));
        ScopedFd server = listener.Accept();
        QVERIFY(server.get() >= 0);

        // Large enough to back up, so the rest goes out through the write notifier.
        const std::string request(8 * 1024 * 1024, 'q');
        QCOMPARE(socket->Send(request.data(), request.size()), static_cast<int>(request.size()));
        QVERIFY(socket->PendingSendBytes() > 0);
        std::string atServer;
        loop.WatchFd(server.get(), IEventLoop::kRead,
                     [&](int fd, unsigned) { DrainInto(fd, atServer, 64 * 1024); });
        QTRY_COMPARE_WITH_TIMEOUT(atServer.size(), request.size(), kLimitMs);
        QVERIFY(atServer == request);
        QTRY_VERIFY_WITH_TIMEOUT(events.Has(RecordedEvent::kSend), kLimitMs);

        std::string received;
        events.onReceive = [&] {
            char buffer[10240];
            const int n = socket->Receive(buffer, sizeof(buffer));
            if (n > 0) {
                received.append(buffer, static_cast<size_t>(n));
            }
        };
        // The handler drops the socket on close, as the web queue's owner may do.
        events.onClose = [&] { socket.reset(); };
        WriteAll(server.get(), "HTTP/1.1 200 OK\r\n\r\ndone");
        ::shutdown(server.get(), SHUT_WR);
        QTRY_VERIFY_WITH_TIMEOUT(events.Has(RecordedEvent::kClose), kLimitMs);
        QCOMPARE(received, std::string("HTTP/1.1 200 OK\r\n\r\ndone"));
        QCOMPARE(events.events.back(), (RecordedEvent{RecordedEvent::kClose, 0}));
        QVERIFY(socket == nullptr);
        QTest::qWait(20);
        QCOMPARE(events.Count(RecordedEvent::kClose), 1);
    }

    void refusedConnectThroughTheQtLoop() {
        QtEventLoop loop;
        RecordingEvents events;
        BsdSocket socket(loop, events);
        QVERIFY(socket.Create(IAsyncSocket::Type::kStream, 0, "127.0.0.1"));
        QVERIFY(socket.Connect("127.0.0.1", loopback::ClosedTcpPort()));
        QTRY_VERIFY_WITH_TIMEOUT(events.Has(RecordedEvent::kConnect), kLimitMs);
        QTest::qWait(20);
        QCOMPARE(events.events.size(), size_t{1});
        QCOMPARE(events.events[0], (RecordedEvent{RecordedEvent::kConnect, ECONNREFUSED}));
    }
};

QTEST_GUILESS_MAIN(QtEventLoopTest)
#include "qt_event_loop_test.moc"
