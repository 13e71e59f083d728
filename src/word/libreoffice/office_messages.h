#pragma once
// The office's failure texts, made readable for the user.

#include <string>
#include <string_view>

namespace tarnfold::word {

// The office's description of a failure: its source location (" at
// ./sfx2/...cxx:3207") dropped, trailing blanks and full stops cut, and, for
// an input/output failure, a Russian explanation of its class in front.
// `fallback` when the office said nothing.
std::string OfficeFailureText(std::string_view message, std::string_view fallback);

}  // namespace tarnfold::word
