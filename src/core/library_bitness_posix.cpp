#include "core/library_bitness.h"

namespace tarnfold {

std::string OtherBuildAdvice(const std::string&) { return {}; }

}  // namespace tarnfold
