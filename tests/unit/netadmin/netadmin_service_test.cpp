#include "platform/linux/netadmin/netadmin_service.h"

#include <gtest/gtest.h>

#include <map>

namespace {

// Interfaces with addresses; every change and every packet is logged.
class FakeSystem : public INetAdminSystem {
public:
    FakeSystem() {
        links[2] = {"eth0", true};
        links[3] = {"wlan0", true};
        links[1] = {"lo", false};
        addresses[2] = {{0x0A000005, 8, "eth0"}};  // 10.0.0.5/8
    }

    std::optional<Link> FindLink(uint32_t index) override {
        const auto it = links.find(index);
        return it == links.end() ? std::nullopt : std::optional<Link>(it->second);
    }
    std::optional<std::vector<Address>> AddressesOf(uint32_t index) override {
        return addresses[index];
    }
    bool AddAddress(const HostAddressContext& c, const std::string& label,
                    uint32_t lifetime) override {
        log.push_back("add " + Cidr(c) + " " + label + " " + std::to_string(lifetime));
        addresses[c.interfaceIndex].push_back({c.address, c.prefixLength, label});
        return true;
    }
    bool RenewAddress(const HostAddressContext& c, const std::string& label,
                      uint32_t lifetime) override {
        log.push_back("renew " + Cidr(c) + " " + label + " " + std::to_string(lifetime));
        return true;
    }
    bool DeleteAddress(const HostAddressContext& c) override {
        log.push_back("delete " + Cidr(c));
        std::erase_if(addresses[c.interfaceIndex], [&](const Address& a) {
            return a.address == c.address && a.prefixLength == c.prefixLength;
        });
        return true;
    }
    bool FlushNeighbours(uint32_t index) override {
        log.push_back("flush " + std::to_string(index));
        return true;
    }
    std::optional<std::vector<uint8_t>> SendArp(Ipv4 target, Ipv4 source, uint32_t index) override {
        log.push_back("arp " + FormatIpv4Ascii(target) + " from " + FormatIpv4Ascii(source) +
                      " dev " + std::to_string(index));
        if (target == 0xC0A801C8) {  // 192.168.1.200 answers
            return std::vector<uint8_t>{0x00, 0x1a, 0x2b, 0x00, 0x00, 0x01};
        }
        return std::nullopt;
    }

    static std::string Cidr(const HostAddressContext& c) {
        return FormatIpv4Ascii(c.address) + "/" + std::to_string(c.prefixLength) + " dev " +
               std::to_string(c.interfaceIndex);
    }

    std::map<uint32_t, Link> links;
    std::map<uint32_t, std::vector<Address>> addresses;
    std::vector<std::string> log;
};

class NetAdminServiceTest : public testing::Test {
protected:
    // The answer, asserting that the request changed and sent nothing.
    std::string Refused(const std::string& line) {
        const std::string before = Addresses();
        const size_t logged = system.log.size();
        const std::string answer = service.Handle(line);
        EXPECT_TRUE(answer.starts_with("error ")) << line << " -> " << answer;
        EXPECT_EQ(system.log.size(), logged) << line << ": " << system.log.back();
        EXPECT_EQ(Addresses(), before) << line;
        return answer;
    }

    std::string Addresses() {
        std::string all;
        for (const auto& [index, list] : system.addresses) {
            for (const INetAdminSystem::Address& a : list) {
                all += FakeSystem::Cidr({index, a.address, a.prefixLength}) + " " + a.label + ";";
            }
        }
        return all;
    }

