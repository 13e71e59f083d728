#pragma once
// The office one test program shares: a profile under the build folder
// (seeded once, so later starts are fast), a pipe of the program's own, and
// the office ended when the program ends.

#include <string>

#include "word/libreoffice/libreoffice.h"

namespace tarnfold::testing {

// Options of the shared office of this test program.
const word::LibreOfficeOptions& SharedOfficeOptions();
// The one server of the program, created on first use.
word::LibreOfficeServer& SharedOffice();
// Options of an office of its own for a case that ends or breaks its office.
word::LibreOfficeOptions OwnOfficeOptions(const std::string& name);

// The pid of the office process (soffice.bin) serving a pipe; 0 when none.
int OfficeProcessId(const std::string& pipeName);

}  // namespace tarnfold::testing
