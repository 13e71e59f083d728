#pragma once
// The data module's start-up as the window sees it: connect with the loaded
// settings, fill the institution and period lists, restore the saved choices
// and show the database's name.

#include <memory>
#include <string>

namespace tarnfold::db {
class DataModule;
}

namespace tarnfold::window {

class MainWindowLogic;

struct DataModuleStart {
    std::unique_ptr<db::DataModule> module;  // empty when it could not be built
    bool endRequested = false;               // the program ends once start-up is over
};

DataModuleStart StartDataModule(MainWindowLogic& window, const std::string& programFolder);

}  // namespace tarnfold::window
