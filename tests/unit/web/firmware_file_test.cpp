// The firmware file check that the firmware page and tamselctl run before an upload, on
// real files in a temporary folder.

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "resources/string_ids.h"
#include "web/input_rules.h"

namespace {

class FirmwareFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "fwfile.XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(m_dir, ignored);
    }

    // A file named by raw bytes, so that names in no particular encoding can be made.
    std::string MakeFile(const std::string& name, const std::string& contents) {
        const std::string path = m_dir + "/" + name;
        std::ofstream(path, std::ios::binary) << contents;
        return path;
    }

    std::string m_dir;
};

TEST_F(FirmwareFileTest, AReadableFileOfAnyNameAndContentIsAccepted) {
    EXPECT_TRUE(CheckImageFile(MakeFile("image.bin", "TMSLFW01")).Accepted());
    // The contents are the device's business, even none at all.
    EXPECT_TRUE(CheckImageFile(MakeFile("empty.bin", "")).Accepted());
    EXPECT_TRUE(CheckImageFile(MakeFile("Pr\xc3\xbc"
                                        "fung \xd0\xbf.bin",
                                        "x"))
                    .Accepted());
    // Bytes that are no UTF-8 at all: the name is used as the file system gives it.
    EXPECT_TRUE(CheckImageFile(MakeFile("latin\xe9\xff.bin", "x")).Accepted());
}

TEST_F(FirmwareFileTest, NoNameAsksForAFile) {
    const InputVerdict verdict = CheckImageFile("");
    EXPECT_EQ(verdict.messageId, kMsgEnterFile);
    EXPECT_EQ(verdict.focus, InputFocus::None);
}

TEST_F(FirmwareFileTest, WhatIsNoReadableFileIsAnInvalidFile) {
    EXPECT_EQ(CheckImageFile(m_dir + "/missing.bin").messageId, kMsgInvalidFile);
    EXPECT_EQ(CheckImageFile(m_dir).messageId, kMsgInvalidFile);
    EXPECT_EQ(CheckImageFile("/dev/null").messageId, kMsgInvalidFile);

    // A pipe with no writer would block a plain open; it must be refused at once.
    const std::string fifo = m_dir + "/pipe";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(CheckImageFile(fifo).messageId, kMsgInvalidFile);

    // The name up to the zero byte exists, but that is not the file that was named.
    const std::string real = MakeFile("real.bin", "x");
    EXPECT_EQ(CheckImageFile(real + std::string(1, '\0') + "tail").messageId, kMsgInvalidFile);

    // Unreadable by permission (root reads it anyway).
    const std::string locked = MakeFile("locked.bin", "x");
    ASSERT_EQ(chmod(locked.c_str(), 0), 0);
    if (geteuid() != 0) {
        EXPECT_EQ(CheckImageFile(locked).messageId, kMsgInvalidFile);
    }
}

}  // namespace
