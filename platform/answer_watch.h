#pragma once

#include <cstdint>
#include <memory>
#include <optional>

// Counts the repeaters whose answers to a search reach this host's network adapters,
// before any firewall of the host has seen them: the senders of UDP datagrams from the
// discovery port to the discovery port, of a discovery reply's size, that arrive for this
// host. It counts distinct senders only and never looks at what an answer holds.
// Comparing the count with the senders whose answers reached the discovery socket tells
// whether the host's firewall dropped answers.
class IAnswerWatch {
public:
    virtual ~IAnswerWatch() = default;

    // Starts counting afresh; false when the watch cannot run now.
    virtual bool Start() = 0;
    // Ends the watch: the number of distinct senders seen since Start; nullopt when it
    // did not run.
    virtual std::optional<uint32_t> Stop() = 0;
};

// The senders a watch counts at most; a longer list says no more.
inline constexpr uint32_t kMaxWatchedSenders = 4096;
