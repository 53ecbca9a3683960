// The firmware upload's throughput and memory, measured against a baseline.
//
//   bench_upload receive
//       Serves uploads on port 80: reads a request's header and its content-Length bytes,
//       answers "200 OK" and closes, for ever.
//   bench_upload queue IP IMAGE
//       Uploads IMAGE to IP as the UPLOAD command through WebCommandQueue (BSD sockets on the
//       poll loop, 800 ms ticks) and prints one line of figures.
//   bench_upload blocking IP IMAGE
//       Sends the same request bytes through one blocking socket and prints the same line.
//
// The figures: "bytes=N seconds=S peak_growth=G", where S runs from the moment the request
// is handed to the socket to the first byte of the answer (so the tick pacing of the
// queue is not counted, only how it streams) and G is the growth of the resident set's
// peak over the upload, in bytes.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "hostnet/host_address_setup.h"
#include "platform/ansi_text.h"
#include "platform/async_socket.h"
#include "platform/poll_event_loop.h"
#include "platform/tick_clock.h"
#include "web/device_commands.h"
#include "web/encoders.h"
#include "web/request_catalogue.h"
#include "web/web_command_queue.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr size_t kChunkBytes = 64 * 1024;

// Resident set figures of this process in bytes ("VmRSS", "VmHWM").
uint64_t StatusBytes(const char* key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(key, 0) == 0) {
            return std::stoull(line.substr(std::strlen(key) + 1)) * 1024;
        }
    }
    return 0;
}

// Restarts the peak so that it counts from now.
void ResetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

struct Figures {
    uint64_t bytes = 0;
    double seconds = 0;
    uint64_t peakGrowth = 0;
};

void Print(const Figures& f) {
    std::printf("bytes=%llu seconds=%.6f peak_growth=%llu\n",
                static_cast<unsigned long long>(f.bytes), f.seconds,
                static_cast<unsigned long long>(f.peakGrowth));
}

DeviceTarget Target(const std::string& ip) {
    return DeviceTarget{AnsiToWide(ip), L"255.255.255.0", EncodeBase64(L"admin:admin")};
}

// A socket that notes when the request is handed over and when the answer starts.
class TimingSocket : public IAsyncSocket {
public:
    explicit TimingSocket(std::unique_ptr<IAsyncSocket> inner) : m_inner(std::move(inner)) {}

    std::optional<Clock::time_point> handed;
    std::optional<Clock::time_point> answered;
    uint64_t bytes = 0;

    bool Create(Type t, uint16_t p, const std::string& b) override {
        return m_inner->Create(t, p, b);
    }
    bool IsOpen() const override { return m_inner->IsOpen(); }
    void Close() override { m_inner->Close(); }
    int LastError() const override { return m_inner->LastError(); }
    bool SetBroadcast(bool e) override { return m_inner->SetBroadcast(e); }
    int SendTo(const void* d, size_t l, const std::string& a, uint16_t p) override {
        return m_inner->SendTo(d, l, a, p);
    }
    int SendBroadcastOnAllInterfaces(const void* d, size_t l, uint16_t p) override {
        return m_inner->SendBroadcastOnAllInterfaces(d, l, p);
    }
    int ReceiveFrom(void* b, size_t l, std::string& a, uint16_t& p) override {
        return m_inner->ReceiveFrom(b, l, a, p);
    }
    bool Connect(const std::string& a, uint16_t p) override { return m_inner->Connect(a, p); }
    int Send(const void* d, size_t l) override {
        handed = handed.value_or(Clock::now());
        bytes += l;
        return m_inner->Send(d, l);
    }
    bool SendSource(std::unique_ptr<IByteSource> source) override {
        handed = handed.value_or(Clock::now());
        bytes += source->Size();
        return m_inner->SendSource(std::move(source));
    }
    uint64_t PendingSendBytes() const override { return m_inner->PendingSendBytes(); }
    int Receive(void* b, size_t l) override {
        const int got = m_inner->Receive(b, l);
        if (got > 0 && !answered) {
            answered = Clock::now();
        }
        return got;
    }
    bool GetPeerName(std::string& a, uint16_t& p) const override {
        return m_inner->GetPeerName(a, p);
    }

private:
    std::unique_ptr<IAsyncSocket> m_inner;
};

class TimingFactory : public ISocketFactory {
public:
    explicit TimingFactory(ISocketFactory& inner) : m_inner(inner) {}
    std::unique_ptr<IAsyncSocket> MakeSocket(IAsyncSocketEvents& events) override {
        auto socket = std::make_unique<TimingSocket>(m_inner.MakeSocket(events));
        last = socket.get();
        return socket;
    }
    TimingSocket* last = nullptr;

private:
    ISocketFactory& m_inner;
};

