#pragma once
// The data module's start-up as the window sees it: connect with the loaded
// settings, fill the institution and period lists, restore the saved choices
// and show the database's name.

#include <memory>
#include <string>
#include <vector>

namespace tarnfold::db {
class DataModule;
struct Institution;
struct Period;
}  // namespace tarnfold::db

namespace tarnfold::window {

class MainWindowLogic;

struct DataModuleStart {
    std::unique_ptr<db::DataModule> module;  // empty when it could not be built
    bool endRequested = false;               // the program ends once start-up is over
};

DataModuleStart StartDataModule(MainWindowLogic& window, const std::string& programFolder);

// The records read at start-up in the window: the lists filled, the saved
// institution and form found again, the database's name shown.
void ShowStartRecords(MainWindowLogic& window, const std::vector<db::Institution>& institutions,
                      const std::vector<db::Period>& periods, const std::string& databaseName);

}  // namespace tarnfold::window
