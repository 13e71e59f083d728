#include "core/decimal.h"

namespace tarnfold {

namespace {
std::uint64_t PowerOfTen(int n) {
    std::uint64_t p = 1;
    while (n-- > 0) p *= 10;
    return p;
}
}  // namespace

bool Decimal::IsZeroAtTwoPlaces() const {
    if (scale <= 2) return units == 0;
    const std::uint64_t magnitude =
        units < 0 ? 0 - static_cast<std::uint64_t>(units) : static_cast<std::uint64_t>(units);
    const std::uint64_t divisor = PowerOfTen(scale - 2);
    std::uint64_t quotient = magnitude / divisor;
    const std::uint64_t twiceRest = (magnitude % divisor) * 2;
    if (twiceRest > divisor || (twiceRest == divisor && quotient % 2 == 1)) ++quotient;
    return quotient == 0;
}

double Decimal::ToDouble() const { return static_cast<double>(units) / static_cast<double>(PowerOfTen(scale)); }

}  // namespace tarnfold
