#pragma once
// A thread's membership of a COM apartment, joined by the guard and left when
// it ends.

namespace tarnfold::word::com {

class ComApartment {
public:
    // The single-threaded apartment, which Word's automation needs on the
    // user-interface thread. Throws Error when the thread cannot join (for
    // instance when it already belongs to a multi-threaded apartment).
    ComApartment();
    // The multi-threaded apartment for a thread that only passes a call on
    // (such as one that ends the program); a thread already in an apartment
    // of the other kind stays there, where its calls work as well.
    struct AnyThread {};
    explicit ComApartment(AnyThread);
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    ~ComApartment();

private:
    bool joined_ = false;
};

}  // namespace tarnfold::word::com
