#include "core/system_error.h"

namespace tarnfold {

std::string SystemErrorText(const std::error_code& code) {
    // On POSIX the system's codes are errno values too.
    if (code.category() == std::generic_category() || code.category() == std::system_category())
        return SystemErrorText(code.value());
    return code.message();
}

}  // namespace tarnfold
