#include "batch/batch_main_win32.h"
#include "core/memory_reuse.h"

// The batch exporter on Windows: the window's export, run for many
// institutions from the command line, beside the window program and on its files.
int main() {
    tarnfold::KeepFreedMemoryForReuse();
    return tarnfold::batch::BatchMain(tarnfold::batch::OpenDatabaseRows);
}
