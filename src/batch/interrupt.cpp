#include "batch/interrupt.h"

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <iostream>
#include <mutex>

#include "core/end_signals.h"

namespace tarnfold::batch {

namespace {

std::atomic<bool> stopRequested{false};
std::atomic<bool> stoppable{false};
std::atomic<bool> endingAtOnce{false};
std::mutex cleanupMutex;
std::function<void()> cleanup;

// Holds the lock to the end, so that the main thread, which meets the
// failures the cleanup causes, cannot finish the program before it is done.
[[noreturn]] void EndAtOnce(int signal) {
    endingAtOnce = true;
    cleanupMutex.lock();
    std::cerr << "\nВыгрузка прервана; начатый документ не дописан." << std::endl;
    if (cleanup) cleanup();
    std::_Exit(128 + signal);
}

}  // namespace

void StartInterruptWatch() {
    WatchEndSignals([](int signal) {
        if (signal == SIGINT && stoppable && !stopRequested.exchange(true)) return;
        EndAtOnce(signal);
    });
}

InterruptCleanup::~InterruptCleanup() { Set(nullptr); }

void InterruptCleanup::Set(std::function<void()> action) {
    const std::lock_guard<std::mutex> lock(cleanupMutex);
    cleanup = std::move(action);
}

void SetStoppable(bool value) { stoppable = value; }

bool InterruptRequested() { return stopRequested; }

bool EndingAtOnce() { return endingAtOnce; }

}  // namespace tarnfold::batch
