#pragma once

#include <optional>
#include <string>

// What tamselctl reads from files rather than from its arguments: secrets, which every
// user of the PC could read in the process list as arguments, and apply's desired state.
// "-" names standard input.

struct FileRead {
    std::optional<std::string> bytes;
    std::string error;  // the system's reason, never any of the file's content
};

// The whole file, at most `limit` bytes (a longer one is refused).
FileRead ReadInputFile(const std::string& path, size_t limit);

// A secret: the file's text without one trailing line break ("\n" or "\r\n"), at most
// 4 KiB, as UTF-8. A file that others may read is still read; that is the user's choice.
struct SecretRead {
    std::optional<std::wstring> secret;
    std::string error;
};
SecretRead ReadSecretFile(const std::string& path);
