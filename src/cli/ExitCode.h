#pragma once

namespace quorvel {

// What the command line's exit status means to a script; a signal that ends
// a run gives 128 + its number.
enum ExitCode : int {
    ExitSuccess = 0, // done: a board found, assigned, answered
    ExitNothing = 1, // nothing found, no answer, timed out
    ExitUsage = 2,   // bad arguments or bad input; nothing was sent
    ExitRefused = 3, // the board answered with a failure code
    ExitHost = 4,    // the host failed: no interface could send, a port could not be bound
    ExitOutput = 5,  // standard output could not be written
};

// The exit statuses as --help and the man page list them.
inline constexpr const char* kExitStatusText =
    "Exit status: 0 done; 1 nothing found, no answer or timed out; 2 bad arguments or input\n"
    "(nothing sent); 3 the board refused; 4 the host could not send, or bind the local\n"
    "port or the --listen endpoint (a service manager may try again);\n"
    "5 standard output could not be written; 128+N ended by signal N (130 Ctrl-C).\n";

} // namespace quorvel
