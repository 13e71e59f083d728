#pragma once
// An exact fixed-point value as NUMERIC/DECIMAL columns deliver it: a scaled
// integer. Decisions about zero are taken on this exact value, never on a double.

#include <cstdint>

namespace tarnfold {

struct Decimal {
    std::int64_t units = 0;  // the value times 10^scale
    int scale = 0;           // digits after the point, 0..18

    // Rounded to two places, halves to even, is it zero? 0.005 is, 0.0051 is not.
    bool IsZeroAtTwoPlaces() const;
    double ToDouble() const;
};

}  // namespace tarnfold
