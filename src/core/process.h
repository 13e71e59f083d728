#pragma once
// Every program the tool starts (the office, the desktop's opener of a
// document or of the journal) is started here, so that none of them keeps
// anything of the tool: the embedded database engine opens the database and
// its lock files without close-on-exec, and a program that inherited them
// would keep the database locked long after the tool has ended.

#include <sys/types.h>

#include <string>
#include <vector>

namespace tarnfold {

struct ProcessStart {
    // The program and its arguments; a program named without "/" is looked
    // up in PATH.
    std::vector<std::string> arguments;
    // "NAME=value" entries; empty: the tool's own environment.
    std::vector<std::string> environment;
    // Where the program's output and errors are appended; empty: nowhere.
    std::string outputFile;
    // An orphan of init, never waited for: it outlives the tool and leaves no
    // zombie behind.
    bool detached = false;
    // The beginning of the error text when the program cannot be started
    // ("Не удалось запустить LibreOffice (…)"); the reason follows after ": ".
    std::string failureMessage;
    // Killed by the system when the thread that started it ends, the tool
    // killed outright included: for helpers nobody else could ever end.
    bool endsWithTool = false;
};

// Starts the program in a session of its own, its signal mask and SIGPIPE
// reset, with standard input from /dev/null, its output as told, and no
// other descriptor of the tool open. Returns the child's process id, which
// the caller waits for; 0 for a detached program. Throws Error when the
// program cannot be executed.
pid_t StartProcess(const ProcessStart& start);

}  // namespace tarnfold
