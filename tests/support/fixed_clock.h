#pragma once
// A clock that stands still, so that dates and times written by a run are
// known to the test.

#include <ctime>

namespace tarnfold::testing {

// A local time from its parts as people write them (month 1 to 12).
inline std::tm LocalTime(int year, int month, int day, int hour, int minute, int second) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    return t;
}

// The moment the tests' runs are made: 5 March 2011, 14:03:09.
inline std::tm FixedNow() { return LocalTime(2011, 3, 5, 14, 3, 9); }

}  // namespace tarnfold::testing
