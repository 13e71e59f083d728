#pragma once
// How a word processor's failure reads to the user, whatever the back-end.

#include <string>
#include <string_view>

namespace tarnfold::word {

// The server's own description with trailing blanks, line breaks and full
// stops cut (the error box adds its own full stop); `fallback` when nothing is
// left of it.
std::string ServerErrorText(std::string_view description, std::string_view fallback);

}  // namespace tarnfold::word
