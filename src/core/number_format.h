#pragma once
// Numbers as the form shows them and as the window's arithmetic rounds them.

#include <string>

namespace tarnfold {

// General format: the shortest decimal form with at most 15 significant digits,
// no thousands separator, the given decimal separator, no trailing zeros and no
// separator for a whole number; exponent form ("1,5E20", "1E-5") only for 16 or
// more digits before the separator or a value below 0.0001.
std::string FormatGeneral(double value, const std::string& decimalSeparator);

// Nearest whole number, a half going to the even neighbour (12.5 gives 12).
long long RoundHalfEven(double value);

}  // namespace tarnfold
