#include "platform/metered_socket.h"

class MeteredSocketFactory::MeteredSocket : public IAsyncSocket {
public:
    MeteredSocket(MeteredSocketFactory& owner, std::unique_ptr<IAsyncSocket> inner)
        : m_owner(owner), m_inner(std::move(inner)) {}
    ~MeteredSocket() override {
        if (m_owner.m_stream == this) {
            m_owner.m_stream = nullptr;
        }
    }

    SendProgress Progress() const {
        const uint64_t pending = m_inner->PendingSendBytes();
        return {m_handed > pending ? m_handed - pending : 0, m_handed};
    }

    bool Create(Type type, uint16_t port, const std::string& bindAddress) override {
        m_handed = 0;
        if (type == Type::kStream) {
            m_owner.m_stream = this;
        }
        return m_inner->Create(type, port, bindAddress);
    }
    bool IsOpen() const override { return m_inner->IsOpen(); }
    void Close() override { m_inner->Close(); }
    int LastError() const override { return m_inner->LastError(); }
    bool SetBroadcast(bool enable) override { return m_inner->SetBroadcast(enable); }
    int SendTo(const void* data, size_t length, const std::string& address,
               uint16_t port) override {
        return m_inner->SendTo(data, length, address, port);
    }
    int SendBroadcastOnAllInterfaces(const void* data, size_t length, uint16_t port) override {
        return m_inner->SendBroadcastOnAllInterfaces(data, length, port);
    }
    int ReceiveFrom(void* buffer, size_t length, std::string& address, uint16_t& port) override {
        return m_inner->ReceiveFrom(buffer, length, address, port);
    }
    bool Connect(const std::string& address, uint16_t port) override {
        return m_inner->Connect(address, port);
    }
    int Send(const void* data, size_t length) override {
        const int result = m_inner->Send(data, length);
        if (result > 0) {
            m_handed += static_cast<uint64_t>(result);
        }
        return result;
    }
    bool SendSource(std::unique_ptr<IByteSource> source) override {
        const uint64_t size = source ? source->Size() : 0;
        const bool accepted = m_inner->SendSource(std::move(source));
        if (accepted) {
            m_handed += size;
        }
        return accepted;
    }
    uint64_t PendingSendBytes() const override { return m_inner->PendingSendBytes(); }
    int Receive(void* buffer, size_t length) override { return m_inner->Receive(buffer, length); }
    bool GetPeerName(std::string& address, uint16_t& port) const override {
        return m_inner->GetPeerName(address, port);
    }

private:
    MeteredSocketFactory& m_owner;
    std::unique_ptr<IAsyncSocket> m_inner;
    uint64_t m_handed = 0;
};

MeteredSocketFactory::MeteredSocketFactory(ISocketFactory& inner) : m_inner(inner) {}

MeteredSocketFactory::~MeteredSocketFactory() = default;

std::unique_ptr<IAsyncSocket> MeteredSocketFactory::MakeSocket(IAsyncSocketEvents& events) {
    return std::make_unique<MeteredSocket>(*this, m_inner.MakeSocket(events));
}

SendProgress MeteredSocketFactory::StreamProgress() const {
    return m_stream != nullptr ? m_stream->Progress() : SendProgress{};
}
