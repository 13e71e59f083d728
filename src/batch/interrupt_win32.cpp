#include <windows.h>

#include "batch/interrupt.h"

namespace tarnfold::batch {

namespace {

// The exit codes a shell on Linux would report for the matching signals, so
// that scripts read the batch's end alike on both systems: SIGINT for the
// keys, SIGHUP for a closed console window, SIGTERM for the end of the session.
constexpr int kInterruptedExit = 130;
constexpr int kConsoleClosedExit = 129;
constexpr int kSessionEndedExit = 143;

// The system calls this on a thread of its own for each event.
BOOL WINAPI OnConsoleEvent(DWORD event) {
    switch (event) {
        case CTRL_C_EVENT:
            EndRequested(true, kInterruptedExit);
            return TRUE;
        case CTRL_BREAK_EVENT:
            EndRequested(false, kInterruptedExit);
            return TRUE;
        case CTRL_CLOSE_EVENT:
            EndRequested(false, kConsoleClosedExit);
            return TRUE;
        default:
            EndRequested(false, kSessionEndedExit);
            return TRUE;
    }
}

}  // namespace

void StartInterruptWatch() {
    // A program started in a process group of its own has Ctrl+C switched
    // off; it is switched on again, since it is the way to stop the batch.
    SetConsoleCtrlHandler(nullptr, FALSE);
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

}  // namespace tarnfold::batch
