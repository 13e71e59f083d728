#include <csignal>

#include "batch/interrupt.h"
#include "core/end_signals.h"

namespace tarnfold::batch {

// SIGINT is Ctrl+C; SIGTERM and SIGHUP (a kill, the end of the terminal)
// always end at once. The exit code tells the signal, as a shell reports it.
void StartInterruptWatch() {
    WatchEndSignals([](int signal) { EndRequested(signal == SIGINT, 128 + signal); });
}

}  // namespace tarnfold::batch