int RunQueue(const std::string& ip, const std::string& image) {
    PollEventLoop loop;
    const auto bsd = MakeBsdSocketFactory(loop);
    TimingFactory sockets(*bsd);
    NoHostAddressSetup hostSetup;
    WebCommandQueue web(sockets, MonotonicTickClock::Instance(), hostSetup);
    loop.StartTimer(WebCommandQueue::kTimerPeriodMs,
                    [&web] { web.WebTimerProc(WebCommandQueue::kTimerId); });

    const uint64_t before = StatusBytes("VmRSS:");
    ResetPeak();
    WebCommandQueueSink sink(web);
    QueueUpload(sink, Target(ip), image);
    std::optional<WebResult> result;
    loop.RunUntil(
        [&] {
            result = result ? result : web.TakeResult();
            return result.has_value();
        },
        120000);
    const uint64_t peak = StatusBytes("VmHWM:");
    TimingSocket* socket = sockets.last;
    if (!result || result->code != WebCommandQueue::kClosedNormally || !socket->handed ||
        !socket->answered || result->response.find("200 OK") == std::string::npos) {
        std::fprintf(stderr, "bench_upload: the upload failed (code %u)\n",
                     result ? result->code : 0u);
        return 1;
    }
    Print({socket->bytes,
           std::chrono::duration<double>(*socket->answered - *socket->handed).count(),
           peak > before ? peak - before : 0});
    web.StopAll();
    return 0;
}

bool SendAll(int fd, const char* data, size_t length) {
    while (length > 0) {
        const ssize_t sent = send(fd, data, length, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) {
            continue;
        }
        if (sent <= 0) {
            return false;
        }
        data += sent;
        length -= static_cast<size_t>(sent);
    }
    return true;
}

int Connect(const std::string& ip, uint16_t port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    inet_pton(AF_INET, ip.c_str(), &to.sin_addr);
    if (fd < 0 || connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
        std::perror("bench_upload: connect");
        return -1;
    }
    return fd;
}

// The same bytes as the queue sends: the request text, the image, the tail.
int RunBlocking(const std::string& ip, const std::string& image) {
    const WebRequest request = BuildUploadRequest(Target(ip), image);
    const std::string head = WideToAnsi(request.text);
    const std::string tail = WideToAnsi(request.tail);
    const int fd = Connect(ip, WebCommandQueue::kDevicePort);
    if (fd < 0) {
        return 1;
    }
    const uint64_t before = StatusBytes("VmRSS:");
    ResetPeak();
    const Clock::time_point start = Clock::now();
    std::ifstream file(image, std::ios::binary);
    std::vector<char> chunk(kChunkBytes);
    bool ok = SendAll(fd, head.data(), head.size());
    uint64_t left = request.placeholderLength;
    while (ok && left > 0) {
        file.read(chunk.data(),
                  static_cast<std::streamsize>(std::min<uint64_t>(left, chunk.size())));
        const auto got = static_cast<size_t>(file.gcount());
        ok = got > 0 && SendAll(fd, chunk.data(), got);
        left -= got;
    }
    ok = ok && SendAll(fd, tail.data(), tail.size());
    char answer[256];
    ok = ok && recv(fd, answer, sizeof answer, 0) > 0;
    const Clock::time_point end = Clock::now();
    const uint64_t peak = StatusBytes("VmHWM:");
    close(fd);
    if (!ok) {
        std::fprintf(stderr, "bench_upload: the blocking send failed\n");
        return 1;
    }
    Print({head.size() + request.placeholderLength + tail.size(),
           std::chrono::duration<double>(end - start).count(), peak > before ? peak - before : 0});
    return 0;
}

// content-Length of a request header, whatever the letter case of the name.
uint64_t ContentLength(const std::string& header) {
    std::string lower = header;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const size_t at = lower.find("\r\ncontent-length:");
    return at == std::string::npos ? 0 : std::stoull(header.substr(at + 17));
}

void Serve(int client) {
    std::string header;
    std::vector<char> buffer(kChunkBytes);
    uint64_t bodyRead = 0;
    while (true) {
        const ssize_t got = recv(client, buffer.data(), buffer.size(), 0);
        if (got <= 0) {
            return;
        }
        header.append(buffer.data(), static_cast<size_t>(got));
        const size_t end = header.find("\r\n\r\n");
        if (end != std::string::npos) {
            bodyRead = header.size() - end - 4;
            header.resize(end + 2);
            break;
        }
    }
    const uint64_t length = ContentLength(header);
    while (bodyRead < length) {
        const ssize_t got = recv(client, buffer.data(), buffer.size(), 0);
        if (got <= 0) {
            return;
        }
        bodyRead += static_cast<uint64_t>(got);
    }
    const std::string answer =
        "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nConnection: close\r\n\r\nOK";
    SendAll(client, answer.data(), answer.size());
}

int RunReceiver() {
    const int listener = socket(AF_INET, SOCK_STREAM, 0);
    const int one = 1;
    setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_port = htons(WebCommandQueue::kDevicePort);
    if (bind(listener, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0 ||
        listen(listener, 8) != 0) {
        std::perror("bench_upload: listen");
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    while (true) {
        const int client = accept(listener, nullptr, nullptr);
        if (client < 0) {
            continue;
        }
        Serve(client);
        close(client);
    }
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 1 && args[0] == "receive") {
        return RunReceiver();
    }
    if (args.size() == 3 && args[0] == "queue") {
        return RunQueue(args[1], args[2]);
    }
    if (args.size() == 3 && args[0] == "blocking") {
        return RunBlocking(args[1], args[2]);
    }
    std::fprintf(stderr, "usage: bench_upload receive | queue IP IMAGE | blocking IP IMAGE\n");
    return 2;
}
