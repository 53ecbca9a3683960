#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "cli/command_line.h"
#include "cli/input_files.h"
#include "platform/utf8_text.h"

namespace {

using ::testing::HasSubstr;

CommandLine Parse(std::vector<std::string> arguments,
                  std::optional<std::string> environment = std::nullopt) {
    return ParseCommandLine(arguments, environment);
}

std::string Error(std::vector<std::string> arguments) {
    const CommandLine parsed = Parse(std::move(arguments));
    EXPECT_FALSE(parsed.options);
    return WideToUtf8(parsed.error);
}

TEST(ApplyCommandLineTest, ApplyReadsItsStateFromAFileOrStandardInput) {
    const CommandLine file = Parse({"apply", "192.168.1.1", "state.json", "--check", "--diff"});
    ASSERT_TRUE(file.options) << WideToUtf8(file.error);
    EXPECT_EQ(file.options->command, CliCommand::kApply);
    EXPECT_EQ(file.options->stateFile, "state.json");
    EXPECT_TRUE(file.options->check);
    EXPECT_TRUE(file.options->diff);

    for (const std::vector<std::string>& stdinForms :
         {std::vector<std::string>{"apply", "192.168.1.1"}, {"apply", "192.168.1.1", "-"}}) {
        const CommandLine parsed = Parse(stdinForms);
        ASSERT_TRUE(parsed.options);
        EXPECT_EQ(parsed.options->stateFile, "-");
        EXPECT_FALSE(parsed.options->check);
    }
    // Its answer is JSON anyway; --json, as callers give it to status, is taken.
    const CommandLine json = Parse({"apply", "192.168.1.1", "-", "--json", "--check"});
    ASSERT_TRUE(json.options) << WideToUtf8(json.error);
    EXPECT_EQ(json.options->stateFile, "-");
    EXPECT_THAT(Error({"apply"}), HasSubstr("needs the repeater's IP address"));
    EXPECT_THAT(Error({"apply", "192.168.1.1", "a.json", "b.json"}), HasSubstr("b.json"));
    // --check and --diff belong to apply.
    EXPECT_THAT(Error({"status", "192.168.1.1", "--check"}), HasSubstr("does not apply"));
}

TEST(ApplyCommandLineTest, ADryRunOfApplyIsRefusedInOneLine) {
    EXPECT_THAT(Error({"apply", "192.168.1.1", "--dry-run", "--password", "x"}),
                HasSubstr("--check reads and says what would change"));
}

TEST(ApplyCommandLineTest, EverySecretMayComeFromAFile) {
    const CommandLine parsed = Parse({"set-password", "192.168.1.1", "--old-file", "old.txt",
                                      "--new-file", "-", "--password-file", "/run/pw"});
    ASSERT_TRUE(parsed.options) << WideToUtf8(parsed.error);
    EXPECT_EQ(*parsed.options->oldFile, "old.txt");
    EXPECT_EQ(*parsed.options->newFile, "-");
    EXPECT_EQ(*parsed.options->passwordFile, "/run/pw");
    EXPECT_FALSE(parsed.options->password);

    const CommandLine bridge =
        Parse({"bridge", "192.168.1.1", "--ssid", "Office", "--key-file", "key.txt"});
    ASSERT_TRUE(bridge.options);
    EXPECT_EQ(*bridge.options->keyFile, "key.txt");
    EXPECT_THAT(Error({"status", "192.168.1.1", "--key-file", "k"}), HasSubstr("does not apply"));
}

TEST(ApplyCommandLineTest, APasswordFromAFileOrTheEnvironmentServesADryRunAndAUser) {
    EXPECT_TRUE(Parse({"reboot", "192.168.1.1", "--dry-run", "--password-file", "pw"}).options);
    EXPECT_TRUE(Parse({"reboot", "192.168.1.1", "--dry-run"}, "from-env").options);
    EXPECT_TRUE(Parse({"status", "192.168.1.1", "--user", "root"}, "from-env").options);
    EXPECT_FALSE(Parse({"reboot", "192.168.1.1", "--dry-run"}).options);
    const CommandLine parsed = Parse({"status", "192.168.1.1"}, "from-env");
    ASSERT_TRUE(parsed.options);
    EXPECT_EQ(*parsed.options->environmentPassword, L"from-env");
    // Read into the login later, after an option and apply's state.
    EXPECT_FALSE(parsed.options->password);
}

TEST(ApplyCommandLineTest, TheWaitForATemporaryAddressIsBoundedBySeconds) {
    EXPECT_EQ(Parse({"status", "192.168.1.1"}).options->addressWaitSeconds, 600u);
    EXPECT_EQ(Parse({"apply", "192.168.1.1", "--address-wait", "30"}).options->addressWaitSeconds,
              30u);
    EXPECT_THAT(Error({"status", "192.168.1.1", "--address-wait", "-1"}),
                HasSubstr("--address-wait takes a number of seconds"));
    EXPECT_THAT(Error({"discover", "--address-wait", "5"}), HasSubstr("does not apply"));
}

class TempFile {
public:
    explicit TempFile(const std::string& content)
        : m_path(testing::TempDir() + "/tamselctl_secret_" +
                 testing::UnitTest::GetInstance()->current_test_info()->name()) {
        std::ofstream(m_path, std::ios::binary) << content;
    }
    ~TempFile() { std::remove(m_path.c_str()); }
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

TEST(InputFilesTest, ASecretLosesOneTrailingLineBreakAndNothingElse) {
    EXPECT_EQ(*ReadSecretFile(TempFile("s3cret\n").path()).secret, L"s3cret");
    EXPECT_EQ(*ReadSecretFile(TempFile("s3cret\r\n").path()).secret, L"s3cret");
    EXPECT_EQ(*ReadSecretFile(TempFile(" two words \n\n").path()).secret, L" two words \n");
    EXPECT_EQ(*ReadSecretFile(TempFile("p\xc3\xa4ss").path()).secret, L"p\u00e4ss");
    EXPECT_EQ(*ReadSecretFile(TempFile("").path()).secret, L"");
}

TEST(InputFilesTest, AFileThatCannotBeReadSaysWhyWithoutItsContent) {
    const SecretRead missing = ReadSecretFile("/nonexistent/secret");
    EXPECT_FALSE(missing.secret);
    EXPECT_THAT(missing.error, HasSubstr("No such file"));

    const SecretRead huge = ReadSecretFile(TempFile(std::string(5000, 'x')).path());
    EXPECT_FALSE(huge.secret);
    EXPECT_THAT(huge.error, HasSubstr("longer than"));
    EXPECT_THAT(huge.error, ::testing::Not(HasSubstr("xxx")));

    EXPECT_FALSE(ReadSecretFile("/").secret);
}

}  // namespace
