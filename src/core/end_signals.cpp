#include "core/end_signals.h"

#include <pthread.h>

#include <csignal>
#include <thread>

namespace tarnfold {

void WatchEndSignals(std::function<void(int signal)> onSignal) {
    sigset_t signals;
    sigemptyset(&signals);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&signals, signal);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    // Lives as long as the process; it holds nothing to release.
    std::thread([signals, onSignal = std::move(onSignal)] {
        for (;;) {
            int signal = 0;
            if (sigwait(&signals, &signal) == 0) onSignal(signal);
        }
    }).detach();
}

}  // namespace tarnfold
