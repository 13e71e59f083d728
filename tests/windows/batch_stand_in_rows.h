#pragma once
// The host's figures for the batch's tests under Wine, where no database
// client can be had: a stand-in of the database session answers the export's
// statements from a few institutions' rows, the same for the batch program
// of the tests (batch_stand_in_program.exe) and for the window's export path
// the tests compare its documents with.

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "export/export_run.h"
#include "support/fake_database.h"

namespace tarnfold::testing {

// Rows of the large form, enough for a Ctrl+C to land in the middle.
inline constexpr int kLargeFormRows = 40;

class StandInFigures {
public:
    StandInFigures();
    StandInFigures(const StandInFigures&) = delete;
    StandInFigures& operator=(const StandInFigures&) = delete;

    RowSource Rows();

    // Called after the mapping of each source row is read, with the count
    // of rows read so far in this session.
    std::function<void(std::size_t rowsRead)> afterRow;

private:
    FakeDatabase database_;
    std::vector<db::Institution> institutions_;
    std::vector<db::Period> periods_;
    std::size_t rowsRead_ = 0;
};

// Form 7's template in the stand-in word processor's text format, with a cell
// for the first two columns of each of `rows` rows.
std::string StandInTemplate(int rows);

}  // namespace tarnfold::testing
