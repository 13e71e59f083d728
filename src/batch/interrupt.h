#pragma once
// Ctrl+C, and the end of the terminal or a kill, for the whole batch program.
// While a batch can stop cleanly, the first Ctrl+C asks it to stop after the
// current row, so that the document in hand is saved. Otherwise (before the
// batch, at a second Ctrl+C, or when the system ends the program) the program
// ends at once, after the cleanup it was given: the batch's office must not
// outlive it. How the requests arrive differs by platform (signals on Linux,
// console control events on Windows); what they do is the same.

#include <functional>

namespace tarnfold::batch {

// Call first thing in main, before any thread starts. The requests are then
// taken on a thread of their own, where the cleanup may do what a signal
// handler may not.
void StartInterruptWatch();

// The cleanup an immediate end runs, for as long as this object lives. It runs
// on the watching thread, so it must hold copies of what it needs.
class InterruptCleanup {
public:
    InterruptCleanup() = default;
    ~InterruptCleanup();
    InterruptCleanup(const InterruptCleanup&) = delete;
    InterruptCleanup& operator=(const InterruptCleanup&) = delete;
    void Set(std::function<void()> cleanup);
};

void SetStoppable(bool stoppable);
bool InterruptRequested();
// The program is ending at once: what goes wrong meanwhile is not reported.
bool EndingAtOnce();

// What the platform's watch reports: `ctrlC` for the user's Ctrl+C, which the
// first time only asks a stoppable batch to stop; anything else, or Ctrl+C
// when the batch cannot stop cleanly, ends the program at once with
// `exitCode`. Returns only when the batch was asked to stop.
void EndRequested(bool ctrlC, int exitCode);

}  // namespace tarnfold::batch
