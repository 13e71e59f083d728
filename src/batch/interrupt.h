#pragma once
// Ctrl+C during a batch: the first asks the batch to stop after the current
// row, so that the document in hand is saved; a second one ends the program
// at once, as Ctrl+C usually does.

namespace tarnfold::batch {

void InstallInterruptHandler();
bool InterruptRequested();

}  // namespace tarnfold::batch
