#include "batch/interrupt.h"

#include <atomic>
#include <cstdlib>
#include <iostream>
#include <mutex>

namespace tarnfold::batch {

namespace {

std::atomic<bool> stopRequested{false};
std::atomic<bool> stoppable{false};
std::atomic<bool> endingAtOnce{false};
std::mutex cleanupMutex;
std::function<void()> cleanup;

// Holds the lock to the end, so that the main thread, which meets the
// failures the cleanup causes, cannot finish the program before it is done.
[[noreturn]] void EndAtOnce(int exitCode) {
    endingAtOnce = true;
    cleanupMutex.lock();
    std::cerr << "\nВыгрузка прервана; начатый документ не дописан." << std::endl;
    if (cleanup) cleanup();
    std::_Exit(exitCode);
}

}  // namespace

void EndRequested(bool ctrlC, int exitCode) {
    if (ctrlC && stoppable && !stopRequested.exchange(true)) return;
    EndAtOnce(exitCode);
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
