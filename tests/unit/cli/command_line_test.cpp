#include "cli/command_line.h"

#include <gtest/gtest.h>

#include "platform/url_opener.h"

namespace {

CommandLine Parse(std::vector<std::string> arguments) {
    return ParseCommandLine(arguments);
}

TEST(CommandLineTest, OptionsMayComeOnEitherSideOfTheOperandsInBothSpellings) {
    const CommandLine a = Parse({"--verbose", "bridge", "--ssid=Home Net", "192.168.1.1", "--key",
                                 "-starts-with-dash", "--key-index", "3"});
    ASSERT_TRUE(a.options) << std::string(a.error.begin(), a.error.end());
    EXPECT_EQ(a.options->command, CliCommand::kBridge);
    EXPECT_EQ(a.options->deviceIp, L"192.168.1.1");
    EXPECT_EQ(a.options->ssid, L"Home Net");
    EXPECT_EQ(a.options->key, L"-starts-with-dash");
    EXPECT_EQ(a.options->keyIndex, 3);
    EXPECT_TRUE(a.options->verbose);

    const CommandLine b = Parse({"upgrade", "10.0.0.1", "--", "--image.bin"});
    ASSERT_TRUE(b.options);
    EXPECT_EQ(b.options->firmwarePath, "--image.bin");
}

// open takes the repeater's address and, to spare the search, its mask; nothing that a
// login or a request would need. Its URL is made from the parsed address alone.
TEST(CommandLineTest, OpenTakesAnAddressAndAMaskAndItsUrlHoldsNothingElse) {
    const CommandLine open = Parse({"open", "192.168.1.1"});
    ASSERT_TRUE(open.options);
    EXPECT_EQ(open.options->command, CliCommand::kOpen);
    EXPECT_FALSE(open.options->deviceMaskGiven);
    const CommandLine masked = Parse({"open", "192.168.1.1", "--mask", "255.255.0.0"});
    ASSERT_TRUE(masked.options);
    EXPECT_TRUE(masked.options->deviceMaskGiven);
    EXPECT_EQ(masked.options->deviceMask, L"255.255.0.0");
    for (const std::vector<std::string>& refused : {std::vector<std::string>{"open"},
                                                    {"open", "192.168.1.1", "--password", "x"},
                                                    {"open", "192.168.1.1", "--dry-run"},
                                                    {"open", "192.168.1.1;xterm"},
                                                    {"open", "example.com"},
                                                    {"open", "192.168.1.1", "192.168.1.2"}}) {
        EXPECT_FALSE(Parse(refused).options) << refused.back();
    }
    EXPECT_EQ(DeviceWebUrl(0xC0A80101), "http://192.168.1.1/");
}

TEST(CommandLineTest, MaskIsTheNewMaskForSetIpAndTheDevicesMaskElsewhere) {
    const CommandLine setIp = Parse({"set-ip", "192.168.1.1", "--ip", "10.0.0.5", "--mask",
                                     "255.0.0.0", "--device-mask", "255.255.0.0", "--dhcp", "ON"});
    ASSERT_TRUE(setIp.options);
    EXPECT_EQ(setIp.options->newMask, L"255.0.0.0");
    EXPECT_EQ(setIp.options->deviceMask, L"255.255.0.0");
    EXPECT_TRUE(setIp.options->dhcpOn);

    const CommandLine status =
        Parse({"status", "192.168.1.1", "--password", "pw", "--mask", "255.255.0.0"});
    ASSERT_TRUE(status.options);
    EXPECT_EQ(status.options->deviceMask, L"255.255.0.0");
    EXPECT_TRUE(status.options->HasCredentials());
}

TEST(CommandLineTest, RefusesWhatCannotBeCarriedOutSafely) {
    const std::vector<std::vector<std::string>> refused = {
        {},                                        // no command
        {"frobnicate", "1.2.3.4"},                 // unknown command
        {"status"},                                // no address
        {"status", "1.2.3.4", "5.6.7.8"},          // one too many
        {"status", "1.2.3"},                       // not an address
        {"status", "1.2.3.4\r\nX: y"},             // header injection attempt
        {"status", "1.2.3.4", "--ssid", "x"},      // option of another command
        {"status", "1.2.3.4", "--json=yes"},       // flag with a value
        {"status", "1.2.3.4", "--password"},       // missing value
        {"status", "1.2.3.4", "--user", "admin"},  // user without password
        {"status", "1.2.3.4", "--dry-run"},        // dry run without login
        {"discover", "--dry-run"},                 // nothing to dry-run
        {"bridge", "1.2.3.4", "--key", "x"},       // no SSID
        {"bridge", "1.2.3.4", "--ssid", "s", "--security", "wpa3", "--channel", "6"},
        {"bridge", "1.2.3.4", "--ssid", "s", "--security", "aes"},  // without channel
        {"bridge", "1.2.3.4", "--ssid", "s", "--security", "aes", "--channel", "6&x=1"},
        {"bridge", "1.2.3.4", "--ssid", "s", "--security", "aes", "--channel", "0"},
        {"bridge", "1.2.3.4", "--ssid", "s", "--key-index", "5"},
        {"bridge", "1.2.3.4", "--ssid", "s", "--password", "p", "--dry-run"},  // no security
        {"set-ip", "1.2.3.4", "--dhcp", "on"},                                 // no new address
        {"set-ip", "1.2.3.4", "--ip", "1.2.3.5", "--dhcp", "yes"},
        {"upgrade", "1.2.3.4", "a.bin", "b.bin"},
        {"upgrade", "1.2.3.4", "a.bin", "--wait", "soon"},
        {"reboot", "1.2.3.4", "-x"},
        {"discover", "--address"},                 // missing value
        {"discover", "--address", "10.0.0.0/21"},  // larger than a /22
        {"discover", "--address", "127.0.0.1"},    // loopback
        {"discover", "--address", "1.2.3.4", "--json", "--csv"},
        {"status", "1.2.3.4", "--address", "1.2.3.4"},  // discover's option
        {"status", "1.2.3.4", "--csv"},
    };
    for (const auto& arguments : refused) {
        const CommandLine line = Parse(arguments);
        std::string joined;
        for (const auto& a : arguments) {
            joined += a + " ";
        }
        EXPECT_FALSE(line.options.has_value()) << joined;
        EXPECT_FALSE(line.error.empty()) << joined;
    }
}

TEST(CommandLineTest, DiscoverTakesAnAddressOrABlockAndAnOutputFormat) {
    const CommandLine block = Parse({"discover", "--address=192.168.7.9/24", "--csv"});
    ASSERT_TRUE(block.options);
    ASSERT_TRUE(block.options->searchTarget);
    EXPECT_EQ(block.options->searchTarget->Text(), L"192.168.7.0/24");
    EXPECT_TRUE(block.options->csv);

    const CommandLine plain = Parse({"discover", "--json"});
    ASSERT_TRUE(plain.options);
    EXPECT_FALSE(plain.options->searchTarget);
    // The reason for a refused block is the one the search page gives too.
    EXPECT_EQ(Parse({"discover", "--address", "10.0.0.0/20"}).error,
              ParseSearchTarget(L"10.0.0.0/20").reason);
}

TEST(CommandLineTest, UpgradeWithoutAnImageIsLeftToTheFileCheck) {
    const CommandLine line = Parse({"upgrade", "1.2.3.4"});
    ASSERT_TRUE(line.options);
    EXPECT_TRUE(line.options->firmwarePath.empty());
}

TEST(CommandLineTest, HelpWinsOverEverythingElse) {
    EXPECT_EQ(Parse({"status", "--help"}).options->command, CliCommand::kHelp);
    EXPECT_EQ(Parse({"-h"}).options->command, CliCommand::kHelp);
    EXPECT_EQ(Parse({"help"}).options->command, CliCommand::kHelp);
}

TEST(CommandLineTest, CommandLineTextIsReadAsUtf8) {
    const CommandLine line =
        Parse({"bridge", "1.2.3.4", "--ssid", "Caf\xc3\xa9 \xe2\x82\xac", "--key", "\xff\xfe"});
    ASSERT_TRUE(line.options);
    EXPECT_EQ(line.options->ssid, L"Caf\u00e9 \u20ac");
    // Bytes that are not UTF-8 are kept, read as Windows-1252.
    EXPECT_EQ(line.options->key, L"\u00ff\u00fe");
}

}  // namespace
