#include "app/win32/program.h"
#include "core/memory_reuse.h"
#include "db/data_module.h"
#include "window/data_module_start.h"

// The Windows program: the window over the host system's database, writing
// through Word. The data module lives as long as the window.
int main() {
    using namespace tarnfold;
    KeepFreedMemoryForReuse();
    window::DataModuleStart data;
    return app::win32::RunWindowProgram(
        [&data](window::MainWindowLogic& logic, const std::string& programFolder) -> std::optional<RowSource> {
            data = window::StartDataModule(logic, programFolder);
            if (!data.module || data.endRequested) return std::nullopt;
            return RowsOf(*data.module);
        });
}