    FakeSystem system;
    NetAdminService service{system};
};

TEST_F(NetAdminServiceTest, AddsRenewsAndDeletesATemporaryAddressWithOurLabel) {
    EXPECT_EQ(service.Handle("add 2 192.168.1.241/24 120"), "ok");
    EXPECT_EQ(service.Handle("renew 2 192.168.1.241/24 60"), "ok");
    EXPECT_EQ(service.Handle("delete 2 192.168.1.241/24"), "ok");
    // wlan0 is a LAN adapter as well; a long name is cut to fit the label.
    system.links[3].name = "wlxaabbccddeeff";
    EXPECT_EQ(service.Handle("add 3 10.1.2.247/16 1"), "ok");
    EXPECT_EQ(system.log, (std::vector<std::string>{
                              "add 192.168.1.241/24 dev 2 eth0:tmsl 120",
                              "renew 192.168.1.241/24 dev 2 eth0:tmsl 60",
                              "delete 192.168.1.241/24 dev 2",
                              "add 10.1.2.247/16 dev 3 wlxaabbccd:tmsl 1",
                          }));
}

TEST_F(NetAdminServiceTest, RefusesAddressesThatAreNotTemporaryOnes) {
    for (const char* line : {
             "add 2 192.168.1.240/24 120",  // last octet outside 241-247
             "add 2 192.168.1.248/24 120",
             "add 2 192.168.1.1/24 120",
             "add 2 192.168.1.241/24 121",  // lifetime above 120 s
             "add 2 192.168.1.241/24 0",    // or none at all: permanent
             "add 2 10.0.0.241/7 120",      // a prefix claiming half the address space
             "add 2 192.168.1.241/31 120",
             "add 2 192.168.1.247/29 120",  // the subnet's broadcast address
             "add 2 127.0.0.241/8 120",
             "add 2 224.0.0.241/24 120",
             "add 9 192.168.1.241/24 120",  // no such interface
             "add 1 192.168.1.241/24 120",  // not a LAN adapter
             "renew 2 192.168.1.241/24 121",
         }) {
        Refused(line);
    }
    EXPECT_NE(Refused("add 2 192.168.1.248/24 120").find("241-247"), std::string::npos);
    EXPECT_NE(Refused("add 9 192.168.1.241/24 120").find("index 9"), std::string::npos);
}

TEST_F(NetAdminServiceTest, DeletesAndRenewsOnlyAddressesCarryingOurLabel) {
    system.addresses[2].push_back({0xC0A801F1, 24, "eth0"});  // 192.168.1.241 of the user's
    EXPECT_NE(Refused("delete 2 192.168.1.241/24").find("label eth0:tmsl"), std::string::npos);
    Refused("renew 2 192.168.1.241/24 60");
    Refused("delete 2 10.0.0.5/8");
    Refused("delete 2 192.168.1.242/24");  // not there at all
    Refused("delete 3 192.168.1.241/24");  // there, but on another interface

    // One left behind by an earlier run (another label of ours) may go.
    system.addresses[3].push_back({0xC0A807F1, 24, "wlan0:tmsl"});
    EXPECT_EQ(service.Handle("delete 3 192.168.7.241/24"), "ok");
}

TEST_F(NetAdminServiceTest, HoldsOneTemporaryAddressAtATime) {
    EXPECT_EQ(service.Handle("add 2 192.168.1.241/24 120"), "ok");
    system.log.clear();
    Refused("add 3 192.168.2.241/24 120");
    // Once it is gone (expired, or removed by someone else) another may come.
    system.addresses[2].pop_back();
    EXPECT_EQ(service.Handle("add 3 192.168.2.241/24 120"), "ok");
}

TEST_F(NetAdminServiceTest, ArpOnlyFromAnAddressTheInterfaceHolds) {
    // A request from a foreign sender address would poison the neighbours' caches.
    Refused("arp 2 192.168.1.200 192.168.1.1");
    Refused("arp 2 192.168.1.200 10.0.0.6");
    Refused("arp 2 255.255.255.255 0.0.0.0");
    EXPECT_EQ(service.Handle("arp 2 192.168.1.200 10.0.0.5"), "ok 00:1a:2b:00:00:01");
    EXPECT_EQ(service.Handle("arp 2 192.168.1.241 0.0.0.0"), "none");  // a probe
    EXPECT_EQ(service.Handle("flush 2"), "ok");
    EXPECT_EQ(system.log,
              (std::vector<std::string>{"arp 192.168.1.200 from 10.0.0.5 dev 2",
                                        "arp 192.168.1.241 from 0.0.0.0 dev 2", "flush 2"}));
    Refused("flush 1");
    Refused("flush 9");
}

TEST_F(NetAdminServiceTest, MalformedRequestsAreRefused) {
    EXPECT_NE(Refused("add 2 192.168.1.241/24").find("malformed"), std::string::npos);
    Refused("dump");
    Refused("add eth0 192.168.1.241/24 120");
}

TEST_F(NetAdminServiceTest, FinishRemovesTheAddressItAddedAndNothingElse) {
    system.addresses[3].push_back({0xC0A807F1, 24, "wlan0:tmsl"});  // not ours to remove
    EXPECT_EQ(service.Handle("add 2 192.168.1.241/24 120"), "ok");
    service.Finish();
    EXPECT_EQ(system.log.back(), "delete 192.168.1.241/24 dev 2");
    EXPECT_EQ(system.addresses[3].size(), 1u);

    // An address the program deleted itself is not deleted again.
    system.log.clear();
    EXPECT_EQ(service.Handle("add 2 192.168.1.242/24 120"), "ok");
    EXPECT_EQ(service.Handle("delete 2 192.168.1.242/24"), "ok");
    service.Finish();
    EXPECT_EQ(system.log.size(), 2u);
}

}  // namespace
