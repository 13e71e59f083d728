#include "word/server_error.h"

namespace tarnfold::word {

std::string ServerErrorText(std::string_view description, std::string_view fallback) {
    std::size_t end = description.size();
    while (end > 0) {
        const char c = description[end - 1];
        if (c != ' ' && c != '.' && c != '\t' && c != '\r' && c != '\n') break;
        --end;
    }
    if (end == 0) return std::string(fallback);
    return std::string(description.substr(0, end));
}

}  // namespace tarnfold::word
