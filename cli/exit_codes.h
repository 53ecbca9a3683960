#pragma once

// How tamselctl ends, so that scripts can tell the kinds of failure apart. Documented in
// the help text; keep both in step.
enum class ExitCode : int {
    kSuccess = 0,
    // Something outside the cases below (an output that cannot be written).
    kInternal = 1,
    // Bad usage, or input that the device's own pages would refuse.
    kUsage = 2,
    // The repeater was not found or did not answer: no reply to the search, a time-out,
    // a refused or broken connection, or a failed host address set-up.
    kNetwork = 3,
    // The repeater refused the credentials (an HTTP 401 answer).
    kCredentials = 4,
    // The repeater answered but refused the request (an error page, "Invalid file
    // format!", an unsupported model).
    kRefused = 5,
    // Repeaters answered the search, but this computer's firewall dropped their answers
    // (discover, and a command whose repeater was not found for that reason).
    kFirewall = 6,
};

// A run ended by SIGINT, SIGTERM or SIGHUP exits with 128 + the signal number, after the
// normal teardown.
inline int ExitCodeForSignal(int signalNumber) {
    return 128 + signalNumber;
}
