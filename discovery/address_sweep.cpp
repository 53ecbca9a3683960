#include "discovery/address_sweep.h"

#include <algorithm>

AddressSweep::AddressSweep(const SearchTarget& target, int sendsPerAddress, uint32_t intervalMs)
    : m_target(target), m_sendsPerAddress(sendsPerAddress), m_intervalMs(intervalMs) {}

void AddressSweep::Step(uint32_t now, const Send& send) {
    bool refused = false;
    for (Batch& batch : m_batches) {
        if (batch.waiting) {
            // Unsigned difference: a wrap of the tick count still gives the elapsed time.
            if (now - batch.lastSend <= m_intervalMs) {
                continue;
            }
            batch.waiting = false;
        }
        if (batch.sendsLeft > 0 && !SendRound(batch, now, send)) {
            refused = true;
            break;
        }
    }
    // A batch is done once the wait after its last send is over.
    std::erase_if(m_batches, [](const Batch& b) { return b.sendsLeft == 0 && !b.waiting; });

    if (!refused && m_nextAddress < m_target.Count()) {
        Batch batch;
        batch.first = m_nextAddress;
        batch.count = std::min(kAddressesPerTick, m_target.Count() - m_nextAddress);
        batch.sendsLeft = m_sendsPerAddress;
        m_nextAddress += batch.count;
        m_batches.push_back(batch);
        SendRound(m_batches.back(), now, send);
    }
}

bool AddressSweep::SendRound(Batch& batch, uint32_t now, const Send& send) {
    for (; batch.cursor < batch.count; ++batch.cursor) {
        if (!send(m_target.Address(batch.first + batch.cursor))) {
            return false;
        }
    }
    batch.cursor = 0;
    --batch.sendsLeft;
    batch.waiting = true;
    batch.lastSend = now;
    return true;
}

bool AddressSweep::Finished() const {
    return m_nextAddress >= m_target.Count() && m_batches.empty();
}

uint32_t AddressSweep::ScheduledEndTick(uint32_t addresses, int sendsPerAddress,
                                        uint32_t intervalMs, uint32_t tickPeriodMs) {
    const uint32_t batches = (addresses + kAddressesPerTick - 1) / kAddressesPerTick;
    // The first tick more than intervalMs after a send.
    const uint32_t ticksPerWait = intervalMs / tickPeriodMs + 1;
    return batches - 1 + static_cast<uint32_t>(sendsPerAddress) * ticksPerWait;
}
