#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/sim_options.h"
#include "sim_command_line.h"

TEST(SimOptions, SurveyNetworksReplaceTheDefaults) {
    OptionsResult result =
        ParseWords({"--survey-network", "A B|00:11:22:33:44:55|6|AES|WPA2PSK|70|AP",
                    "--survey-network", "Open|00:11:22:33:44:66|1|NONE||20|AP", "--password", "p w",
                    "--dhcp", "off", "--status", "401"});
    ASSERT_TRUE(result.options) << result.message;
    const SimOptions& options = *result.options;
    ASSERT_EQ(options.survey.size(), 2u);
    EXPECT_EQ(options.survey[0].ssid, "A B");
    EXPECT_EQ(options.survey[1].wpaKind, "");
    EXPECT_EQ(options.password, "p w");
    EXPECT_FALSE(options.dhcp);
    EXPECT_EQ(options.misbehaviour.forcedStatus, 401);

    EXPECT_TRUE(ParseWords({"--no-survey-networks"}).options->survey.empty());
    EXPECT_EQ(ParseWords({}).options->survey.size(), DefaultSurveyNetworks().size());
}

TEST(SimOptions, UsageErrors) {
    for (std::vector<std::string> words :
         std::vector<std::vector<std::string>>{{"--ip", "300.1.1.1"},
                                               {"--mask", "255.0.255.0"},
                                               {"--survey-network", "only|three|fields"},
                                               {"--dhcp", "maybe"},
                                               {"--reply", "multicast"},
                                               {"--slow-ms", "-1"},
                                               {"--bogus"},
                                               {"stray"}}) {
        OptionsResult result = ParseWords(words);
        EXPECT_FALSE(result.options) << words[0];
        EXPECT_EQ(result.exitCode, 2) << words[0];
    }
    EXPECT_EQ(ParseWords({"--help"}).exitCode, 0);
}

TEST(ControlFile, DescribesTheWholeRunTimeBehaviour) {
    std::string error;
    auto parsed = ParseControlText("# comment\nkeep-open\n  slow-ms 25  \n--status=500\n", &error);
    ASSERT_TRUE(parsed) << error;
    EXPECT_TRUE(parsed->keepOpen);
    EXPECT_EQ(parsed->slowMs, 25);
    EXPECT_EQ(parsed->forcedStatus, 500);
    EXPECT_FALSE(parsed->silent);
    EXPECT_EQ(DescribeMisbehaviour(*parsed), "keep-open,slow-ms:25,status:500");

    auto normal = ParseControlText("normal\n", &error);
    ASSERT_TRUE(normal);
    EXPECT_EQ(DescribeMisbehaviour(*normal), "normal");

    EXPECT_FALSE(ParseControlText("status abc\n", &error));
    EXPECT_FALSE(ParseControlText("explode\n", &error));
    EXPECT_NE(error.find("explode"), std::string::npos);
}
