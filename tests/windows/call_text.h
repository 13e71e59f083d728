#pragma once
// Recorded calls as short lines, so a whole sequence compares at a glance:
//   documents.Open M [&'C:\a.doc']       M method, G method or property read,
//   application.Visible P [<put>=b:-1]   P property assignment
// Arguments: 'text' by value, &'text' by reference, i:N integer, b:N boolean.

#include <string>
#include <vector>

#include "recording_dispatch.h"

namespace tarnfold::testing {

std::string CallText(const RecordedCall& call);
std::vector<std::string> CallTexts(const std::vector<RecordedCall>& calls);

}  // namespace tarnfold::testing
