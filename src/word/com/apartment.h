#pragma once
// The user-interface thread's membership of a single-threaded COM apartment,
// which Word's automation needs: joined once at start, left at the end.

namespace tarnfold::word::com {

class ComApartment {
public:
    // Throws Error when the thread cannot join (for instance when it already
    // belongs to a multi-threaded apartment).
    ComApartment();
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    ~ComApartment();
};

}  // namespace tarnfold::word::com
