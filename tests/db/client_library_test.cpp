#include "db/client_library.h"

#include <filesystem>
#include <fstream>

#include <dlfcn.h>

#include <gtest/gtest.h>

#include "core/error.h"
#include "db/data_module.h"
#include "support/temp_dir.h"

namespace tarnfold::db {
namespace {

using tarnfold::testing::TempDir;

TEST(ClientLibrary, CopyBesideTheProgramComesFirst) {
    const auto candidates = ClientLibrary::Candidates("/opt/tool/");
    ASSERT_EQ(candidates.size(), 2u);
    EXPECT_EQ(candidates[0], "/opt/tool/libfbclient.so.2");
    EXPECT_EQ(candidates[1], "libfbclient.so.2");
}

TEST(ClientLibrary, SystemLibraryLoadsWhenNoCopyIsBesideTheProgram) {
    TempDir dir;
    const auto library = ClientLibrary::Load(ClientLibrary::Candidates(dir.Folder()));
    EXPECT_EQ(library->Name(), "libfbclient.so.2");
    EXPECT_NE(library->interpret, nullptr);
}

TEST(ClientLibrary, CopyBesideTheProgramIsLoaded) {
    TempDir dir;
    const auto library = ClientLibrary::Load({"libfbclient.so.2"});
    // The file the system would load, copied next to the "program".
    Dl_info info{};
    ASSERT_NE(dladdr(reinterpret_cast<void*>(library->attach_database), &info), 0);
    std::filesystem::copy_file(info.dli_fname, dir.File("libfbclient.so.2"));
    const auto copy = ClientLibrary::Load(ClientLibrary::Candidates(dir.Folder()));
    EXPECT_EQ(copy->Name(), dir.File("libfbclient.so.2"));
}

TEST(ClientLibrary, MissingLibraryIsAClearError) {
    try {
        ClientLibrary::Load({"libfbclient-missing.so.9"});
        FAIL() << "a missing library loaded";
    } catch (const Error& e) {
        EXPECT_EQ(
            std::string(e.what()).rfind("Не найдена клиентская библиотека базы данных (libfbclient-missing.so.9)", 0),
            0u)
            << e.what();
    }
}

TEST(ClientLibrary, BrokenCopyBesideTheProgramStopsTheDataModule) {
    TempDir dir;
    std::ofstream(dir.File("libfbclient.so.2")) << "not a library";
    try {
        DataModule module(dir.Folder());
        FAIL() << "a broken client library was accepted";
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find(dir.File("libfbclient.so.2")), std::string::npos) << e.what();
        EXPECT_EQ(std::string(e.what()).rfind("Не удалось загрузить клиентскую библиотеку", 0), 0u) << e.what();
    }
}

}  // namespace
}  // namespace tarnfold::db
