#pragma once
// Errors carry the system's own message text; the window shows them as they are.

#include <stdexcept>
#include <string>

namespace tarnfold {

class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The text the standard error box shows: a full stop is appended when the last
// character sorts above "." in the program's code page, so texts ending in
// "!", ")" or "." keep their own ending.
std::string ErrorBoxText(const std::string& message);

}  // namespace tarnfold
