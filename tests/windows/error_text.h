#pragma once
// The error text a call gives, or "" when it does not fail.

#include <functional>
#include <string>

#include "core/error.h"

namespace tarnfold::testing {

inline std::string ErrorOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const Error& e) {
        return e.what();
    }
    return {};
}

}  // namespace tarnfold::testing
