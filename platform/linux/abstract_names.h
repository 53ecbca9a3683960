#pragma once

#include <map>
#include <string>

#include "platform/kernel_network.h"

// Names in the abstract socket namespace, which the kernel keeps per network namespace:
// a name is held by binding a socket to it, only one socket at a time can be bound to
// it, and the kernel frees it when that socket closes, also when its process is killed
// (a stopped process keeps it). Every process of the network namespace sees the same
// names, whoever runs it. Not thread-safe.
class AbstractNames {
public:
    AbstractNames() = default;
    ~AbstractNames();

    AbstractNames(const AbstractNames&) = delete;
    AbstractNames& operator=(const AbstractNames&) = delete;

    // A name this object holds already counts as taken.
    NameHold Hold(const std::string& name);
    void Release(const std::string& name);

private:
    std::map<std::string, int> m_held;  // name -> the socket bound to it
};
