#include "core/error.h"

#include "core/text.h"

namespace tarnfold {

std::string ErrorBoxText(const std::string& message) {
    const std::string bytes = Utf8ToCp1251(message);
    if (!bytes.empty() && static_cast<unsigned char>(bytes.back()) > static_cast<unsigned char>('.'))
        return message + ".";
    return message;
}

}  // namespace tarnfold
