#include "core/client_file_name.h"

namespace tarnfold {

ClientFileName FileNameForClient(std::string_view utf8) { return {std::string(utf8), false, 0}; }

}  // namespace tarnfold
