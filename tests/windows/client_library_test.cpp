// The database client library as Windows loads it: gds32.dll, then
// fbclient.dll, a copy beside the program first.
#include <gtest/gtest.h>

#include <fstream>

#include "core/error.h"
#include "core/paths.h"
#include "db/client_library.h"
#include "support/temp_dir.h"

namespace tarnfold::db {
namespace {

TEST(WindowsClientLibrary, CopiesBesideTheProgramComeFirstThenTheSystemsByName) {
    EXPECT_EQ(ClientLibrary::Candidates("C:\\Ardmet\\Tarnfold\\"),
              (std::vector<std::string>{"C:\\Ardmet\\Tarnfold\\gds32.dll", "C:\\Ardmet\\Tarnfold\\fbclient.dll",
                                        "gds32.dll", "fbclient.dll"}));
}

TEST(WindowsClientLibrary, WithoutAnyClientTheFailureNamesTheLibraries) {
    tarnfold::testing::TempDir folder;
    try {
        ClientLibrary::Load(ClientLibrary::Candidates(PathToUtf8(folder.Path())));
        FAIL() << "a client library was loaded";
    } catch (const Error& e) {
        const std::string text = e.what();
        EXPECT_NE(text.find("gds32.dll"), std::string::npos) << text;
        EXPECT_NE(text.find("fbclient.dll"), std::string::npos) << text;
    }
}

TEST(WindowsClientLibrary, ABrokenCopyBesideTheProgramIsReportedNotSkipped) {
    tarnfold::testing::TempDir folder;
    const std::string broken = PathToUtf8(folder.Path() / "gds32.dll");
    std::ofstream(PathFromUtf8(broken)) << "not a library";
    try {
        ClientLibrary::Load(ClientLibrary::Candidates(PathToUtf8(folder.Path())));
        FAIL() << "a broken library was loaded";
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find(broken), std::string::npos) << e.what();
    }
}

}  // namespace
}  // namespace tarnfold::db
