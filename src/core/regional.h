#pragma once
// The user's regional formats, read once by the window program from its
// platform and handed down as plain values, so every rule below can be tested
// under any locale.

#include <string>

namespace tarnfold {

struct RegionalFormats {
    std::string decimalSeparator = ",";
    // strftime patterns of the short date and the long time.
    std::string shortDate = "%d.%m.%Y";
    std::string longTime = "%H:%M:%S";
};

}  // namespace tarnfold
