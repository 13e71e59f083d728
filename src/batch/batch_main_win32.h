#pragma once
// The batch program's start on Windows, for its main and for a program of the
// tests that hands it rows of its own.

#include "batch/batch_program.h"

namespace tarnfold::batch {

// Joins the apartment Word's automation needs, takes the command line as the
// system holds it (UTF-16), watches for Ctrl+C and writes to the console or
// to what the output is redirected to. Returns the exit code.
int BatchMain(const RowOpener& openRows);

}  // namespace tarnfold::batch
