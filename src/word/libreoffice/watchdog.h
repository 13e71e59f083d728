#pragma once
// A call into another process has no timeout of its own. The watchdog runs
// an action (ending that process) when a watched call takes too long; the
// call then fails because its peer is gone.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace tarnfold::word {

class Watchdog {
public:
    // `stillWorking`, when given, is asked once a watched call has outlived
    // its timeout: while it answers that the peer is busy (not hung), the
    // call gets its timeout again, up to `longestCall` in all. A large
    // document takes minutes to load, convert or save in one call.
    explicit Watchdog(std::function<void()> onTimeout, std::function<bool()> stillWorking = {},
                      std::chrono::milliseconds longestCall = std::chrono::minutes(30));
    ~Watchdog();
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

    // Watches the calls made while it lives. Nested watches count as the
    // outermost one.
    class Watch {
    public:
        Watch(Watchdog& dog, std::chrono::milliseconds timeout);
        ~Watch();
        Watch(const Watch&) = delete;
        Watch& operator=(const Watch&) = delete;

    private:
        Watchdog& dog_;
    };

    // Whether the action has run during the current (or last) outermost watch.
    bool Fired() const;

private:
    void Run();

    std::function<void()> onTimeout_;
    std::function<bool()> stillWorking_;
    std::chrono::milliseconds longestCall_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    int depth_ = 0;
    std::chrono::milliseconds timeout_{0};
    std::chrono::steady_clock::time_point deadline_;
    std::chrono::steady_clock::time_point lastChance_;
    bool fired_ = false;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace tarnfold::word
