// The window program as tarnfold.exe is, with its rows from a stand-in of the
// database session: no Windows database client can be had where the tests
// run. Everything else (the window, one copy per desktop, Word by COM, the
// settings) is the program's own.
#include <memory>

#include "app/win32/program.h"
#include "stand_in_rows.h"
#include "window/data_module_start.h"

int main() {
    using namespace tarnfold;
    using namespace tarnfold::testing;
    FakeDatabase database;
    database.answer = StandInAnswer;
    return app::win32::RunWindowProgram(
        [&database](window::MainWindowLogic& logic, const std::string&) -> std::optional<RowSource> {
            window::ShowStartRecords(logic, StandInInstitutions, StandInPeriods, logic.DatabaseName());
            return RowSource{[&database] { return std::make_unique<FakeSession>(database); }, StandInInstitutions,
                             StandInPeriods};
        });
}
