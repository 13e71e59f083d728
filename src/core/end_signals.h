#pragma once
// SIGINT, SIGTERM and SIGHUP (Ctrl+C, a kill, the end of the session) taken
// by a thread of the program's own. The database client library installs
// handlers of its own for some of them at its first attach, after which they
// would no longer end the program: blocked in every thread and waited for
// here, they reach the program whatever handlers a library sets.

#include <functional>

namespace tarnfold {

// Call first thing in main, before any thread starts (threads inherit the
// blocked signals). Each signal is then handed to `onSignal` on the watching
// thread, where it may do what a signal handler may not; it runs as long as
// the process.
void WatchEndSignals(std::function<void(int signal)> onSignal);

}  // namespace tarnfold
