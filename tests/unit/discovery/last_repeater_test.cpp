#include "discovery/last_repeater.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

class LastRepeaterTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/tamsel-last-repeater-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root = pattern;
        path = root / "config" / "tamsel" / "last-repeater";
    }
    void TearDown() override { fs::remove_all(root); }

    void WriteFile(const std::string& bytes) {
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << bytes;
    }
    std::vector<std::string> Entries() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(path.parent_path())) {
            names.push_back(entry.path().filename().string());
        }
        return names;
    }

    fs::path root;
    fs::path path;
};

TEST_F(LastRepeaterTest, RemembersTheMacAddressAloneInAFolderOfItsOwn) {
    const LastRepeaterStore store(path.string());
    EXPECT_FALSE(store.Load());  // nothing remembered yet

    ASSERT_TRUE(store.Save(L"00:1a:2b:3c:4d:5e"));
    EXPECT_EQ(store.Load(), L"00:1A:2B:3C:4D:5E");
    std::ifstream file(path, std::ios::binary);
    const std::string content((std::istreambuf_iterator<char>(file)), {});
    EXPECT_EQ(content, "00:1A:2B:3C:4D:5E\n");
    // The new file was renamed into place: no temporary file is left beside it.
    EXPECT_EQ(Entries(), std::vector<std::string>{"last-repeater"});
    struct stat info {};
    ASSERT_EQ(stat(path.parent_path().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);

    ASSERT_TRUE(store.Save(L"02:00:00:00:00:01"));
    EXPECT_EQ(store.Load(), L"02:00:00:00:00:01");
}

TEST_F(LastRepeaterTest, ATextThatIsNoMacAddressIsNeverWritten) {
    const LastRepeaterStore store(path.string());
    ASSERT_TRUE(store.Save(L"00:11:22:33:44:55"));
    // What a device's reply may carry as its MAC text.
    for (const wchar_t* text :
         {L"", L"00:11:22:33:44", L"00:11:22:33:44:55:66", L"0011223344AA", L"00-11-22-33-44-55",
          L"00:11:22:33:44:5G", L"00:11:22:33:44:5\n", L"admin:secret"}) {
        EXPECT_FALSE(store.Save(text)) << std::wstring(text).size();
    }
    EXPECT_EQ(store.Load(), L"00:11:22:33:44:55");
    EXPECT_FALSE(LastRepeaterStore(std::string()).Save(L"00:11:22:33:44:55"));
}

TEST_F(LastRepeaterTest, AFileThatIsNotOneMacAddressIsIgnored) {
    const LastRepeaterStore store(path.string());
    for (const std::string& bytes :
         {std::string("00:11:22:33:44:55 extra\n"), std::string("00:11:22:33:44:55\n\n"),
          std::string("\n00:11:22:33:44:55"), std::string("00:11:22:33:44:55\0", 18),
          std::string(100000, 'A'), std::string("00:11:22:33:44:55\n") + std::string(60, ' '),
          std::string("\xef\xbc\x90\xef\xbc\x90:11:22:33:44:55")}) {
        WriteFile(bytes);
        EXPECT_FALSE(store.Load()) << bytes.size();
    }
    WriteFile("00:11:22:33:44:55");  // without a line break
    EXPECT_EQ(store.Load(), L"00:11:22:33:44:55");

    // Not through a link, and neither a folder nor a pipe in its place.
    fs::remove(path);
    const fs::path elsewhere = root / "elsewhere";
    std::ofstream(elsewhere) << "00:11:22:33:44:55\n";
    fs::create_symlink(elsewhere, path);
    EXPECT_FALSE(store.Load());
    fs::remove(path);
    fs::create_directory(path);
    EXPECT_FALSE(store.Load());
    fs::remove(path);
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    EXPECT_FALSE(store.Load());  // returns at once, no writer needed
}

TEST_F(LastRepeaterTest, PathFollowsTheXdgConfigFolder) {
    const char* savedConfig = std::getenv("XDG_CONFIG_HOME");
    const char* savedHome = std::getenv("HOME");
    const std::string config = savedConfig ? savedConfig : "";
    const std::string home = savedHome ? savedHome : "";

    setenv("XDG_CONFIG_HOME", "/x/conf", 1);
    setenv("HOME", "/home/u", 1);
    EXPECT_EQ(LastRepeaterStore::DefaultPath(), "/x/conf/tamsel/last-repeater");
    setenv("XDG_CONFIG_HOME", "relative", 1);  // to be ignored, as an empty one
    EXPECT_EQ(LastRepeaterStore::DefaultPath(), "/home/u/.config/tamsel/last-repeater");
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(LastRepeaterStore::DefaultPath(), "/home/u/.config/tamsel/last-repeater");
    unsetenv("HOME");
    EXPECT_EQ(LastRepeaterStore::DefaultPath(), "");

    savedConfig ? setenv("XDG_CONFIG_HOME", config.c_str(), 1) : unsetenv("XDG_CONFIG_HOME");
    savedHome ? setenv("HOME", home.c_str(), 1) : unsetenv("HOME");
}

TEST(RowToSelectTest, TheRememberedDeviceIsSelectedWhereverItIsListed) {
    const std::vector<FoundDevice> devices = {
        {L"KV-Q3150Tx", L"00:11:22:33:44:01", L"192.168.1.1", L"", L"", L""},
        {L"KV-Q3150Tx", L"00:11:22:33:44:AB", L"10.0.0.9", L"", L"", L""},
    };
    EXPECT_EQ(RowToSelect(devices, L"00:11:22:33:44:ab"), 1u);
    EXPECT_EQ(RowToSelect(devices, L"00:11:22:33:44:01"), 0u);
    EXPECT_EQ(RowToSelect(devices, L"00:11:22:33:44:02"), std::nullopt);
    EXPECT_EQ(RowToSelect(devices, std::nullopt), std::nullopt);
    EXPECT_EQ(RowToSelect({}, L"00:11:22:33:44:01"), std::nullopt);
}

}  // namespace
