#include <clocale>
#include <iostream>
#include <string>
#include <unistd.h>
#include <vector>

#include "batch/batch_program.h"
#include "batch/interrupt.h"
#include "core/memory_reuse.h"
#include "core/paths.h"

// The batch exporter: the window's export, run for many institutions from the
// command line, beside the window program and on its files.
int main(int argc, char** argv) {
    // The user's locale, as the window has it: the C library's own texts
    // (names of months, the system's reasons) in the user's language. Numbers
    // never depend on it.
    std::setlocale(LC_ALL, "");
    tarnfold::KeepFreedMemoryForReuse();
    tarnfold::batch::StartInterruptWatch();
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    return tarnfold::batch::RunBatchProgram(arguments, tarnfold::ProgramFolder(), std::cout, std::cerr,
                                            ::isatty(STDERR_FILENO) != 0);
}
