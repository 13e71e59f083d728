// tarnfold-batch as the tests run it under Wine: the batch program itself,
// its rows from the stand-in session of batch_stand_in_rows.h in place of the
// database, which no Windows client library can reach here.
//
//   TARNFOLD_TEST_CTRL_C_AFTER_ROW=N  after N source rows are read, Ctrl+C is
//                                     pressed through the console, as often as
//   TARNFOLD_TEST_CTRL_C_PRESSES=K    says (1 when unset)

#include <windows.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

#include "batch/batch_main_win32.h"
#include "batch/interrupt.h"
#include "batch_stand_in_rows.h"

namespace {

using namespace tarnfold;

std::size_t Setting(const char* name, std::size_t otherwise) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? std::stoul(value) : otherwise;
}

// Each press goes through the console to every process attached to it, and
// the handler runs on a thread of the system's: the next press waits until
// the batch had the first; after the last the batch either stops after this
// row or ends the process from the handler.
void PressCtrlC(std::size_t presses) {
    for (std::size_t press = 0; press < presses; ++press) {
        GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0);
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!batch::InterruptRequested() && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (presses > 1) std::this_thread::sleep_for(std::chrono::seconds(10));
}

class StandInRows : public batch::BatchRows {
public:
    StandInRows() {
        const std::size_t row = Setting("TARNFOLD_TEST_CTRL_C_AFTER_ROW", 0);
        const std::size_t presses = Setting("TARNFOLD_TEST_CTRL_C_PRESSES", 1);
        if (row > 0)
            figures_.afterRow = [row, presses](std::size_t rowsRead) {
                if (rowsRead == row) PressCtrlC(presses);
            };
    }
    RowSource Rows() override { return figures_.Rows(); }

private:
    testing::StandInFigures figures_;
};

}  // namespace

int main() {
    return batch::BatchMain(
        [](const std::string&, const Settings&, std::ostream&) { return std::make_unique<StandInRows>(); });
}
