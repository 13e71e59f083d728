#include "word/libreoffice/watchdog.h"

namespace tarnfold::word {

Watchdog::Watchdog(std::function<void()> onTimeout) : onTimeout_(std::move(onTimeout)), thread_([this] { Run(); }) {}

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
        dog_.deadline_ = std::chrono::steady_clock::now() + timeout;
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
        if (depth_ > 0 && deadline_ == deadline && !stopping_) {
            fired_ = true;
            lock.unlock();
            onTimeout_();
            lock.lock();
        }
    }
}

}  // namespace tarnfold::word
