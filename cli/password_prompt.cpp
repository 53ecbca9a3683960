#include "cli/password_prompt.h"

#include <termios.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <string>

#include "cli/text.h"

namespace {

constexpr int kEndSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGTSTP};

termios g_savedTerminal{};

// Puts the echo back, then lets the signal do what it would have done.
void RestoreTerminalAndReraise(int signalNumber) {
    tcsetattr(STDIN_FILENO, TCSANOW, &g_savedTerminal);
    std::signal(signalNumber, SIG_DFL);
    std::raise(signalNumber);
}

std::optional<std::string> ReadLine() {
    std::string line;
    int ch = 0;
    bool any = false;
    while ((ch = std::fgetc(stdin)) != EOF) {
        any = true;
        if (ch == '\n') {
            break;
        }
        line.push_back(static_cast<char>(ch));
    }
    if (!any) {
        return std::nullopt;
    }
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    return line;
}

}  // namespace

std::optional<std::wstring> ReadSecretLine(const std::wstring& prompt) {
    if (!isatty(STDIN_FILENO) || tcgetattr(STDIN_FILENO, &g_savedTerminal) != 0) {
        const std::optional<std::string> line = ReadLine();
        return line ? std::optional(Utf8ToWide(*line)) : std::nullopt;
    }
    std::fputs(WideToUtf8(prompt).c_str(), stderr);
    std::fflush(stderr);

    struct sigaction restore {};
    restore.sa_handler = RestoreTerminalAndReraise;
    sigemptyset(&restore.sa_mask);
    struct sigaction previous[std::size(kEndSignals)]{};
    for (size_t i = 0; i < std::size(kEndSignals); ++i) {
        sigaction(kEndSignals[i], &restore, &previous[i]);
    }
    termios quiet = g_savedTerminal;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    quiet.c_lflag |= ECHONL;
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);

    const std::optional<std::string> line = ReadLine();

    tcsetattr(STDIN_FILENO, TCSAFLUSH, &g_savedTerminal);
    for (size_t i = 0; i < std::size(kEndSignals); ++i) {
        sigaction(kEndSignals[i], &previous[i], nullptr);
    }
    return line ? std::optional(Utf8ToWide(*line)) : std::nullopt;
}
