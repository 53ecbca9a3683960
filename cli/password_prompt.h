#pragma once

#include <optional>
#include <string>

// Reads one line for a password. On a terminal the prompt goes to standard error and the
// typing is not echoed (the echo comes back even when the program is interrupted
// meanwhile); otherwise the line is read from standard input without a prompt, for
// scripts that pipe the passwords in. Nothing when the input has ended.
std::optional<std::wstring> ReadSecretLine(const std::wstring& prompt);
