#include <limits>

#include "core/error.h"
#include "core/integer.h"
#include "db/connection.h"
#include "db/data_module.h"

namespace tarnfold::db {
namespace {

std::string DecimalText(const Decimal& value) {
    const bool negative = value.units < 0;
    // Through the unsigned type so the most negative value has a magnitude too.
    const std::uint64_t magnitude =
        negative ? 0 - static_cast<std::uint64_t>(value.units) : static_cast<std::uint64_t>(value.units);
    std::string digits = std::to_string(magnitude);
    const auto scale = static_cast<std::size_t>(value.scale);
    if (scale > 0) {
        if (digits.size() <= scale) digits.insert(0, scale + 1 - digits.size(), '0');
        digits.insert(digits.size() - scale, 1, '.');
    }
    return negative ? "-" + digits : digits;
}

}  // namespace

std::string Value::AsText() const {
    if (isNull) return {};
    switch (kind) {
        case Kind::Integer:
            return std::to_string(integer);
        case Kind::Decimal:
            return DecimalText(decimal);
        default:
            return text;
    }
}

std::int32_t Value::AsInteger() const {
    if (isNull) return 0;
    if (kind == Kind::Integer && integer >= std::numeric_limits<std::int32_t>::min() &&
        integer <= std::numeric_limits<std::int32_t>::max())
        return static_cast<std::int32_t>(integer);
    return StrToInt(AsText());
}

ResultSet::ResultSet(std::vector<std::string> names, std::vector<Kind> kinds, std::vector<std::vector<Value>> rows)
    : names_(std::move(names)), kinds_(std::move(kinds)), rows_(std::move(rows)) {}

std::size_t ResultSet::ColumnIndex(std::string_view name) const { return FindColumn(names_, name); }

}  // namespace tarnfold::db
