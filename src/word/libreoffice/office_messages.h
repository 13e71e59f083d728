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

// A trapped error as Basic words it: for a failed office call the
// exception's type and message ("...\nType: com.sun.star...\nMessage: ...").
struct BasicError {
    std::string message;    // the office's own message, or Basic's whole text
    bool disposed = false;  // the object called had gone
};
BasicError ReadBasicError(std::string_view basicText);

}  // namespace tarnfold::word
