// The COM tests run on a thread that has joined a single-threaded apartment,
// as the program's user-interface thread has.
#include <gtest/gtest.h>

#include "word/com/apartment.h"

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    tarnfold::word::com::ComApartment apartment;
    return RUN_ALL_TESTS();
}
