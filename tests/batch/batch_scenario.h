#pragma once
// The host's data the batch's tests export, the same on Linux (a real
// database) and on Windows (a stand-in of the database session under Wine):
// the institutions, and the figures of form 7's table 1000 for 2011 (the
// template has no row 9). Figures are decimal texts with a point; an empty
// one is NULL.

#include <string>
#include <vector>

namespace tarnfold::testing {

struct BatchInstitution {
    const char* code;
    const char* name;
    const char* district;
};

inline const std::vector<BatchInstitution> kBatchInstitutions = {
    {"0101", "Больница \"Север\"/Юг", "01"},
    {"0202", "Поликлиника", "02"},
    {"0303", "Без данных", "03"},
    {"0505", "Большая", "05"},
};

struct BatchFigures {
    const char* institution;
    int row;
    const char* n1;
    const char* n2;
};

inline const std::vector<BatchFigures> kBatchFigures = {
    {"0101", 1, "12.50", "3.1415"},
    {"0101", 2, "100", ""},
    {"0101", 9, "4", ""},
    {"0202", 1, "7", "8.25"},
};

// The institution whose form is large, one figure per row, for a Ctrl+C to
// land in the middle of it.
inline constexpr const char* kLargeFormInstitution = "0505";

}  // namespace tarnfold::testing
