#include "word/libreoffice/watchdog.h"

#include <algorithm>

namespace tarnfold::word {

Watchdog::Watchdog(std::function<void()> onTimeout, std::function<bool()> stillWorking,
                   std::chrono::milliseconds longestCall)
    : onTimeout_(std::move(onTimeout)),
      stillWorking_(std::move(stillWorking)),
      longestCall_(longestCall),
      thread_([this] { Run(); }) {}

Watchdog::~Watchdog() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

Watchdog::Watch::Watch(Watchdog& dog, std::chrono::milliseconds timeout) : dog_(dog) {
    {
        std::lock_guard lock(dog_.mutex_);
        if (dog_.depth_++ > 0) return;
        const auto now = std::chrono::steady_clock::now();
        dog_.timeout_ = timeout;
        dog_.deadline_ = now + timeout;
        dog_.lastChance_ = now + std::max(timeout, dog_.longestCall_);
        dog_.fired_ = false;
    }
    dog_.changed_.notify_all();
}

Watchdog::Watch::~Watch() {
    {
        std::lock_guard lock(dog_.mutex_);
        --dog_.depth_;
    }
    dog_.changed_.notify_all();
}

bool Watchdog::Fired() const {
    std::lock_guard lock(mutex_);
    return fired_;
}

void Watchdog::Run() {
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        if (depth_ == 0 || fired_) {
            changed_.wait(lock);
            continue;
        }
        const auto deadline = deadline_;
        if (changed_.wait_until(lock, deadline) == std::cv_status::no_timeout) continue;
        if (depth_ > 0 && deadline_ == deadline && !stopping_ && stillWorking_ && deadline < lastChance_) {
            lock.unlock();
            const bool working = stillWorking_();
            lock.lock();
            // The call may have ended, or another begun, while the peer was looked at.
            if (depth_ > 0 && deadline_ == deadline && working) {
                deadline_ = std::min(std::chrono::steady_clock::now() + timeout_, lastChance_);
                continue;
            }
        }
        if (depth_ > 0 && deadline_ == deadline && !stopping_) {
            fired_ = true;
            lock.unlock();
            onTimeout_();
            lock.lock();
        }
    }
}

}  // namespace tarnfold::word
