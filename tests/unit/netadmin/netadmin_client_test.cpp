#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/linux/capabilities.h"
#include "platform/linux/netadmin_host_network.h"

namespace {

// A stand-in for the helper that notes each start in a file and then says something other
// than the greeting, as a broken helper would.
class BrokenHelper {
public:
    BrokenHelper() {
        char dir[] = "/tmp/tamsel-client-XXXXXX";
        m_dir = mkdtemp(dir);
        m_starts = m_dir + "/starts";
        m_path = m_dir + "/tamsel-netadmin";
        std::ofstream script(m_path);
        script << "#!/bin/sh\necho started >>" << m_starts << "\necho 'ready 0'\n";
        script.close();
        chmod(m_path.c_str(), 0755);
    }
    ~BrokenHelper() {
        unlink(m_starts.c_str());
        unlink(m_path.c_str());
        rmdir(m_dir.c_str());
    }

    const std::string& Path() const { return m_path; }
    size_t Starts() const {
        std::ifstream file(m_starts);
        const std::string text((std::istreambuf_iterator<char>(file)), {});
        size_t lines = 0;
        for (const char c : text) {
            lines += c == '\n' ? 1 : 0;
        }
        return lines;
    }

private:
    std::string m_dir;
    std::string m_starts;
    std::string m_path;
};

// tamselctl and the GUI work out once per run what they lack: a helper that could not
// serve is not started again for every request or every retried command.
TEST(NetAdminClient, AHelperThatCannotServeIsStartedOncePerRun) {
    BrokenHelper helper;
    NetAdminHostNetwork network(helper.Path());
    const NetworkRights rights = network.Rights();
    EXPECT_EQ(rights.state, NetworkRights::State::kHelperFailed);
    EXPECT_NE(rights.reason.find("ready 0"), std::string::npos) << rights.reason;
    EXPECT_EQ(rights.helperPath, helper.Path());

    EXPECT_FALSE(network.AddTempAddress(2, 0xC0A801C8, 24, 0xC0A801F1));
    EXPECT_FALSE(network.SendArp(0xC0A801C8, 0, 2));
    EXPECT_FALSE(network.FlushNeighbour(2, 0xC0A801C8));
    EXPECT_EQ(network.Rights().state, NetworkRights::State::kHelperFailed);
    EXPECT_EQ(helper.Starts(), 1u);
}

TEST(NetAdminClient, AMissingHelperNamesWhatTheProgramLacks) {
    NetAdminHostNetwork network("/nonexistent/tamsel-netadmin");
    const NetworkRights rights = network.Rights();
    EXPECT_EQ(rights.state, NetworkRights::State::kNoHelper);
    EXPECT_EQ(rights.missingCapabilities, MissingNetworkCapabilities());
}

}  // namespace
